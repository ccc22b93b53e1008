// The trend series on a scripted simulated transmitter: samples, conversion
// through a range change, alarm and overflow spans, CSV and JSON; decimation.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "Describe.h"
#include "Models.h"
#include "SimLinkFixture.h"
#include "Trend.h"
#include "Workflow.h"

namespace tservice {
namespace {

constexpr std::int64_t kT0 = 1'800'000'000'000;  // 2027-01-15T08:00:00Z

struct TrendFixture : SimLinkFixture {
    TrendFixture() {
        line.Find(2)->drift = 0;  // ТЕВ-ТС Pt100, range 17 (-50…100), setpoints at 1638 and 6552, LH
    }
    // One reading of device 2 with the value set to rez; the range as the window applies it.
    void Sample(int rez) {
        line.Find(2)->rez = rez;
        int nuCur = 1;
        ASSERT_EQ(ReadTransmitter(link, image, nuCur).stage, ReadStage::Done);
        ASSERT_TRUE(ApplyRangeLimits(image));
        series.Append(MakeTrendSample(image, kT0 + 3000 * static_cast<std::int64_t>(series.Samples().size())));
    }
    TrendSeries series;
};

TEST_F(TrendFixture, ValueCrossingASetpointThroughARangeChange) {
    series.Start(kTevTs, 2, "ttyS0");
    for (int rez : {4096, 6000, 7000, 7500, 6000}) Sample(rez);
    line.Find(2)->block[10] = 30;  // 0…100 °C from here on
    for (int rez : {4096, 9000}) Sample(rez);

    const auto& s = series.Samples();
    ASSERT_EQ(s.size(), 7u);
    struct Want {
        int rez, sost;
        float value, setpoint1;
    };
    const Want want[] = {
        {4096, 0, -50 + 150.0f * 4096 / 8191, -50 + 150.0f * 1638 / 8191},
        {7000, 2, -50 + 150.0f * 7000 / 8191, -50 + 150.0f * 1638 / 8191},
        {4096, 0, 100.0f * 4096 / 8191, 100.0f * 1638 / 8191},
        {9000, 0x42, 100.0f * 9000 / 8191, 100.0f * 1638 / 8191},  // above the scale: overflow too
    };
    const std::size_t at[] = {0, 2, 5, 6};
    for (std::size_t k = 0; k < 4; ++k) {
        const TrendSample& x = s[at[k]];
        EXPECT_EQ(x.rez, want[k].rez) << k;
        EXPECT_EQ(x.sost, want[k].sost) << k;
        EXPECT_NEAR(x.value, want[k].value, 1e-3) << k;
        EXPECT_NEAR(x.setpoint1, want[k].setpoint1, 1e-3) << k;
        EXPECT_TRUE(std::isnan(x.cold)) << k;
    }
    EXPECT_EQ(TrendRangeChanges(s), std::vector<std::size_t>{5});

    const auto alarm = TrendIntervals(s, kAlarmBits, kT0, kT0 + 60000);
    ASSERT_EQ(alarm.size(), 2u);
    EXPECT_EQ(alarm[0].from, kT0 + 6000);   // 7000 crosses setpoint 2 (6552)
    EXPECT_EQ(alarm[0].to, kT0 + 12000);    // back to 6000
    EXPECT_EQ(alarm[1].from, kT0 + 18000);  // still set at the last sample
    EXPECT_EQ(alarm[1].to, kT0 + 18000);
    const auto overflow = TrendIntervals(s, kOverflowBits, kT0, kT0 + 60000);
    ASSERT_EQ(overflow.size(), 1u);
    EXPECT_EQ(overflow[0].from, kT0 + 18000);

    const std::string semi = TrendCsv(series, CsvStyle::Semicolon);
    const std::string comma = TrendCsv(series, CsvStyle::Comma);
    const char* header = "Время;Код;Значение (°С);Шкала (%);Уставка 1 (°С);Уставка 2 (°С);Состояние;Нарушение;"
                         "Переполнение;Начало диапазона (°С);Конец диапазона (°С)\n";
    EXPECT_EQ(semi.substr(0, semi.find('\n') + 1), header);
    EXPECT_NE(semi.find("\n2027-01-15T08:00:06.000Z;7000;78,19;85,460;-20,00;69,99;2;1;0;-50,00;100,00\n"),
              std::string::npos) << semi;
    EXPECT_NE(comma.find("\n2027-01-15T08:00:18.000Z,9000,109.88,109.880,20.00,79.99,66,1,1,0.00,100.00\n"),
              std::string::npos) << comma;
    EXPECT_EQ(std::count(semi.begin(), semi.end(), '\n'), 8);

    const QJsonObject json = TrendJson(s[6], kTevTs, 2);
    EXPECT_TRUE(json["value"].isDouble());
    EXPECT_DOUBLE_EQ(json["value"].toDouble(), 109.88);
    EXPECT_EQ(json["Rez"].toInt(), 9000);
    EXPECT_TRUE(json["alarm"].toBool());
    EXPECT_TRUE(json["overflow"].toBool());
    EXPECT_FALSE(json.contains("coldJunction"));
    EXPECT_EQ(json["time"].toString(), "2027-01-15T08:00:18.000Z");
}

TEST_F(TrendFixture, ColdJunctionAndLadrUnits) {
    line.Find(3)->drift = 0;
    line.Find(3)->txc = -0x8000;  // faulty
    int nuCur = 2;
    ASSERT_EQ(ReadTransmitter(link, image, nuCur).stage, ReadStage::Done);
    EXPECT_TRUE(std::isnan(MakeTrendSample(image, 0).cold));
    EXPECT_TRUE(TrendJson(MakeTrendSample(image, 0), kTevTp, 3)["coldJunction"].isNull());
    line.Find(3)->txc = 4096;
    ASSERT_EQ(ReadTransmitter(link, image, nuCur).stage, ReadStage::Done);
    EXPECT_NEAR(MakeTrendSample(image, 0).cold, 50.006f, 1e-3);

    nuCur = 0;  // ЛАДР: mA, setpoints in mA
    line.Find(1)->drift = 0;
    line.Find(1)->rez = 8191;
    ASSERT_EQ(ReadTransmitter(link, image, nuCur).stage, ReadStage::Done);
    const TrendSample l = MakeTrendSample(image, 0);
    EXPECT_NEAR(l.value, 12.0f, 1e-3);
    EXPECT_NEAR(l.setpoint1, 4 + 16.0f * 3276 / 16383, 1e-3);
    EXPECT_TRUE(std::isnan(l.tMin));
}

// Samples 1 s apart with the given Sost alarm bit per character.
std::deque<TrendSample> Pattern(const char* bits) {
    std::deque<TrendSample> s;
    for (int i = 0; bits[i]; ++i) s.push_back({i * 1000, float(i), 0, 0, 0, 0, 0, 0, 0, std::uint8_t(bits[i] - '0')});
    return s;
}

TEST(TrendIntervals, ClippedToTheWindowAndJoinedBelowTheGap) {
    struct Case {
        const char* bits;
        std::int64_t from, to, gap;
        std::vector<std::pair<std::int64_t, std::int64_t>> spans;
    };
    const Case kCases[] = {
        {"0110010", 0, 6000, 0, {{1000, 3000}, {5000, 6000}}},
        {"0110010", 0, 6000, 2000, {{1000, 6000}}},
        {"1110000", 2000, 6000, 0, {{2000, 3000}}},  // begun before the window
        {"0000111", 0, 3500, 0, {}},
        {"0000111", 0, 5000, 0, {{4000, 5000}}},
        {"", 0, 5000, 0, {}},
    };
    for (const Case& c : kCases) {
        std::vector<std::pair<std::int64_t, std::int64_t>> got;
        for (const TrendSpan& s : TrendIntervals(Pattern(c.bits), 1, c.from, c.to, c.gap)) got.emplace_back(s.from, s.to);
        EXPECT_EQ(got, c.spans) << c.bits << " " << c.from << ".." << c.to << " gap " << c.gap;
    }
}

TEST(DecimateTrend, KeepsEveryColumnsExtremesAndTheEdges) {
    struct Case {
        int n;
        std::int64_t from, to;
        int columns;
    };
    const Case kCases[] = {{28800, 0, 28'799'000, 1000}, {500, 100'000, 300'000, 37}, {50, 0, 49'000, 400}, {1, 0, 0, 0}};
    for (const Case& c : kCases) {
        std::deque<TrendSample> s;
        for (int i = 0; i < c.n; ++i) {
            TrendSample x;
            x.timeMs = i * 1000;
            x.value = i % 97 == 5 ? std::numeric_limits<float>::quiet_NaN() : float(std::sin(i * 0.37) * 100);
            s.push_back(x);
        }
        const auto p = DecimateTrend(s, &TrendSample::value, c.from, c.to, c.columns);
        EXPECT_LE(p.size(), 2u * std::max(c.columns, 1) + 2) << c.n;
        for (std::size_t k = 1; k < p.size(); ++k) EXPECT_LE(p[k - 1].timeMs, p[k].timeMs) << c.n;
        for (const TrendPoint& x : p) EXPECT_FALSE(std::isnan(x.value));
        // Every column's lowest and highest value is among the points.
        const int cols = std::max(c.columns, 1);
        std::vector<float> lo(cols, HUGE_VALF), hi(cols, -HUGE_VALF);
        for (const TrendSample& x : s) {
            if (x.timeMs < c.from || x.timeMs > c.to || std::isnan(x.value)) continue;
            const int col = std::min<int>(int((x.timeMs - c.from) * cols / std::max<std::int64_t>(c.to - c.from, 1)), cols - 1);
            lo[col] = std::min(lo[col], x.value);
            hi[col] = std::max(hi[col], x.value);
        }
        auto has = [&](float v) { return std::any_of(p.begin(), p.end(), [v](const TrendPoint& x) { return x.value == v; }); };
        for (int col = 0; col < cols; ++col)
            if (lo[col] <= hi[col]) {
                EXPECT_TRUE(has(lo[col]) && has(hi[col])) << c.n << " column " << col;
            }
        if (c.from > 0) {
            EXPECT_LT(p.front().timeMs, c.from) << c.n;
        }
        if (c.to < s.back().timeMs) {
            EXPECT_GT(p.back().timeMs, c.to) << c.n;
        }
    }
}

TEST(TrendSeries, OrderedTimesNearestSampleAndTheCap) {
    TrendSeries series;
    series.Start(kLadr, 1, "COM1");
    for (std::int64_t t : {1000, 4000, 3000, 9000}) series.Append({t});  // the wall clock set back once
    std::vector<std::int64_t> times;
    for (const auto& s : series.Samples()) times.push_back(s.timeMs);
    EXPECT_EQ(times, (std::vector<std::int64_t>{1000, 4000, 4000, 9000}));
    const std::pair<std::int64_t, long> nearest[] = {{0, 0}, {2400, 0}, {2600, 1}, {7000, 3}, {99999, 3}};
    for (const auto& [t, i] : nearest) EXPECT_EQ(NearestTrendSample(series.Samples(), t), i) << t;
    EXPECT_TRUE(series.Continues(kLadr, 1, "COM1"));
    EXPECT_FALSE(series.Continues(kLadr, 2, "COM1"));
    EXPECT_FALSE(series.Continues(kLadr, 1, "COM2"));
    EXPECT_FALSE(series.Continues(kOski, 1, "COM1"));

    for (std::size_t i = 0; i < TrendSeries::kMaxSamples; ++i) series.Append({10000});
    EXPECT_EQ(series.Samples().size(), TrendSeries::kMaxSamples);
    EXPECT_EQ(series.Samples().front().timeMs, 10000);  // the oldest went first
}

}  // namespace
}  // namespace tservice
