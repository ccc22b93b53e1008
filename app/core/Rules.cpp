#include "Rules.h"

#include <algorithm>

#include "Models.h"
#include "Ranges.h"

namespace tservice {

namespace {

// Node codes of a fitted characteristic stay near the code scale 0..kTevScale.
constexpr int kNodeLo = -kTevScale;
constexpr int kNodeHi = 2 * kTevScale;

MsgBox Warn(std::string text, const char* help) {
    return MsgBox{std::move(text), "Предупреждение", MsgIcon::Warning, MsgButtons::Ok, MsgAnswer::Ok, help};
}

ReadJudgement Refused(ReadVerdict verdict, MsgBox box) {
    ReadJudgement j;
    j.verdict = verdict;
    j.box = std::move(box);
    return j;
}

std::string Device(int deviceIndex) { return "устройство " + std::to_string(deviceIndex + 1); }

std::string Refusal(const std::string& field, int value, const std::string& allowed) {
    return "поле " + field + " = " + std::to_string(value) + ": допустимо " + allowed + "\nЗапись отменена";
}

std::string Span(int lo, int hi) { return std::to_string(lo) + "…" + std::to_string(hi); }

// The range number: a standard one of the sensor's table, or exactly the
// non-standard mark where the sensor and version admit one.
std::string CheckDiap(const DeviceImage& next, const ModelRules& r) {
    const int diap = next.GetDiap();
    const RangeTableRef t = RangeTable(RangeTableIndex(r.tip, next.GetTipD()));
    const auto& sensors = SensorTypes(r.tip);
    const std::string sensor = next.GetTipD() < static_cast<int>(sensors.size()) ? sensors[next.GetTipD()] : "";
    const bool mark = r.nonStandardVersion && NonStandardAllowed(sensor, r.version);
    if (diap < t.count || (mark && diap == t.count)) return {};
    return Refusal("Diap", diap, Span(0, t.count - 1) + (mark ? " или " + std::to_string(t.count) : ""));
}

// The non-standard range: limits inside the sensor's table, at least its
// smallest span apart, node codes rising within the code scale.
std::string CheckNonStandard(const DeviceImage& next, const ModelRules& r) {
    const auto& sensors = SensorTypes(r.tip);
    const int tipD = next.GetTipD();
    const SensorData* s = tipD < static_cast<int>(sensors.size()) ? FindSensorData(sensors[tipD]) : nullptr;
    const int lo = next.GetNonStandMin(), hi = next.GetNonStandMax();
    if (s == nullptr || !r.nonStandardVersion)
        return Refusal("NonStandMin", lo, "только как считано: у датчика нет нестандартного диапазона");
    if (lo < s->tableLo || lo > s->tableHi)
        return Refusal("NonStandMin", lo, Span(static_cast<int>(s->tableLo), static_cast<int>(s->tableHi)) + " °C");
    if (hi > s->tableHi || hi - lo < s->minSpan)
        return Refusal("NonStandMax", hi,
                       Span(lo + static_cast<int>(s->minSpan), static_cast<int>(s->tableHi)) + " °C");
    for (int k = 0; k < 8; ++k) {
        const int y = next.GetNonStandY(k);
        const int floor = k == 0 ? kNodeLo : next.GetNonStandY(k - 1);
        if (y < floor || y > kNodeHi)
            return Refusal("NonStandY[" + std::to_string(k) + "]", y, "возрастающие коды " + Span(floor, kNodeHi));
    }
    return {};
}

bool SameBlock(const DeviceImage& a, const DeviceImage& b) {
    return std::equal(a.Baza.begin() + 1, a.Baza.begin() + 1 + a.GetLen(), b.Baza.begin() + 1);
}

}  // namespace

Bounds BoundsOf(const std::string& name, const ModelRules& r) {
    if (name == "TipSign") return {0, 2};
    if (name == "Break" || name == "TipK") return {0, 1};
    if (name == "Current" || name == "CurrentEnd") return {0, 15};
    if (name == "UstKod1" || name == "UstKod2") return {0, r.setpointScale};
    if (name == "TipD") return {0, static_cast<int>(SensorTypes(r.tip).size()) - 1};
    if (name == "Nu") return {0, kMaxDeviceIndex};
    if (name == "Connect") return {1, 2};
    if (name == "KTxc") return {0, kMaxKTxc};
    if (name == "KBegSk" || name == "KEndSk" || name == "BegSkTxc" || name == "EndSkTxc") return {-32768, 32767};
    return {1, 0};
}

MsgBox ReadRefusalBox(const ReadOutcome& outcome, int deviceIndex, int tip) {
    const std::string device = Device(deviceIndex);
    if (outcome.stage == ReadStage::BadLength)
        return Warn(device + " - неверная длина базы данных (" + std::to_string(outcome.count) +
                    " байт)\nДанные не считаны", "msg-read-length");
    if (outcome.stage == ReadStage::BadNumber)
        return Warn(device + " - неверный номер устройства в базе данных\nДанные не считаны", "msg-read-number");
    if (outcome.stage == ReadStage::OtherNumber)
        return Warn(device + " хранит номер " + std::to_string(outcome.storedIndex + 1) +
                    ": ответил не тот номер, что записан в его базе данных. Найдите устройство поиском по "
                    "линии («Список устройств») и задайте ему номер заново.\nДанные не считаны",
                    "msg-read-other-number");
    if (outcome.stage != ReadStage::Done) return {};
    if (tip == 0xFF) return Warn(device + " - не определен тип прибора\nДанные не считаны", "msg-read-model");
    if (!IsServedModel(tip)) return Warn(device + " - не ТЕВ, не ЛАДР и не ОСКИ\nДанные не считаны", "msg-read-model");
    return {};
}

ReadJudgement JudgeReading(const ReadOutcome& outcome, const DeviceImage& image, int deviceIndex) {
    switch (outcome.stage) {
    case ReadStage::IdentFailed:
    case ReadStage::BlockFailed:
    case ReadStage::MeasFailed: {
        ReadJudgement j;
        j.verdict = ReadVerdict::LinkFailed;
        j.code = outcome.code;
        return j;
    }
    case ReadStage::BadLength: return Refused(ReadVerdict::Length, ReadRefusalBox(outcome, deviceIndex, image.Tip));
    case ReadStage::BadNumber: return Refused(ReadVerdict::Number, ReadRefusalBox(outcome, deviceIndex, image.Tip));
    case ReadStage::OtherNumber:
        return Refused(ReadVerdict::OtherNumber, ReadRefusalBox(outcome, deviceIndex, image.Tip));
    case ReadStage::Done: break;
    }
    if (!IsServedModel(image.Tip))
        return Refused(ReadVerdict::Model, ReadRefusalBox(outcome, deviceIndex, image.Tip));
    const ModelRules rules = RulesFor(image.Tip, image.Ver);
    if (!rules.hasSensor) return {};
    const int tipD = image.GetTipD();
    if (tipD >= static_cast<int>(SensorTypes(image.Tip).size()))
        return Refused(ReadVerdict::Sensor, Warn(Device(deviceIndex) + " - неизвестный тип датчика (" +
                                                 std::to_string(tipD) + ")\nДанные не считаны", "msg-read-sensor"));
    if (rules.tev && RangeTable(RangeTableIndex(image.Tip, tipD)).table == nullptr)
        return Refused(ReadVerdict::Range, Warn(Device(deviceIndex) + " - нет диапазонов для типа датчика (" +
                                                std::to_string(tipD) + ")\nДанные не считаны", "msg-read-sensor"));
    return {};
}

ReadJudgement JudgeBlock(const DeviceImage& image, int deviceIndex) {
    ReadOutcome outcome;
    outcome.count = image.GetLen();
    if (outcome.count > kMaxParamLen) outcome.stage = ReadStage::BadLength;
    else if (outcome.count > 11 && image.GetNu() > kMaxDeviceIndex) outcome.stage = ReadStage::BadNumber;
    return JudgeReading(outcome, image, deviceIndex);
}

std::string CheckBlock(const DeviceImage& next, const DeviceImage& last) {
    if (next.Tip != last.Tip || next.Ver != last.Ver || next.GetLen() != last.GetLen())
        return "блок не для этого прибора (модель, версия или длина)\nЗапись отменена";
    const ModelRules rules = RulesFor(last.Tip, last.Ver);
    DeviceImage probe = last;  // the reading with every interpreted field of next
    probe.Trace = nullptr;
    bool nonStandChanged = false;
    for (const FieldSpec& f : FieldsOf(rules)) {
        for (int k = 0; k < f.count; ++k) {
            const int v = f.get(next, k);
            if (v == f.get(last, k)) continue;
            const std::string name = f.count > 1 ? std::string(f.name) + "[" + std::to_string(k) + "]" : f.name;
            if (f.privileged && last.NePriv)
                return "поле " + name + " меняется только в привилегированном режиме\nЗапись отменена";
            f.put(probe, k, v);
            const std::string field = f.name;
            if (field.rfind("NonStand", 0) == 0) {
                nonStandChanged = true;
                continue;
            }
            if (field == "Diap" && rules.tev) continue;  // judged with the sensor type below
            const Bounds b = BoundsOf(field, rules);
            if (b.lo > b.hi) return Refusal(name, v, "только как считано (" + std::to_string(f.get(last, k)) + ")");
            if (v < b.lo || v > b.hi) return Refusal(name, v, Span(b.lo, b.hi));
            if (field == "TipD" && !SensorSelectable(rules.tip, v))
                return Refusal(name, v, "тип датчика с названием из списка модели");
        }
    }
    if (!SameBlock(probe, next)) {
        for (int i = 1; i <= next.GetLen(); ++i)
            if (probe.Baza[i] != next.Baza[i])
                return "байт " + std::to_string(i - 1) + " блока = " + std::to_string(next.Baza[i]) +
                       ": не используется программой, допустимо только как считано (" +
                       std::to_string(last.Baza[i]) + ")\nЗапись отменена";
    }
    if (rules.tev && (next.GetDiap() != last.GetDiap() || next.GetTipD() != last.GetTipD())) {
        const std::string why = CheckDiap(next, rules);
        if (!why.empty()) return why;
    }
    if (nonStandChanged) return CheckNonStandard(next, rules);
    return {};
}

std::string BlockRefusalHelp(const std::string& refusal) {
    if (refusal.empty()) return {};
    if (refusal.rfind("блок не для", 0) == 0) return "msg-block-device";
    if (refusal.rfind("байт ", 0) == 0) return "msg-block-byte";
    if (refusal.find("привилегированном режиме") != std::string::npos) return "msg-block-privileged";
    return "msg-block-field";
}

}  // namespace tservice
