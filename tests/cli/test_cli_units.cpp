// Command-line parsing, the edit rules and the parameter-set file, without a line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include <QJsonDocument>
#include <QJsonObject>

#include "Args.h"
#include "Edits.h"
#include "Report.h"
#include "FilePath.h"
#include "Rules.h"
#include "SavedSet.h"

using namespace tservice;
using namespace tservice::cli;

namespace {

Options Parse(std::initializer_list<const char*> args) {
    return ParseArgs(std::vector<std::string>(args.begin(), args.end()));
}

// A complete reading of a ТЕВ-ТС v5: Pt100, range -50…100 (table F, 17).
DeviceImage TevTs(bool privileged = true) {
    DeviceImage im;
    im.Tip = kTevTs;
    im.Ver = 5;
    im.PutLen(40);
    im.PutTipD(2);
    im.PutDiap(17);
    im.PutNu(1);
    im.PutConnect(1);
    im.PutUstKod1(4095);
    im.PutUstKod2(8000);
    im.NePriv = privileged ? 0 : 1;
    im.Vvod = 1;
    ApplyRangeLimits(im);
    return im;
}

}  // namespace

TEST(CliArgs, AcceptsCommonAndCommandOptions) {
    const Options o = Parse({"read", "--port", "/dev/pts/3", "--baud=19200", "--parity", "O", "--stop", "1",
                             "--delay", "40", "--device", "32", "--json"});
    EXPECT_EQ(o.port, "/dev/pts/3");
    EXPECT_EQ(o.baud, 19200);
    EXPECT_EQ(o.parity, 'O');
    EXPECT_EQ(o.stop, 1);
    EXPECT_EQ(o.delay, 40);
    EXPECT_EQ(o.device, 32);
    EXPECT_TRUE(o.json);
    const Options s = Parse({"set", "--port", "p", "alarm=LL", "setpoint1=12,5", "--dry-run"});
    EXPECT_EQ(s.edits, (std::vector<std::string>{"alarm=LL", "setpoint1=12,5"}));
    EXPECT_TRUE(s.dryRun);
    const Options f = Parse({"scan", "--port", "tcp://gw:4001", "--fast", "--timeout", "80"});
    EXPECT_TRUE(f.fast);
    EXPECT_EQ(f.timeoutMs, 80);
    EXPECT_EQ(Parse({"sim", "--tcp", "127.0.0.1:0", "--baud", "9600"}).tcp, "127.0.0.1:0");
    EXPECT_EQ(Parse({"load", "--port", "p", "f", "--operator", " Иванов  И. "}).operatorName, "Иванов И.");
    EXPECT_EQ(Parse({"journal", "--verify", "j.jsonl"}).file, "j.jsonl");
}

TEST(CliArgs, UsageErrors) {
    const std::vector<std::vector<std::string>> bad{
        {},
        {"frobnicate"},
        {"read"},                                            // no port
        {"read", "--port", "p", "--baud", "4800"},
        {"read", "--port", "p", "--parity", "X"},
        {"read", "--port", "p", "--parity", "E", "--stop", "2"},  // refused combination
        {"read", "--port", "p", "--delay", "0"},
        {"read", "--port", "p", "--delay", "101"},
        {"read", "--port", "p", "--device", "33"},
        {"read", "--port", "p", "--device", "1x"},
        {"read", "--port", "p", "--max", "3"},                // scan's option
        {"read", "--port"},
        {"set", "--port", "p"},
        {"set", "--port", "p", "alarm"},
        {"save", "--port", "p"},
        {"load", "--port", "p", "a", "b"},
        {"range", "--sensor", "Pt100", "--from", "0"},
        {"sim"},
        {"watch", "--port", "p", "--interval", "0"},
        {"read", "--port", "p", "--json=1"},
        {"scan", "--port", "p", "--timeout", "50"},          // only with --fast
        {"scan", "--port", "p", "--fast", "--timeout", "0"},
        {"read", "--port", "p", "--fast"},
        {"read", "--port", "tcp://gw:0"},
        {"sim", "--link", "x", "--tcp", "127.0.0.1:0"},
        {"read", "--port", "p", "--trace="},
        {"range", "--sensor", "Pt100", "--from", "0", "--to", "100", "--trace"},  // uses no line
        {"read", "--port", "p", "-x"},
        {"set", "--port", "p", "colour=red"},                  // unknown field: before the line
        {"set", "--port", "p", "alarm=LL", "alarm=HH"},
        {"watch", "--port", "p", "--csv", "--json"},
        {"journal"},                                          // nothing asked
        {"journal", "--verify", "a", "b"},
        {"set", "--port", "p", "alarm=LL", "--operator", " "},
        {"read", "--port", "p", "--operator", "x"},           // writes nothing to sign
    };
    for (const auto& args : bad) {
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_THROW(ParseArgs(args), UsageError) << joined;
    }
    EXPECT_NO_THROW(Parse({"read", "--port", "p", "--parity", "O", "--stop", "2"}));
    const Options toErr = Parse({"scan", "--port", "p", "--trace"});
    const Options toFile = Parse({"watch", "--trace=t.log", "--port", "p"});
    EXPECT_TRUE(toErr.trace && toErr.traceFile.empty());
    EXPECT_TRUE(toFile.trace && toFile.traceFile == "t.log");
}

