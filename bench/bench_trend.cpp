// 24 hours of 3-second polling (28 800 samples) of a ТЕВ-ТС whose value swings
// across both setpoints: what the series holds, how fast it is decimated to a
// chart's width, and how long a full redraw of the "Тренд" panel takes
// (decimation, series, axes and the chart painted into a pixmap).
#include <cmath>
#include <memory>

#include <QApplication>
#include <QChartView>
#include <benchmark/benchmark.h>

#include "ScriptedMessages.h"
#include "TrendPanel.h"

namespace {

constexpr int kSamples = 24 * 3600 / 3;
constexpr std::int64_t kStart = 1'800'000'000'000;

// A ТЕВ-ТС reading on -50…100 °C with setpoints at 20 % and 80 %.
tservice::DeviceImage Reading(int i) {
    tservice::DeviceImage image;
    image.Tip = tservice::kTevTs;
    image.PutUstKod1(1638);
    image.PutUstKod2(6552);
    image.TMin = -50;
    image.TMax = 100;
    const int rez = 4096 + static_cast<int>(3500 * std::sin(i * 0.002)) + (i * 7919 % 61) - 30;
    image.Baza[tservice::kMeasIndex] = static_cast<std::uint8_t>(rez >> 8);
    image.Baza[tservice::kMeasIndex + 1] = static_cast<std::uint8_t>(rez);
    image.Baza[tservice::kMeasIndex + 2] = rez > 6552 ? 2 : rez < 1638 ? 1 : 0;
    return image;
}

struct Day {
    Day() : panel(messages) {
        std::int64_t now = kStart;
        panel.WallClock = [&now] { return now; };
        for (int i = 0; i < kSamples; ++i, now += 3000) panel.AddReading(Reading(i), 2, "COM1");
        panel.WallClock = [] { return kStart; };
        panel.resize(1200, 500);
        panel.show();
        panel.SetWindow(tservice::TrendPanel::Window::All);
    }
    tservice::testing::ScriptedMessages messages;
    tservice::TrendPanel panel;
};

// Made on first use, gone before the application object.
std::unique_ptr<Day> gDay;
Day& TheDay() {
    if (!gDay) gDay = std::make_unique<Day>();
    return *gDay;
}

void BM_Decimate24h(benchmark::State& state) {
    const auto& samples = TheDay().panel.Series().Samples();
    for (auto _ : state)
        benchmark::DoNotOptimize(tservice::DecimateTrend(samples, &tservice::TrendSample::value, samples.front().timeMs,
                                                         samples.back().timeMs, 1100));
    state.counters["samples"] = static_cast<double>(samples.size());
}
BENCHMARK(BM_Decimate24h)->Unit(benchmark::kMillisecond);

void BM_Redraw24h(benchmark::State& state) {
    tservice::TrendPanel& panel = TheDay().panel;
    for (auto _ : state) {
        panel.Redraw();
        benchmark::DoNotOptimize(panel.ChartView->grab());
    }
    const tservice::TrendSeries& series = panel.Series();
    state.counters["samples"] = static_cast<double>(series.Samples().size());
    state.counters["seriesMB"] = static_cast<double>(series.MemoryBytes()) / (1024.0 * 1024.0);
    state.counters["sampleBytes"] = sizeof(tservice::TrendSample);
}
BENCHMARK(BM_Redraw24h)->Unit(benchmark::kMillisecond);

// The panel's own part: decimation, series and axes, without the painting.
void BM_UpdateSeries24h(benchmark::State& state) {
    tservice::TrendPanel& panel = TheDay().panel;
    for (auto _ : state) panel.Redraw();
}
BENCHMARK(BM_UpdateSeries24h)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gDay.reset();
    return 0;
}
