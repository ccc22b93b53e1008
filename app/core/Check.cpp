#include "Check.h"

#include <algorithm>
#include <cmath>

#include <QJsonArray>
#include <QSettings>

#include "Convert.h"
#include "Describe.h"
#include "Models.h"
#include "Number.h"
#include "Workflow.h"

namespace tservice {

namespace {

// Longer operator texts are no number anyone typed.
constexpr std::size_t kMaxNumberText = 32;

constexpr int kMaxItems = 100;  // points or instruments a record may carry

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QJsonValue& v) { return v.toString().toStdString(); }

bool Fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}

// A finite number within ±1e9 under key, or false.
bool Number(const QJsonObject& o, const char* key, double& value) {
    const QJsonValue v = o[QLatin1String(key)];
    if (!v.isDouble() || !std::isfinite(v.toDouble()) || std::fabs(v.toDouble()) > 1e9) return false;
    value = v.toDouble();
    return true;
}

}  // namespace

const char* StageWord(CheckStage stage) { return stage == CheckStage::Found ? "found" : "left"; }

std::string StageText(CheckStage stage) {
    return stage == CheckStage::Found ? "до регулировки" : "после регулировки";
}

bool ParseStage(const std::string& word, CheckStage& stage) {
    if (word != "found" && word != "left") return false;
    stage = word == "found" ? CheckStage::Found : CheckStage::Left;
    return true;
}

// The operator's numbers here, through the one number reader (point or comma).
bool ParseOperatorNumber(const std::string& text, double& value) {
    const std::string t = Trim(text);
    if (t.size() > kMaxNumberText) return false;
    const std::optional<double> v = ReadNumber(t, kTypedNumber);
    if (!v) return false;
    value = *v;
    return true;
}

bool ParseTolerance(const std::string& text, Tolerance& tolerance) {
    std::string t = Trim(text);
    const bool ofSpan = !t.empty() && t.back() == '%';
    if (ofSpan) t.pop_back();
    double v = 0;
    if (!ParseOperatorNumber(t, v) || !(v > 0) || v > 1e6 || (ofSpan && v > 100)) return false;
    tolerance = {v, ofSpan};
    return true;
}

bool ParsePoints(const std::string& text, std::vector<double>& percents) {
    std::vector<double> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        double v = 0;
        const std::string item = Trim(text.substr(start, comma - start));
        if (item.find(',') != std::string::npos || !ParseOperatorNumber(item, v) || v < 0 || v > 100) return false;
        out.push_back(v);
        if (out.size() > 21) return false;
        start = comma + 1;
    }
    percents = std::move(out);
    return true;
}

std::vector<double> DefaultPoints() { return {0, 25, 50, 75, 100}; }

bool CheckScaleOf(const DeviceImage& image, CheckScale& scale) {
    if (!IsServedModel(image.Tip)) return false;
    if (IsTev(image.Tip)) {
        if (!(image.TMax != image.TMin) || !std::isfinite(image.TMin) || !std::isfinite(image.TMax)) return false;
        scale = {"°C", image.TMin, image.TMax};
        return true;
    }
    scale = {"%", 0, 100};
    return true;
}

double ValueInScale(const DeviceImage& image, std::int32_t code) {
    return IsTev(image.Tip) ? static_cast<double>(image.ToTemp(code)) : LadrCodeToPercent(code);
}

double CodeStep(const DeviceImage& image, const CheckScale& scale) {
    return std::fabs(scale.Span()) / (IsTev(image.Tip) ? kTevScale : kLadrScale);
}

double NominalAt(const CheckScale& scale, double percent) { return scale.from + scale.Span() * percent / 100.0; }

double PermittedError(const Tolerance& tolerance, const CheckScale& scale) {
    return tolerance.ofSpan ? tolerance.value * std::fabs(scale.Span()) / 100.0 : tolerance.value;
}

double ExpectedMa(const CheckScale& scale, double reference) {
    return 4.0 + 16.0 * (reference - scale.from) / scale.Span();
}

void JudgePoint(CheckPoint& p, const Tolerance& tolerance, const CheckScale& scale) {
    p.error = p.measured - p.reference;
    p.permitted = PermittedError(tolerance, scale);
    // A hair of slack so an error of exactly the permitted value passes.
    p.pass = std::fabs(p.error) <= p.permitted * (1 + 1e-9);
    if (!p.hasOutput) return;
    p.outputExpected = ExpectedMa(scale, p.reference);
    p.outputError = p.outputMa - p.outputExpected;
    p.outputPermitted = p.permitted * 16.0 / std::fabs(scale.Span());
    p.outputPass = std::fabs(p.outputError) <= p.outputPermitted * (1 + 1e-9);
}