TEST(CliArgs, HelpOfEveryCommandNamesEachOptionAndAnExample) {
    const std::string program = HelpText("");
    for (const std::string& c : CommandNames()) {
        EXPECT_NE(program.find("  " + c + " "), std::string::npos) << c;
        const Options o = ParseArgs({c, "--help"});  // nothing else needed
        EXPECT_TRUE(o.help) << c;
        const std::string h = HelpText(c);
        for (const std::string& opt : CommandOptionNames(c)) {
            const auto at = h.find("  --" + opt);
            ASSERT_NE(at, std::string::npos) << c << " " << opt;
            const char next = h[at + 4 + opt.size()];
            EXPECT_TRUE(next == ' ' || next == '[') << c << " " << opt;
        }
        EXPECT_NE(h.find("Пример:\n  tservicectl " + c), std::string::npos) << c;
        EXPECT_NE(h.find("4  устройство ответило исключением"), std::string::npos) << c;
    }
    EXPECT_EQ(CommandOptionNames("read"), (std::vector<std::string>{"json", "port", "baud", "parity", "stop", "delay", "device", "echo", "rts", "stats", "trace"}));
    EXPECT_TRUE(ParseArgs({"--version"}).version);
}

TEST(CliEdits, DecimalPointOrCommaGiveTheSameImage) {
    const std::vector<std::pair<std::string, std::string>> same{
        {"setpoint1=12.5", "setpoint1=12,5"}, {"setpoint2=-7.25", "setpoint2=-7,25"},
        {"range=0.0..100", "range=0..100"},   {"current-start=3.0", "current-start=3"}};
    for (const auto& [point, comma] : same) {
        DeviceImage a = TevTs(), b = TevTs();
        ASSERT_TRUE(ApplyEdits(a, {point}).ok) << point;
        ASSERT_TRUE(ApplyEdits(b, {comma}).ok) << comma;
        EXPECT_EQ(a.Baza, b.Baza) << point;
    }
    for (const char* bad : {"setpoint1=1.2.3", "setpoint1=1.5,5", "setpoint1=."}) {
        DeviceImage im = TevTs();
        EXPECT_FALSE(ApplyEdits(im, {bad}).ok) << bad;
    }
}

