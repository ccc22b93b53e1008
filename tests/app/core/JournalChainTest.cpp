// The journal's chain: any byte changed, a line removed or inserted is named;
// writers in several processes at once; damaged and huge files still read.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <map>

#include "Journal.h"
#include "JournalChain.h"

namespace tservice {
namespace {

JournalEntry Entry(int device, const std::string& port = "COM1") {
    JournalEntry e;
    e.time = QDateTime::fromString("2026-12-08T04:01:02.345+03:00", Qt::ISODateWithMs);
    e.port = port;
    e.deviceBefore = e.deviceAfter = device;
    e.model = 101;
    e.rawBefore = "00";
    e.rawAfter = "01";
    e.changes.push_back({"TipSign", "тип сигнализации", "LH", "HH"});
    return e;
}

QByteArray Chained(const QTemporaryDir& dir, int lines, const QByteArray& head = {}) {
    const QString path = dir.filePath("chain.jsonl");
    QFile::remove(path);
    if (!head.isEmpty()) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(head);
    }
    std::string error;
    for (int i = 1; i <= lines; ++i) EXPECT_TRUE(AppendJournal(path, Entry(i), error)) << error;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

ChainVerdict Verify(QByteArray bytes) {
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    return VerifyJournal(b, bytes.size());
}

TEST(JournalChain, EveryByteChangedNamesItsLine) {
    QTemporaryDir dir;
    const QByteArray good = Chained(dir, 3);
    ASSERT_EQ(VerdictText(Verify(good)), "журнал цел, записей: 3");
    int line = 1;
    for (qsizetype at = 0; at < good.size(); ++at) {
        for (const char to : {'\n', 'x', '0', 'A'}) {
            if (good[at] == to) continue;
            QByteArray bad = good;
            bad[at] = to;
            const ChainVerdict v = Verify(bad);
            ASSERT_NE(v.fault, ChainFault::None) << at << " " << to;
            ASSERT_EQ(v.line, line) << "byte " << at << " → '" << to << "': " << VerdictText(v);
        }
        if (good[at] == '\n') ++line;
    }
}

TEST(JournalChain, LinesRemovedInsertedOrMovedAndOlderJournals) {
    QTemporaryDir dir;
    const QByteArray good = Chained(dir, 4);
    QList<QByteArray> l = good.split('\n');
    l.removeLast();  // after the last newline
    const auto join = [](QList<QByteArray> lines) { return lines.join('\n') + '\n'; };
    const QByteArray old = "{\"time\":\"2020-01-01T00:00:00\",\"model\":101}\n";
    struct Case {
        const char* name;
        QByteArray bytes;
        std::string verdict;
    };
    const Case cases[] = {
        {"first removed", join(l.mid(1)), "перед строкой 1 удалено строк: 1"},
        {"two in the middle removed", join({l[0], l[3]}), "перед строкой 2 удалено строк: 2"},
        {"a line repeated", join({l[0], l[1], l[1], l[2], l[3]}), "строка 3 вставлена"},
        {"blank line inserted", join({l[0], "", l[1], l[2], l[3]}), "строка 2 вставлена"},
        {"two swapped", join({l[0], l[2], l[1], l[3]}), "перед строкой 2 удалено строк: 1"},
        {"last newline cut", good.chopped(1), "строка 4 изменена"},
        {"older journal", old + old, "журнал без контрольной цепочки, записей: 2"},
        {"older journal continued", Chained(dir, 2, old), "журнал цел, записей: 3, первые 1 без контрольной цепочки"},
        {"empty", "", "журнал цел, записей: 0"},
    };
    for (const Case& c : cases) EXPECT_EQ(VerdictText(Verify(c.bytes)), c.verdict) << c.name;
}

TEST(JournalChain, WritersInSeveralProcessesAppendWholeChainedLines) {
    QTemporaryDir dir;
    const QString path = dir.filePath("shared.jsonl");
    constexpr int kWriters = 4, kEntries = 25;
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.push_back(std::make_unique<QProcess>());
        writers.back()->start(JOURNAL_WRITER, {path, "w" + QString::number(w), QString::number(kEntries)});
    }
    for (auto& p : writers) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    EXPECT_EQ(VerdictText(VerifyJournalFile(path)), "журнал цел, записей: 100");
    const JournalContents j = ReadJournal(path);
    EXPECT_EQ(j.skipped, 0);
    std::map<std::string, int> last;  // each writer's entries in its own order
    for (const JournalEntry& e : j.entries) EXPECT_EQ(e.deviceBefore, ++last[e.port]) << e.port;
    EXPECT_EQ(last.size(), static_cast<std::size_t>(kWriters));
    for (const auto& [port, n] : last) EXPECT_EQ(n, kEntries) << port;
}

TEST(JournalChain, EntriesSayWhoWorkedWhere) {
    QTemporaryDir dir;
    const QString path = dir.filePath("who.jsonl");
    std::string error;
    SetJournalOperator("Петров");
    ASSERT_TRUE(AppendJournal(path, Entry(1), error));
    SetJournalOperator("");
    qputenv("USER", "fitter");
    ASSERT_TRUE(AppendJournal(path, Entry(2), error));
    const JournalContents j = ReadJournal(path);
    ASSERT_EQ(j.entries.size(), 2u);
    EXPECT_EQ(j.entries[0].operatorName, "Петров");
    EXPECT_EQ(j.entries[1].operatorName, "fitter");
    EXPECT_EQ(j.entries[0].host, JournalHost());
    EXPECT_FALSE(JournalHost().empty());
}

TEST(JournalRead, DamagedOverlongHugeAndEndlessFilesReadInBounds) {
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.jsonl");
    const QByteArray entry = Chained(dir, 1);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QByteArray filler(999, 'z');
    for (int i = 0; i < 17 * 1024; ++i) f.write(filler + '\n');  // 17 MB of damage
    f.write(entry + "{\"time\": 1}\n" + QByteArray(2 * 1024 * 1024, '{') + '\n' + entry);
    f.close();
    const JournalContents j = ReadJournal(path);
    ASSERT_EQ(j.entries.size(), 2u);
    EXPECT_EQ(j.entries[0].line, 17 * 1024 + 1);
    EXPECT_EQ(j.entries[1].line, 17 * 1024 + 4);
    EXPECT_GT(j.omittedBytes, 0);
    EXPECT_EQ(j.badLines.size(), 20u);
    EXPECT_NE(JournalReadNote(j).find(", …); показаны записи последних 16 МБ"), std::string::npos);
    EXPECT_EQ(VerdictText(VerifyJournalFile(path)), "строка 17410 изменена");

    if (QFile::exists("/dev/zero")) {
        EXPECT_TRUE(ReadJournal("/dev/zero").entries.empty());
        EXPECT_EQ(VerifyJournalFile("/dev/zero").records, 0);
    }
}

}  // namespace
}  // namespace tservice