bool CheckRecord::Pass() const {
    if (points.empty()) return false;
    return std::all_of(points.begin(), points.end(),
                       [](const CheckPoint& p) { return p.pass && (!p.hasOutput || p.outputPass); });
}

std::string VerdictText(bool pass) { return pass ? "годен" : "не годен"; }

std::string CheckSummary(const CheckRecord& r) {
    return "проверка " + StageText(r.stage) + ": точек " + std::to_string(r.points.size()) + ", " +
           VerdictText(r.Pass());
}

std::string ScaleNumber(double value) {
    const double v = std::round(value * 10000.0) / 10000.0;
    QString s = QString::number(v == 0 ? 0.0 : v, 'f', 4);
    while (s.contains('.') && (s.endsWith('0') || s.endsWith('.'))) s.chop(1);
    s.replace('.', ',');
    return s.toStdString();
}

CheckConditions LoadCheckConditions() {
    QSettings settings(QStringLiteral("tservice"), QStringLiteral("tservice"));
    settings.beginGroup(QStringLiteral("check"));
    CheckConditions c;
    c.ambient = settings.value("ambient").toString().toStdString();
    c.humidity = settings.value("humidity").toString().toStdString();
    c.operatorName = settings.value("operator").toString().toStdString();
    const int n = std::min(settings.beginReadArray(QStringLiteral("instruments")), kMaxItems);
    for (int i = 0; i < n; ++i) {
        settings.setArrayIndex(i);
        c.instruments.push_back({settings.value("name").toString().toStdString(),
                                 settings.value("serial").toString().toStdString(),
                                 settings.value("certificate").toString().toStdString(),
                                 settings.value("validUntil").toString().toStdString()});
    }
    settings.endArray();
    return c;
}

void SaveCheckConditions(const CheckConditions& c) {
    QSettings settings(QStringLiteral("tservice"), QStringLiteral("tservice"));
    settings.beginGroup(QStringLiteral("check"));
    settings.setValue("ambient", Q(c.ambient));
    settings.setValue("humidity", Q(c.humidity));
    settings.setValue("operator", Q(c.operatorName));
    settings.beginWriteArray(QStringLiteral("instruments"), static_cast<int>(c.instruments.size()));
    for (int i = 0; i < static_cast<int>(c.instruments.size()); ++i) {
        const Instrument& in = c.instruments[static_cast<std::size_t>(i)];
        settings.setArrayIndex(i);
        settings.setValue("name", Q(in.name));
        settings.setValue("serial", Q(in.serial));
        settings.setValue("certificate", Q(in.certificate));
        settings.setValue("validUntil", Q(in.validUntil));
    }
    settings.endArray();
}

std::string PointPrompt(int index, int count, const CheckPoint& p, const CheckScale& scale) {
    return "Точка " + std::to_string(index + 1) + " из " + std::to_string(count) + ": подайте " +
           ScaleNumber(p.nominal) + " " + scale.unit + " (" + ScaleNumber(p.percent) + " % диапазона)";
}

