#include "SavedSet.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "Describe.h"
#include "FilePath.h"
#include "Models.h"
#include "Number.h"
#include "Rules.h"

namespace tservice {

namespace {

bool ReadInt(const QJsonObject& o, const char* key, int lo, int hi, int& v, std::string& error) {
    const QJsonValue j = o.value(key);
    const double d = j.toDouble(-1e300);
    // Bounds first: converting a number beyond long long is undefined.
    if (!j.isDouble() || d < lo || d > hi || d != static_cast<double>(static_cast<long long>(d))) {
        error = std::string("файл: поле \"") + key + "\" должно быть целым числом от " + std::to_string(lo) +
                " до " + std::to_string(hi);
        return false;
    }
    v = static_cast<int>(d);
    return true;
}

bool ReadRaw(const QJsonObject& o, std::vector<std::uint8_t>& raw, std::string& error) {
    const QByteArray hex = o.value("raw").toString().toLatin1();
    const bool digits = std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
    if (!o.value("raw").isString() || hex.size() < 2 || hex.size() > 2 * kMaxParamLen || hex.size() % 2 || !digits) {
        error = "файл: поле \"raw\" должно содержать от 1 до 40 байт в шестнадцатеричном виде";
        return false;
    }
    const QByteArray bytes = QByteArray::fromHex(hex);
    raw.assign(bytes.begin(), bytes.end());
    return true;
}

// Keys about the measurement at saving time, which a block does not hold.
bool MeasurementKey(const QString& key) {
    static const QStringList keys{"Rez",   "Sost",      "KodACP",       "Txc",       "KodTxc",
                                  "percent", "value", "valueUnit", "coldJunction", "privileged"};
    return keys.contains(key);
}

// A number of the file, written as a number or as a shown text ("133,37").
std::optional<double> FileNumber(const QJsonValue& v) {
    if (v.isDouble()) return v.toDouble();
    if (v.isString()) return ReadNumber(v.toString().toStdString(), kTypedNumber);
    return std::nullopt;
}

std::string Shown(const QJsonValue& v) {
    if (v.isString()) return "\"" + v.toString().toStdString() + "\"";
    return QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact).mid(1).chopped(1).toStdString();
}

// Every readable field in the file must say what the raw block says; a
// setpoint within the last digit files of every version show.
bool CheckFields(SavedSet& saved, const QJsonObject& o, std::string& error) {
    DeviceImage image = ImageOf(saved);
    ApplyRangeLimits(image);
    const Reading r = Describe(image, saved.device);
    const QJsonObject block = ToJson(r);
    const double setpointSlack = RulesFor(saved.model, saved.version).tev ? 0.5 : 0.005;
    for (auto it = block.begin(); it != block.end(); ++it) {
        const QString key = it.key();
        if (!o.contains(key) || MeasurementKey(key) || key == "device" || key == "format") continue;
        const QJsonValue file = o.value(key);
        bool agree = file == it.value();
        if (!agree && it.value().isDouble()) {
            const std::optional<double> n = FileNumber(file);
            const double slack = key.startsWith("setpoint") ? setpointSlack : 0.0;
            agree = n && std::fabs(*n - it.value().toDouble()) <= slack;
        }
        if (!agree) {
            error = "файл изменен вручную: поле \"" + key.toStdString() + "\" = " + Shown(file) +
                    ", а по блоку raw " + Shown(it.value()) + "\nфайл не загружен";
            return false;
        }
    }
    for (const auto& [name, value] : r.fields) saved.fields[name] = value;
    return true;
}

}  // namespace

// The unit's own calibration: a configuration file leaves it alone.
const char* const kCalibration[] = {"KBegSk", "KEndSk", "BegSkTxc", "EndSkTxc", "Current", "CurrentEnd"};

bool IsCalibration(const std::string& name) {
    return std::find(std::begin(kCalibration), std::end(kCalibration), name) != std::end(kCalibration);
}

DeviceImage ImageOf(const SavedSet& saved) {
    DeviceImage image;
    image.Tip = saved.model;
    image.Ver = saved.version;
    image.PutLen(static_cast<int>(saved.raw.size()));
    std::copy(saved.raw.begin(), saved.raw.end(), image.Baza.begin() + 1);
    return image;
}

bool ParseSavedSet(const QByteArray& content, SavedSet& saved, std::string& error) {
    QJsonParseError pe{};
    const QJsonDocument doc = QJsonDocument::fromJson(content, &pe);
    if (pe.error != QJsonParseError::NoError || !doc.isObject()) {
        error = "файл: не JSON-объект (" + pe.errorString().toStdString() + ")";
        return false;
    }
    const QJsonObject o = doc.object();
    SavedSet s;
    if (o.contains("format") && o.value("format") != QJsonValue(kJsonFormat)) {
        error = "файл: формат " + o.value("format").toVariant().toString().toStdString() +
                " не поддерживается, читается формат " + std::to_string(kJsonFormat);
        return false;
    }
    if (!ReadInt(o, "model", 0, 255, s.model, error) || !ReadInt(o, "version", 0, 255, s.version, error) ||
        !ReadInt(o, "device", 1, kLineSize, s.device, error) || !ReadRaw(o, s.raw, error))
        return false;
    const ReadJudgement verdict = JudgeBlock(ImageOf(s), s.device - 1);
    if (!verdict.Accepted()) {
        error = "файл: " + verdict.box.text;
        return false;
    }
    if (!CheckFields(s, o, error)) return false;
    saved = std::move(s);
    return true;
}

