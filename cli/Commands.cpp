#include "Commands.h"

#include <algorithm>
#include <csignal>
#include <iostream>
#include <ostream>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

#include "Changes.h"
#include "CheckCommand.h"
#include "ConsoleMessages.h"
#include "Journal.h"
#include "JournalChain.h"
#include "Edits.h"
#include "ExitCodes.h"
#include "FilePath.h"
#include "SavedSet.h"
#include "Session.h"
#include "Trend.h"
#include "Models.h"
#include "PortList.h"
#include "Report.h"
#include "Rules.h"
#include "Scan.h"
#include "SetupReport.h"
#include "Workflow.h"

namespace tservice::cli {

namespace {

volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

int Ports(std::ostream& out) {
    for (const auto& entry : EnumeratePortEntries()) out << PortLabel(entry) << "\n";
    return 0;
}

int Scan(LineSession& s, const Options& o, std::ostream& out) {
    const ScanResult r = o.fast ? FastScanLine(s.link, o.max, o.timeoutMs) : ScanLine(s.link, o.max);
    // What was found before a stop stays listed; the stop is reported after it.
    if (o.json) {
        QJsonArray a;
        for (const auto& d : r.found) {
            QJsonObject e;
            e["device"] = d.number;
            e["model"] = d.model;
            e["name"] = QString::fromStdString(ModelName(d.model));
            a.append(e);
        }
        QJsonObject scan;
        scan["devices"] = a;
        QJsonArray doubtful;
        for (int n : r.doubtful) doubtful.append(n);
        scan["doubtful"] = doubtful;
        out << QJsonDocument(Versioned(scan)).toJson(QJsonDocument::Indented).toStdString();
    } else {
        for (const auto& d : r.found) out << d.number << " " << ModelName(d.model) << "\n";
        if (!r.doubtful.empty()) out << DoubtfulText(r) << "\n";
    }
    out.flush();
    if (r.stopCode) {
        // The scan takes 132..135 for a port failure, whoever answered them.
        s.LineFailed(r.stopIndex, r.stopCode);
        return kExitLine;
    }
    return 0;
}

int Read(LineSession& s, const Options& o, std::ostream& out) {
    DeviceImage image;
    int nuCur = o.device - 1;
    if (!s.Read(image, nuCur)) return s.failure;
    const Reading r = Describe(image, nuCur + 1);
    if (o.json)
        out << QJsonDocument(ToJson(r)).toJson(QJsonDocument::Indented).toStdString();
    else
        out << ToText(r);
    return 0;
}

// One sample of watch: the setpoints in the unit and numbers of read (the
// trend's milliamperes of a ЛАДР only beside them).
QJsonObject WatchJson(const DeviceImage& image, int device) {
    QJsonObject o = TrendJson(MakeTrendSample(image, QDateTime::currentMSecsSinceEpoch()), image.Tip, device);
    if (!IsTev(image.Tip) && o.contains("setpoint1")) {
        o["setpoint1mA"] = o["setpoint1"];
        o["setpoint2mA"] = o["setpoint2"];
    }
    PutSetpoints(Describe(image, device), o);
    return o;
}

std::string Timestamp() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toStdString();
}

int Watch(LineSession& s, const Options& o, std::ostream& out) {
    DeviceImage image;
    int nuCur = o.device - 1;
    const char sep = o.csv ? ';' : ' ';
    if (o.csv) out << "time;value;unit;percent;overflow;alarm\n";
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    const std::int64_t period = static_cast<std::int64_t>(o.interval * 1000.0);
    std::int64_t next = s.clock.NowMs();
    for (int n = 0; (o.count == 0 || n < o.count) && !gStop; ++n) {
        if (n > 0) {
            next += period;
            while (!gStop && s.clock.NowMs() < next) s.clock.SleepUntilMs(std::min(next, s.clock.NowMs() + 100));
            if (gStop) break;
        }
        if (!s.Read(image, nuCur)) return s.failure;
        if (o.json) {
            // One compact object per line, so a recorder can take it line by line.
            out << QJsonDocument(Versioned(WatchJson(image, nuCur + 1))).toJson(QJsonDocument::Compact).toStdString()
                << "\n";
            out.flush();
            continue;
        }
        const Reading r = Describe(image, nuCur + 1);
        const int sost = image.GetSost();
        out << Timestamp() << sep << r.value << sep << r.valueUnit << sep << r.percent << sep
            << ((sost >> 7) & 1) << ((sost >> 6) & 1) << ((sost >> 5) & 1) << sep << ((sost >> 1) & 1)
            << (sost & 1) << "\n";
        out.flush();
    }
    return 0;
}

}  // namespace

