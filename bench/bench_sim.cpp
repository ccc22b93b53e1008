// Wall time of one identification over the pseudo-terminal simulator with the
// real Qt port and clock, against what the line itself costs: the pause
// before the request (DelayOut) plus 12 characters at 115200 bit/s, 8N2. The
// simulated device answers with no turnaround, so overhead_ms is what the
// port layer, the pty and the scheduler add per exchange (target: under 2).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <string>

#include "Comportclass.h"
#include "PtyLink.h"

namespace {

using namespace tservice;

void BM_IdentificationOverPty(benchmark::State& state) {
    sim::Line line;
    sim::Line::AddDemoDevices(line);
    bench::PtyLink pty(line, static_cast<int>(state.range(0)));
    if (!pty.opened) {
        state.SkipWithError("cannot open the pty");
        return;
    }
    TComPortClass& link = pty.link;
    std::array<std::uint8_t, kMaxAnswer> answer{};
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (link.Exchange(2, 0x11, 0, nullptr, answer.data()) != kOk) {
            state.SkipWithError("exchange failed");
            break;
        }
    }
    const double wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() /
        static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
    const double lineMs = 12 * 11 * 1000.0 / 115200;
    const double expectedMs = static_cast<double>(state.range(0)) + lineMs;
    state.counters["expected_ms"] = expectedMs;
    state.counters["overhead_ms"] = wallMs - expectedMs;
    state.counters["ratio"] = wallMs / expectedMs;
}
BENCHMARK(BM_IdentificationOverPty)->Arg(25)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
