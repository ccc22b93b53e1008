#include "Journal.h"

#include <filesystem>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>

#include "FilePath.h"
#include "Describe.h"
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
    for (const QJsonValue& v : o["changes"].toArray()) {
        const QJsonObject j = v.toObject();
        FieldChange c{S(j["field"]), S(j["label"]), S(j["before"]), S(j["after"])};
        c.hasCodes = j.contains("asFound");
        c.codeBefore = j["asFound"].toInt();
        c.codeAfter = j["asLeft"].toInt();
        r.changes.push_back(std::move(c));
    }
    e = std::move(r);
    return true;
}

bool AppendJournal(const QString& path, const JournalEntry& entry, std::string& error) {
    const QFileInfo info(path);
    QByteArray line = QJsonDocument(ToJson(entry)).toJson(QJsonDocument::Compact);
    line += '\n';
    QFile f;
    // One write of the whole line: an append either carries it or fails.
    if (!MakeDirectory(info.absolutePath()) || !OpenPath(f, path, QIODevice::WriteOnly | QIODevice::Append) ||
        f.write(line) != line.size() || !f.flush()) {
        error = "Журнал изменений " + PathShown(path) + " не удается записать" +
                (f.errorString().isEmpty() ? "" : ": " + f.errorString().toStdString());
        return false;
    }
    return true;
}

JournalContents ReadJournal(const QString& path, int device) {
    JournalContents out;
    QFile f;
    if (!std::filesystem::exists(PathBytes(path))) return out;
    if (!OpenPath(f, path, QIODevice::ReadOnly)) {
        out.error = "Журнал изменений " + PathShown(path) + " не удается прочитать";
        return out;
    }
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        if (line.isEmpty()) continue;
        JournalEntry e;
        QJsonParseError parse{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &parse);
        if (parse.error != QJsonParseError::NoError || !doc.isObject() || !FromJson(doc.object(), e)) {
            ++out.skipped;
            continue;
        }
        if (device == 0 || e.deviceBefore == device || e.deviceAfter == device) out.entries.push_back(std::move(e));
    }
    return out;
}

QString DefaultJournalPath() {
    // The generic folder plus the program's name, so tservicectl, whose own
    // application name differs, keeps the same journal as the window.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/tservice/journal.jsonl");
}

QString JournalPathFromEnvironment() {
    const QString env = qEnvironmentVariable("TSERVICE_JOURNAL");
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
    for (std::size_t i = 0; i < e.changes.size(); ++i) {
        const FieldChange& c = e.changes[i];
        s += (i ? "; " : " ") + ChangeLine(c) + AsFoundNote(c);
    }
    if (e.changes.empty()) s += " без изменений";
    return s;
}

}  // namespace tservice