TEST(CliJson, ReadingCarriesNumbersFlagsAndListWords) {
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

TEST(CliEdits, ApplyWithTheWindowsRules) {
    DeviceImage im = TevTs();
    const EditResult r = ApplyEdits(im, {"setpoint1=50", "range=0..100", "alarm=HH", "address=7"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(im.GetDiap(), 30);
    EXPECT_FLOAT_EQ(im.TMin, 0.0f);
    EXPECT_EQ(im.GetUstKod1(), 4095);  // judged in the new range: trunc(50 * 8191 / 100)
    EXPECT_EQ(im.GetTipSign(), 2);
    EXPECT_EQ(im.GetNu(), 6);
    EXPECT_EQ(r.nuNew, 6);
}

TEST(CliEdits, RefusalsLeaveTheImageUntouched) {
    struct Case {
        std::vector<std::string> edits;
        const char* why;
    };
    const std::vector<Case> cases{
        {{"setpoint1=100,5"}, "above the range"},
        {{"setpoint1=-51"}, "below the range"},
        {{"setpoint1=1,2,3"}, "two commas"},
        {{"range=0..99"}, "not a standard range"},
        {{"sensor=XA(K)"}, "not a sensor of ТЕВ-ТС"},
        {{"ktxc=5"}, "ТЕВ-ТП only"},
        {{"address=33"}, "beyond 32"},
        {{"current-start=16"}, "beyond 15"},
        {{"alarm=XX"}, "unknown alarm type"},
        {{"colour=red"}, "unknown field"},
        {{"alarm=LL", "alarm=HH"}, "twice"},
        {{"alarm=LL", "setpoint2=1000"}, "one bad edit refuses all"},
    };
    for (const auto& c : cases) {
        DeviceImage im = TevTs();
        const auto before = im.Baza;
        const EditResult r = ApplyEdits(im, c.edits);
        EXPECT_FALSE(r.ok) << c.why;
        EXPECT_FALSE(r.error.empty()) << c.why;
        EXPECT_EQ(im.Baza, before) << c.why;
    }
}

TEST(CliEdits, PrivilegedFieldsNeedPrivilegedMode) {
    DeviceImage im = TevTs(false);
    EXPECT_FALSE(ApplyEdits(im, {"range=0..100"}).ok);
    EXPECT_FALSE(ApplyEdits(im, {"sensor=100П"}).ok);
    EXPECT_FALSE(ApplyEdits(im, {"connect=3"}).ok);
    EXPECT_FALSE(ApplyEdits(im, {"current-end=3"}).ok);
    EXPECT_TRUE(ApplyEdits(im, {"alarm=LL", "setpoint2=20"}).ok);
}

TEST(CliEdits, SensorChangeReturnsToRangeZeroAndBlocksKTxc) {
    DeviceImage im;
    im.Tip = kTevTp;
    im.Ver = 4;
    im.PutLen(40);
    im.PutTipD(2);
    im.PutDiap(1);
    im.Vvod = 1;
    ApplyRangeLimits(im);
    EXPECT_FALSE(ApplyEdits(im, {"sensor=XK(L)", "ktxc=100"}).ok);
    ASSERT_TRUE(ApplyEdits(im, {"sensor=XK(L)"}).ok);
    EXPECT_EQ(im.GetTipD(), 0);
    EXPECT_EQ(im.GetDiap(), 0);
    EXPECT_FLOAT_EQ(im.TMin, -120.0f);
    EXPECT_FLOAT_EQ(im.TMax, 30.0f);
    // The list's empty last item is never chosen, by set or by a hand-made block.
    EXPECT_FALSE(ApplyEdits(im, {"sensor="}).ok);
    DeviceImage empty = im;
    empty.PutTipD(10);
    EXPECT_NE(CheckBlock(empty, im).find("TipD"), std::string::npos);
}

TEST(FileNames, AnyBytesTheShellGives) {
    const std::string name = (std::filesystem::temp_directory_path() /
                              ("set-\xff\xfe-" + std::to_string(::getpid()) + ".json")).string();
    EXPECT_EQ(PathBytes(PathFromBytes(name)), name);
    EXPECT_EQ(ParseArgs({"save", "--port", "/dev/null", "--device", "2", name}).file, name);
    std::string error;
    ASSERT_TRUE(WriteSavedSet(name, TevTs(), 2, error)) << error;
    EXPECT_TRUE(std::filesystem::exists(name));
    SavedSet s;
    EXPECT_TRUE(LoadSavedSet(name, s, error)) << error;
    std::filesystem::remove(name);
}

TEST(CliSavedSet, RoundTripAndRefusals) {
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
}

TEST(CliSavedSet, FilesWrittenBeforeTheFormatVersionStillLoad) {
    // Texts with decimal commas, no "format": as the first versions saved.
    const QByteArray old = QByteArray(R"({"device": 2, "model": 101, "name": "ТЕВ-ТС", "version": 5,
        "privileged": true, "TipD": 2, "Diap": 17, "UstKod1": 4095, "nonStandard": false,
        "rangeFrom": "-50", "rangeTo": "100", "setpointUnit": "°C", "setpoint1": "25", "setpoint2": "96",
        "percent": "0,000", "value": "-50,00", "valueUnit": "°C", "raw": ")") +
                           QByteArray::fromStdString(Describe(TevTs(), 2).raw) + "\"}";
    SavedSet s;
    std::string error;
    ASSERT_TRUE(ParseSavedSet(old, s, error)) << error;
    EXPECT_EQ(s.fields.at("Diap"), 17);
    DeviceImage target = TevTs();
    EXPECT_TRUE(ApplySavedSet(s, target, error)) << error;
}

TEST(CliSavedSet, ApplyChecksModelLengthAndKeepsTheTargetsNumber) {
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
