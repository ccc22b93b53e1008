// The saved parameter-set file: its JSON, its refusals and loading it onto
// another unit of the same model.
#include <QJsonDocument>

#include <algorithm>

#include <gtest/gtest.h>

#include "Readings.h"
#include "SavedSet.h"

namespace tservice::testing {
namespace {

TEST(SavedSetLoad, KeepsTheTargetsCalibrationUnlessAsked) {
    DeviceImage source = ReadingOf(kTevTp, 4, 2, 1), target = source;
    source.PutKBegSk(1111);
    source.PutBegSkTxc(2222);
    source.PutCurrentEnd(5);
    source.PutTipSign(2);
    source.Baza[40] = 0x77;
    target.PutKBegSk(3333);
    target.PutBegSkTxc(4444);
    target.PutNu(6);
    SavedSet saved;
    std::string error;
    ASSERT_TRUE(ParseSavedSet(QJsonDocument(ToJson(Describe(source, 1))).toJson(), saved, error)) << error;

    struct Way {
        bool withCalibration;
        int kBegSk, begSkTxc, currentEnd;
    };
    for (const Way& w : {Way{false, 3333, 4444, 0}, Way{true, 1111, 2222, 5}}) {
        DeviceImage im = target;
        SavedSetTransfer transfer;
        ASSERT_TRUE(ApplySavedSet(saved, im, error, w.withCalibration, &transfer)) << error;
        EXPECT_EQ(im.GetTipSign(), 2);
        EXPECT_EQ(im.GetKBegSk(), w.kBegSk);
        EXPECT_EQ(im.GetBegSkTxc(), w.begSkTxc);
        EXPECT_EQ(im.GetCurrentEnd(), w.currentEnd);
        EXPECT_EQ(im.GetNu(), 6);
        EXPECT_EQ(im.Baza[40], 0);  // uninterpreted: always the target's
        const auto& kept = transfer.kept;
        EXPECT_EQ(std::find(kept.begin(), kept.end(), "KBegSk") != kept.end(), !w.withCalibration);
    }
}

TEST(SavedSetJson, ReadingCarriesNumbersFlagsAndListWords) {
    DeviceImage im = TevTs();
    im.PutTipSign(1);
    const QJsonObject o = ToJson(Describe(im, 2));
    EXPECT_EQ(o["format"].toInt(), 1);
    for (const char* key : {"value", "percent", "setpoint1", "setpoint2", "rangeFrom", "rangeTo", "TipSign"})
        EXPECT_TRUE(o[key].isDouble()) << key;
    EXPECT_DOUBLE_EQ(o["rangeFrom"].toDouble(), -50.0);
    EXPECT_TRUE(o["privileged"].isBool());
    EXPECT_EQ(o["alarm"].toString(), "LL");
    EXPECT_EQ(o["connect"].toString(), "4");
}

TEST(SavedSetFile, RoundTripRefusalsAndTheFirstVersionsFiles) {
    DeviceImage im = TevTs();
    const QJsonObject saved = ToJson(Describe(im, 2));
    SavedSet s;
    std::string error;
    ASSERT_TRUE(ParseSavedSet(QJsonDocument(saved).toJson(), s, error)) << error;
    EXPECT_EQ(s.model, kTevTs);
    EXPECT_EQ(s.raw.size(), 40u);

    const std::vector<std::pair<QByteArray, const char*>> bad{
        {"", "empty"},
        {"[1,2]", "not an object"},
        {"{\"model\":101,\"version\":5,\"device\":2}", "no raw"},
        {"{\"model\":101,\"version\":5,\"device\":2,\"raw\":\"0G\"}", "not hex"},
        {"{\"model\":101,\"version\":5,\"device\":2,\"raw\":\"0\"}", "odd hex"},
        {"{\"model\":101,\"version\":5,\"device\":40,\"raw\":\"00\"}", "device beyond 32"},
        {"{\"model\":7,\"version\":5,\"device\":2,\"raw\":\"00\"}", "unknown model"},
        {"{\"model\":101.5,\"version\":5,\"device\":2,\"raw\":\"00\"}", "fractional model"},
        {QByteArray("{\"model\":101,\"version\":5,\"device\":2,\"raw\":\"") + QByteArray(82, '0') + "\"}", "41 bytes"},
    };
    for (const auto& [text, why] : bad) EXPECT_FALSE(ParseSavedSet(text, s, error)) << why;

    // A readable field edited by hand over the raw block: refused, naming it.
    const std::vector<std::pair<const char*, QJsonValue>> handEdited{
        {"Diap", 3}, {"alarm", "LL"}, {"setpoint1", 99}, {"sensor", "Ni"}, {"rangeTo", 150},
        {"NonStandY", "x"}, {"nonStandard", true}, {"setpointUnit", "%"}};
    for (const auto& [key, value] : handEdited) {
        QJsonObject tampered = saved;
        tampered[key] = value;
        EXPECT_FALSE(ParseSavedSet(QJsonDocument(tampered).toJson(), s, error)) << key;
        EXPECT_NE(error.find(std::string("\"") + key + "\""), std::string::npos) << error;
    }
    QJsonObject shown = saved;
    shown["setpoint1"] = QString::fromStdString(SetpointText(im, 1));  // as a text
    EXPECT_TRUE(ParseSavedSet(QJsonDocument(shown).toJson(), s, error)) << error;
    QJsonObject later = saved;
    later["format"] = 2;
    EXPECT_FALSE(ParseSavedSet(QJsonDocument(later).toJson(), s, error));

    // Texts with decimal commas, no "format": as the first versions saved.
    const QByteArray old = QByteArray(R"({"device": 2, "model": 101, "name": "ТЕВ-ТС", "version": 5,
        "privileged": true, "TipD": 2, "Diap": 17, "UstKod1": 1638, "nonStandard": false,
        "rangeFrom": "-50", "rangeTo": "100", "setpointUnit": "°C", "setpoint1": "-20", "setpoint2": "69,99",
        "percent": "0,000", "value": "-50,00", "valueUnit": "°C", "raw": ")") +
                           saved["raw"].toString().toUtf8() + "\"}";
    ASSERT_TRUE(ParseSavedSet(old, s, error)) << error;
    EXPECT_EQ(s.fields.at("Diap"), 17);
    DeviceImage target = im;
    EXPECT_TRUE(ApplySavedSet(s, target, error)) << error;
}

TEST(SavedSetFile, ApplyChecksModelLengthAndKeepsTheTargetsNumber) {
    DeviceImage source = TevTs();
    source.PutDiap(30);
    source.PutNu(4);
    ApplyRangeLimits(source);
    SavedSet s;
    std::string error;
    ASSERT_TRUE(ParseSavedSet(QJsonDocument(ToJson(Describe(source, 5))).toJson(), s, error)) << error;

    DeviceImage target = TevTs();
    ASSERT_TRUE(ApplySavedSet(s, target, error)) << error;
    EXPECT_EQ(target.GetDiap(), 30);
    EXPECT_EQ(target.GetNu(), 1);  // not 4: two devices must not share a number

    DeviceImage other = TevTs();
    other.Ver = 4;
    const auto before = other.Baza;
    EXPECT_FALSE(ApplySavedSet(s, other, error));
    EXPECT_EQ(other.Baza, before);

    DeviceImage unprivileged = TevTs(false);
    EXPECT_FALSE(ApplySavedSet(s, unprivileged, error));  // Diap is a privileged field
}

}  // namespace
}  // namespace tservice::testing
