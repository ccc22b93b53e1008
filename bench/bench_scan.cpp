// The scan of 32 addresses at 9600 bit/s (8N2) with four transmitters, in
// scan_ms beside the line-time lower bound: every request and the four
// answers on the wire (line_ms), and that plus the pause before each request
// (line_delay_ms). The in-process runs use virtual time, the simulated port
// pacing each byte at the line rate; the TCP run is wall time against the
// simulated line served on loopback TCP, paced the same way in real time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>
#include <memory>

#include "LinePort.h"
#include "NoMessages.h"
#include "Scan.h"
#include "SimComPort.h"
#include "TcpServer.h"

namespace {

using namespace tservice;

using bench::NoMessages;

constexpr int kAddresses = 32;

void AddFour(sim::Line& line, double dropRate, std::uint32_t seed) {
    for (int address : {3, 9, 17, 30}) {
        sim::Transmitter& t = line.Add(address, 100 + address % 4, 5);
        t.faults.dropRate = dropRate;
        t.faults.seed = seed + static_cast<std::uint32_t>(address);
    }
}

void Report(benchmark::State& state, double scanMs, double found, int runs) {
    const double charMs = 11 * 1000.0 / 9600;
    const double lineMs = (kAddresses * 4 + 4 * 8) * charMs;
    state.counters["scan_ms"] = scanMs / runs;
    state.counters["found"] = found / runs;
    state.counters["line_ms"] = lineMs;
    state.counters["line_delay_ms"] = lineMs + kAddresses * 25;
}

// Args: fast (0/1), answer loss in per cent.
void BM_ScanVirtual(benchmark::State& state) {
    const bool fast = state.range(0) != 0;
    const double drop = static_cast<double>(state.range(1)) / 100.0;
    double totalMs = 0, found = 0;
    int runs = 0;
    for (auto _ : state) {
        sim::Line line;
        AddFour(line, drop, static_cast<std::uint32_t>(runs));
        VirtualClock clock{0};
        sim::SimComPort port(line, clock);
        NoMessages messages;
        TComPortClass link(port, clock, messages);
        link.OpenPort();
        const ScanResult r = fast ? FastScanLine(link, kAddresses) : ScanLine(link, kAddresses);
        totalMs += static_cast<double>(clock.NowMs());
        found += static_cast<double>(r.found.size());
        ++runs;
    }
    Report(state, totalMs, found, runs);
}
BENCHMARK(BM_ScanVirtual)->Args({0, 0})->Args({0, 10})->Args({1, 0})->Args({1, 10})->Iterations(200);

// The fast scan against transmitters that answer late. Arg: the answer
// delay after the request in ms (the simulated port's 5 ms turnaround plus
// the late knob). found must equal present and ghosts stay 0.
void BM_FastScanLateAnswers(benchmark::State& state) {
    const int delayMs = static_cast<int>(state.range(0));
    const std::vector<int> present{3, 9, 17, 30};
    double totalMs = 0, found = 0, ghosts = 0;
    int runs = 0;
    for (auto _ : state) {
        sim::Line line;
        for (int address : present) {
            sim::Transmitter& t = line.Add(address, 100 + address % 4, 5);
            t.faults.lateRate = 1.0;
            t.faults.lateMs = delayMs - 5;
        }
        VirtualClock clock{0};
        sim::SimComPort port(line, clock);
        NoMessages messages;
        TComPortClass link(port, clock, messages);
        link.OpenPort();
        const ScanResult r = FastScanLine(link, kAddresses);
        totalMs += static_cast<double>(clock.NowMs());
        for (const FoundDevice& d : r.found) {
            const bool real = std::find(present.begin(), present.end(), d.number) != present.end();
            (real ? found : ghosts) += 1;
        }
        ++runs;
    }
    Report(state, totalMs, found, runs);
    state.counters["present"] = static_cast<double>(present.size());
    state.counters["ghosts"] = ghosts / runs;
}
BENCHMARK(BM_FastScanLateAnswers)->Arg(10)->Arg(60)->Arg(100)->Iterations(20);

void BM_FastScanOverTcp(benchmark::State& state) {
    sim::Line line;
    AddFour(line, static_cast<double>(state.range(0)) / 100.0, 7);
    sim::TcpServer server(line, "127.0.0.1", 0);
    server.SetLineRate(9600, Parity::None, 2);
    server.Start();
    SteadyClock clock;
    LinePort port(clock);
    NoMessages messages;
    TComPortClass link(port, clock, messages);
    link.PortName = server.Address();
    if (link.OpenPort() != 0) {
        state.SkipWithError("cannot connect");
        return;
    }
    double totalMs = 0, found = 0;
    int runs = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        found += static_cast<double>(FastScanLine(link, kAddresses).found.size());
        totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        ++runs;
    }
    Report(state, totalMs, found, runs);
    link.ClosePort();
}
BENCHMARK(BM_FastScanOverTcp)->Arg(0)->Arg(10)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
