// The fast scan against the simulated line in virtual time, paced at the
// line rate: what it finds, how long it takes, what it puts back.
#include <gtest/gtest.h>

#include "ScriptedMessages.h"
#include "Scan.h"
#include "SimComPort.h"

namespace tservice::sim::testing {
namespace {

struct ScanLine9600 {
    explicit ScanLine9600(double dropRate) {
        for (int address : {3, 9, 17, 32}) line.Add(address, 100 + address % 4, 5).faults.dropRate = dropRate;
        link.BaudText = "9600";
        EXPECT_EQ(link.OpenPort(), 0);
    }
    std::vector<int> Numbers(const ScanResult& r) const {
        std::vector<int> out;
        for (const FoundDevice& d : r.found) out.push_back(d.number * 1000 + d.model);
        return out;
    }
    Line line;
    VirtualClock clock{0};
    SimComPort port{line, clock};
    tservice::testing::ScriptedMessages messages;
    TComPortClass link{port, clock, messages};
};

TEST(FastScan, FindsWhatTheStandardScanFindsWithinFiveSeconds) {
    for (double drop : {0.0, 0.1}) {
        ScanLine9600 standard(drop), fast(drop);
        const ScanResult expected = ScanLine(standard.link, 32);
        const ScanResult got = FastScanLine(fast.link, 32);
        EXPECT_EQ(fast.Numbers(got), standard.Numbers(expected)) << drop;
        if (drop == 0.0) { EXPECT_EQ(got.found.size(), 4u); }
        EXPECT_LE(fast.clock.NowMs(), 5000) << drop;
        EXPECT_GE(standard.clock.NowMs(), 80000) << drop;
        // Everything the fast scan changed is back.
        EXPECT_EQ(fast.port.GetReadTimeouts(), ReadTimeouts{});
        EXPECT_EQ(fast.link.GetRetryPauseMs(), 300);
        EXPECT_EQ(fast.link.GetPovt1(), 5);
    }
}

TEST(FastScan, LateAnswersCountOnlyAtTheirOwnAddress) {
    // Answer delay after the request (turnaround 5 ms + late), the operator's
    // timeout, a device whose every answer is damaged; the scan must list
    // exactly 1, 3, 5, 7 and name the damaged one as possibly missed.
    struct Case { int delayMs, timeoutMs, damaged; std::vector<int> doubtful; };
    for (const Case& c : {Case{10, 0, 0, {}}, Case{60, 0, 0, {}}, Case{100, 0, 0, {}}, Case{60, 20, 0, {}},
                          Case{100, 15, 0, {}}, Case{60, 0, 9, {9}}}) {
        Line line;
        for (int address : {1, 3, 5, 7}) {
            Transmitter& t = line.Add(address, 100, 5);
            t.faults.lateRate = 1.0;
            t.faults.lateMs = c.delayMs - 5;
        }
        if (c.damaged) line.Add(c.damaged, 101, 5).faults.corruptCrc = true;
        VirtualClock clock{0};
        SimComPort port{line, clock};
        tservice::testing::ScriptedMessages messages;
        TComPortClass link{port, clock, messages};
        ASSERT_EQ(link.OpenPort(), 0);
        const ScanResult r = FastScanLine(link, 10, c.timeoutMs);
        std::vector<int> numbers;
        for (const FoundDevice& d : r.found) numbers.push_back(d.number);
        EXPECT_EQ(numbers, (std::vector<int>{1, 3, 5, 7})) << c.delayMs << " ms, timeout " << c.timeoutMs;
        EXPECT_EQ(r.doubtful, c.doubtful) << c.delayMs << " ms, timeout " << c.timeoutMs;
    }
}

TEST(FastScan, PutsTheWaitsBackWhenThePortFails) {
    ScanLine9600 s(0.0);
    s.port.failRead = 1;
    EXPECT_THROW(FastScanLine(s.link, 4, 50), PortError);
    EXPECT_EQ(s.port.GetReadTimeouts(), ReadTimeouts{});
    EXPECT_EQ(s.link.GetRetryPauseMs(), 300);
    EXPECT_EQ(s.link.GetPovt1(), 5);
}

TEST(FastScan, WaitsFollowTheRateUnlessGiven) {
    struct Case { int baud; Parity parity; int stop, timeout, answer, interval, pause; };
    for (const Case& c : {Case{9600, Parity::None, 2, 0, 34, 34, 10},   // 12 chars of 11 bits: 14 ms
                          Case{9600, Parity::Even, 1, 0, 34, 34, 10},
                          Case{115200, Parity::None, 1, 0, 22, 22, 10},  // 1.04 ms, rounded up
                          Case{1200, Parity::None, 2, 0, 130, 100, 10},
                          Case{9600, Parity::None, 2, 250, 250, 100, 10},
                          Case{9600, Parity::None, 2, 5, 5, 5, 5},
                          Case{0, Parity::None, 2, 0, 34, 34, 10}}) {  // unreadable rate: 9600
        const FastScanTiming t = FastScanTimingFor(c.baud, c.parity, c.stop, c.timeout);
        EXPECT_EQ(t.read.totalConstMs, c.answer) << c.baud << " " << c.timeout;
        EXPECT_EQ(t.read.totalPerByteMs, 0);
        EXPECT_EQ(t.read.intervalMs, c.interval) << c.baud << " " << c.timeout;
        EXPECT_EQ(t.retryPauseMs, c.pause) << c.baud << " " << c.timeout;
    }
}

}  // namespace
}  // namespace tservice::sim::testing
