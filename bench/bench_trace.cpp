// CPU cost of watching the line, per complete reading of a ТЕВ-ТП (three
// exchanges) on the in-process simulated line in virtual time. The plain
// port is the baseline; the difference to it is what tracing costs. The line
// time of the same reading at 115200 bit/s (81 bytes of 11 bits, pauses not
// counted) is reported next to it as line_us.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <sstream>

#include "SimComPort.h"
#include "LineTrace.h"
#include "NoMessages.h"
#include "TracePanel.h"
#include "Workflow.h"

namespace {

using namespace tservice;

// kPanel flushes the journal's rows into model, filter and view after each
// reading; kPanelPainted also lets the event loop repaint the panel (one
// repaint of the visible rows, coalesced by Qt, not a cost per exchange).
// There the journal's timer joins rows every kTraceFlushMs of wall time, which
// this loop fills with hundreds of readings; kPanelRound instead joins and
// repaints after every third reading, as often as a back-to-back round at the
// default 25 ms pauses (about 83 ms a reading) meets the timer.
enum Mode { kPlain, kNoListener, kCliTrace, kPanel, kPanelPainted, kPanelRound };
constexpr int kReadingsPerFlush = 3;

constexpr double kLineUs = 81.0 * 11.0 / 115200.0 * 1e6;

void BM_Reading(benchmark::State& state) {
    const Mode mode = static_cast<Mode>(state.range(0));
    sim::Line line;
    sim::Line::AddDemoDevices(line);
    VirtualClock clock{1000};
    sim::SimComPort sim(line, clock);
    TracingPort traced(sim, clock);
    bench::NoMessages messages;
    TComPortClass link(mode == kPlain ? static_cast<TComPort&>(sim) : traced, clock, messages);
    link.PortName = "ttyS0";
    link.OpenPort();
    std::ostringstream sink;
    cli::LineTrace trace(sink, clock);
    std::unique_ptr<TracePanel> panel;
    if (mode == kCliTrace) trace.Attach(traced, link);
    if (mode >= kPanel) {
        panel = std::make_unique<TracePanel>(traced, link, clock, messages);
        panel->resize(900, 600);
        panel->show();
        panel->Listen(true);
        DeviceImage image;
        for (int i = 0; i < kTraceCapacity / 3 + 1; ++i) {
            int nu = 2;
            ReadTransmitter(link, image, nu);
        }
        QApplication::processEvents();
    }
    DeviceImage image;
    int readings = 0;
    for (auto _ : state) {
        int nu = 2;
        benchmark::DoNotOptimize(ReadTransmitter(link, image, nu));
        if (mode == kPanel) panel->Model.Flush();
        if (mode == kPanelPainted) QApplication::processEvents();
        if (mode == kPanelRound && ++readings % kReadingsPerFlush == 0) {
            panel->Model.Flush();
            QApplication::processEvents();
        }
        if (mode == kCliTrace && sink.tellp() > (1 << 20)) sink.str({});
    }
    if (panel) state.counters["rows"] = panel->Model.rowCount();
    state.counters["line_us"] = kLineUs;
}
BENCHMARK(BM_Reading)->ArgName("mode")->DenseRange(kPlain, kPanelRound)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
