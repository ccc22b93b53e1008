#include "Describe.h"

#include <cmath>

#include "Convert.h"
#include "Models.h"
#include "Ranges.h"

namespace tservice {

namespace {

void AddParameterFields(const DeviceImage& im, Reading& r) {
    for (const FieldSpec& f : FieldsOf(RulesFor(im.Tip, im.Ver))) {
        if (f.count == 1) r.fields.emplace_back(f.name, f.get(im, 0));
        else
            for (int k = 0; k < f.count; ++k) r.nonStandY.push_back(f.get(im, k));
    }
}

void AddMeasurement(const DeviceImage& im, Reading& r) {
    const ModelRules rules = RulesFor(im.Tip, im.Ver);
    const int rez = im.GetRez();
    r.measurement = {{"Rez", rez}, {"Sost", im.GetSost()}, {"KodACP", im.GetKodACP()}};
    r.alarm = rules.hasAlarm && (im.GetSost() & kAlarmBits) != 0;
    r.overflow = (im.GetSost() & kOverflowBits) != 0;
    if (rules.tev) {
        r.percent = FormatFixed(TevCodeToPercent(rez), 5, 3);
        r.value = FormatFixed(im.ToTemp(rez), 5, 2);
        r.valueUnit = "°C";
    } else {
        r.percent = FormatFixed(LadrCodeToPercent(rez), 5, 3);
        r.value = FormatFixed(LadrCodeToMa(rez), 5, 3);
        r.valueUnit = "мА";
    }
    if (rules.hasColdJunction) {
        const int txc = im.GetTxc(), kodTxc = im.GetKodTxc();
        r.measurement.emplace_back("Txc", txc);
        r.measurement.emplace_back("KodTxc", kodTxc);
        r.coldJunctionFaulty = ColdJunctionFaulty(kodTxc, txc);
        if (!r.coldJunctionFaulty) r.coldJunction = FormatFixed(TxcToCelsius(txc), 5, 2);
    }
}

// Decimals that show a ТЕВ setpoint within one code step of its range.
int TevSetpointDecimals(float tMin, float tMax) {
    const double step = std::fabs(static_cast<double>(tMax) - tMin) / kTevScale;
    int decimals = 0;
    for (double shown = 1.0; decimals < 3 && shown > step; shown /= 10.0) ++decimals;
    return decimals;
}

}  // namespace

std::string SetpointText(const DeviceImage& im, int which) {
    const ModelRules rules = RulesFor(im.Tip, im.Ver);
    const int code = which == 1 ? im.GetUstKod1() : im.GetUstKod2();
    if (rules.tev) {
        const int decimals = TevSetpointDecimals(im.TMin, im.TMax);
        std::string text = FormatFixed(im.ToTemp(code), 5 + decimals, decimals);
        // Whole degrees read as before ("-20"); the decimals only where they say something.
        if (decimals > 0 && text.find('E') == std::string::npos) {
            text.erase(text.find_last_not_of('0') + 1);
            if (text.back() == ',') text.pop_back();
            if (text == "-0") text = "0";
        }
        return text;
    }
    return rules.hasAlarm ? FormatFixed(LadrCodeToPercent(code), 4, 2) : std::string();
}

std::string Hex(const std::uint8_t* data, int count) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (int i = 0; i < count; ++i) {
        s += digits[data[i] >> 4];
        s += digits[data[i] & 15];
    }
    return s;
}

bool ApplyRangeLimits(DeviceImage& image) {
    if (!RulesFor(image.Tip, image.Ver).tev) return false;
    const RangeTableRef t = RangeTable(RangeTableIndex(image.Tip, image.GetTipD()));
    const int diap = image.GetDiap();
    if (t.table && diap < t.count) {
        image.TMin = t.table[diap].lo;
        image.TMax = t.table[diap].hi;
        image.DiapStand = diap;
        return true;
    }
    if (!t.table) return false;
    image.TMin = static_cast<float>(image.GetNonStandMin());
    image.TMax = static_cast<float>(image.GetNonStandMax());
    image.DiapStand = 0;
    return true;
}

Reading Describe(const DeviceImage& im, int device) {
    Reading r;
    r.device = device;
    r.model = im.Tip;
    r.version = im.Ver;
    r.modelName = ModelName(im.Tip);
    r.panel = PanelText(im.Tip, im.Ver);
    r.privileged = im.NePriv == 0;
    AddParameterFields(im, r);
    const ModelRules rules = RulesFor(im.Tip, im.Ver);
    const auto& sensors = SensorTypes(im.Tip);
    if (rules.hasSensor && im.GetTipD() < static_cast<int>(sensors.size())) r.sensor = sensors[im.GetTipD()];
    if (rules.tev) {
        const RangeTableRef t = RangeTable(RangeTableIndex(im.Tip, im.GetTipD()));
        r.hasRange = t.table != nullptr;
        r.nonStandard = r.hasRange && im.GetDiap() >= t.count;
        if (r.hasRange) {
            r.rangeFrom = r.nonStandard ? std::to_string(im.GetNonStandMin()) : LimitText(im.TMin);
            r.rangeTo = r.nonStandard ? std::to_string(im.GetNonStandMax()) : LimitText(im.TMax);
        }
    }
    if (rules.hasAlarm) {
        r.setpointUnit = rules.setpointUnit;
        r.setpoint1 = SetpointText(im, 1);
        r.setpoint2 = SetpointText(im, 2);
    }
    AddMeasurement(im, r);
    r.raw = Hex(im.Baza.data() + 1, im.GetLen());
    return r;
}

std::vector<Change> Diff(const Reading& a, const Reading& b) {
    std::vector<Change> out;
    auto cmp = [&](const std::string& f, const std::string& x, const std::string& y) {
        if (x != y) out.push_back({f, x, y});
    };
    for (const auto& [k, v] : b.fields) {
        std::string before = "-";
        for (const auto& [k0, v0] : a.fields)
            if (k0 == k) before = std::to_string(v0);
        cmp(k, before, std::to_string(v));
    }
    for (std::size_t k = 0; k < b.nonStandY.size(); ++k)
        cmp("NonStandY[" + std::to_string(k) + "]", k < a.nonStandY.size() ? std::to_string(a.nonStandY[k]) : "-",
            std::to_string(b.nonStandY[k]));
    cmp("тип датчика", a.sensor, b.sensor);
    cmp("диапазон", a.rangeFrom + "…" + a.rangeTo, b.rangeFrom + "…" + b.rangeTo);
    cmp("уставка 1", a.setpoint1, b.setpoint1);
    cmp("уставка 2", a.setpoint2, b.setpoint2);
    return out;
}

std::string StateWords(const Reading& r) {
    if (r.alarm && r.overflow) return "Нарушение, переполнение";
    if (r.alarm) return "Нарушение";
    if (r.overflow) return "Переполнение";
    return "Норма";
}

std::string CountText(long long n, const char* one, const char* few, const char* many) {
    const long long tens = (n < 0 ? -n : n) % 100;
    const long long last = tens % 10;
    const char* form = many;
    if (tens < 11 || tens > 14) {
        if (last == 1) form = one;
        else if (last >= 2 && last <= 4) form = few;
    }
    return std::to_string(n) + " " + form;
}

}  // namespace tservice
