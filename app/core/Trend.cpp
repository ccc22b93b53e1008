#include "Trend.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QDateTime>

#include "Convert.h"
#include "Models.h"

namespace tservice {

namespace {

constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

auto ByTime() {
    return [](const TrendSample& s, std::int64_t t) { return s.timeMs < t; };
}

// Decimals the window shows a value of this unit with.
int ValueDecimals(int model) { return IsTev(model) ? 2 : 3; }

double Rounded(float v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(static_cast<double>(v) * scale) / scale;
}

}  // namespace

TrendSample MakeTrendSample(const DeviceImage& image, std::int64_t timeMs) {
    TrendSample s;
    s.timeMs = timeMs;
    const int tip = image.Tip;
    const int rez = image.GetRez();
    s.rez = static_cast<std::int16_t>(rez);
    s.sost = static_cast<std::uint8_t>(image.GetSost());
    s.cold = s.tMin = s.tMax = kNone;
    if (IsTev(tip)) {
        s.value = image.ToTemp(rez);
        s.percent = static_cast<float>(TevCodeToPercent(rez));
        s.setpoint1 = image.ToTemp(image.GetUstKod1());
        s.setpoint2 = image.ToTemp(image.GetUstKod2());
        s.tMin = image.TMin;
        s.tMax = image.TMax;
    } else {
        s.value = static_cast<float>(LadrCodeToMa(rez));
        s.percent = static_cast<float>(LadrCodeToPercent(rez));
        const bool setpoints = RulesFor(tip, 0).hasAlarm;
        s.setpoint1 = setpoints ? static_cast<float>(LadrCodeToMa(image.GetUstKod1())) : kNone;
        s.setpoint2 = setpoints ? static_cast<float>(LadrCodeToMa(image.GetUstKod2())) : kNone;
    }
    if (RulesFor(tip, 0).hasColdJunction && !ColdJunctionFaulty(image.GetKodTxc(), image.GetTxc()))
        s.cold = static_cast<float>(TxcToCelsius(image.GetTxc()));
    return s;
}

std::string TrendUnit(int model) { return IsTev(model) ? "°С" : "мА"; }

bool TrendSeries::Continues(int model, int device, const std::string& port) const {
    return model == model_ && device == device_ && port == port_;
}

void TrendSeries::Start(int model, int device, const std::string& port) {
    samples_.clear();
    samples_.shrink_to_fit();
    model_ = model;
    device_ = device;
    port_ = port;
}

void TrendSeries::Append(TrendSample sample) {
    if (!samples_.empty()) sample.timeMs = std::max(sample.timeMs, samples_.back().timeMs);
    if (samples_.size() >= kMaxSamples) samples_.pop_front();
    samples_.push_back(sample);
}

std::size_t TrendSeries::MemoryBytes() const { return samples_.size() * sizeof(TrendSample); }

std::vector<TrendSpan> TrendIntervals(const std::deque<TrendSample>& samples, std::uint8_t mask,
                                      std::int64_t from, std::int64_t to, std::int64_t gapMs) {
    std::vector<TrendSpan> spans;
    auto it = std::lower_bound(samples.begin(), samples.end(), from, ByTime());
    if (it != samples.begin()) --it;  // a span may have begun before the window
    bool open = false;
    TrendSpan span;
    auto close = [&](std::int64_t end) {
        open = false;
        span.to = std::min(end, to);
        span.from = std::max(span.from, from);
        if (span.to < span.from) return;
        if (!spans.empty() && span.from - spans.back().to <= gapMs)
            spans.back().to = span.to;
        else
            spans.push_back(span);
    };
    for (; it != samples.end(); ++it) {
        const bool set = (it->sost & mask) != 0;
        if (set && !open) {
            if (it->timeMs > to) break;
            open = true;
            span.from = it->timeMs;
        } else if (!set && open) {
            close(it->timeMs);
            if (it->timeMs >= to) break;
        }
    }
    if (open) close(samples.back().timeMs);
    return spans;
}

std::vector<std::size_t> TrendRangeChanges(const std::deque<TrendSample>& samples) {
    std::vector<std::size_t> changes;
    auto same = [](float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); };
    for (std::size_t i = 1; i < samples.size(); ++i)
        if (!same(samples[i].tMin, samples[i - 1].tMin) || !same(samples[i].tMax, samples[i - 1].tMax))
            changes.push_back(i);
    return changes;
}

