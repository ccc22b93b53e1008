#include "Journal.h"

#include <filesystem>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>

#include "Check.h"
#include "FilePath.h"
#include "Describe.h"
#include "JournalChain.h"
#include "JournalLines.h"
#include "Models.h"
#include "SavedSet.h"

namespace tservice {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QJsonValue& v) { return v.toString().toStdString(); }

const char* KindName(ChangeKind kind) {
    switch (kind) {
    case ChangeKind::Calibration: return "calibration";
    case ChangeKind::Trim: return "trim";
    default: return "setting";
    }
}

QJsonObject BeforeAfter(const QJsonValue& before, const QJsonValue& after) {
    QJsonObject o;
    o["before"] = before;
    o["after"] = after;
    return o;
}

std::string Raw(const DeviceImage& image) { return Hex(image.Baza.data() + 1, image.GetLen()); }

std::string& OperatorSetting() {
    static std::string name;
    return name;
}

QSettings OperatorSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tservice"), QStringLiteral("tservice"));
}

// The line count of the head of in up to offset, in pieces.
int CountLines(QIODevice& in, qint64 offset) {
    int lines = 0;
    for (qint64 left = offset; left > 0;) {
        const QByteArray piece = in.read(std::min<qint64>(left, 1024 * 1024));
        if (piece.isEmpty()) break;
        lines += static_cast<int>(piece.count('\n'));
        left -= piece.size();
    }
    return lines;
}

}  // namespace

ChangeKind KindOfField(const std::string& field) {
    if (!IsCalibration(field)) return ChangeKind::Setting;
    return field == "Current" || field == "CurrentEnd" ? ChangeKind::Trim : ChangeKind::Calibration;
}

JournalEntry MakeJournalEntry(const DeviceImage& before, const DeviceImage& sent, const std::string& port,
                              int deviceBefore, int deviceAfter, const QDateTime& time) {
    JournalEntry e;
    e.time = time;
    e.port = port;
    e.deviceBefore = deviceBefore;
    e.deviceAfter = deviceAfter;
    e.model = sent.Tip;
    e.version = sent.Ver;
    e.modelName = ModelName(sent.Tip);
    e.rawBefore = Raw(before);
    e.rawAfter = Raw(sent);
    e.changes = EngineeringChanges(before, sent);
    return e;
}

QJsonObject ToJson(const JournalEntry& e) {
    QJsonObject o;
    o["time"] = e.time.toOffsetFromUtc(e.time.offsetFromUtc()).toString(Qt::ISODateWithMs);
    o["port"] = Q(e.port);
    o["device"] = BeforeAfter(e.deviceBefore, e.deviceAfter);
    o["model"] = e.model;
    o["name"] = Q(e.modelName);
    o["version"] = e.version;
    o["raw"] = BeforeAfter(Q(e.rawBefore), Q(e.rawAfter));
    QJsonArray changes;
    for (const FieldChange& c : e.changes) {
        QJsonObject j;
        j["kind"] = KindName(KindOfField(c.field));
        j["field"] = Q(c.field);
        j["label"] = Q(c.label);
        j["before"] = Q(c.before);
        j["after"] = Q(c.after);
        if (c.hasCodes) {
            j["asFound"] = c.codeBefore;
            j["asLeft"] = c.codeAfter;
        }
        changes.append(j);
    }
    o["changes"] = changes;
    o["operator"] = Q(e.operatorName);
    o["host"] = Q(e.host);
    if (!e.kind.empty()) {
        o["kind"] = Q(e.kind);
        o["check"] = e.check;
    }
    if (!e.status.empty()) {
        o["status"] = Q(e.status);
        o["stage"] = Q(e.failedStep);
    }
    return o;
}

bool FromJson(const QJsonObject& o, JournalEntry& e) {
    const QJsonObject device = o["device"].toObject(), raw = o["raw"].toObject();
    if (!o["time"].isString() || !o["model"].isDouble() || !o["changes"].isArray() ||
        !device["before"].isDouble() || !device["after"].isDouble() || !raw["before"].isString())
        return false;
    JournalEntry r;
    r.time = QDateTime::fromString(o["time"].toString(), Qt::ISODateWithMs);
    if (!r.time.isValid()) return false;
    r.port = S(o["port"]);
    r.deviceBefore = device["before"].toInt();
    r.deviceAfter = device["after"].toInt();
    r.model = o["model"].toInt();
    r.modelName = S(o["name"]);
    r.version = o["version"].toInt();
    r.rawBefore = S(raw["before"]);
    r.rawAfter = S(raw["after"]);
    r.operatorName = S(o["operator"]);
    r.host = S(o["host"]);
    r.status = S(o["status"]);
    r.failedStep = S(o["stage"]);
    for (const QJsonValue& v : o["changes"].toArray()) {
        const QJsonObject j = v.toObject();
        FieldChange c{S(j["field"]), S(j["label"]), S(j["before"]), S(j["after"])};
        c.hasCodes = j.contains("asFound");
        c.codeBefore = j["asFound"].toInt();
        c.codeAfter = j["asLeft"].toInt();
        r.changes.push_back(std::move(c));
    }
    r.kind = S(o["kind"]);
    r.check = o["check"].toObject();
    e = std::move(r);
    return true;
}

