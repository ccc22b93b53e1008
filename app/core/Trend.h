#pragma once
// The measurement of one transmitter over time: one sample per successful
// reading, kept compactly, with the questions a chart and an export ask of it
// (visible points per pixel column, alarm and overflow intervals, range
// changes, CSV and JSON). No widgets.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include <QJsonObject>

#include "DeviceImage.h"

namespace tservice {

// One reading. Values are in the window's unit: °C for ТЕВ through the range
// in force (TMin..TMax), mA for ЛАДР and ОСКИ. NaN where a model has no such
// quantity (setpoints of an ОСКИ, the cold junction outside ТЕВ-ТП or when
// the transmitter reports it faulty, the range of ЛАДР and ОСКИ).
struct TrendSample {
    std::int64_t timeMs = 0;  // wall clock, ms since 1970-01-01 UTC
    float value = 0;
    float percent = 0;        // of scale
    float setpoint1 = 0, setpoint2 = 0;
    float cold = 0;           // ТЕВ-ТП cold junction, °C
    float tMin = 0, tMax = 0; // range in force, °C
    std::int16_t rez = 0;     // code units
    std::uint8_t sost = 0;
};

// The sample a complete reading gives; image must hold the reading with
// TMin/TMax of the range read. timeMs is stored as given.
TrendSample MakeTrendSample(const DeviceImage& image, std::int64_t timeMs);

// "°С" for ТЕВ, "мА" otherwise.
std::string TrendUnit(int model);

// The samples of one transmitter on one port, oldest first, times never
// decreasing. Older samples are dropped beyond kMaxSamples.
class TrendSeries {
public:
    static constexpr std::size_t kMaxSamples = 7 * 24 * 1200;  // a week of 3 s polling

    // Whether samples of this transmitter continue the series.
    bool Continues(int model, int device, const std::string& port) const;
    // Empties the series and gives it to another transmitter (device 1..32).
    void Start(int model, int device, const std::string& port);
    // Appends; a time earlier than the last one (wall clock set back) is
    // taken as the last one, so the times stay ordered for the searches.
    void Append(TrendSample sample);

    const std::deque<TrendSample>& Samples() const { return samples_; }
    bool Empty() const { return samples_.empty(); }
    int Model() const { return model_; }
    int Device() const { return device_; }
    const std::string& Port() const { return port_; }
    // Bytes held by the samples (what 24 h of polling costs).
    std::size_t MemoryBytes() const;

private:
    std::deque<TrendSample> samples_;
    int model_ = 0;
    int device_ = 0;
    std::string port_;
};

// A time span, ms; to >= from.
struct TrendSpan {
    std::int64_t from = 0, to = 0;
};

// Spans in which a bit of mask is set in Sost: from a sample with the bit to
// the next sample without it (the last sample when it stays set). Spans
// within [from, to] only; spans closer than gapMs are joined, so a flickering
// bit costs one span per pixel at most.
std::vector<TrendSpan> TrendIntervals(const std::deque<TrendSample>& samples, std::uint8_t mask,
                                      std::int64_t from, std::int64_t to, std::int64_t gapMs = 0);

// Indexes of the samples whose range differs from the sample before.
std::vector<std::size_t> TrendRangeChanges(const std::deque<TrendSample>& samples);

struct TrendPoint {
    std::int64_t timeMs;
    float value;
};

// The field's points for a chart of `columns` pixel columns over [from, to]:
// per column the lowest and the highest value in time order, plus the nearest
// sample outside each end so the line reaches the edges. NaN values are left
// out. At most 2 * columns + 2 points; columns < 1 counts as 1.
std::vector<TrendPoint> DecimateTrend(const std::deque<TrendSample>& samples, float TrendSample::*field,
                                      std::int64_t from, std::int64_t to, int columns);

// Index of the sample nearest in time to t; -1 for an empty series.
long NearestTrendSample(const std::deque<TrendSample>& samples, std::int64_t t);

// "2026-12-08T03:01:42.123Z".
std::string TrendTime(std::int64_t timeMs);

// Semicolons with decimal commas (a Russian spreadsheet) or commas with
// decimal points.
enum class CsvStyle { Semicolon, Comma };

// The series as CSV text: a header line, then one line per sample, "\n"
// line ends; columns per quantity in the window's formats; the cold junction
// only for ТЕВ-ТП, the range only for ТЕВ; an empty field for NaN.
std::string TrendCsv(const TrendSeries& series, CsvStyle style);

// One sample as a JSON object, numbers as numbers (null for NaN).
QJsonObject TrendJson(const TrendSample& s, int model, int device);

}  // namespace tservice
