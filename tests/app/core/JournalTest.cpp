// The change list in the operator's units, the journal's lines and its file.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <functional>

#include "FilePath.h"
#include "Journal.h"
#include "JournalChain.h"
#include "Readings.h"

namespace tservice::testing {
namespace {

struct EditCase {
    const char* name;
    std::function<void(DeviceImage&)> edit;
    std::vector<std::string> lines;
    ChangeKind kind;
    int asFound, asLeft;  // of the first change
};

TEST(ChangeList, EachEditInTheOperatorsUnitsWithItsKind) {
    const EditCase cases[] = {
        {"alarm", [](DeviceImage& im) { im.PutTipSign(2); }, {"тип сигнализации: LH → HH"}, ChangeKind::Setting, 0, 2},
        {"calibration", [](DeviceImage& im) { im.PutKBegSk(1234); }, {"код АЦП начала шкалы: 1180 → 1234"},
         ChangeKind::Calibration, 1180, 1234},
        {"trim start", [](DeviceImage& im) { im.PutCurrent(10); }, {"корректировка тока нач. шкалы: 0 мкА → -12 мкА"},
         ChangeKind::Trim, 0, 10},
        {"trim end", [](DeviceImage& im) { im.PutCurrentEnd(8); }, {"корректировка тока кон. шкалы: 0 мкА → -12 мкА"},
         ChangeKind::Trim, 0, 8},
        {"number", [](DeviceImage& im) { im.PutNu(8); }, {"номер устройства: 2 → 9"}, ChangeKind::Setting, 1, 8},
        {"sensor and range by name",
         [](DeviceImage& im) {
             im.PutTipD(0);
             im.PutDiap(30);
             ApplyRangeLimits(im);
         },
         {"тип датчика: Pt100 → 100П", "диапазон: -50…100 °C → 0…100 °C", "уставка 1: -20 °C → 20 °C",
          "уставка 2: 69,99 °C → 79,99 °C"},
         ChangeKind::Setting, 0, 0},
        {"setpoint in °C", [](DeviceImage& im) { im.PutUstKod1(4096); }, {"уставка 1: -20 °C → 25,01 °C"},
         ChangeKind::Setting, 0, 0},
    };
    for (const EditCase& c : cases) {
        const DeviceImage before = TevTs();
        DeviceImage after = before;
        c.edit(after);
        const JournalEntry e = MakeJournalEntry(before, after, "/dev/ttyS0", 2, 2, QDateTime::currentDateTime());
        std::vector<std::string> lines;
        for (const FieldChange& f : e.changes) lines.push_back(ChangeLine(f));
        EXPECT_EQ(lines, c.lines) << c.name;
        ASSERT_FALSE(e.changes.empty()) << c.name;
        EXPECT_EQ(KindOfField(e.changes[0].field), c.kind) << c.name;
        if (e.changes[0].hasCodes) {
            EXPECT_EQ(e.changes[0].codeBefore, c.asFound) << c.name;
            EXPECT_EQ(e.changes[0].codeAfter, c.asLeft) << c.name;
        }
        EXPECT_NE(e.rawBefore, e.rawAfter) << c.name;
    }
}

TEST(JournalFile, LinesRoundTripFilterByDeviceAndSkipDamage) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/journal.jsonl");
    const DeviceImage before = TevTs();
    DeviceImage moved = before;
    moved.PutNu(8);
    DeviceImage calibrated = before;
    calibrated.PutKEndSk(30000);
    const QDateTime t = QDateTime::fromString("2026-12-08T04:01:02.345+03:00", Qt::ISODateWithMs);
    std::string error;
    ASSERT_TRUE(AppendJournal(path, MakeJournalEntry(before, moved, "COM3", 2, 9, t), error)) << error;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("{\"time\": \"yesterday\"}\nnot json\n");
    f.close();
    ASSERT_TRUE(AppendJournal(path, MakeJournalEntry(before, calibrated, "COM3", 2, 2, t), error)) << error;