namespace {

// Six decimals: the float of a °C conversion would otherwise print its noise.
double R(double v) { return std::round(v * 1e6) / 1e6; }

QJsonObject PointJson(const CheckPoint& p) {
    QJsonObject j;
    j["percent"] = p.percent;
    j["nominal"] = R(p.nominal);
    j["reference"] = R(p.reference);
    j["measured"] = R(p.measured);
    j["error"] = R(p.error);
    j["permitted"] = R(p.permitted);
    j["pass"] = p.pass;
    j["readings"] = p.readings;
    j["sost"] = p.sost;
    j["overflow"] = p.Overflow();
    j["alarm"] = p.Alarm();
    if (p.hasOutput) {
        QJsonObject out;
        out["measured"] = R(p.outputMa);
        out["expected"] = R(p.outputExpected);
        out["error"] = R(p.outputError);
        out["permitted"] = R(p.outputPermitted);
        out["pass"] = p.outputPass;
        j["output"] = out;
    }
    return j;
}

QJsonObject ConditionsJson(const CheckConditions& c) {
    QJsonArray instruments;
    for (const Instrument& i : c.instruments)
        instruments.append(QJsonObject{{"name", Q(i.name)},
                                       {"serial", Q(i.serial)},
                                       {"certificate", Q(i.certificate)},
                                       {"validUntil", Q(i.validUntil)}});
    return {{"instruments", instruments},
            {"ambient", Q(c.ambient)},
            {"humidity", Q(c.humidity)},
            {"operator", Q(c.operatorName)}};
}

bool PointFromJson(const QJsonValue& v, CheckPoint& p, std::string* why) {
    const QJsonObject j = v.toObject();
    if (!v.isObject() || !Number(j, "percent", p.percent) || !Number(j, "nominal", p.nominal) ||
        !Number(j, "reference", p.reference) || !Number(j, "measured", p.measured) ||
        !Number(j, "error", p.error) || !Number(j, "permitted", p.permitted) || !j["pass"].isBool())
        return Fail(why, "точка проверки без чисел");
    p.pass = j["pass"].toBool();
    p.readings = std::clamp(j["readings"].toInt(), 0, 1000000);
    p.sost = j["sost"].toInt() & 0xFF;
    const QJsonObject out = j["output"].toObject();
    p.hasOutput = j["output"].isObject();
    if (p.hasOutput && (!Number(out, "measured", p.outputMa) || !Number(out, "expected", p.outputExpected) ||
                        !Number(out, "error", p.outputError) || !Number(out, "permitted", p.outputPermitted) ||
                        !out["pass"].isBool()))
        return Fail(why, "проверка выхода без чисел");
    p.outputPass = out["pass"].toBool();
    return true;
}

bool ConditionsFromJson(const QJsonValue& v, CheckConditions& c, std::string* why) {
    if (v.isUndefined()) return true;
    const QJsonObject o = v.toObject();
    if (!v.isObject() || !o["instruments"].isArray() || o["instruments"].toArray().size() > kMaxItems)
        return Fail(why, "условия проверки испорчены");
    for (const QJsonValue& i : o["instruments"].toArray()) {
        const QJsonObject j = i.toObject();
        c.instruments.push_back({S(j["name"]), S(j["serial"]), S(j["certificate"]), S(j["validUntil"])});
    }
    c.ambient = S(o["ambient"]);
    c.humidity = S(o["humidity"]);
    c.operatorName = S(o["operator"]);
    return true;
}

}  // namespace

QJsonObject CheckToJson(const CheckRecord& r) {
    QJsonObject o;
    if (r.time.isValid()) o["time"] = r.time.toOffsetFromUtc(r.time.offsetFromUtc()).toString(Qt::ISODateWithMs);
    o["port"] = Q(r.port);
    o["device"] = r.device;
    o["model"] = r.model;
    o["name"] = Q(r.modelName);
    o["version"] = r.version;
    o["sensor"] = Q(r.sensor);
    o["stage"] = StageWord(r.stage);
    o["unit"] = Q(r.scale.unit);
    o["rangeFrom"] = r.scale.from;
    o["rangeTo"] = r.scale.to;
    o["tolerance"] = QJsonObject{{"value", r.tolerance.value}, {"ofSpan", r.tolerance.ofSpan}};
    QJsonArray points;
    for (const CheckPoint& p : r.points) points.append(PointJson(p));
    o["points"] = points;
    o["pass"] = r.Pass();
    o["conditions"] = ConditionsJson(r.conditions);
    return o;
}

bool CheckFromJson(const QJsonObject& o, CheckRecord& record, std::string* why) {
    CheckRecord r;
    const QJsonObject tol = o["tolerance"].toObject();
    if (!o["device"].isDouble() || !o["model"].isDouble() || !o["stage"].isString() || !o["points"].isArray() ||
        !Number(o, "rangeFrom", r.scale.from) || !Number(o, "rangeTo", r.scale.to) ||
        !Number(tol, "value", r.tolerance.value) || !o["unit"].isString())
        return Fail(why, "запись проверки без обязательных полей");
    if (!ParseStage(S(o["stage"]), r.stage)) return Fail(why, "неизвестный этап проверки");
    r.device = o["device"].toInt();
    if (r.device < 1 || r.device > kLineSize || !(r.tolerance.value > 0)) return Fail(why, "номер устройства или допуск вне границ");
    r.tolerance.ofSpan = tol["ofSpan"].toBool();
    r.time = QDateTime::fromString(o["time"].toString(), Qt::ISODateWithMs);
    r.port = S(o["port"]);
    r.model = o["model"].toInt();
    r.modelName = S(o["name"]);
    r.version = o["version"].toInt();
    r.sensor = S(o["sensor"]);
    r.scale.unit = S(o["unit"]);
    const QJsonArray points = o["points"].toArray();
    if (points.size() > kMaxItems) return Fail(why, "слишком много точек");
    for (const QJsonValue& v : points) {
        CheckPoint p;
        if (!PointFromJson(v, p, why)) return false;
        r.points.push_back(p);
    }
    if (!ConditionsFromJson(o["conditions"], r.conditions, why)) return false;
    record = std::move(r);
    return true;
}

