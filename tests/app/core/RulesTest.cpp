// The acceptance rule of a block and the check before a write, with the
// saved-set file that must judge alike.
#include <gtest/gtest.h>

#include <functional>

#include <QJsonDocument>
#include <QJsonObject>

#include "Readings.h"
#include "Rules.h"
#include "SavedSet.h"

namespace tservice::testing {
namespace {

struct Case {
    const char* name;
    std::function<void(DeviceImage&)> change;
    const char* refusal;       // part of the refusal; null when accepted
    bool fileTakesIt = false;  // a file carrying it is loaded (the target keeps what the file may not set)
};

// The block as a saved-set file of device 2 holding only the raw bytes.
QByteArray FileOf(const DeviceImage& im) {
    const QJsonObject o{{"model", im.Tip}, {"version", im.Ver}, {"device", 2},
                        {"raw", QString::fromStdString(Hex(&im.Baza[1], im.GetLen()))}};
    return QJsonDocument(o).toJson();
}

TEST(JudgeBlock, UnusualBlocksAreRefusedAsReadingsAndAsFiles) {
    const Case cases[] = {
        {"ordinary", [](DeviceImage&) {}, nullptr},
        {"sensor type past its list", [](DeviceImage& im) { im.PutTipD(6); }, "неизвестный тип датчика (6)"},
        {"ЛАДР sensor past its list", [](DeviceImage& im) { im.Tip = kLadr; im.PutTipD(2); },
         "неизвестный тип датчика (2)"},
        {"ТЕВ-ТП past its eleven", [](DeviceImage& im) { im.Tip = kTevTp; im.PutTipD(11); },
         "неизвестный тип датчика (11)"},
        {"range number past the mark", [](DeviceImage& im) { im.PutDiap(60); }, nullptr},
        {"count byte above 40", [](DeviceImage& im) { im.Baza[0] = 41; }, "неверная длина базы данных (41"},
        {"stored number above 31", [](DeviceImage& im) { im.PutNu(40); }, "неверный номер устройства"},
        {"model 104", [](DeviceImage& im) { im.Tip = 104; }, "не ТЕВ, не ЛАДР и не ОСКИ"},
        {"model 0xFF", [](DeviceImage& im) { im.Tip = 0xFF; }, "не определен тип прибора"},
        {"setpoint beyond the scale", [](DeviceImage& im) { im.PutUstKod1(9000); }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceImage im = TevTs();
        c.change(im);
        const ReadJudgement j = JudgeBlock(im, 1);
        EXPECT_EQ(j.Accepted(), c.refusal == nullptr);
        if (c.refusal) { EXPECT_NE(j.box.text.find(c.refusal), std::string::npos) << j.box.text; }
        SavedSet saved;
        std::string error;
        EXPECT_EQ(ParseSavedSet(FileOf(im), saved, error), c.refusal == nullptr) << error;
    }
}

TEST(CheckBlock, UnusualEditsAreRefusedBeforeAnyWriteAndFromFiles) {
    const auto nonStandard = [](DeviceImage& im, int lo, int hi) {
        im.PutDiap(47);  // the mark of Pt100's table
        im.PutNonStandMin(lo);
        im.PutNonStandMax(hi);
        for (int k = 0; k < 8; ++k) im.PutNonStandY(k, 900 * (k + 1));
    };
    const Case cases[] = {
        {"alarm type", [](DeviceImage& im) { im.PutTipSign(1); }, nullptr, true},
        {"setpoint beyond the scale", [](DeviceImage& im) { im.PutUstKod1(9000); }, "поле UstKod1 = 9000: допустимо 0…8191", false},
        {"sensor type 99", [](DeviceImage& im) { im.PutTipD(99); }, "поле TipD = 99: допустимо 0…5", false},
        {"range past the mark", [](DeviceImage& im) { im.PutDiap(60); }, "поле Diap = 60: допустимо 0…46 или 47", false},
        {"non-standard range", [&](DeviceImage& im) { nonStandard(im, -50, 100); }, nullptr, true},
        {"non-standard below the table", [&](DeviceImage& im) { nonStandard(im, -300, 100); }, "поле NonStandMin = -300", false},
        {"non-standard too narrow", [&](DeviceImage& im) { nonStandard(im, 0, 10); }, "поле NonStandMax = 10", false},
        {"connection scheme 3", [](DeviceImage& im) { im.PutConnect(3); }, "поле Connect = 3: допустимо 1…2", false},
        {"alarm type 3", [](DeviceImage& im) { im.PutTipSign(3); }, "поле TipSign = 3: допустимо 0…2", false},
        {"uninterpreted byte", [](DeviceImage& im) { im.Baza[40] = 0x11; }, "байт 39 блока = 17", true},
    };
    const DeviceImage read = TevTs();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceImage next = read;
        c.change(next);
        const std::string why = CheckBlock(next, read);
        EXPECT_EQ(why.empty(), c.refusal == nullptr) << why;
        if (c.refusal) { EXPECT_NE(why.find(c.refusal), std::string::npos) << why; }

        SavedSet saved;
        std::string error;
        DeviceImage target = read;
        const bool parsed = ParseSavedSet(QJsonDocument(ToJson(Describe(next, 2))).toJson(), saved, error);
        EXPECT_EQ(parsed && ApplySavedSet(saved, target, error), c.fileTakesIt) << error;
        if (!c.fileTakesIt) { EXPECT_EQ(target.Baza, read.Baza); }
    }
}

}  // namespace
}  // namespace tservice::testing
