#include "Edits.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "BlockEdit.h"
#include "Models.h"
#include "Number.h"
#include "Protocol.h"

namespace tservice::cli {

namespace {

// Application order; setpoints last so they are judged in the final range.
const std::array<const char*, 12> kOrder{"sensor", "range",     "connect",   "alarm",    "contact",
                                         "break",  "current-start", "current-end", "ktxc",
                                         "setpoint1", "setpoint2", "address"};

// The block field of a list word's field.
const std::map<std::string, std::string> kListFields{
    {"alarm", "TipSign"}, {"contact", "TipK"}, {"break", "Break"}, {"connect", "Connect"}};

struct Bounded {
    int lo, hi;
};
const std::map<std::string, Bounded> kWholeFields{
    {"current-start", {0, 15}}, {"current-end", {0, 15}}, {"ktxc", {0, kMaxKTxc}}, {"address", {1, kLineSize}}};

std::string Field(const std::string& edit) { return edit.substr(0, edit.find('=')); }
std::string Value(const std::string& edit) {
    const auto eq = edit.find('=');
    return eq == std::string::npos ? "" : edit.substr(eq + 1);
}

// A typed number in the window's comma form ("12.5" -> "12,5").
std::string CommaText(std::string text) {
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

int Pick(const std::string& field, const std::string& v) {
    const auto& words = ListWords(field);
    const auto it = std::find(words.begin(), words.end(), v);
    return it == words.end() ? -1 : static_cast<int>(it - words.begin());
}

std::string Choices(const std::string& field) {
    std::string list;
    for (const auto& w : ListWords(field)) list += (list.empty() ? "" : "|") + w;
    return list;
}

bool KnownSensor(const std::string& v) {
    for (int tip : {kLadr, kTevTs, kTevTp}) {
        const auto& list = SensorTypes(tip);
        const auto it = std::find(list.begin(), list.end(), v);
        if (it != list.end() && SensorSelectable(tip, static_cast<int>(it - list.begin()))) return true;
    }
    return false;
}

// "lo..hi" as two numbers; false when it is not.
bool RangeLimits(const std::string& v, double& lo, double& hi) {
    const auto dots = v.find("..");
    if (dots == std::string::npos) return false;
    const auto a = ReadNumber(v.substr(0, dots), kTypedNumber), b = ReadNumber(v.substr(dots + 2), kTypedNumber);
    if (!a || !b) return false;
    lo = *a;
    hi = *b;
    return true;
}

// Why the word of one field is wrong whatever the transmitter; empty if fine.
std::string CheckWord(const std::string& field, const std::string& v) {
    if (kListFields.count(field) && Pick(field, v) < 0) return field + ": допустимо " + Choices(field);
    if (field == "sensor" && !KnownSensor(v)) return "sensor: нет такого типа датчика: \"" + v + "\"";
    double lo = 0, hi = 0;
    if (field == "range" && !RangeLimits(v, lo, hi)) return "range: ожидается НИЖНИЙ..ВЕРХНИЙ, например -50..150";
    if ((field == "setpoint1" || field == "setpoint2") && !ReadNumber(v, kTypedNumber))
        return field + ": ошибка ввода \"" + v + "\": ожидается число";
    if (const auto w = kWholeFields.find(field); w != kWholeFields.end() && !ReadWhole(v, w->second.lo, w->second.hi, field != "ktxc"))
        return field + ": ожидается целое число от " + std::to_string(w->second.lo) + " до " +
               std::to_string(w->second.hi);
    return {};
}

// One checked word into the block; the refusal named by its field.
std::string ApplyOne(DeviceImage& im, const std::string& field, const std::string& v, EditResult& r) {
    EditOutcome e;
    if (field == "sensor") {
        const auto& list = SensorTypes(im.Tip);
        const auto it = std::find(list.begin(), list.end(), v);
        if (it == list.end()) return "sensor: нет такого типа датчика у этой модели: \"" + v + "\"";
        e = EditSensor(im, static_cast<int>(it - list.begin()));
    } else if (field == "range") {
        double lo = 0, hi = 0;
        RangeLimits(v, lo, hi);
        e = EditRangeLimits(im, lo, hi);
    } else if (const auto list = kListFields.find(field); list != kListFields.end()) {
        e = EditChoice(im, list->second, Pick(field, v));
    } else if (field == "current-start" || field == "current-end") {
        e = EditCorrection(im, field == "current-end", *ReadWhole(v, 0, 15, true));
    } else if (field == "ktxc") {
        e = EditKTxc(im, v);
    } else if (field == "setpoint1" || field == "setpoint2") {
        e = EditSetpoint(im, field == "setpoint1" ? 1 : 2, CommaText(v));
    } else if (field == "address") {
        r.nuNew = *ReadWhole(v, 1, 32, true) - 1;
        e = EditAddress(im, r.nuNew);
    }
    if (e.Ok()) return {};
    // An entry error quotes the value as typed, not in the window's comma form.
    if (const auto at = e.refusal.find("\"" + CommaText(v) + "\""); e.entryError && at != std::string::npos)
        e.refusal.replace(at + 1, v.size(), v);
    return field + ": " + e.refusal;
}

}  // namespace

std::string EditableFieldsHelp() {
    static const std::map<std::string, const char*> help{
        {"sensor", "тип датчика, текст из списка модели (Pt100, 100П, XK(L)...)"},
        {"range", "стандартный диапазон датчика НИЖНИЙ..ВЕРХНИЙ, °C, например -50..150"},
        {"connect", "схема подключения ТЕВ-ТС: 4 или 3 провода"},
        {"alarm", "тип сигнализации: LH, LL, HH"},
        {"contact", "тип контактов: нр, нз"},
        {"break", "выход при обрыве: min, max"},
        {"current-start", "коррекция тока в начале шкалы, код 0…15"},
        {"current-end", "коррекция тока в конце шкалы, код 0…15"},
        {"ktxc", "коэффициент канала холодного спая ТЕВ-ТП, 0…9999"},
        {"setpoint1", "уставка 1: °C в диапазоне (ТЕВ) или 0…100 % (ЛАДР)"},
        {"setpoint2", "уставка 2: °C в диапазоне (ТЕВ) или 0…100 % (ЛАДР)"},
        {"address", "новый номер устройства, 1…32"}};
    std::string s;
    for (const char* f : kOrder) {
        std::string line = std::string("  ") + f;
        line += std::string(line.size() < 16 ? 16 - line.size() : 1, ' ');
        const auto it = help.find(f);
        s += line + (it == help.end() ? "" : it->second) + "\n";
    }
    return s;
}

std::string EditableFields() {
    std::string s;
    for (const char* f : kOrder) s += (s.empty() ? "" : ", ") + std::string(f);
    return s;
}

std::string CheckEditWords(const std::vector<std::string>& edits) {
    std::set<std::string> seen;
    for (const auto& e : edits) {
        const std::string field = Field(e);
        if (std::find_if(kOrder.begin(), kOrder.end(), [&](const char* f) { return field == f; }) == kOrder.end())
            return "неизвестное поле \"" + field + "\"; допустимы: " + EditableFields();
        if (!seen.insert(field).second) return "поле \"" + field + "\" указано дважды";
        if (std::string why = CheckWord(field, Value(e)); !why.empty()) return why;
    }
    return {};
}

EditResult ApplyEdits(DeviceImage& image, const std::vector<std::string>& edits) {
    EditResult r;
    r.error = CheckEditWords(edits);
    if (!r.error.empty()) return r;
    std::map<std::string, std::string> wanted;
    for (const auto& e : edits) wanted[Field(e)] = Value(e);
    DeviceImage copy = image;
    copy.Trace = nullptr;
    for (const char* f : kOrder) {
        if (!wanted.count(f)) continue;
        r.error = ApplyOne(copy, f, wanted[f], r);
        if (!r.error.empty()) {
            r.nuNew = -1;
            return r;
        }
    }
    copy.Trace = image.Trace;
    image = copy;
    r.ok = true;
    return r;
}

}  // namespace tservice::cli
