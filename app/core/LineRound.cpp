#include "LineRound.h"

#include "Describe.h"
#include "LineDecode.h"
#include "Models.h"
#include "Rules.h"
#include "Workflow.h"

namespace tservice {

int ReadAccepted(TComPortClass& link, LineDevice& d) {
    d.read = false;
    d.refusal.clear();
    int index = d.number - 1;
    const ReadOutcome r = ReadTransmitter(link, d.image, index);
    const ReadJudgement judged = JudgeReading(r, d.image, index);
    if (judged.verdict == ReadVerdict::LinkFailed) return judged.code;
    if (!judged.Accepted()) {
        d.image.Vvod = 0;
        d.refusal = judged.box.text.substr(0, judged.box.text.find('\n'));
        return 0;
    }
    ApplyRangeLimits(d.image);
    d.image.Vvod = 1;
    d.read = true;
    return 0;
}

namespace {


std::string WithUnit(const std::string& value, const std::string& unit) {
    if (value.empty() || unit.empty()) return value;
    return value + " " + unit;
}

}  // namespace

LineRound::LineRound(const std::vector<FoundDevice>& found, std::function<std::int64_t()> timeOfDay)
    : timeOfDay_(std::move(timeOfDay)) {
    for (const FoundDevice& f : found) {
        LineDevice d;
        d.number = f.number;
        d.model = f.model;
        devices_.push_back(std::move(d));
    }
}

bool LineRound::LineFailure(int code) { return (code >= kOpenFailed && code <= 135) || code == kPortClosed; }

void LineRound::Reset() {
    for (LineDevice& d : devices_) {
        d.read = false;
        d.refusal.clear();
        d.image.Vvod = 0;
    }
    next_ = 0;
}

RoundStep LineRound::Step(TComPortClass& link) {
    RoundStep step;
    for (std::size_t tried = 0; tried < devices_.size(); ++tried) {
        const std::size_t i = next_;
        next_ = (next_ + 1) % devices_.size();
        if (next_ == 0) ++rounds_;
        if (!devices_[i].refusal.empty()) continue;
        step.device = static_cast<int>(i);
        break;
    }
    if (step.device < 0) return step;
    LineDevice& d = devices_[static_cast<std::size_t>(step.device)];
    Povt1Guard tries(link, kScanTries);
    step.full = !d.read;
    d.silent = true;  // until the exchange proves otherwise (also for a PortError)
    d.exception = false;
    step.code = step.full ? ReadAccepted(link, d) : ReadMeasurement(link, d.image, d.number - 1);
    d.lastCode = step.code;
    d.exception = step.code != 0 && link.LastException;
    d.silent = step.code != 0;
    if (step.code == 0 && timeOfDay_) d.lastGoodMs = timeOfDay_();
    return step;
}

bool LineRowAlarmed(const LineDevice& d) {
    if (!d.read) return false;
    const Reading r = Describe(d.image, d.number);
    return r.alarm || r.overflow;
}

const std::vector<std::string>& LineColumns() {
    static const std::vector<std::string> columns{
        "№",         "Прибор",    "Датчик",    "Диапазон", "Уставка 1", "Уставка 2",
        "Значение",  "Состояние", "Доступ",    "Связь",    "Последний ответ"};
    return columns;
}

std::vector<std::string> LineRowTexts(const LineDevice& d) {
    std::vector<std::string> row(LineColumns().size());
    row[0] = std::to_string(d.number);
    row[1] = ModelName(d.model);
    if (d.read) {
        const Reading r = Describe(d.image, d.number);
        row[1] = PanelText(d.image.Tip, d.image.Ver);
        row[2] = r.sensor;
        if (r.hasRange)
            row[3] = (r.nonStandard ? "нестанд. " : "") + r.rangeFrom + "…" + r.rangeTo + " °C";
        row[4] = WithUnit(r.setpoint1, r.setpointUnit);
        row[5] = WithUnit(r.setpoint2, r.setpointUnit);
        row[6] = WithUnit(r.value, r.valueUnit);
        row[7] = StateWords(r);
        row[8] = r.privileged ? "привилегированный" : "непривилегированный";
    }
    if (!d.refusal.empty())
        row[9] = d.refusal;
    else if (d.exception)
        row[9] = ExceptionText(d.lastCode);  // it answered, just not with data
    else if (d.silent)
        row[9] = "нет ответа";
    else if (d.lastGoodMs >= 0)
        row[9] = "есть";
    if (d.lastGoodMs >= 0) row[10] = TimeOfDayText(d.lastGoodMs).substr(0, 8);  // whole seconds
    return row;
}

std::string LineCsv(const std::vector<std::vector<std::string>>& rows) {
    auto field = [](const std::string& f) {
        if (f.find_first_of(";\"\r\n") == std::string::npos) return f;
        std::string q = "\"";
        for (char c : f) {
            if (c == '"') q += '"';
            q += c;
        }
        return q + "\"";
    };
    std::string out;
    auto line = [&](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? ";" : "") + field(cells[i]);
        out += "\r\n";
    };
    line(LineColumns());
    for (const auto& r : rows) line(r);
    return out;
}

}  // namespace tservice