bool AppendJournal(const QString& path, const JournalEntry& entry, std::string& error) {
    JournalEntry e = entry;
    if (e.operatorName.empty()) e.operatorName = JournalOperator();
    if (e.host.empty()) e.host = JournalHost();
    return AppendChainedLine(path, ToJson(e), error);
}

void SetJournalOperator(const std::string& name) { OperatorSetting() = name; }

std::string JournalOperator() {
    if (!OperatorSetting().empty()) return OperatorSetting();
    // The login's name, else the home folder's (a service started without USER).
    const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    return (user.isEmpty() ? QDir::home().dirName() : user).toStdString();
}

std::string JournalHost() { return QSysInfo::machineHostName().toStdString(); }

std::string RememberedOperator() { return OperatorSettings().value("operator").toString().trimmed().toStdString(); }

void RememberOperator(const std::string& name) { OperatorSettings().setValue("operator", Q(name)); }

JournalContents ReadJournalFrom(QIODevice& in, qint64 maxBytes, int device, int firstLine) {
    JournalContents out;
    JournalLineReader reader(in, maxBytes, firstLine);
    JournalLine line;
    while (reader.Next(line)) {
        if (!line.overlong && line.text.trimmed().isEmpty()) continue;
        JournalEntry e;
        QJsonParseError parse{};
        const QJsonDocument doc = line.overlong ? QJsonDocument() : QJsonDocument::fromJson(line.text, &parse);
        if (line.overlong || parse.error != QJsonParseError::NoError || !doc.isObject() || !FromJson(doc.object(), e)) {
            if (++out.skipped <= 20) out.badLines.push_back(line.number);
            continue;
        }
        e.line = line.number;
        if (device == 0 || e.deviceBefore == device || e.deviceAfter == device) out.entries.push_back(std::move(e));
    }
    return out;
}

JournalContents ReadJournal(const QString& path, int device) {
    QFile f;
    if (!PathExists(path)) return {};
    if (!OpenPath(f, path, QIODevice::ReadOnly)) {
        JournalContents out;
        out.error = "Журнал изменений " + PathShown(path) + " не удается прочитать";
        return out;
    }
    // Read no further than the size now: a device file or a growing file
    // cannot keep the reader going.
    const qint64 size = f.size();
    const qint64 omitted = std::max<qint64>(0, size - kJournalShownBytes);
    int before = 0;
    if (omitted > 0) {
        before = CountLines(f, omitted - 1);
        char c = 0;
        f.getChar(&c);
        ++before;
        if (c != '\n') f.readLine();  // the line the bound cuts is left out whole
    }
    JournalContents out = ReadJournalFrom(f, size - f.pos(), device, before + 1);
    out.omittedBytes = omitted;
    return out;
}

std::string JournalReadNote(const JournalContents& j) {
    std::string s;
    if (j.skipped > 0) {
        s += "; нечитаемых строк: " + std::to_string(j.skipped) + " (";
        for (std::size_t i = 0; i < j.badLines.size(); ++i) s += (i ? ", " : "") + std::to_string(j.badLines[i]);
        s += j.skipped > static_cast<int>(j.badLines.size()) ? ", …)" : ")";
    }
    if (j.omittedBytes > 0)
        s += "; показаны записи последних " + std::to_string(kJournalShownBytes / (1024 * 1024)) + " МБ";
    return s;
}

QString DefaultJournalPath() {
    // The generic folder plus the program's name, so tservicectl, whose own
    // application name differs, keeps the same journal as the window.
    const QString file = QStringLiteral("/tservice/journal.jsonl");
#ifndef _WIN32
    // The folder by the XDG rule from the variables' bytes: the toolkit's
    // own answer would lose a home folder whose name is not UTF-8.
    const QString data = PathFromEnvironment("XDG_DATA_HOME");
    if (data.startsWith(u'/')) return data + file;
    const QString home = PathFromEnvironment("HOME");
    if (!home.isEmpty()) return home + QStringLiteral("/.local/share") + file;
#endif
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + file;
}

QString JournalPathFromEnvironment() {
    const QString env = PathFromEnvironment("TSERVICE_JOURNAL");
    return env.isEmpty() ? DefaultJournalPath() : env;
}

std::string AsFoundNote(const FieldChange& c) {
    const ChangeKind kind = KindOfField(c.field);
    if (kind == ChangeKind::Setting || !c.hasCodes) return {};
    return std::string(kind == ChangeKind::Calibration ? " (калибровка" : " (подстройка тока") + ": до " +
           std::to_string(c.codeBefore) + ", после " + std::to_string(c.codeAfter) + ")";
}

std::string JournalChangesText(const JournalEntry& e) {
    std::string s = e.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString() + "  устройство " +
                    std::to_string(e.deviceBefore);
    if (e.deviceAfter != e.deviceBefore) s += " → " + std::to_string(e.deviceAfter);
    s += ":";
    if (e.kind == "check") {
        CheckRecord check;
        return s + " " + (CheckFromJson(e.check, check) ? CheckSummary(check) : "проверка (запись испорчена)");
    }
    for (std::size_t i = 0; i < e.changes.size(); ++i) {
        const FieldChange& c = e.changes[i];
        s += (i ? "; " : " ") + ChangeLine(c) + AsFoundNote(c);
    }
    if (e.changes.empty()) s += " без изменений";
    if (!e.status.empty()) s += " — " + e.status + " (" + e.failedStep + ")";
    return s;
}

}  // namespace tservice
