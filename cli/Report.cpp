#include "Report.h"

#include <algorithm>
#include <cmath>

#include <QJsonArray>

#include "Edits.h"
#include "Models.h"

namespace tservice::cli {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

std::string Bits(int value, std::initializer_list<int> bits) {
    std::string s;
    for (int b : bits) s += ((value >> b) & 1) ? '1' : '0';
    return s;
}

// A shown number ("133,37", "1,2346E+5") as a JSON number; null when the
// window shows no number ("NAN", "").
QJsonValue Number(std::string text) {
    std::replace(text.begin(), text.end(), ',', '.');
    bool ok = false;
    const double v = QString::fromStdString(text).toDouble(&ok);
    return ok && std::isfinite(v) ? QJsonValue(v) : QJsonValue();
}

// The list fields also by the words set takes, so a script can hand them back.
void AddListWords(const Reading& r, QJsonObject& o) {
    static const std::pair<const char*, const char*> lists[]{
        {"TipSign", "alarm"}, {"TipK", "contact"}, {"Break", "break"}, {"Connect", "connect"}};
    for (const auto& [field, list] : lists)
        for (const auto& [k, v] : r.fields) {
            const int index = k == "Connect" ? v - 1 : v;
            const auto& words = ListWords(list);
            if (k == field) o[list] = index >= 0 && index < static_cast<int>(words.size()) ? QJsonValue(q(words[index])) : QJsonValue();
        }
}

}  // namespace

QJsonObject Versioned(QJsonObject o) {
    o["format"] = kJsonFormat;
    return o;
}

std::string ToText(const Reading& r) {
    std::string s;
    auto line = [&](const std::string& k, const std::string& v) { s += k + ": " + v + "\n"; };
    line("устройство", std::to_string(r.device));
    line("тип прибора", r.panel);
    line("модель", std::to_string(r.model) + " " + r.modelName + ", версия " + std::to_string(r.version));
    line("режим", r.privileged ? "привилегированный" : "непривилегированный");
    for (const auto& [k, v] : r.fields) line(k, std::to_string(v));
    if (!r.nonStandY.empty()) {
        std::string y;
        for (int v : r.nonStandY) y += (y.empty() ? "" : " ") + std::to_string(v);
        line("NonStandY", y);
    }
    const ModelRules rules = RulesFor(r.model, r.version);
    if (rules.hasSensor) line("тип датчика", r.sensor);
    if (r.hasRange)
        line(r.nonStandard ? "нестандартный диапазон" : "диапазон", r.rangeFrom + "…" + r.rangeTo + " °C");
    if (!r.setpointUnit.empty()) {
        line("уставка 1", r.setpoint1 + " " + r.setpointUnit);
        line("уставка 2", r.setpoint2 + " " + r.setpointUnit);
    }
    for (const auto& [k, v] : r.measurement) line(k, std::to_string(v));
    line("состояние", Bits(r.measurement[1].second, {7, 6, 5}) + " " + Bits(r.measurement[1].second, {1, 0}));
    line("результат", r.value + " " + r.valueUnit + ", " + r.percent + " %");
    if (rules.hasColdJunction) line("Тхс", r.coldJunctionFaulty ? "неисправен" : r.coldJunction + " °C");
    return s;
}

QJsonObject ToJson(const Reading& r) {
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
    if (!r.setpointUnit.empty()) {
        o["setpointUnit"] = q(r.setpointUnit);
        o["setpoint1"] = Number(r.setpoint1);
        o["setpoint2"] = Number(r.setpoint2);
    }
    for (const auto& [k, v] : r.measurement) o[q(k)] = v;
    AddListWords(r, o);
    o["percent"] = Number(r.percent);
    o["value"] = Number(r.value);
    o["valueUnit"] = q(r.valueUnit);
    if (rules.hasColdJunction) o["coldJunction"] = r.coldJunctionFaulty ? QJsonValue() : Number(r.coldJunction);
    o["raw"] = q(r.raw);
    return o;
}

}  // namespace tservice::cli
