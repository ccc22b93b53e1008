#include "Report.h"

#include "Models.h"

namespace tservice::cli {

namespace {

std::string Bits(int value, std::initializer_list<int> bits) {
    std::string s;
    for (int b : bits) s += ((value >> b) & 1) ? '1' : '0';
    return s;
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

}  // namespace tservice::cli