QString JournalFile(const Options& o) {
    if (o.noJournal) return {};
    return o.journal.empty() ? JournalPathFromEnvironment() : PathFromBytes(o.journal);
}

// Writes the edited image as F10 does, proves that the transmitter now
// holds exactly the block sent and records every write that went out in the
// journal, an unconfirmed one as such; a journal that cannot be written is
// reported and changes nothing else.
int WriteAndVerify(LineSession& s, const Options& o, DeviceImage& image, const DeviceImage& lastReading, int& nuCur,
                   int nuNew, std::ostream& out) {
    const DeviceImage written = image;
    const int deviceBefore = nuCur + 1;
    const WriteOutcome w = s.Write(image, lastReading, nuCur, nuNew);
    const bool unconfirmed = WriteUnconfirmed(w);
    if (w.stage != WriteStage::Done && !unconfirmed) return s.failure;
    if (!unconfirmed) out << "записано в устройство " << nuCur + 1 << ", проверено\n";
    const QString journal = JournalFile(o);
    JournalEntry entry = MakeJournalEntry(lastReading, written, s.link.PortName, deviceBefore, nuCur + 1,
                                          QDateTime::currentDateTime());
    if (unconfirmed) {
        entry.status = kUnconfirmed;
        entry.failedStep = UnconfirmedStep(w);
    }
    std::string error;
    if (!journal.isEmpty() && !AppendJournal(journal, entry, error)) s.messages.Plain(error);
    return unconfirmed ? s.failure : 0;
}

void PrintChanges(const DeviceImage& before, const DeviceImage& after, std::ostream& out) {
    const std::vector<FieldChange> changes = EngineeringChanges(before, after);
    if (changes.empty()) out << "изменений нет\n";
    for (const auto& c : changes) out << ChangeLine(c) << "\n";
}

bool SameBlock(const DeviceImage& a, const DeviceImage& b) {
    return a.GetLen() == b.GetLen() && std::equal(a.Baza.begin() + 1, a.Baza.begin() + 1 + a.GetLen(), b.Baza.begin() + 1);
}

int Finish(LineSession& s, const Options& o, DeviceImage& image, const DeviceImage& read, int& nuCur, int nuNew,
           std::ostream& out) {
    const std::string refusal = CheckBlock(image, read);
    if (!refusal.empty()) {
        s.messages.Show({refusal, "Предупреждение", MsgIcon::Warning});
        return kExitRefused;
    }
    if (o.dryRun || (SameBlock(image, read) && nuNew == nuCur)) return 0;
    return WriteAndVerify(s, o, image, read, nuCur, nuNew, out);
}

std::string Join(const std::vector<std::string>& names) {
    std::string s;
    for (const auto& n : names) s += (s.empty() ? "" : ", ") + n;
    return s;
}

