// tservicectl end to end: every command against `tservicectl sim` on a
// pseudo-terminal, run as child processes; the simulator's stored blocks are
// the evidence of what was written.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <filesystem>
#include <map>
#include <memory>

#include "Args.h"
#include "Convert.h"
#include "Fit.h"
#include "Journal.h"
#include "Ranges.h"
#include "Tables.h"

namespace {

struct Result {
    int code = -1;
    std::string out, err;
};

Result Run(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

Result Ctl(const QStringList& args) { return Run(TSERVICECTL_PATH, args); }

// tservicectl with arguments taken as bytes: QProcess passes a program only
// UTF-8, so the shell's printf makes each one from octal escapes. env sets
// variables the same way ("" unsets one).
using Env = std::vector<std::pair<std::string, std::string>>;
Result CtlBytes(const std::vector<std::string>& args, const Env& env = {}, const QByteArray& input = {}) {
    const auto bytes = [](const std::string& a) {
        QString octal;
        for (const unsigned char c : a) octal += QString::asprintf("\\%03o", c);
        return QStringLiteral("\"$(printf '%1')\"").arg(octal);
    };
    QString script;
    for (const auto& [name, value] : env)
        script += (value.empty() ? "unset " + QString::fromStdString(name)
                                 : "export " + QString::fromStdString(name) + "=" + bytes(value)) + "; ";
    script += "exec \"$0\"";
    for (const std::string& a : args) script += ' ' + bytes(a);
    return Run("sh", {"-c", script, TSERVICECTL_PATH}, input);
}

// A simulated line served by a child `tservicectl sim`.
class SimLine {
public:
    explicit SimLine(const QStringList& extra = {}) {
        link_ = dir_.filePath("line");
        proc_.start(TSERVICECTL_PATH, QStringList{"sim", "--link", link_} + extra);
        for (int i = 0; i < 100 && !QFile::exists(link_); ++i) QThread::msleep(50);
    }
    ~SimLine() { Stop(); }
    const QString& Link() const { return link_; }
    bool Ready() const { return QFile::exists(link_); }
    // Stops the line and returns each device's stored block (hex) by address.
    std::map<int, std::string> Stop() {
        if (proc_.state() != QProcess::NotRunning) {
            proc_.terminate();
            proc_.waitForFinished(10000);
            const QStringList lines = QString::fromUtf8(proc_.readAllStandardOutput()).split('\n');
            for (const QString& l : lines) {
                const QStringList parts = l.split(' ');
                if (parts.size() == 5 && parts[0] == QString::fromUtf8("блок")) {
                    blocks_[parts[1].toInt()] = parts[2].toStdString();
                    writes_[parts[1].toInt()] = parts[4].toInt();
                }
            }
        }
        return blocks_;
    }
    // The blocks each device accepted, by address (after Stop).
    const std::map<int, int>& Writes() const { return writes_; }

private:
    QTemporaryDir dir_;
    QString link_;
    QProcess proc_;
    std::map<int, std::string> blocks_;
    std::map<int, int> writes_;
};

QJsonObject ReadJson(const QString& link, int device) {
    const Result r = Ctl({"read", "--port", link, "--device", QString::number(device), "--json"});
    EXPECT_EQ(r.code, 0) << r.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
}

}  // namespace

TEST(CliEndToEnd, ScanFindsExactlyTheSimulatedDevices) {
    SimLine line({"--dev", "2:101:5", "--dev", "4:102:4"});
    ASSERT_TRUE(line.Ready());
    const Result r = Ctl({"scan", "--port", line.Link(), "--max", "5", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const QJsonObject scan = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(scan["format"].toInt(), 1);
    const QJsonArray a = scan["devices"].toArray();
    ASSERT_EQ(a.size(), 2);
    EXPECT_EQ(a[0].toObject()["device"].toInt(), 2);
    EXPECT_EQ(a[0].toObject()["name"].toString(), QString::fromUtf8("ТЕВ-ТС"));
    EXPECT_EQ(a[1].toObject()["device"].toInt(), 4);
    EXPECT_EQ(a[1].toObject()["model"].toInt(), 102);
}

TEST(CliEndToEnd, FastScanOverTcpListsWhatItListsOverThePty) {
    const QStringList devs{"--dev", "2:101:5", "--dev", "4:102:4"};
    SimLine pty(devs);
    ASSERT_TRUE(pty.Ready());
    QProcess gateway;
    gateway.start(TSERVICECTL_PATH, QStringList{"sim", "--tcp", "127.0.0.1:0"} + devs);
    ASSERT_TRUE(gateway.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(gateway.readLine()).trimmed().section(' ', -1);
    ASSERT_TRUE(address.startsWith("tcp://127.0.0.1:")) << address.toStdString();
    const Result overPty = Ctl({"scan", "--port", pty.Link(), "--max", "5", "--json", "--fast"});
    const Result overTcp = Ctl({"scan", "--port", address, "--max", "5", "--json", "--fast", "--timeout", "60"});
    ASSERT_EQ(overTcp.code, 0) << overTcp.err;
    EXPECT_EQ(overTcp.out, overPty.out);
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(overTcp.out))["devices"].toArray().size(), 2);
    gateway.terminate();
    gateway.waitForFinished(10000);
}

TEST(CliEndToEnd, ReadJsonCarriesEveryFieldAndTheRawBlock) {
    SimLine line;
    ASSERT_TRUE(line.Ready());
    const QJsonObject o = ReadJson(line.Link(), 3);
    EXPECT_EQ(o["model"].toInt(), 102);
    for (const char* key : {"KBegSk", "KEndSk", "TipSign", "Break", "TipK", "Current", "CurrentEnd", "UstKod1",
                            "UstKod2", "TipD", "Diap", "Nu", "BegSkTxc", "EndSkTxc", "KTxc", "NonStandMin",
                            "NonStandMax", "NonStandY", "Rez", "Sost", "KodACP", "Txc", "KodTxc", "raw"})
        EXPECT_TRUE(o.contains(key)) << key;
    EXPECT_EQ(o["Nu"].toInt(), 2);
    for (const char* key : {"value", "percent", "setpoint1", "rangeFrom", "Txc"}) EXPECT_TRUE(o[key].isDouble()) << key;
    EXPECT_TRUE(o["privileged"].isBool());
    EXPECT_TRUE(o["sensor"].isString());
    const std::map<int, std::string> blocks = line.Stop();
    // The block as held, except bits 4..7 of Rejim which carry the correction code.
    std::string raw = o["raw"].toString().toStdString();
    std::string held = blocks.at(3);
    ASSERT_EQ(raw.size(), held.size());
    raw[8] = held[8] = '0';
    EXPECT_EQ(raw, held);
}

TEST(CliEndToEnd, SetWritesExactlyTheIntendedBytesAndRefusesBadValuesBeforeSending) {
    SimLine line;
    ASSERT_TRUE(line.Ready());
    const QJsonObject before = ReadJson(line.Link(), 2);
    Result bad = Ctl({"set", "--port", line.Link(), "--device", "2", "setpoint1=100000"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_FALSE(bad.err.empty());
    Result dry = Ctl({"set", "--port", line.Link(), "--device", "2", "alarm=HH", "--dry-run"});
    EXPECT_EQ(dry.code, 0) << dry.err;
    EXPECT_NE(dry.out.find("→"), std::string::npos);
    EXPECT_EQ(ReadJson(line.Link(), 2)["raw"], before["raw"]);

    Result ok = Ctl({"set", "--port", line.Link(), "--device", "2", "alarm=HH", "address=9"});
    ASSERT_EQ(ok.code, 0) << ok.err;
    const QJsonObject after = ReadJson(line.Link(), 9);
    EXPECT_EQ(after["TipSign"].toInt(), 2);
    EXPECT_EQ(after["Nu"].toInt(), 8);
    // Only Rejim's alarm bits and the number changed.
    QByteArray want = QByteArray::fromHex(before["raw"].toString().toLatin1());
    want[4] = static_cast<char>((want[4] & ~0x03) | 0x02);
    want[11] = 8;
    EXPECT_EQ(QByteArray::fromHex(after["raw"].toString().toLatin1()), want);
}

TEST(CliEndToEnd, SaveThenLoadOntoASecondDeviceReproducesTheBlock) {
    SimLine line({"--dev", "1:101:5", "--dev", "2:101:5", "--dev", "3:102:4"});
    ASSERT_TRUE(line.Ready());
    ASSERT_EQ(Ctl({"set", "--port", line.Link(), "--device", "1", "range=0..100", "alarm=LL"}).code, 0);
    QTemporaryDir dir;
    const QString file = dir.filePath("set.json");
    ASSERT_EQ(Ctl({"save", "--port", line.Link(), "--device", "1", file}).code, 0);
    Result load = Ctl({"load", "--port", line.Link(), "--device", "2", file});
    ASSERT_EQ(load.code, 0) << load.err;
    Result other = Ctl({"load", "--port", line.Link(), "--device", "3", file});
    EXPECT_EQ(other.code, 1);
    const auto blocks = line.Stop();
    std::string a = blocks.at(1), b = blocks.at(2);
    ASSERT_EQ(a.size(), b.size());
    a.replace(22, 2, "00");  // the device number differs by design
    b.replace(22, 2, "00");
    EXPECT_EQ(a, b);
}

TEST(CliEndToEnd, RangeMatchesTheCalculationAndRefusesWithTheDialogsText) {
    Result ok = Ctl({"range", "--sensor", "Pt100", "--from", "-50", "--to", "30", "--tables", TABLES_DIR});
    ASSERT_EQ(ok.code, 0) << ok.err;
    auto table = std::make_unique<tservice::SensorTable>();
    std::string error;
    const std::vector<std::string> dirs{TABLES_DIR};
    ASSERT_TRUE(tservice::LoadTable(tservice::TableFileName("Pt100"), *table, error, dirs)) << error;
    const tservice::StdRange* std = tservice::RangeTable(12).table;
    std::vector<tservice::RangeLimits> limits;
    for (int i = 0; i < tservice::RangeTable(12).count; ++i) limits.push_back({std[i].lo, std[i].hi});
    const auto fit = tservice::CalculateRange(-50, 30, "Pt100", *table, limits.data(), static_cast<int>(limits.size()));
    ASSERT_TRUE(fit.ok);
    for (int k = 0; k < 8; ++k)
        EXPECT_NE(ok.out.find("Y" + std::to_string(k + 2) + " " + fit.CodeText[k] + "\n"), std::string::npos) << k;
    Result json = Ctl({"range", "--sensor", "Pt100", "--from", "-50.0", "--to", "30", "--tables", TABLES_DIR, "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    EXPECT_EQ(j["format"].toInt(), 1);
    EXPECT_DOUBLE_EQ(j["from"].toDouble(), -50.0);
    EXPECT_DOUBLE_EQ(j["maxDeviation"].toDouble(), fit.MaxDeviation);
    ASSERT_EQ(j["codes"].toArray().size(), 8);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(j["codes"][k].toInt(-99999), fit.Codes[k]) << k;
    Result narrow = Ctl({"range", "--sensor", "50П", "--from", "-50", "--to", "-30", "--tables", TABLES_DIR});
    EXPECT_EQ(narrow.code, 1);
    EXPECT_NE(narrow.err.find("недопустимо узкий диапазон"), std::string::npos);
}

TEST(CliEndToEnd, WatchPrintsOneLinePerReading) {
    SimLine line;
    ASSERT_TRUE(line.Ready());
    const Result r = Ctl({"watch", "--port", line.Link(), "--device", "2", "--interval", "0,2", "--count", "3", "--csv"});
    ASSERT_EQ(r.code, 0) << r.err;
    const QStringList lines = QString::fromStdString(r.out).trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith("time;value"));
    EXPECT_EQ(lines[3].split(';').size(), 6);
    const Result json = Ctl({"watch", "--port", line.Link(), "--device", "3", "--interval", "0,2", "--count", "2", "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    const QStringList objects = QString::fromStdString(json.out).trimmed().split('\n');
    ASSERT_EQ(objects.size(), 2);
    for (const QString& text : objects) {
        const QJsonObject o = QJsonDocument::fromJson(text.toUtf8()).object();
        EXPECT_TRUE(o["value"].isDouble() && o["Rez"].isDouble() && o["coldJunction"].isDouble()) << text.toStdString();
        EXPECT_EQ(o["device"].toInt(), 3);
        EXPECT_EQ(o["format"].toInt(), 1);
        EXPECT_TRUE(o["alarm"].isBool());
    }
    EXPECT_EQ(Ctl({"watch", "--port", line.Link(), "--json", "--csv"}).code, 2);
}

// Each kind of failure has its own exit status; messages about the line carry the result code.
TEST(CliEndToEnd, ExitStatusTellsTheKindOfFailure) {
    SimLine line({"--dev", "1:101:5", "--dev", "2:101:5", "--dev", "3:100:5", "--fault", "1:exception=6",
                  "--fault", "2:crc"});
    ASSERT_TRUE(line.Ready());
    const QString port = line.Link();
    struct Case {
        QStringList args;
        int code;
        std::string text;
    };
    const std::vector<Case> cases{
        {{"read", "--port", port, "--device", "3"}, 0, ""},
        {{"set", "--port", port, "--device", "3", "setpoint1=100.5"}, 1, "setpoint1: ошибка ввода \"100.5\""},
        {{"set", "--port", "/dev/nonexistent-tty", "colour=red"}, 2, "неизвестное поле \"colour\""},
        // Words wrong for every transmitter are usage errors before the port opens.
        {{"set", "--port", "/dev/nonexistent-tty", "alarm=XX"}, 2, "alarm: допустимо LH|LL|HH"},
        {{"set", "--port", "/dev/nonexistent-tty", "alarm="}, 2, "alarm: допустимо LH|LL|HH"},
        {{"set", "--port", "/dev/nonexistent-tty", "address=abc"}, 2, "address: ожидается целое число от 1 до 32"},
        {{"set", "--port", "/dev/nonexistent-tty", "ktxc=12.5"}, 2, "ktxc: ожидается целое число от 0 до 9999"},
        {{"set", "--port", "/dev/nonexistent-tty", "sensor="}, 2, "sensor: нет такого типа датчика: \"\""},
        {{"set", "--port", "/dev/nonexistent-tty", "setpoint1=1e2"}, 2, "setpoint1: ошибка ввода \"1e2\""},
        {{"range", "--sensor", "Pt100", "--from", "0x10", "--to", "100"}, 2, " Ошибка ввода "},
        {{"range", "--sensor", "Pt100", "--from", "0", "--to", "30,"}, 2, " Ошибка ввода "},
        {{"range", "--sensor", "Pt100", "--from", "1e2", "--to", "300"}, 2, " Ошибка ввода "},
        {{"range", "--sensor", "Pt100", "--from", "nan", "--to", "300"}, 2, " Ошибка ввода "},
        {{"read", "--port", "/dev/nonexistent-tty"}, 3, "невозможно открыть последовательный порт  (код 132)"},
        {{"watch", "--port", port, "--device", "9", "--count", "2"}, 3, "устройство 9 " + port.toStdString() + " не отвечает на запрос (код 130)"},
        {{"read", "--port", port, "--device", "2"}, 3, "ошибка контрольной суммы (код 131)"},
        {{"read", "--port", port, "--device", "1"}, 4, "Идет запись базы данных. Ждите. (код 6)"},
    };
    for (const auto& c : cases) {
        const Result r = Ctl(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString() << "\n" << r.err;
        EXPECT_NE(r.err.find(c.text), std::string::npos) << r.err;
    }
}

// The process locale (a decimal comma) changes no number read.
TEST(CliEndToEnd, NumbersDoNotDependOnTheLocale) {
    const QByteArray before = qgetenv("LC_ALL");
    qputenv("LC_ALL", "ru_RU.UTF-8");
    for (const char* from : {"-50.0", "-50,0"}) {
        const Result r = Ctl({"range", "--sensor", "Pt100", "--from", from, "--to", "30", "--tables", TABLES_DIR});
        EXPECT_EQ(r.code, 0) << from << "\n" << r.err;
    }
    if (before.isNull()) qunsetenv("LC_ALL"); else qputenv("LC_ALL", before);
}

TEST(CliEndToEnd, SetTakesADecimalPoint) {
    SimLine line({"--dev", "1:100:5"});
    ASSERT_TRUE(line.Ready());
    ASSERT_EQ(Ctl({"set", "--port", line.Link(), "--device", "1", "setpoint1=12.5"}).code, 0);
    EXPECT_EQ(ReadJson(line.Link(), 1)["UstKod1"].toInt(), tservice::LadrPercentToCode(12.5));
}

TEST(CliEndToEnd, HelpAndVersionOnBothPrograms) {
    const Result help = Ctl({"set", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out, tservice::cli::HelpText("set"));
    for (const char* program : {TSERVICECTL_PATH, TSERVICE_PATH}) {
        QProcess p;
        p.start(program, {"--version"});
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).contains(QRegularExpression("^tservice(ctl)? \\d"))) << program;
    }
}

TEST(CliEndToEnd, TraceShowsEveryFrameDecodedOnStderrOrInAFile) {
    SimLine line;
    ASSERT_TRUE(line.Ready());
    const Result r = Ctl({"read", "--port", line.Link(), "--trace"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.err.find("→ 01 11 C0 2C  устройство 1: идентификация\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("← 01 11 03 05 00 64 EC 67  ЛАДР, версия 5"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("→ 01 47 00 01 70 0D"), std::string::npos);
    const QTemporaryDir dir;
    const QString file = dir.filePath("trace.txt");
    EXPECT_EQ(Ctl({"read", "--port", line.Link(), "--device", "2", "--trace=" + file}).code, 0);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const std::string text = f.readAll().toStdString();
    EXPECT_NE(text.find("← 02 11 03 05 00 65 2D 94  ТЕВ-ТС, версия 5"), std::string::npos) << text;
    EXPECT_NE(text.find("Pt100, -50…100 °C"), std::string::npos) << text;
    const Result bad = Ctl({"read", "--port", line.Link(), "--trace=" + dir.filePath("no/such/dir/t")});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("не удается открыть файл трассировки"), std::string::npos) << bad.err;
}

TEST(CliEndToEnd, UsageErrorsExitTwoWithAOneLineHint) {
    for (const QStringList& args : {QStringList{}, QStringList{"read"}, QStringList{"scan", "--port", "x", "--max", "99"}}) {
        const Result r = Ctl(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("использование: tservicectl"), std::string::npos);
    }
}

TEST(CliEndToEnd, ReadOfAMissingPortFailsWithTheLinksMessage) {
    const Result r = Ctl({"read", "--port", "/dev/nonexistent-tty"});
    EXPECT_EQ(r.code, 3);
    EXPECT_NE(r.err.find("невозможно открыть последовательный порт"), std::string::npos);
}

TEST(CliEndToEnd, ScanStoppedByAPortFailureStillListsWhatItFound) {
    SimLine line({"--dev", "1:100:5", "--dev", "2:101:5", "--dev", "3:102:4", "--fault", "3:exception=133"});
    ASSERT_TRUE(line.Ready());
    const Result r = Ctl({"scan", "--port", line.Link(), "--max", "4"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, "1 ЛАДР\n2 ТЕВ-ТС\n");
    EXPECT_NE(r.err.find("вероятно, порт не настроен (код 133)"), std::string::npos) << r.err;
}

TEST(CliEndToEnd, NothingToChangeSendsNothingAndDryRunNamesTakenAndKeptFields) {
    SimLine line({"--dev", "1:101:5", "--dev", "2:101:5"});
    ASSERT_TRUE(line.Ready());
    QTemporaryDir dir;
    const QString file = dir.filePath("set.json");
    ASSERT_EQ(Ctl({"save", "--port", line.Link(), "--device", "2", file}).code, 0);
    struct Run {
        QStringList args;
        const char* out;
    };
    const std::vector<Run> runs{
        {{"set", "--device", "2", "alarm=LH"}, "изменений нет"},
        {{"load", "--device", "2", file}, "изменений нет"},
        {{"load", "--device", "1", file, "--dry-run"}, "остаются у устройства: KBegSk, KEndSk, Current, CurrentEnd, Nu"},
        {{"load", "--device", "1", file, "--dry-run", "--with-calibration"}, "из файла: KBegSk, KEndSk"},
    };
    for (const Run& run : runs) {
        const Result r = Ctl(QStringList{run.args[0], "--port", line.Link()} + run.args.mid(1));
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_NE(r.out.find(run.out), std::string::npos) << r.out;
    }
    line.Stop();
    EXPECT_EQ(line.Writes().at(1), 0);
    EXPECT_EQ(line.Writes().at(2), 0);
}

TEST(CliEndToEnd, WritesAreJournalledAndTheReportCarriesThem) {
    SimLine line({"--dev", "2:101:5"});
    ASSERT_TRUE(line.Ready());
    QTemporaryDir dir;
    const QString journal = dir.filePath("j.jsonl");
    struct Step {
        QStringList args;
        int code;
        int lines;  // in the journal afterwards
    };
    const Step steps[] = {
        {{"set", "--device", "2", "alarm=HH", "--journal", journal, "--operator", "Иванов"}, 0, 1},
        {{"set", "--device", "2", "alarm=LL", "--no-journal"}, 0, 1},
        {{"set", "--device", "2", "alarm=LL", "--dry-run", "--journal", journal}, 0, 1},
        {{"set", "--device", "2", "setpoint1=100000", "--journal", journal}, 1, 1},  // refused: no record
        {{"set", "--device", "2", "alarm=LH", "--journal", dir.filePath("j.jsonl/x")}, 0, 1},  // reported only
    };
    for (const Step& s : steps) {
        const Result r = Ctl(s.args + QStringList{"--port", line.Link()});
        EXPECT_EQ(r.code, s.code) << s.args.join(' ').toStdString() << r.err;
        QFile f(journal);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll().count('\n'), s.lines) << s.args.join(' ').toStdString();
    }
    QFile f(journal);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject entry = QJsonDocument::fromJson(f.readLine()).object();
    EXPECT_EQ(entry["device"].toObject()["after"].toInt(), 2);
    const QJsonObject change = entry["changes"].toArray()[0].toObject();
    EXPECT_EQ(change["field"].toString(), "TipSign");
    EXPECT_EQ(change["before"].toString(), "LH");
    EXPECT_EQ(change["after"].toString(), "HH");
    EXPECT_EQ(entry["operator"].toString(), "Иванов");
    EXPECT_FALSE(entry["host"].toString().isEmpty());

    const QString pdf = dir.filePath("report.pdf");
    const Result r = Ctl({"report", "--port", line.Link(), "--device", "2", "--pdf", pdf, "--journal", journal});
    ASSERT_EQ(r.code, 0) << r.err;
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString body = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    for (const char* want : {"ТЕВ-ТС МЕ 618204.002 ПО.V5 0x7C20F4A5", "Pt100", "-50…100 °C",
                             "тип сигнализации: LH → HH"})
        EXPECT_TRUE(body.contains(QString::fromUtf8(want))) << want << "\n" << body.toStdString();
}

TEST(CliEndToEnd, JournalVerifyNamesTheChangedLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath("j.jsonl");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\"time\":\"2020-01-01T00:00:00\"}\n");  // from before the chain
    f.close();
    std::string error;
    tservice::JournalEntry entry;
    entry.port = "COM1";
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(tservice::AppendJournal(path, entry, error)) << error;
    const Result intact = Ctl({"journal", "--verify", path});
    EXPECT_EQ(intact.code, 0);
    EXPECT_EQ(intact.out, path.toStdString() + ": журнал цел, записей: 3, первые 1 без контрольной цепочки\n");
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    bytes[bytes.lastIndexOf("\"port\"") + 8] = 'L';  // the last line's port: LOM1
    f.seek(0);
    f.write(bytes);
    f.close();
    const Result changed = Ctl({"journal", "--verify", path});
    EXPECT_EQ(changed.code, 1);
    EXPECT_EQ(changed.err, path.toStdString() + ": строка 3 изменена\n");
    const Result missing = Ctl({"journal", "--verify", dir.filePath("none")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("не найден"), std::string::npos);
}

// Journals and a certificate under names that are not UTF-8, given by
// --journal, TSERVICE_JOURNAL or the home folder: written at exactly those
// bytes, and journal --verify reads them.
TEST(CliEndToEnd, FileNamesThatAreNotUtf8) {
    SimLine line({"--dev", "2:101:5"});
    ASSERT_TRUE(line.Ready());
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/\xff", port = line.Link().toStdString();
    struct Case { const char* edit; std::vector<std::string> option; Env env; std::string file; };
    const Case cases[] = {
        {"alarm=HH", {"--journal", base + "j.jsonl"}, {}, base + "j.jsonl"},
        {"alarm=LL", {}, {{"TSERVICE_JOURNAL", base + "e.jsonl"}}, base + "e.jsonl"},
        {"alarm=LH", {}, {{"TSERVICE_JOURNAL", ""}, {"XDG_DATA_HOME", ""}, {"HOME", base + "home"}},
         base + "home/.local/share/tservice/journal.jsonl"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> set{"set", "--port", port, "--device", "2", c.edit};
        set.insert(set.end(), c.option.begin(), c.option.end());
        const Result written = CtlBytes(set, c.env);
        EXPECT_EQ(written.code, 0) << c.edit << written.err;
        EXPECT_TRUE(std::filesystem::is_regular_file(c.file)) << c.edit;
        std::vector<std::string> verify{"journal", "--verify"};
        if (!c.option.empty()) verify.push_back(c.file);
        const Result verified = CtlBytes(verify, c.env);
        EXPECT_EQ(verified.code, 0) << c.edit << verified.err;
        EXPECT_NE(verified.out.find("журнал цел, записей: 1"), std::string::npos) << c.edit << verified.out;
    }
    const Result check = CtlBytes({"check", "--port", port, "--device", "2", "--points", "50", "--samples", "2",
                                   "--tolerance", "50%", "--no-journal", "--html", base + "c.html"},
                                  {}, "\n");
    EXPECT_TRUE(check.code == 0 || check.code == 5) << check.err;
    EXPECT_TRUE(std::filesystem::is_regular_file(base + "c.html"));
    for (const char* name : {"j.jsonl", "e.jsonl", "home", "c.html"}) std::filesystem::remove_all(base + name);
}

TEST(CliEndToEnd, BackupChangeRestoreBringsEveryBlockBackAndAnotherModelIsRefused) {
    QTemporaryDir dir;
    const QString bk = dir.filePath("line");
    auto raws = [](const QString& link) {
        std::map<int, QJsonValue> r;
        for (int d = 1; d <= 4; ++d) r[d] = ReadJson(link, d)["raw"];
        return r;
    };
    std::map<int, QJsonValue> backedUp;
    {
        SimLine line;
        ASSERT_TRUE(line.Ready());
        backedUp = raws(line.Link());
        const Result b = Ctl({"backup", "--port", line.Link(), "--max", "4", bk});
        ASSERT_EQ(b.code, 0) << b.err;
        EXPECT_NE(b.out.find("сохранено 4 из 4"), std::string::npos) << b.out;
        ASSERT_EQ(Ctl({"set", "--port", line.Link(), "--device", "2", "alarm=HH"}).code, 0);
        ASSERT_EQ(Ctl({"set", "--port", line.Link(), "--device", "3", "setpoint1=150"}).code, 0);
        const Result r = Ctl({"restore", "--port", line.Link(), bk});
        ASSERT_EQ(r.code, 0) << r.out << r.err;
        EXPECT_NE(r.out.find("восстановлено 4 из 4"), std::string::npos) << r.out;
        EXPECT_EQ(raws(line.Link()), backedUp);
    }
    SimLine other({"--dev", "1:100:5", "--dev", "2:102:4", "--dev", "3:102:4", "--dev", "4:103:2"});
    ASSERT_TRUE(other.Ready());
    ASSERT_EQ(Ctl({"set", "--port", other.Link(), "--device", "3", "setpoint1=150"}).code, 0);
    const QJsonValue foreign = ReadJson(other.Link(), 2)["raw"];
    const Result r = Ctl({"restore", "--port", other.Link(), bk});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("отказано: устройство 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("восстановлено 3 из 4"), std::string::npos) << r.out;
    EXPECT_EQ(ReadJson(other.Link(), 2)["raw"], foreign);
    EXPECT_EQ(ReadJson(other.Link(), 3)["raw"], backedUp[3]);
}

namespace {

// The exit code and output of each command on one line, in order.
std::vector<std::string> LineSession(const QString& port, const QStringList& extra) {
    std::vector<std::string> seen;
    for (const QStringList& args :
         {QStringList{"scan", "--max", "5"}, QStringList{"scan", "--max", "5", "--fast"},
          QStringList{"read", "--device", "3", "--json"}, QStringList{"set", "--device", "2", "setpoint1=12.5"},
          QStringList{"watch", "--device", "1", "--count", "2", "--interval", "0.1", "--csv"}}) {
        const Result r = Ctl(args + QStringList{"--port", port} + extra);
        // Watch lines carry the time of day; the rest must match byte for byte.
        seen.push_back(std::to_string(r.code) + (args[0] == "watch" ? std::to_string(std::count(r.out.begin(), r.out.end(), '\n')) : r.out));
    }
    return seen;
}

}  // namespace

TEST(CliEndToEnd, AnEchoingAdapterGivesTheCleanLinesResultsWithAutoAndByDefault) {
    SimLine clean;
    ASSERT_TRUE(clean.Ready());
    const std::vector<std::string> expected = LineSession(clean.Link(), {});
    const std::map<int, std::string> blocks = clean.Stop();
    for (const QStringList& extra : {QStringList{}, QStringList{"--echo", "auto"}}) {
        SimLine echoing({"--echo", "on", "--latency", "3"});
        ASSERT_TRUE(echoing.Ready());
        EXPECT_EQ(LineSession(echoing.Link(), extra), expected) << extra.join(' ').toStdString();
        EXPECT_EQ(echoing.Stop(), blocks);
    }
    SimLine echoing({"--echo", "on"});
    const Result off = Ctl({"read", "--port", echoing.Link(), "--echo", "off"});
    EXPECT_EQ(off.code, 3);
    EXPECT_NE(off.err.find("(код 129)"), std::string::npos) << off.err;
}

TEST(CliEndToEnd, FindReportsTheFramingTheTransmittersListenAtAndStatsCountTheTries) {
    SimLine line({"--dev", "2:101:5", "--dev", "6:102:4", "--fault", "2:listen=19200:N:1", "--fault",
                  "6:listen=19200:N:1"});
    ASSERT_TRUE(line.Ready());
    const Result r = Ctl({"find", "--port", line.Link(), "--max", "6", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const QJsonArray settings = QJsonDocument::fromJson(QByteArray::fromStdString(r.out))["settings"].toArray();
    ASSERT_EQ(settings.size(), 1);
    EXPECT_EQ(settings[0]["baud"].toInt(), 19200);
    EXPECT_EQ(settings[0]["parity"].toString(), "N");
    EXPECT_EQ(settings[0]["stop"].toInt(), 1);
    EXPECT_EQ(settings[0]["devices"].toArray().size(), 2);
    const Result stats = Ctl({"read", "--port", line.Link(), "--device", "6", "--baud", "19200", "--stop", "1",
                              "--stats", "--json"});
    ASSERT_EQ(stats.code, 0) << stats.err;
    const std::string last = stats.out.substr(stats.out.rfind("{\"format\""));
    const QJsonObject s = QJsonDocument::fromJson(QByteArray::fromStdString(last))["stats"].toObject();
    EXPECT_EQ(s["devices"].toArray()[0].toObject()["device"].toInt(), 6);
    EXPECT_EQ(s["total"]["exchanges"].toInt(), 3);
    EXPECT_EQ(s["total"]["tries"].toInt(), 3);
    const Result gateway = Ctl({"read", "--port", "tcp://127.0.0.1:1", "--rts", "soft"});
    EXPECT_EQ(gateway.code, 2);
    EXPECT_NE(gateway.err.find("недоступно на шлюзе TCP"), std::string::npos) << gateway.err;
}

// A check as found, then as left with the input moved, on the simulated line
// whose input is set through its input file; the certificate carries both.
TEST(CliEndToEnd, CheckJudgesTheInputSetOnTheLineAndTheCertificateCarriesBothStages) {
    QTemporaryDir dir;
    const QString inputs = dir.filePath("inputs"), journal = dir.filePath("j.jsonl"), pdf = dir.filePath("p.pdf");
    auto setInput = [&](const char* text) {
        QFile f(inputs);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.close();
        QThread::msleep(300);  // the line reads the file every 50 ms
    };
    setInput("2 50.2\n");  // 25.3 °C on -50…100
    SimLine line({"--dev", "2:101:5", "--input", inputs});
    ASSERT_TRUE(line.Ready());
    auto check = [&](const char* stage, const QByteArray& answers) {
        QProcess p;
        p.start(TSERVICECTL_PATH, {"check", "--port", line.Link(), "--device", "2", "--points", "50", "--samples", "2",
                                   "--tolerance", "0.5", "--stage", stage, "--json", "--journal", journal, "--pdf", pdf});
        p.write(answers);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        return Result{p.exitCode(), p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
    };
    const Result found = check("found", "\n");
    ASSERT_EQ(found.code, 0) << found.err;
    EXPECT_NE(found.err.find("Точка 1 из 1: подайте 25 °C"), std::string::npos) << found.err;
    const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(found.out)).object();
    for (const char* key : {"format", "device", "model", "stage", "unit", "rangeFrom", "rangeTo", "tolerance", "points", "pass"})
        EXPECT_TRUE(j.contains(key)) << key;
    const QJsonObject p = j["points"].toArray()[0].toObject();
    EXPECT_NEAR(p["error"].toDouble(), 0.3, 0.04);  // within the code step and the sim's jitter
    EXPECT_TRUE(j["pass"].toBool());
    setInput("2 51\n");  // 26.5 °C: 1.5 °C off
    const Result left = check("left", "25,0\n");
    EXPECT_EQ(left.code, 5) << left.err;
    EXPECT_EQ(Ctl({"check", "--port", line.Link(), "--tolerance", "abc"}).code, 2);
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString body = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    for (const char* want : {"Протокол калибровки", "ТЕВ-ТС (101)", "Pt100", "Результаты до регулировки",
                             "Результаты после регулировки", "Заключение (до регулировки): годен",
                             "Заключение (после регулировки): не годен", "Прибор не годен к применению"})
        EXPECT_TRUE(body.contains(QString::fromUtf8(want))) << want << "\n" << body.toStdString();
    const QString html = dir.filePath("r.html");
    ASSERT_EQ(Ctl({"report", "--port", line.Link(), "--device", "2", "--html", html, "--journal", journal}).code, 0);
    QFile report(html);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(report.readAll()).contains(QString::fromUtf8("Последняя проверка")));
}

TEST(CliEndToEnd, NeverTheWrongTransmitterAndNoWriteUnrecorded) {
    // 6 stores number 10 where a ЛАДР of its version answers; 5 goes silent
    // once it took a block; 3 and 7 answer 60 ms after a request.
    SimLine line({"--dev", "3:100:5", "--dev", "5:101:5", "--dev", "6:100:5", "--dev", "7:100:5", "--dev",
                  "10:100:5", "--fault", "6:nu=10", "--fault", "5:mute-after-write", "--fault", "3:late=55",
                  "--fault", "7:late=55"});
    ASSERT_TRUE(line.Ready());
    QTemporaryDir dir;
    const QString journal = dir.filePath("j.jsonl");
    const QString port = line.Link();
    struct Case { QStringList args; int code; const char* text; };
    const Case cases[] = {
        {{"scan", "--port", port, "--max", "10", "--fast"}, 0, "3 ЛАДР\n5 ТЕВ-ТС\n6 ЛАДР\n7 ЛАДР\n10 ЛАДР\n"},
        {{"read", "--port", port, "--device", "6"}, 1, "устройство 6 хранит номер 10: "},
        {{"set", "--port", port, "--device", "6", "contact=нз", "--journal", journal}, 1, "устройство 6 хранит номер 10: "},
        {{"set", "--port", port, "--device", "7", "address=3", "--journal", journal}, 1, "Номер 3 уже занят"},
        {{"set", "--port", port, "--device", "5", "alarm=HH", "--journal", journal}, 3, "Запись не подтверждена"},
    };
    for (const Case& c : cases) {
        const Result r = Ctl(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString() << "\n" << r.err;
        EXPECT_NE((r.out + r.err).find(c.text), std::string::npos) << r.out << r.err;
    }
    QFile f(journal);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].contains(QString::fromUtf8("не подтверждено").toUtf8()));
    line.Stop();
    EXPECT_EQ(line.Writes(), (std::map<int, int>{{3, 0}, {5, 1}, {6, 0}, {7, 0}, {10, 0}}));
}
