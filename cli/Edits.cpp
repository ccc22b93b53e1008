#include "Edits.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "Convert.h"
#include "Entry.h"
#include "Protocol.h"
#include "Models.h"
#include "Ranges.h"

namespace tservice::cli {

namespace {

// Application order; setpoints last so they are judged in the final range.
const std::array<const char*, 13> kOrder{"sensor",        "range",       "connect",  "alarm",    "contact",
                                         "break",         "current-start", "current-end", "ktxc",
                                         "setpoint1",     "setpoint2",   "address",  ""};

ModelRules Rules(const DeviceImage& im) { return RulesFor(im.Tip, im.Ver); }

struct Refusal {
    std::string text;
};

void Need(bool ok, const std::string& text) {
    if (!ok) throw Refusal{text};
}

int WholeNumber(const std::string& field, const std::string& v, int lo, int hi) {
    double d = 0;
    Need(ParseCommaNumber(DecimalComma(v), d) && d == static_cast<int>(d) && d >= lo && d <= hi,
         field + ": ожидается целое число от " + std::to_string(lo) + " до " + std::to_string(hi));
    return static_cast<int>(d);
}

int Pick(const std::string& field, const std::string& v) {
    const auto& items = ListWords(field);
    std::string list;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (v == items[i]) return static_cast<int>(i);
        list += (list.empty() ? "" : "|") + items[i];
    }
    throw Refusal{field + ": допустимо " + list};
}

void Privileged(const DeviceImage& im, const std::string& field) {
    Need(im.NePriv == 0, field + ": прибор в непривилегированном режиме");
}

void SetSensor(DeviceImage& im, const std::string& v) {
    Need(Rules(im).hasSensor, "sensor: у ОСКИ нет выбора датчика");
    Privileged(im, "sensor");
    const auto& list = SensorTypes(im.Tip);
    const auto it = std::find(list.begin(), list.end(), v);
    Need(it != list.end(), "sensor: нет такого типа датчика у этой модели: \"" + v + "\"");
    const int index = static_cast<int>(it - list.begin());
    if (index == im.GetTipD()) return;
    im.PutTipD(index);
    im.IzmenTipD = 1;
    if (!IsTev(im.Tip)) return;
    const RangeTableRef t = RangeTable(RangeTableIndex(im.Tip, index));
    im.PutDiap(0);
    if (t.table) {
        im.TMin = t.table[0].lo;
        im.TMax = t.table[0].hi;
    }
}

void SetRange(DeviceImage& im, const std::string& v) {
    Need(IsTev(im.Tip), "range: стандартные диапазоны есть только у ТЕВ-ТС и ТЕВ-ТП");
    Privileged(im, "range");
    const auto dots = v.find("..");
    Need(dots != std::string::npos, "range: ожидается НИЖНИЙ..ВЕРХНИЙ, например -50..150");
    double lo = 0, hi = 0;
    Need(ParseCommaNumber(DecimalComma(v.substr(0, dots)), lo) && ParseCommaNumber(DecimalComma(v.substr(dots + 2)), hi),
         "range: пределы должны быть числами");
    const RangeTableRef t = RangeTable(RangeTableIndex(im.Tip, im.GetTipD()));
    int found = -1;
    for (int i = 0; i < t.count; ++i)
        if (t.table[i].lo == static_cast<float>(lo) && t.table[i].hi == static_cast<float>(hi)) found = i;
    Need(found >= 0, "range: " + v + " не стандартный диапазон этого датчика");
    im.PutDiap(found);
    im.TMin = t.table[found].lo;
    im.TMax = t.table[found].hi;
    im.DiapStand = found;
}

void SetSetpoint(DeviceImage& im, int which, const std::string& typed) {
    const std::string v = DecimalComma(typed);
    const std::string field = "setpoint" + std::to_string(which);
    const ModelRules rules = Rules(im);
    Need(rules.hasAlarm, field + ": у ОСКИ нет уставок");
    const int kind = rules.tev ? 1 : 2;
    Need(JudgeEntryText(v, kind, im.TMin, im.TMax) == 0,
         field + ": ошибка ввода \"" + typed + "\" (" +
             (kind == 2 ? std::string("0…100 %") : LimitText(im.TMin) + "…" + LimitText(im.TMax) + " °C") + ")");
    double value = 0;
    ParseCommaNumber(v, value);
    const int code = kind == 2 ? LadrPercentToCode(value) : TevTempToCode(value, im.TMin, im.TMax);
    if (which == 1) im.PutUstKod1(code); else im.PutUstKod2(code);
}

void ApplyOne(DeviceImage& im, const std::string& field, const std::string& v, EditResult& r) {
    if (field == "sensor") SetSensor(im, v);
    else if (field == "range") SetRange(im, v);
    else if (field == "alarm") {
        Need(Rules(im).hasAlarm, "alarm: у ОСКИ нет сигнализации");
        im.PutTipSign(Pick(field, v));
    } else if (field == "contact") {
        Need(Rules(im).hasContact, "contact: нет у этой модели или версии");
        im.PutTipK(Pick(field, v));
    } else if (field == "break") {
        Need(Rules(im).hasBreak, "break: нет у версии 1");
        im.PutBreak(Pick(field, v));
    } else if (field == "connect") {
        Need(Rules(im).hasConnect, "connect: только у ТЕВ-ТС с версии 3");
        Privileged(im, field);
        im.PutConnect(Pick(field, v) + 1);
    } else if (field == "ktxc") {
        Need(Rules(im).hasColdJunction, "ktxc: только у ТЕВ-ТП");
        Need(im.IzmenTipD == 0, "Был изменен тип датчика,\nпроизведите запись в прибор");
        Need(JudgeEntryText(v, 3, im.TMin, im.TMax) == 0 && v.find_first_of(",.") == std::string::npos,
             "ktxc: ожидается целое число от 0 до " + std::to_string(kMaxKTxc));
        im.PutKTxc(WholeNumber(field, v, 0, kMaxKTxc));
    } else if (field == "current-start") {
        Need(Rules(im).hasCurrent, "current-start: нет у версии 1");
        Privileged(im, field);
        im.PutCurrent(WholeNumber(field, v, 0, 15));
    } else if (field == "current-end") {
        Need(Rules(im).hasCurrentEnd, "current-end: только с версии 4");
        Privileged(im, field);
        im.PutCurrentEnd(WholeNumber(field, v, 0, 15));
    } else if (field == "setpoint1") SetSetpoint(im, 1, v);
    else if (field == "setpoint2") SetSetpoint(im, 2, v);
    else if (field == "address") {
        const int n = WholeNumber(field, v, 1, kLineSize);
        im.PutNu(n - 1);
        r.nuNew = n - 1;
    }
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
        if (!*f) continue;
        std::string line = std::string("  ") + f;
        line += std::string(line.size() < 16 ? 16 - line.size() : 1, ' ');
        const auto it = help.find(f);
        s += line + (it == help.end() ? "" : it->second) + "\n";
    }
    return s;
}

