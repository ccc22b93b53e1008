// The in-process port: line timing and read timeouts in virtual time, purge
// semantics, port faults, and the real exchange protocol against it.
#include <gtest/gtest.h>

#include "ScriptedMessages.h"
#include "SimComPort.h"
#include "SimHex.h"

namespace tservice::sim::testing {
namespace {

struct PortFixture : ::testing::Test {
    PortFixture() : port(line, clock) {
        Line::AddDemoDevices(line);
        for (Transmitter* d : line.Devices()) d->drift = 0;
        port.SetPort("ttyS0");
        port.Open();
    }
    void Request(const Bytes& r) { port.Write(r.data(), static_cast<int>(r.size())); }
    void Reopen(int baud, Parity parity, int stopBits) {
        port.Close();
        port.SetBaudRate(baud);
        port.SetParity(parity);
        port.SetStopBits(stopBits);
        port.Open();
    }
    Line line;
    VirtualClock clock{1000};
    SimComPort port;
    std::uint8_t buf[300] = {};
};

TEST_F(PortFixture, SilentDeviceReadTimesOutAfterTheTotalTimeout) {
    line.Find(2)->faults.silent = true;
    Request(WithCrc({2, 0x11}));
    EXPECT_EQ(port.Read(buf, 3), 0);
    EXPECT_EQ(clock.NowMs(), 1000 + 1300);
}

TEST_F(PortFixture, SilenceAfterAByteEndsTheReadAfter100Ms) {
    line.Find(2)->faults.shortHeader = true;
    Request(WithCrc({2, 0x11}));
    // 9600 8N2: 1146 µs a character; 4 request characters, 5 ms turnaround.
    ASSERT_EQ(port.Read(buf, 1), 1);
    EXPECT_EQ(clock.NowMs(), 1000 + 11);  // first answer byte at 10.73 ms
    EXPECT_EQ(port.Read(buf + 1, 3), 1);  // second byte at 11.88 ms, then silence
    EXPECT_EQ(clock.NowMs(), 1000 + 112);
    EXPECT_EQ(buf[0], 2);
    EXPECT_EQ(buf[1], 0x11);
}

TEST_F(PortFixture, WholeAnswerArrivesAtLineSpeed) {
    struct Case { int baud; Parity parity; int stop; std::int64_t charUs; };
    const Case cases[] = {
        {9600, Parity::None, 2, 1146}, {9600, Parity::None, 1, 1042},
        {9600, Parity::Even, 2, 1250}, {115200, Parity::Odd, 1, 96}, {19200, Parity::None, 2, 573},
    };
    for (const Case& c : cases) {
        Reopen(c.baud, c.parity, c.stop);
        ASSERT_EQ(port.CharTimeUs(), c.charUs);
        const std::int64_t t0 = clock.NowMs();
        Request(WithCrc({3, 0x44}));
        ASSERT_EQ(port.Read(buf, 45), 45);
        // Request (4) and answer (45) characters plus the 5 ms turnaround.
        EXPECT_EQ(clock.NowMs() - t0, (49 * c.charUs + 5000 + 999) / 1000) << c.baud;
        EXPECT_TRUE(IntactFrame(Bytes(buf, buf + 45)));
    }
}

TEST_F(PortFixture, TotalTimeoutCutsASlowAnswer) {
    Reopen(110, Parity::None, 2);  // 100 ms a character
    line.Find(1)->faults.lateRate = 1.0;
    line.Find(1)->faults.lateMs = 600;
    Request(WithCrc({1, 0x11}));
    // Bytes at 1105, 1205, 1305 ms after the write; the read gives up at 1300.
    EXPECT_EQ(port.Read(buf, 3), 2);
    EXPECT_EQ(clock.NowMs(), 1000 + 1300);
    EXPECT_EQ(port.Read(buf, 1), 1);  // the third came on its own time
    EXPECT_EQ(clock.NowMs(), 1000 + 1305);
}

TEST_F(PortFixture, PurgeDropsWhatArrivedButNotWhatIsStillOnTheLine) {
    Reopen(110, Parity::None, 2);
    Request(WithCrc({2, 0x0E}));  // 4-byte echo at 505, 605, 705, 805 ms
    clock.Advance(650);
    port.ClearBuffer(true, true);
    EXPECT_EQ(port.Pending(), 2);
    EXPECT_EQ(port.Read(buf, 4), 2);
    EXPECT_EQ(buf[0], 0x81);  // CRC bytes of 02 0E
    EXPECT_EQ(buf[1], 0x14);
    port.Close();
    EXPECT_EQ(port.Pending(), 0);
}

TEST_F(PortFixture, PortFaultsThrowPortError) {
    SimComPort p(line, clock);
    p.SetPort("");
    EXPECT_THROW(p.Open(), PortError);
    p.SetPort("ttyS1");
    p.failOpen = true;
    EXPECT_THROW(p.Open(), PortError);
    EXPECT_FALSE(p.Connected());
    p.failOpen = false;
    EXPECT_THROW(p.Write(buf, 4), PortError);  // not open
    p.Open();
    EXPECT_EQ(p.OpenName(), "ttyS1");
    p.failClear = 1;
    EXPECT_THROW(p.ClearBuffer(true, true), PortError);
    EXPECT_NO_THROW(p.ClearBuffer(true, true));
    p.failRead = 1;
    EXPECT_THROW(p.Read(buf, 3), PortError);
    p.failWrite = 1;
    EXPECT_THROW(p.Write(buf, 4), PortError);
    p.vanished = true;
    for (int i = 0; i < 2; ++i) {
        EXPECT_THROW(p.ClearBuffer(true, true), PortError);
        EXPECT_THROW(p.Read(buf, 3), PortError);
        EXPECT_THROW(p.Write(buf, 4), PortError);
    }
    p.failClose = 1;
    try {
        p.Close();
        ADD_FAILURE() << "Close did not throw";
    } catch (const PortError& e) {
        EXPECT_EQ(e.Operation(), "Close");
    }
    EXPECT_TRUE(p.Connected());
}

TEST_F(PortFixture, SettingsTakeEffectAtTheNextOpen) {
    port.SetBaudRate(115200);
    EXPECT_EQ(port.OpenBaud(), 9600);
    Reopen(57600, Parity::Even, 1);
    EXPECT_EQ(port.OpenBaud(), 57600);
    EXPECT_EQ(port.OpenParity(), Parity::Even);
    EXPECT_EQ(port.OpenStopBits(), 1);
}

// ---- the exchange protocol against the simulated line ----------------------

struct LinkFixture : PortFixture {
    LinkFixture() : link(port, clock, messages) {}
    tservice::testing::ScriptedMessages messages;
    TComPortClass link;
    std::uint8_t answer[kMaxAnswer] = {};
};

TEST_F(LinkFixture, IdentificationSucceedsWithTheDevicesBytes) {
    const std::int64_t t0 = clock.NowMs();
    ASSERT_EQ(link.Exchange(2, 0x11, 0, nullptr, answer), kOk);
    EXPECT_EQ(ToHex(Bytes(answer, answer + link.AnsLen)), "03 11 03 04 00 66 3D 84");
    EXPECT_EQ(port.writes, 1);
    EXPECT_EQ(port.clears, 1);
    // Pause, 4 + 8 characters at 9600 8N2, turnaround.
    EXPECT_EQ(clock.NowMs() - t0, 25 + (12 * 1146 + 5000 + 999) / 1000);
}

TEST_F(LinkFixture, SilentDeviceCostsFiveFullTries) {
    line.Find(1)->faults.silent = true;
    const std::int64_t t0 = clock.NowMs();
    EXPECT_EQ(link.Exchange(0, 0x11, 0, nullptr, answer), kNoAnswer);
    EXPECT_EQ(port.writes, 5);
    EXPECT_EQ(clock.NowMs() - t0, 5 * (25 + 1300 + 300));
}

struct UseCase {
    const char* what;
    int device;  // index
    std::uint8_t cmd;
    Bytes data;
    int ansLen;
};

TEST_F(LinkFixture, EveryRequestTheToolMakesPassesTheLink) {
    Transmitter& oski = *line.Find(4);
    Bytes block(line.Find(2)->block.begin(), line.Find(2)->block.end());
    block[11] = 1;  // keeps number 2
    const UseCase cases[] = {
        {"identification", 0, 0x11, {}, 8},
        {"parameter block", 1, 0x44, {}, 45},
        {"measurement block", 2, 0x47, {0x00, 0x01}, 14},
        {"output control on", 3, 0x05, {0x10, 0x02, 0xFF, 0x00}, 8},
        {"output register", 3, 0x06, {0x00, 0x01, 0x1F, 0xFF}, 9},
        {"output control off", 3, 0x05, {0x10, 0x02, 0x00, 0x00}, 8},
        {"calibration on", 2, 0x05, {0x10, 0x01, 0xFF, 0x00}, 8},
        {"calibration off", 2, 0x05, {0x10, 0x01, 0x00, 0x00}, 8},
        {"block write", 1, 0x45, block, 0},
        {"confirmation", 1, 0x0E, {}, 4},
        {"0x0F", 0, 0x0F, {}, 8},
    };
    for (const UseCase& c : cases) {
        SCOPED_TRACE(c.what);
        const int writesBefore = port.writes;
        ASSERT_EQ(link.Exchange(c.device, c.cmd, static_cast<std::uint8_t>(c.data.size()),
                                c.data.empty() ? nullptr : c.data.data(), answer),
                  kOk);
        EXPECT_EQ(port.writes - writesBefore, 1);  // no retry needed
        if (c.ansLen > 0) {
            EXPECT_EQ(link.AnsLen, c.ansLen);
        }
    }
    EXPECT_EQ(oski.outputRegister, 0x1FFF);
    EXPECT_FALSE(oski.outputControl);
    EXPECT_EQ(line.Find(2)->writes, 1);
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(LinkFixture, FaultKnobsGiveTheLinksResultCodes) {
    struct Case {
        const char* what;
        void (*set)(Faults&);
        int result;
        int writes;
    };
    const Case cases[] = {
        {"short header", [](Faults& f) { f.shortHeader = true; }, kTimeoutPart, 5},
        {"corrupt body", [](Faults& f) { f.corruptBody = true; }, kCrcError, 10},
        {"corrupt crc", [](Faults& f) { f.corruptCrc = true; }, kCrcError, 10},
        {"exception 6", [](Faults& f) { f.exceptionCode = 6; }, 6, 1},
        {"exception 0 reads as a 5-byte answer", [](Faults& f) { f.exceptionCode = 0; }, kOk, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Transmitter& d = *line.Find(3);
        d.faults = Faults{};
        c.set(d.faults);
        // Let the unread tail of the last answer arrive before the purge.
        clock.Advance(100);
        const int before = port.writes;
        EXPECT_EQ(link.Exchange(2, 0x11, 0, nullptr, answer), c.result);
        EXPECT_EQ(port.writes - before, c.writes);
    }
}

TEST_F(LinkFixture, LossyDeviceStillAnswersWithinTheRetries) {
    Transmitter& d = *line.Find(1);
    d.faults.dropRate = 0.2;
    d.faults.corruptRate = 0.2;
    d.faults.truncateRate = 0.1;
    d.faults.seed = 42;
    int ok = 0;
    for (int i = 0; i < 50; ++i) {
        const int r = link.Exchange(0, 0x11, 0, nullptr, answer);
        if (r == kOk) {
            ++ok;
            EXPECT_EQ(ToHex(Bytes(answer, answer + 8)), "01 11 03 05 00 64 EC 67");
        }
    }
    // A flipped bit can pass as an exception answer (its CRC is not read)
    // and leftovers can misalign later headers; but what passes is exact.
    EXPECT_GE(ok, 40);
    int damaged = 0;
    for (const Event& e : d.log) damaged += !e.valid;
    EXPECT_GT(damaged, 10);
}

}  // namespace
}  // namespace tservice::sim::testing
