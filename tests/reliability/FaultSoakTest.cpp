// The fault soak (size from TSERVICE_SOAK, report line to TSERVICE_SOAK_REPORT)
// and the oracle it relies on, checked against hand-worked cases first.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>

#include "ExchangeOracle.h"
#include "FaultSoak.h"

namespace tservice::reliability {
namespace {

Bytes Frame(Bytes head) {
    const std::uint16_t crc = OracleCrc(head.data(), head.size());
    head.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    head.push_back(static_cast<std::uint8_t>(crc >> 8));
    return head;
}

DeviceTry Sent(Bytes answer, bool valid = false, int delayMs = 0) {
    return DeviceTry{std::move(answer), valid, delayMs};
}

// 9600 bit/s with two stop bits, 5 ms turnaround, 25 ms pause before a request.
Expectation Replay(std::uint8_t cmd, int povt1, int povt2, const std::vector<DeviceTry>& tries) {
    LineModel line(1146, 5);
    return Expect(1, cmd, 4, LinkSettings{povt1, povt2, 25}, 0, tries, line);
}

const Bytes kIdent = Frame({1, 0x11, 3, 5, 0x20, 100});

Bytes BadCrc(Bytes f) {
    f.back() ^= 0x01;
    return f;
}

TEST(ExchangeOracle, CrcCheckValues) {
    const Bytes digits = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(OracleCrc(digits.data(), digits.size()), 0x4B37);
    EXPECT_EQ(Frame({1, 0x11}), (Bytes{1, 0x11, 0xC0, 0x2C}));
}

TEST(ExchangeOracle, RetryRulesOnHandWorkedCases) {
    struct Case {
        const char* name;
        std::uint8_t cmd;
        int povt1, povt2;
        std::vector<DeviceTry> tries;
        int code, count;
    };
    const Bytes twoBytes = {1, 0x11};
    const std::vector<Case> cases = {
        {"silent device: Povt1 tries", 0x11, 5, 10, std::vector<DeviceTry>(9, Sent({})), 130, 5},
        {"two header bytes every try", 0x11, 5, 10, std::vector<DeviceTry>(9, Sent(twoBytes)), 129, 5},
        {"bad CRC every try: Povt2 tries", 0x11, 5, 10, std::vector<DeviceTry>(12, Sent(BadCrc(kIdent))), 131, 10},
        {"exception 6 ends at once", 0x11, 5, 10, {Sent(Frame({1, 0x91, 6}), true)}, 6, 1},
        {"exception 0 is a normal 5-byte answer", 0x11, 5, 10, {Sent(Frame({1, 0x91, 0}), true)}, 0, 1},
        {"block write awaits nothing", 0x45, 5, 10, {Sent({})}, 0, 1},
        {"foreign command on the last try", 0x11, 2, 10,
         {Sent({}), Sent(Frame({1, 0x12, 0}))}, 128, 2},
        {"another address on every try", 0x11, 3, 10, std::vector<DeviceTry>(4, Sent(Frame({2, 0x11, 3, 5, 0x20, 100}))),
         128, 3},
        {"another device's exception ends nothing", 0x11, 5, 10, {Sent(Frame({2, 0x91, 6})), Sent(kIdent, true)}, 0, 2},
        {"count below 1 is a single try", 0x11, 0, 0, {Sent({}), Sent(kIdent, true)}, 130, 1},
        {"intact after failures", 0x11, 5, 10, {Sent({}), Sent(BadCrc(kIdent)), Sent(kIdent, true)}, 0, 3},
        {"fixed length of 0x0E ignores the count byte", 0x0E, 5, 10, {Sent(Frame({1, 0x0E}), true)}, 0, 1},
    };
    for (const Case& c : cases) {
        const Expectation e = Replay(c.cmd, c.povt1, c.povt2, c.tries);
        EXPECT_EQ(e.code, c.code) << c.name;
        EXPECT_EQ(e.tries, c.count) << c.name;
        EXPECT_FALSE(e.ranOut) << c.name;
    }
}

TEST(ExchangeOracle, ValidHeaderRestoresStageOneTries) {
    // Four silent tries, a bad CRC, four silent tries, ...: never five in a
    // row, so only the tenth bad CRC ends it.
    std::vector<DeviceTry> tries;
    for (int i = 0; i < 10; ++i) {
        for (int k = 0; k < 4; ++k) tries.push_back(Sent({}));
        tries.push_back(Sent(BadCrc(kIdent)));
    }
    const Expectation e = Replay(0x11, 5, 10, tries);
    EXPECT_EQ(e.code, 131);
    EXPECT_EQ(e.tries, 50);
}

TEST(ExchangeOracle, BytesLeftByOneTryAreReadByTheNext) {
    // The first answer names another command: its header is read, the rest
    // stays on the line and opens the second try's header. That header names
    // address 7, so the rest is dropped and the third try reads clean.
    const Bytes foreign = Frame({1, 0x12, 3, 7, 8, 9});
    std::vector<DeviceTry> tries{Sent(foreign)};
    for (int i = 0; i < 5; ++i) tries.push_back(Sent(kIdent, true));
    const Expectation e = Replay(0x11, 5, 10, tries);
    ASSERT_EQ(e.reads.size(), 3u);
    EXPECT_EQ(e.classes, (std::vector<TryClass>{TryClass::ForeignCommand, TryClass::ForeignAddress, TryClass::Intact}));
    EXPECT_EQ(e.reads[1][0].got, (Bytes{7, 8, 9}));
    EXPECT_EQ(e.code, 0);
}

TEST(ExchangeOracle, AcceptedFrameMustBeTheDevicesOwn) {
    const Expectation intact = Replay(0x11, 5, 10, {Sent(kIdent, true)});
    EXPECT_TRUE(intact.frameIntact);
    EXPECT_FALSE(intact.frameStale);
    EXPECT_EQ(intact.frame, kIdent);
    EXPECT_FALSE(Replay(0x11, 5, 10, {Sent(BadCrc(kIdent)), Sent(kIdent, true)}).frame.empty());
}

TEST(ExchangeOracle, LineTiming) {
    // Silent: 25 ms pause, 1300 ms header read, 300 ms after the failure.
    const Expectation silent = Replay(0x11, 2, 10, {Sent({}), Sent({})});
    EXPECT_EQ(silent.writeMs, (std::vector<std::int64_t>{25, 25 + 1300 + 300 + 25}));
    EXPECT_EQ(silent.endMs, 2 * (25 + 1300 + 300));
    // 1000 ms late still makes the header's 1300 ms total timeout.
    EXPECT_EQ(Replay(0x11, 1, 1, {Sent(kIdent, true, 1000)}).code, 0);
    // 1500 ms late misses it; the answer lands in the retry pause and the next
    // try reads it: a stale but intact answer.
    const Bytes fresh = Frame({1, 0x11, 3, 6, 0x20, 100});
    const Expectation overdue = Replay(0x11, 2, 10, {Sent(kIdent, true, 1500), Sent(fresh, true)});
    EXPECT_EQ(overdue.classes[0], TryClass::Nothing);
    EXPECT_EQ(overdue.code, 0);
    EXPECT_TRUE(overdue.frameIntact);
    EXPECT_TRUE(overdue.frameStale);
    EXPECT_EQ(overdue.frame, kIdent);
    // Two header bytes, then silence: the read ends 100 ms after the second.
    const Expectation two = Replay(0x11, 1, 1, {Sent({1, 0x11})});
    EXPECT_EQ(two.code, 129);
    EXPECT_EQ(two.endMs, 25 + 112 + 300);
}

long SoakSize() {
    const char* env = std::getenv("TSERVICE_SOAK");
    if (env == nullptr || *env == '\0') return 20000;
    const long n = std::strtol(env, nullptr, 10);
    return n > 0 ? n : 20000;
}

TEST(FaultSoak, EveryResultFollowsTheRetryRulesAndNoDamagedDataIsKept) {
    FaultSoak soak(20240611u);
    soak.Run(SoakSize());
    const std::string summary = soak.Summary();
    std::cout << summary << "\n" << soak.SeenSummary() << std::endl;
    if (const char* path = std::getenv("TSERVICE_SOAK_REPORT"); path != nullptr && *path != '\0') {
        std::ofstream(path) << summary << "\n" << soak.SeenSummary() << "\n";
    }
    for (const std::string& f : soak.Failures()) ADD_FAILURE() << f;
    const SoakStats& s = soak.Stats();
    EXPECT_GE(s.exchanges, SoakSize());
    EXPECT_EQ(s.wrongResults, 0);
    EXPECT_EQ(s.damagedAccepted, 0);
    EXPECT_EQ(s.divergences, 0);
    EXPECT_EQ(s.incompleteAccepted, 0);
    EXPECT_EQ(s.wrongImage, 0);
    EXPECT_EQ(s.incompleteWritten, 0);
    EXPECT_EQ(s.wrongBlockWritten, 0);
    // The faults really happened, in every kind.
    EXPECT_GT(s.dropped, 0);
    EXPECT_GT(s.truncated, 0);
    EXPECT_GT(s.corrupted, 0);
    EXPECT_GT(s.exceptions, 0);
    EXPECT_GT(s.lateWithin, 0);
    EXPECT_GT(s.lateBeyond, 0);
    EXPECT_GT(s.readingsComplete, 0);
    EXPECT_GT(s.writesDone, 0);
}

}  // namespace
}  // namespace tservice::reliability