std::vector<TrendPoint> DecimateTrend(const std::deque<TrendSample>& samples, float TrendSample::*field,
                                      std::int64_t from, std::int64_t to, int columns) {
    std::vector<TrendPoint> out;
    columns = std::max(columns, 1);
    const auto lo = std::lower_bound(samples.begin(), samples.end(), from, ByTime());
    const auto hi = std::upper_bound(samples.begin(), samples.end(), to,
                                     [](std::int64_t t, const TrendSample& s) { return t < s.timeMs; });
    for (auto it = lo; it != samples.begin();) {
        --it;
        if (!std::isnan((*it).*field)) {
            out.push_back({it->timeMs, (*it).*field});
            break;
        }
    }
    const double perMs = static_cast<double>(columns) / static_cast<double>(std::max<std::int64_t>(to - from, 1));
    long column = -1;
    auto low = lo, high = lo;
    auto flush = [&] {
        if (column < 0) return;
        auto first = low < high ? low : high, second = low < high ? high : low;
        out.push_back({first->timeMs, (*first).*field});
        if (second != first) out.push_back({second->timeMs, (*second).*field});
    };
    for (auto it = lo; it != hi; ++it) {
        const float v = (*it).*field;
        if (std::isnan(v)) continue;
        const long c = std::min<long>(static_cast<long>((it->timeMs - from) * perMs), columns - 1);
        if (c != column) {
            flush();
            column = c;
            low = high = it;
        } else if (v < (*low).*field) {
            low = it;
        } else if (v > (*high).*field) {
            high = it;
        }
    }
    flush();
    for (auto it = hi; it != samples.end(); ++it)
        if (!std::isnan((*it).*field)) {
            out.push_back({it->timeMs, (*it).*field});
            break;
        }
    return out;
}

long NearestTrendSample(const std::deque<TrendSample>& samples, std::int64_t t) {
    if (samples.empty()) return -1;
    const auto it = std::lower_bound(samples.begin(), samples.end(), t, ByTime());
    if (it == samples.end()) return static_cast<long>(samples.size()) - 1;
    if (it == samples.begin()) return 0;
    const auto before = std::prev(it);
    return static_cast<long>((t - before->timeMs <= it->timeMs - t ? before : it) - samples.begin());
}

std::string TrendTime(std::int64_t timeMs) {
    return QDateTime::fromMSecsSinceEpoch(timeMs, Qt::UTC).toString(Qt::ISODateWithMs).toStdString();
}

std::string TrendCsv(const TrendSeries& series, CsvStyle style) {
    const char sep = style == CsvStyle::Semicolon ? ';' : ',';
    const int model = series.Model();
    const std::string unit = " (" + TrendUnit(model) + ")";
    const ModelRules rules = RulesFor(model, 0);
    const bool setpoints = rules.hasAlarm, cold = rules.hasColdJunction, range = rules.tev;
    auto number = [&](float v, int decimals) {
        if (std::isnan(v)) return std::string();
        std::string text = FormatFixed(v, 5, decimals);
        if (style == CsvStyle::Comma) std::replace(text.begin(), text.end(), ',', '.');
        return text;
    };
    std::string csv = "Время" + std::string(1, sep) + "Код" + sep + "Значение" + unit + sep + "Шкала (%)";
    if (setpoints) csv += sep + std::string("Уставка 1") + unit + sep + "Уставка 2" + unit;
    csv += sep + std::string("Состояние") + sep + "Нарушение" + sep + "Переполнение";
    if (cold) csv += sep + std::string("Тхс (°С)");
    if (range) csv += sep + std::string("Начало диапазона (°С)") + sep + "Конец диапазона (°С)";
    csv += '\n';
    const int d = ValueDecimals(model);
    for (const TrendSample& s : series.Samples()) {
        csv += TrendTime(s.timeMs) + sep + std::to_string(s.rez) + sep + number(s.value, d) + sep + number(s.percent, 3);
        if (setpoints) csv += sep + number(s.setpoint1, d) + sep + number(s.setpoint2, d);
        csv += sep + std::to_string(s.sost) + sep + ((s.sost & kAlarmBits) ? '1' : '0') + sep +
               ((s.sost & kOverflowBits) ? '1' : '0');
        if (cold) csv += sep + number(s.cold, 2);
        if (range) csv += sep + number(s.tMin, 2) + sep + number(s.tMax, 2);
        csv += '\n';
    }
    return csv;
}

QJsonObject TrendJson(const TrendSample& s, int model, int device) {
    auto num = [](float v, int decimals) { return std::isnan(v) ? QJsonValue() : QJsonValue(Rounded(v, decimals)); };
    const int d = ValueDecimals(model);
    QJsonObject o;
    o["time"] = QString::fromStdString(TrendTime(s.timeMs));
    o["device"] = device;
    o["model"] = model;
    o["Rez"] = s.rez;
    o["Sost"] = s.sost;
    o["value"] = num(s.value, d);
    o["valueUnit"] = IsTev(model) ? "°C" : "мА";
    o["percent"] = num(s.percent, 3);
    if (RulesFor(model, 0).hasAlarm) {
        o["setpoint1"] = num(s.setpoint1, d);
        o["setpoint2"] = num(s.setpoint2, d);
    }
    o["alarm"] = (s.sost & kAlarmBits) != 0;
    o["overflow"] = (s.sost & kOverflowBits) != 0;
    if (RulesFor(model, 0).hasColdJunction) o["coldJunction"] = num(s.cold, 2);
    if (IsTev(model)) {
        o["rangeFrom"] = num(s.tMin, 2);
        o["rangeTo"] = num(s.tMax, 2);
    }
    return o;
}

}  // namespace tservice
