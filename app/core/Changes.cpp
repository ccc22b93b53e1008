#include "Changes.h"

#include <map>

#include "Models.h"

namespace tservice {

namespace {

// Fields whose change is shown by their code (with its word).
bool CodeField(const std::string& field) { return FieldWord(field) != field && field != "NonStandY"; }

std::string CodeText(const std::string& field, const std::string& value) {
    return value == "-" ? value : FieldValueText(field, std::stoi(value));
}

bool Has(const std::vector<Change>& changes, const std::string& field) {
    for (const auto& c : changes)
        if (c.field == field) return true;
    return false;
}

}  // namespace

std::string FieldValueText(const std::string& field, int code) {
    if (field == "Nu") return std::to_string(code + 1);
    if (field == "Current" || field == "CurrentEnd") {
        return CorrectionText(code, field == "CurrentEnd");
    }
    const std::vector<std::string>& items = ListItems(field);
    const int index = field == "Connect" ? code - 1 : code;
    if (index >= 0 && index < static_cast<int>(items.size())) return items[index];
    return std::to_string(code);
}

std::vector<FieldChange> EngineeringChanges(const DeviceImage& before, const DeviceImage& after) {
    const Reading a = Describe(before, before.GetNu() + 1);
    const Reading b = Describe(after, after.GetNu() + 1);
    const std::vector<Change> diff = Diff(a, b);
    std::vector<FieldChange> out;
    for (const Change& c : diff) {
        FieldChange f{c.field, c.field, c.before, c.after};
        if (CodeField(c.field)) {
            // Shown by name or in °C/% below; the code alone says nothing more.
            if ((c.field == "TipD" && Has(diff, "тип датчика")) || (c.field == "Diap" && Has(diff, "диапазон")) ||
                (c.field == "UstKod1" && Has(diff, "уставка 1")) || (c.field == "UstKod2" && Has(diff, "уставка 2")))
                continue;
            f.label = FieldWord(c.field);
            f.hasCodes = c.before != "-";
            if (f.hasCodes) {
                f.codeBefore = std::stoi(c.before);
                f.codeAfter = std::stoi(c.after);
            }
            f.before = CodeText(c.field, c.before);
            f.after = CodeText(c.field, c.after);
        } else if (c.field == "диапазон") {
            f.before += " °C";
            f.after += " °C";
        } else if (c.field == "уставка 1" || c.field == "уставка 2") {
            f.before += " " + a.setpointUnit;
            f.after += " " + b.setpointUnit;
        }
        out.push_back(std::move(f));
    }
    return out;
}

std::vector<ParameterRow> ParameterRows(const Reading& r) {
    std::vector<ParameterRow> rows;
    for (const auto& [field, code] : r.fields)
        rows.push_back({FieldWord(field), FieldValueText(field, code), std::to_string(code), field});
    if (!r.sensor.empty()) rows.push_back({"тип датчика", r.sensor, "", ""});
    if (r.hasRange)
        rows.push_back(
            {r.nonStandard ? "нестандартный диапазон" : "диапазон", r.rangeFrom + "…" + r.rangeTo + " °C", "", ""});
    if (!r.setpointUnit.empty()) {
        rows.push_back({"уставка 1", r.setpoint1 + " " + r.setpointUnit, "", ""});
        rows.push_back({"уставка 2", r.setpoint2 + " " + r.setpointUnit, "", ""});
    }
    for (std::size_t k = 0; k < r.nonStandY.size(); ++k)
        rows.push_back({"точка Y" + std::to_string(k + 2), "", std::to_string(r.nonStandY[k]), "NonStandY"});
    return rows;
}

std::vector<CompareRow> CompareReadings(const Reading& device, const Reading& file) {
    const auto text = [](const ParameterRow& p) {
        if (p.value.empty()) return p.code;
        return p.code.empty() || p.code == p.value ? p.value : p.value + " (" + p.code + ")";
    };
    std::vector<CompareRow> rows;
    const std::vector<ParameterRow> fileRows = ParameterRows(file);
    // Each file row pairs with the first device row of its label; marked, not
    // erased, so the rows are not moved about once per parameter.
    std::vector<bool> paired(fileRows.size(), false);
    for (const ParameterRow& d : ParameterRows(device)) {
        CompareRow row{d.label, text(d), "", true};
        for (std::size_t i = 0; i < fileRows.size(); ++i) {
            if (paired[i] || fileRows[i].label != d.label) continue;
            row.file = text(fileRows[i]);
            paired[i] = true;
            break;
        }
        row.differs = row.device != row.file;
        rows.push_back(std::move(row));
    }
    for (std::size_t i = 0; i < fileRows.size(); ++i)
        if (!paired[i]) rows.push_back({fileRows[i].label, "", text(fileRows[i]), true});
    return rows;
}

std::string ChangeLine(const FieldChange& c) { return c.label + ": " + c.before + " → " + c.after; }

}  // namespace tservice
