// Command-line parsing and the edit rules, without a line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "Args.h"
#include "Edits.h"
#include "FilePath.h"
#include "Readings.h"
#include "Rules.h"
#include "SavedSet.h"

using namespace tservice;
using namespace tservice::cli;

namespace {

using tservice::testing::ReadingOf;
using tservice::testing::TevTs;

Options Parse(std::initializer_list<const char*> args) {
    return ParseArgs(std::vector<std::string>(args.begin(), args.end()));
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
    DeviceImage im = ReadingOf(kTevTp, 4, 2, 1);
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