std::string EditableFields() {
    std::string s;
    for (const char* f : kOrder)
        if (*f) s += (s.empty() ? "" : ", ") + std::string(f);
    return s;
}

std::string DecimalComma(const std::string& text) {
    if (text.find(',') != std::string::npos) return text;
    std::string s = text;
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

std::string CheckEditNames(const std::vector<std::string>& edits) {
    std::set<std::string> seen;
    for (const auto& e : edits) {
        const std::string field = e.substr(0, e.find('='));
        if (std::find_if(kOrder.begin(), kOrder.end(), [&](const char* f) { return *f && field == f; }) == kOrder.end())
            return "неизвестное поле \"" + field + "\"; допустимы: " + EditableFields();
        if (!seen.insert(field).second) return "поле \"" + field + "\" указано дважды";
    }
    return {};
}

EditResult ApplyEdits(DeviceImage& image, const std::vector<std::string>& edits) {
    EditResult r;
    r.error = CheckEditNames(edits);
    if (!r.error.empty()) return r;
    std::map<std::string, std::string> wanted;
    for (const auto& e : edits) {
        const auto eq = e.find('=');
        wanted[e.substr(0, eq)] = eq == std::string::npos ? "" : e.substr(eq + 1);
    }
    DeviceImage copy = image;
    copy.Trace = nullptr;
    try {
        for (const char* f : kOrder) {
            if (!*f || !wanted.count(f)) continue;
            ApplyOne(copy, f, wanted[f], r);
        }
    } catch (const Refusal& refusal) {
        r.error = refusal.text;
        r.nuNew = -1;
        return r;
    }
    copy.Trace = image.Trace;
    image = copy;
    if (r.nuNew >= 0) image.Izmen = 1;
    r.ok = true;
    return r;
}

}  // namespace tservice::cli