    struct Filter {
        int device;
        std::size_t entries;
    };
    for (const Filter& c : {Filter{0, 2}, Filter{2, 2}, Filter{9, 1}, Filter{5, 0}}) {
        const JournalContents j = ReadJournal(path, c.device);
        EXPECT_EQ(j.entries.size(), c.entries) << c.device;
        EXPECT_EQ(j.skipped, 2) << c.device;
    }
    const JournalEntry e = ReadJournal(path, 9).entries.at(0);
    EXPECT_EQ(e.time, t);
    EXPECT_EQ(e.port, "COM3");
    EXPECT_EQ(e.modelName, "ТЕВ-ТС");
    EXPECT_EQ(e.rawBefore.size(), 80u);
    EXPECT_EQ(JournalChangesText(ReadJournal(path, 0).entries.at(1)),
              "2026-12-08 04:01:02  устройство 2: код АЦП конца шкалы: 30720 → 30000 (калибровка: до 30720, после 30000)");
    EXPECT_TRUE(ReadJournal(dir.filePath("none.jsonl")).entries.empty());
}

TEST(JournalFile, UnwritablePlaceIsReportedAndTheEnvironmentChoosesTheFile) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    std::string error;
    EXPECT_FALSE(AppendJournal(dir.filePath("file/journal.jsonl"), MakeJournalEntry(TevTs(), TevTs(), "", 1, 1, {}),
                               error));
    EXPECT_NE(error.find("не удается записать"), std::string::npos);

    qputenv("TSERVICE_JOURNAL", dir.filePath("env.jsonl").toUtf8());
    EXPECT_EQ(JournalPathFromEnvironment(), dir.filePath("env.jsonl"));
    qunsetenv("TSERVICE_JOURNAL");
    EXPECT_TRUE(JournalPathFromEnvironment().endsWith("tservice/journal.jsonl"));
}

// Names that are not UTF-8 from the variable, the data folder or the home
// folder: written, read and verified at exactly their bytes.
TEST(JournalFile, NamesAreTheBytesTheEnvironmentGives) {
#ifdef _WIN32
    GTEST_SKIP() << "names are Unicode there and the data folder is the system's";
#endif
    QTemporaryDir dir;
    const std::string base = PathBytes(dir.path()) + "/\xff\xfe";
    const QByteArray home = qgetenv("HOME"), data = qgetenv("XDG_DATA_HOME");
    struct Case { std::string journal, data, home, file; };
    for (const Case& c : {Case{base + ".jsonl", "", "", base + ".jsonl"},
                          Case{"", base + "data", "", base + "data/tservice/journal.jsonl"},
                          Case{"", "", base + "home", base + "home/.local/share/tservice/journal.jsonl"}}) {
        for (const auto& [name, value] : {std::pair{"TSERVICE_JOURNAL", c.journal}, {"XDG_DATA_HOME", c.data},
                                          {"HOME", c.home}})
            value.empty() ? qunsetenv(name) : qputenv(name, QByteArray::fromStdString(value));
        const QString path = JournalPathFromEnvironment();
        EXPECT_EQ(PathBytes(path), c.file);
        std::string error;
        ASSERT_TRUE(AppendJournal(path, MakeJournalEntry(TevTs(), TevTs(), "", 2, 2, QDateTime::currentDateTime()),
                                  error)) << error;
        EXPECT_TRUE(std::filesystem::is_regular_file(c.file)) << c.file;
        EXPECT_EQ(ReadJournal(path).entries.size(), 1u);
        EXPECT_EQ(VerdictText(VerifyJournalFile(path)), "журнал цел, записей: 1");
    }
    qputenv("HOME", home);
    data.isEmpty() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", data);
    qunsetenv("TSERVICE_JOURNAL");
    for (const char* made : {".jsonl", "data", "home"}) std::filesystem::remove_all(base + made);  // unlisted by Qt
}

}  // namespace
}  // namespace tservice::testing