namespace {

int Set(LineSession& s, const Options& o, std::ostream& out) {
    DeviceImage image;
    int nuCur = o.device - 1;
    if (!s.Read(image, nuCur)) return s.failure;
    const DeviceImage read = image;
    EditResult edit = ApplyEdits(image, o.edits);
    if (!edit.ok) {
        s.messages.Show({edit.error, "Ошибка", MsgIcon::Error});
        return kExitRefused;
    }
    PrintChanges(read, image, out);
    return Finish(s, o, image, read, nuCur, edit.nuNew >= 0 ? edit.nuNew : nuCur, out);
}

int Save(LineSession& s, const Options& o, std::ostream& out) {
    DeviceImage image;
    int nuCur = o.device - 1;
    if (!s.Read(image, nuCur)) return s.failure;
    std::string error;
    if (!WriteSavedSet(o.file, image, nuCur + 1, error)) {
        s.messages.Plain(error);
        return kExitRefused;
    }
    out << "сохранено: устройство " << nuCur + 1 << " → " << o.file << "\n";
    return 0;
}

int Load(LineSession& s, const Options& o, std::ostream& out) {
    SavedSet saved;
    std::string error;
    if (!LoadSavedSet(o.file, saved, error)) {
        s.messages.Show({error, "Ошибка", MsgIcon::Error});
        return kExitRefused;
    }
    DeviceImage image;
    int nuCur = o.device - 1;
    if (!s.Read(image, nuCur)) return s.failure;
    const DeviceImage read = image;
    SavedSetTransfer transfer;
    if (!ApplySavedSet(saved, image, error, o.withCalibration, &transfer)) {
        s.messages.Show({error, "Предупреждение", MsgIcon::Warning});
        return kExitRefused;
    }
    ApplyRangeLimits(image);
    if (o.dryRun) {
        out << "из файла: " << Join(transfer.taken) << "\n";
        out << "остаются у устройства: " << Join(transfer.kept) << "\n";
    }
    PrintChanges(read, image, out);
    return Finish(s, o, image, read, nuCur, nuCur, out);
}

int Report(LineSession& s, const Options& o, std::ostream& out) {
    DeviceImage image;
    int nuCur = o.device - 1;
    if (!s.Read(image, nuCur)) return s.failure;
    ReportInput input{QDateTime::currentDateTime(), s.link.PortName, nuCur + 1, &image, {}};
    const QString journal = o.journal.empty() ? JournalPathFromEnvironment() : PathFromBytes(o.journal);
    JournalContents contents = ReadJournal(journal, nuCur + 1);
    if (!contents.error.empty()) s.messages.Plain(contents.error);
    input.journal = std::move(contents.entries);
    const bool pdf = !o.pdf.empty();
    const QString file = PathFromBytes(pdf ? o.pdf : o.html);
    std::string error;
    if (!WriteSetupReport(SetupReportHtml(input), file, pdf, error)) {
        s.messages.Plain(error);
        return kExitRefused;
    }
    out << "отчет: устройство " << nuCur + 1 << " → " << PathShown(file) << "\n";
    return 0;
}

// journal --verify [FILE]: the chain of the file named, else of the journal
// the writes would use; 0 when intact, 1 with the first broken line.
int VerifyCommand(const Options& o, std::ostream& out, std::ostream& err) {
    const QString path = o.file.empty() ? JournalPathFromEnvironment() : PathFromBytes(o.file);
    const ChainVerdict v = VerifyJournalFile(path);
    if (v.fault == ChainFault::Unreadable) {
        err << v.error << "\n";
        return kExitRefused;
    }
    (v.fault == ChainFault::None ? out : err) << PathShown(path) << ": " << VerdictText(v) << "\n";
    return v.fault == ChainFault::None ? kExitOk : kExitRefused;
}

// The line commands on the opened session; a port error ends them with 3.
int RunLineCommand(LineSession& s, const Options& o, std::ostream& out, std::ostream& err, std::istream& in) {
    try {
        if (o.command == "scan") return Scan(s, o, out);
        if (o.command == "find") return Find(s, o, out);
        if (o.command == "read") return Read(s, o, out);
        if (o.command == "watch") return Watch(s, o, out);
        if (o.command == "set") return Set(s, o, out);
        if (o.command == "save") return Save(s, o, out);
        if (o.command == "load") return Load(s, o, out);
        if (o.command == "report") return Report(s, o, out);
        if (o.command == "check") return CheckCommand(s, o, in, out, err);
        if (o.command == "backup") return Backup(s, o, out);
        if (o.command == "restore") return Restore(s, o, out);
    } catch (const PortError& e) {
        err << e.what() << "\n";
        return kExitLine;
    }
    return kExitUsage;
}

}  // namespace

int RunCommand(const Options& o, std::ostream& out, std::ostream& err, std::istream* in) {
    if (o.command == "ports") return Ports(out);
    if (o.command == "range") return RangeCommand(o, out, err);
    if (o.command == "sim") return SimCommand(o, out, err);
    if (o.command == "journal") return VerifyCommand(o, out, err);
    if (!o.operatorName.empty()) SetJournalOperator(o.operatorName);
    LineSession s(o, err);
    if (!s.Open()) return s.failure;
    const int code = RunLineCommand(s, o, out, err, in ? *in : std::cin);
    if (o.stats) PrintStats(s.stats, o.json, out);
    return code;
}

}  // namespace tservice::cli