bool LoadSavedSet(const std::string& path, SavedSet& saved, std::string& error) {
    QFile f;
    if (!OpenPath(f, PathFromBytes(path), QIODevice::ReadOnly)) {
        error = "Файл " + PathShown(PathFromBytes(path)) + " не удается открыть";
        return false;
    }
    const QByteArray content = f.read(kMaxSavedFileBytes + 1);
    if (content.size() > kMaxSavedFileBytes) {
        error = "файл " + PathShown(PathFromBytes(path)) + " слишком велик";
        return false;
    }
    return ParseSavedSet(content, saved, error);
}

bool ApplySavedSet(const SavedSet& saved, DeviceImage& image, std::string& error, bool withCalibration,
                   SavedSetTransfer* transfer) {
    if (saved.model != image.Tip || saved.version != image.Ver) {
        error = "файл для " + ModelName(saved.model) + " версии " + std::to_string(saved.version) +
                ", а устройство - " + ModelName(image.Tip) + " версии " + std::to_string(image.Ver) +
                "\nЗапись отменена";
        return false;
    }
    if (static_cast<int>(saved.raw.size()) != image.GetLen()) {
        error = "длина блока в файле " + std::to_string(saved.raw.size()) + ", а у устройства " +
                std::to_string(image.GetLen()) + "\nЗапись отменена";
        return false;
    }
    const DeviceImage source = ImageOf(saved);
    DeviceImage next = image;
    next.Trace = nullptr;
    SavedSetTransfer plan;
    for (const FieldSpec& f : FieldsOf(RulesFor(image.Tip, image.Ver))) {
        const std::string name = f.name;
        if (name == "Nu" || (!withCalibration && IsCalibration(name))) {
            plan.kept.push_back(name);
            continue;
        }
        for (int k = 0; k < f.count; ++k) f.put(next, k, f.get(source, k));
        plan.taken.push_back(name);
    }
    plan.kept.push_back("неиспользуемые байты блока");
    const std::string refusal = CheckBlock(next, image);
    if (!refusal.empty()) {
        error = refusal;
        return false;
    }
    next.Trace = image.Trace;
    next.Izmen = 1;
    image = next;
    if (transfer) *transfer = std::move(plan);
    return true;
}

namespace {

// A shown number ("133,37", "1,2346E+5") as a JSON number; null when the
// window shows no number ("NAN", "").
QJsonValue Number(const std::string& text) {
    constexpr NumberForm kShown{true, false, false, true};  // FormatFixed's "1,2346E+5"
    const std::optional<double> v = ReadNumber(text, kShown);
    return v ? QJsonValue(*v) : QJsonValue();
}

// The list fields also by the words set takes, so a script can hand them back.
void AddListWords(const Reading& r, QJsonObject& o) {
    static const std::pair<const char*, const char*> lists[]{
        {"TipSign", "alarm"}, {"TipK", "contact"}, {"Break", "break"}, {"Connect", "connect"}};
    for (const auto& [field, list] : lists)
        for (const auto& [k, v] : r.fields) {
            const int index = k == "Connect" ? v - 1 : v;
            const auto& words = ListWords(list);
            if (k == field)
                o[list] = index >= 0 && index < static_cast<int>(words.size())
                              ? QJsonValue(QString::fromStdString(words[index]))
                              : QJsonValue();
        }
}

}  // namespace

void PutSetpoints(const Reading& r, QJsonObject& o) {
    if (r.setpointUnit.empty()) return;
    o["setpointUnit"] = QString::fromStdString(r.setpointUnit);
    o["setpoint1"] = Number(r.setpoint1);
    o["setpoint2"] = Number(r.setpoint2);
}

QJsonObject ToJson(const Reading& r) {
    auto q = [](const std::string& s) { return QString::fromStdString(s); };
    QJsonObject o;
    o["format"] = kJsonFormat;
    o["device"] = r.device;
    o["model"] = r.model;
    o["name"] = q(r.modelName);
    o["version"] = r.version;
    o["panel"] = q(r.panel);
    o["privileged"] = r.privileged;
    for (const auto& [k, v] : r.fields) o[q(k)] = v;
    if (!r.nonStandY.empty()) {
        QJsonArray y;
        for (int v : r.nonStandY) y.append(v);
        o["NonStandY"] = y;
    }
    const ModelRules rules = RulesFor(r.model, r.version);
    if (rules.hasSensor) o["sensor"] = q(r.sensor);
    if (r.hasRange) {
        o["nonStandard"] = r.nonStandard;
        o["rangeFrom"] = Number(r.rangeFrom);
        o["rangeTo"] = Number(r.rangeTo);
    }
    PutSetpoints(r, o);
    for (const auto& [k, v] : r.measurement) o[q(k)] = v;
    AddListWords(r, o);
    o["percent"] = Number(r.percent);
    o["value"] = Number(r.value);
    o["valueUnit"] = q(r.valueUnit);
    if (rules.hasColdJunction) o["coldJunction"] = r.coldJunctionFaulty ? QJsonValue() : Number(r.coldJunction);
    o["raw"] = q(r.raw);
    return o;
}

QByteArray SavedSetContent(const Reading& r) { return QJsonDocument(ToJson(r)).toJson(QJsonDocument::Indented); }

bool WriteSavedSet(const Reading& r, const std::string& path, std::string& error) {
    if (!WritePath(PathFromBytes(path), SavedSetContent(r))) {
        error = "Файл " + PathShown(PathFromBytes(path)) + " не удается записать";
        return false;
    }
    return true;
}

bool WriteSavedSet(const std::string& path, const DeviceImage& image, int device, std::string& error) {
    return WriteSavedSet(Describe(image, device), path, error);
}

}  // namespace tservice