JournalEntry MakeCheckJournalEntry(const CheckRecord& record, const DeviceImage& image) {
    JournalEntry e;
    e.time = record.time;
    e.port = record.port;
    e.deviceBefore = e.deviceAfter = record.device;
    e.model = image.Tip;
    e.version = image.Ver;
    e.modelName = ModelName(image.Tip);
    e.rawBefore = e.rawAfter = Hex(image.Baza.data() + 1, image.GetLen());
    e.kind = "check";
    e.check = CheckToJson(record);
    return e;
}

CertificateChecks FindCertificateChecks(const std::vector<JournalEntry>& journal) {
    CertificateChecks out;
    std::size_t foundAt = 0, leftAt = 0;
    for (std::size_t i = 0; i < journal.size(); ++i) {
        CheckRecord r;
        if (journal[i].kind != "check" || !CheckFromJson(journal[i].check, r)) continue;
        if (r.stage == CheckStage::Left) {
            out.left = std::move(r);
            out.hasLeft = true;
            leftAt = i;
        }
    }
    for (std::size_t i = 0; i < (out.hasLeft ? leftAt : journal.size()); ++i) {
        CheckRecord r;
        if (journal[i].kind != "check" || !CheckFromJson(journal[i].check, r) || r.stage != CheckStage::Found) continue;
        out.found = std::move(r);
        out.hasFound = true;
        foundAt = i;
    }
    if (!out.hasFound || !out.hasLeft) return out;
    for (std::size_t i = foundAt + 1; i < leftAt; ++i) {
        const JournalEntry& e = journal[i];
        const bool adjusts = std::any_of(e.changes.begin(), e.changes.end(), [](const FieldChange& c) {
            return KindOfField(c.field) != ChangeKind::Setting;
        });
        if (e.kind.empty() && adjusts) out.adjustments.push_back(e);
    }
    return out;
}

Stability DefaultStability(double permitted, double codeStep) {
    Stability s;
    s.band = std::max(permitted / 2.0, 3.0 * codeStep);
    return s;
}

void StabilityWindow::Add(double value) {
    values_.push_back(value);
    while (static_cast<int>(values_.size()) > std::max(rule_.samples, 1)) values_.pop_front();
}

int StabilityWindow::InBand() const {
    if (values_.empty()) return 0;
    double lo = values_.back(), hi = values_.back();
    int n = 0;
    for (auto it = values_.rbegin(); it != values_.rend(); ++it, ++n) {
        lo = std::min(lo, *it);
        hi = std::max(hi, *it);
        if (hi - lo > rule_.band) break;
    }
    return n;
}

double StabilityWindow::Mean() const {
    if (values_.empty()) return 0;
    double sum = 0;
    for (double v : values_) sum += v;
    return sum / static_cast<double>(values_.size());
}

PointReading MeasurePoint(TComPortClass& link, IClock& clock, DeviceImage& image, int deviceIndex,
                          const Stability& rule, const std::function<bool(double, int)>& progress) {
    PointReading out;
    StabilityWindow window(rule);
    const std::int64_t start = clock.NowMs();
    for (std::int64_t next = start;; next += rule.intervalMs) {
        clock.SleepUntilMs(next);
        const int code = ReadMeasurement(link, image, deviceIndex);
        if (code != 0) {
            out.code = code;
            return out;
        }
        const double value = ValueInScale(image, image.GetRez());
        window.Add(value);
        out.sost |= image.GetSost();
        ++out.readings;
        if (progress && !progress(value, window.InBand())) {
            out.cancelled = true;
            return out;
        }
        if (window.Stable()) break;
        if (clock.NowMs() - start + rule.intervalMs > rule.limitMs) {
            out.unstable = true;
            return out;
        }
    }
    out.ok = true;
    out.mean = window.Mean();
    return out;
}

std::string PointFailureText(const PointReading& r, int deviceIndex, const std::string& portName,
                             const Stability& rule) {
    if (r.code != 0)
        return LinkErrorBox(deviceIndex, r.code, portName).text + " (код " + std::to_string(r.code) +
               "); точка не записана";
    if (r.cancelled) return "проверка прервана; точка не записана";
    return "устройство " + std::to_string(deviceIndex + 1) + " - значение не установилось за " +
           std::to_string(rule.limitMs / 1000) + " с (разброс больше " + ScaleNumber(rule.band) +
           "); точка не записана";
}

}  // namespace tservice
