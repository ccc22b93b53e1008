#include "BlockEdit.h"

#include <cmath>

#include "Convert.h"
#include "Describe.h"
#include "Entry.h"
#include "Models.h"
#include "Number.h"
#include "Ranges.h"
#include "Rules.h"

namespace tservice {

namespace {

EditOutcome Refused(std::string why, bool entryError = false) {
    EditOutcome e;
    e.refusal = std::move(why);
    e.entryError = entryError;
    return e;
}

// The field as the model table has it for this transmitter; null when its
// model or version has no such field.
const FieldSpec* SpecOf(const std::vector<FieldSpec>& fields, const std::string& name) {
    for (const FieldSpec& f : fields)
        if (name == f.name) return &f;
    return nullptr;
}

// Why field may not be changed on this transmitter; empty when it may.
std::string Closed(const DeviceImage& im, const FieldSpec* known) {
    if (known == nullptr) return "нет у этой модели или версии";
    if (known->privileged && im.NePriv != 0) return "прибор в непривилегированном режиме";
    return {};
}

// Stores value in field name after the model table's checks; Izmen on a change.
EditOutcome Store(DeviceImage& im, const std::string& name, int value) {
    const ModelRules rules = RulesFor(im.Tip, im.Ver);
    const std::vector<FieldSpec> fields = FieldsOf(rules);
    const FieldSpec* known = SpecOf(fields, name);
    if (std::string why = Closed(im, known); !why.empty()) return Refused(why);
    const Bounds b = BoundsOf(name, rules);
    if (b.lo <= b.hi && (value < b.lo || value > b.hi))
        return Refused("допустимо " + std::to_string(b.lo) + "…" + std::to_string(b.hi));
    EditOutcome e;
    if (known->get(im, 0) == value) return e;
    known->put(im, 0, value);
    im.Izmen = 1;
    e.changed.push_back(name);
    return e;
}

RangeTableRef SensorRanges(const DeviceImage& im) { return RangeTable(RangeTableIndex(im.Tip, im.GetTipD())); }

// Diap and the limits of standard range `range` (within the table).
EditOutcome TakeRange(DeviceImage& im, int range) {
    const RangeTableRef t = SensorRanges(im);
    EditOutcome e;
    if (range != im.GetDiap()) {
        if (std::string why = Closed(im, SpecOf(FieldsOf(RulesFor(im.Tip, im.Ver)), "Diap")); !why.empty())
            return Refused(why);
        im.PutDiap(range);
        im.Izmen = 1;
        e.changed.push_back("Diap");
    }
    im.DiapStand = range;
    im.TMin = t.table[range].lo;
    im.TMax = t.table[range].hi;
    return e;
}

}  // namespace

EditOutcome EditSensor(DeviceImage& im, int index) {
    const ModelRules rules = RulesFor(im.Tip, im.Ver);
    if (std::string why = Closed(im, SpecOf(FieldsOf(rules), "TipD")); !why.empty()) return Refused(why);
    if (!SensorSelectable(im.Tip, index)) return Refused("нет такого типа датчика у этой модели");
    EditOutcome e;
    if (index == im.GetTipD()) return e;
    im.PutTipD(index);
    im.Izmen = 1;
    im.IzmenTipD = 1;
    e.changed.push_back("TipD");
    if (!rules.tev) return e;
    // The remembered range belonged to the old type: back to range 0 of this one.
    im.DiapStand = 0;
    if (im.GetDiap() != 0) e.changed.push_back("Diap");
    im.PutDiap(0);
    if (const RangeTableRef t = SensorRanges(im); t.table != nullptr) {
        im.TMin = t.table[0].lo;
        im.TMax = t.table[0].hi;
    }
    return e;
}

EditOutcome EditRange(DeviceImage& im, int range) {
    if (!IsTev(im.Tip)) return Refused("стандартные диапазоны есть только у ТЕВ-ТС и ТЕВ-ТП");
    const RangeTableRef t = SensorRanges(im);
    if (t.table == nullptr || range < 0 || range >= t.count) return Refused("не стандартный диапазон этого датчика");
    return TakeRange(im, range);
}

EditOutcome EditRangeLimits(DeviceImage& im, double lo, double hi) {
    if (!IsTev(im.Tip)) return Refused("стандартные диапазоны есть только у ТЕВ-ТС и ТЕВ-ТП");
    const RangeTableRef t = SensorRanges(im);
    int found = -1;
    for (int i = 0; i < t.count; ++i)
        if (t.table[i].lo == static_cast<float>(lo) && t.table[i].hi == static_cast<float>(hi)) found = i;
    if (found < 0) return Refused("не стандартный диапазон этого датчика");
    return TakeRange(im, found);
}

EditOutcome EditStandardRange(DeviceImage& im) {
    const RangeTableRef t = SensorRanges(im);
    if (!IsTev(im.Tip) || t.table == nullptr) return Refused("стандартные диапазоны есть только у ТЕВ-ТС и ТЕВ-ТП");
    const int range = im.DiapStand >= 0 && im.DiapStand < t.count ? im.DiapStand : 0;
    EditOutcome e = TakeRange(im, range);
    if (e.Ok()) im.Izmen = 1;  // leaving the non-standard range is an edit even when Diap stays
    return e;
}

EditOutcome EditNonStandard(DeviceImage& im, int lo, int hi, const std::array<int, 8>& codes) {
    const ModelRules rules = RulesFor(im.Tip, im.Ver);
    const auto& sensors = SensorTypes(im.Tip);
    const std::string sensor = SensorSelectable(im.Tip, im.GetTipD()) ? sensors[im.GetTipD()] : "";
    if (!rules.tev || !NonStandardAllowed(sensor, im.Ver)) return Refused("Недопустим нестандартный диапазон");
    if (std::string why = Closed(im, SpecOf(FieldsOf(rules), "NonStandMin")); !why.empty()) return Refused(why);
    const DeviceImage before = im;
    im.PutDiap(SensorRanges(im).count);
    im.PutNonStandMin(lo);
    im.PutNonStandMax(hi);
    for (int k = 0; k < 8; ++k) im.PutNonStandY(k, codes[k]);
    im.TMin = static_cast<float>(lo);
    im.TMax = static_cast<float>(hi);
    // The image now differs from the transmitter even when the range was read.
    im.Izmen = 1;
    EditOutcome e;
    const std::vector<FieldSpec> fields = FieldsOf(rules);
    for (const char* name : {"Diap", "NonStandMin", "NonStandMax", "NonStandY"}) {
        const FieldSpec* f = SpecOf(fields, name);
        for (int k = 0; k < f->count; ++k)
            if (f->get(before, k) != f->get(im, k)) {
                e.changed.push_back(name);
                break;
            }
    }
    return e;
}

EditOutcome EditChoice(DeviceImage& im, const std::string& field, int index) {
    const int items = static_cast<int>(ListItems(field).size());
    if (items == 0) return Refused("нет такого поля");
    if (index < 0 || index >= items) return Refused("нет такого пункта");
    return Store(im, field, field == "Connect" ? index + 1 : index);
}

EditOutcome EditCorrection(DeviceImage& im, bool scaleEnd, int code) {
    return Store(im, scaleEnd ? "CurrentEnd" : "Current", code);
}

EditOutcome EditCalibration(DeviceImage& im, const std::string& field, int code) {
    if (field != "KBegSk" && field != "KEndSk" && field != "BegSkTxc" && field != "EndSkTxc")
        return Refused("не калибровка");
    return Store(im, field, code);
}

EditOutcome EditAddress(DeviceImage& im, int index) {
    EditOutcome e = Store(im, "Nu", index);
    // Another number is an edit even when the block already holds it.
    if (e.Ok()) im.Izmen = 1;
    return e;
}

EditOutcome EditSetpoint(DeviceImage& im, int which, const std::string& text) {
    const ModelRules rules = RulesFor(im.Tip, im.Ver);
    if (!rules.hasAlarm) return Refused("нет уставок у этой модели");
    if (text == SetpointText(im, which)) return {};
    const int kind = rules.tev ? kEntryTemp : kEntryPercent;
    if (JudgeEntryText(text, kind, im.TMin, im.TMax) != 0) {
        const std::string bounds =
            rules.tev ? LimitText(im.TMin) + "…" + LimitText(im.TMax) + " °C" : std::string("0…100 %");
        return Refused("ошибка ввода \"" + text + "\" (" + bounds + ")", true);
    }
    const double v = ReadNumber(text, kCommaNumber).value_or(0.0);
    const int code = rules.tev ? TevTempToCode(v, im.TMin, im.TMax) : LadrPercentToCode(v);
    return Store(im, which == 1 ? "UstKod1" : "UstKod2", code);
}

EditOutcome EditKTxc(DeviceImage& im, const std::string& text) {
    if (!RulesFor(im.Tip, im.Ver).hasColdJunction) return Refused("нет у этой модели или версии");
    if (im.IzmenTipD != 0) return Refused("Был изменен тип датчика,\nпроизведите запись в прибор");
    if (text == std::to_string(im.GetKTxc())) return {};
    const std::optional<int> v = ReadWhole(text, 0, kMaxKTxc);
    if (JudgeEntryText(text, kEntryCoef, im.TMin, im.TMax) != 0 || !v)
        return Refused("ожидается целое число от 0 до " + std::to_string(kMaxKTxc), true);
    return Store(im, "KTxc", *v);
}

}  // namespace tservice
