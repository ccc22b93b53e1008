// One round of the line overview: the measurement blocks of 32 transmitters
// at 115200 bit/s, 8N2, against the sum of the pauses before each request
// (DelayOut) and the line time of request and answer (6 + 14 characters).
// round_ms / bound_ms must stay within 1.2; the run fails otherwise.
// In virtual time the simulated port paces the line exactly (the devices
// answer without turnaround), so the ratio shows what the round itself adds;
// over the pseudo-terminal with the real Qt port and clock it shows the wall
// time with the port layer and the scheduler.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "NoMessages.h"
#include "LineRound.h"
#include "PtyLink.h"
#include "SimComPort.h"

namespace {

using namespace tservice;

constexpr int kDevices = 32;
constexpr int kBaud = 115200;
constexpr double kCharBits = 11;  // start, 8 data, 2 stop

using bench::NoMessages;

void AddLine(sim::Line& line) {
    for (int a = 1; a <= kDevices; ++a) line.Add(a, 100 + (a - 1) % 4, 5);
}

std::vector<FoundDevice> Found() {
    std::vector<FoundDevice> f;
    for (int a = 1; a <= kDevices; ++a) f.push_back({a, 100 + (a - 1) % 4});
    return f;
}

double BoundMs(int delayOut) { return kDevices * (delayOut + (6 + 14) * kCharBits * 1000.0 / kBaud); }

void Configure(TComPortClass& link, const std::string& name, int delayOut) {
    link.PortName = name;
    link.BaudText = std::to_string(kBaud);
    link.StopText = std::to_string(2);
    link.SetDelayOut(delayOut);
}

// Runs rounds until the state ends; returns the mean round time in ms.
template <typename Now>
double Rounds(benchmark::State& state, LineRound& round, TComPortClass& link, Now now) {
    while (round.Rounds() < 1) round.Step(link);  // the first round reads every block
    double total = 0;
    int rounds = 0;
    for (auto _ : state) {
        const double t0 = now();
        const int target = round.Rounds() + 1;
        while (round.Rounds() < target) {
            if (round.Step(link).code != 0) {
                state.SkipWithError("exchange failed");
                return 0;
            }
        }
        total += now() - t0;
        ++rounds;
    }
    return rounds ? total / rounds : 0;
}

void Report(benchmark::State& state, double roundMs, int delayOut) {
    const double bound = BoundMs(delayOut);
    state.counters["round_ms"] = roundMs;
    state.counters["bound_ms"] = bound;
    state.counters["ratio"] = roundMs / bound;
    if (roundMs > 1.2 * bound) state.SkipWithError("round longer than 1.2 x pauses and line time");
}

void BM_RoundVirtualTime(benchmark::State& state) {
    sim::Line line;
    AddLine(line);
    VirtualClock clock;
    sim::SimComPort port(line, clock);
    port.turnaroundMs = 0;
    NoMessages messages;
    TComPortClass link(port, clock, messages);
    const int delayOut = static_cast<int>(state.range(0));
    Configure(link, "COM1", delayOut);
    if (link.OpenPort() != 0) return state.SkipWithError("cannot open");
    LineRound round(Found(), [&clock] { return clock.NowMs(); });
    Report(state, Rounds(state, round, link, [&clock] { return static_cast<double>(clock.NowMs()); }), delayOut);
}
BENCHMARK(BM_RoundVirtualTime)->Arg(25)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RoundOverPty(benchmark::State& state) {
    sim::Line line;
    AddLine(line);
    const int delayOut = static_cast<int>(state.range(0));
    bench::PtyLink pty(line, delayOut);
    if (!pty.opened) return state.SkipWithError("cannot open the pty");
    SteadyClock& clock = pty.clock;
    TComPortClass& link = pty.link;
    LineRound round(Found(), [&clock] { return clock.NowMs(); });
    const auto wall = [] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
    Report(state, Rounds(state, round, link, wall), delayOut);
}
BENCHMARK(BM_RoundOverPty)->Arg(25)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
