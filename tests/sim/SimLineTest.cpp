// The device side of the simulated line: exact answers, addressing, block
// writes and every fault knob.
#include <gtest/gtest.h>

#include "SimHex.h"

namespace tservice::sim::testing {
namespace {

// A demo line with frozen measurements, so answers are exact.
struct DemoLine : ::testing::Test {
    DemoLine() {
        Line::AddDemoDevices(line);
        for (Transmitter* d : line.Devices()) d->drift = 0;
        Transmitter& tp = *line.Find(3);
        tp.rez = 0x0CCC;
        tp.kodAcp = 12345;
        tp.txc = 0x0800;
        tp.kodTxc = 8000;
    }
    Line line;
};

struct Exact {
    const char* what;
    const char* request;
    const char* answer;  // "" = no answer
};

TEST_F(DemoLine, AnswersEachCommandWithTheExactBytes) {
    const Exact table[] = {
        {"identification ЛАДР v5", "01 11 C0 2C", "01 11 03 05 00 64 EC 67"},
        {"identification ТЕВ-ТП v4", "03 11 C1 4C", "03 11 03 04 00 66 3D 84"},
        {"measurement block ТЕВ-ТП", "03 47 00 01 71 B5", "03 47 09 0C CC 00 30 39 08 00 1F 40 34 CC"},
        {"measurement block, other register", "03 47 00 02 31 B4", "03 C7 02 52 31"},
        {"write confirmation echoes", "02 0E 81 14", "02 0E 81 14"},
        {"output control on echoes", "04 05 10 02 FF 00 29 6F", "04 05 10 02 FF 00 29 6F"},
        {"output control off (request of the reading)", "01 05 10 02 00 00 68 CA", "01 85 02 C3 51"},
        {"unknown coil", "01 05 10 03 FF 00 78 FA", "01 85 02 C3 51"},
        {"output register on ОСКИ: counted echo", "04 06 00 01 1F FF 90 2F", "04 06 04 00 01 1F FF B6 D6"},
        {"output register on ЛАДР: no such function", "01 06 00 01 00 00 D8 0A", "01 86 01 83 A0"},
        {"0x0F gives 8 bytes", "02 0F 40 D4", "02 0F 00 00 00 00 55 F8"},
        {"unknown command", "02 10 01 1C", "02 90 01 7D C0"},
        {"bad CRC ignored", "01 11 C0 2D", ""},
        {"too short ignored", "01 11 C0", ""},
        {"nobody at 9", "09 11 C7 EC", ""},
        {"broadcast never answered", "00 11 C1 BC", ""},
    };
    for (const Exact& e : table) {
        SCOPED_TRACE(e.what);
        EXPECT_EQ(ToHex(Send(line, Hex(e.request))), e.answer);
    }
    EXPECT_EQ(line.ignoredRequests, 2);
    EXPECT_EQ(line.Find(2)->confirmations, 1);
    EXPECT_TRUE(line.Find(4)->outputControl);
    EXPECT_EQ(line.Find(4)->outputRegister, 0x1FFF);
}

TEST_F(DemoLine, ParameterBlockCarriesPrivilegeInBit7AndTheStoredBytes) {
    Transmitter& ts = *line.Find(2);
    ts.block[4] = 0x7B;  // correction 7, TipK, Break, TipSign 3
    for (bool privileged : {true, false}) {
        ts.privileged = privileged;
        const Bytes a = Send(line, Hex("02 44 00 E3"));
        ASSERT_EQ(a.size(), 45u);
        EXPECT_TRUE(IntactFrame(a));
        EXPECT_EQ(a[2], 40);
        EXPECT_EQ(a[3 + 4], privileged ? 0x7B : 0xFB);
        for (int i = 0; i < 40; ++i) {
            if (i == 4) continue;
            EXPECT_EQ(a[3 + i], ts.block[i]) << i;
        }
    }
    // Plausible defaults: Pt100, -50…100, four-wire, own number.
    EXPECT_EQ(ts.block[9], 2);
    EXPECT_EQ(ts.block[10], 17);
    EXPECT_EQ(ts.block[11], 1);
    EXPECT_EQ(ts.block[12], 1);
}

TEST_F(DemoLine, CountByteFollowsBlockLenEvenBeyondTheBlock) {
    Transmitter& ladr = *line.Find(1);
    ladr.blockLen = 41;
    const Bytes a = Send(line, WithCrc({1, 0x44}));
    ASSERT_EQ(a.size(), 46u);
    EXPECT_EQ(a[2], 41);
    EXPECT_EQ(a[3 + 40], 0);
    EXPECT_TRUE(IntactFrame(a));
}

Bytes WriteRequest(int addr, std::array<std::uint8_t, 40> block, int len = 40) {
    Bytes r{static_cast<std::uint8_t>(addr), 0x45};
    r.insert(r.end(), block.begin(), block.begin() + len);
    return WithCrc(r);
}

TEST_F(DemoLine, BlockWriteStoresBytesAndMovesToTheNewNumber) {
    Transmitter& tp = *line.Find(3);
    std::array<std::uint8_t, 40> b = tp.block;
    b[4] = 0xA1;   // correction 10, LL
    b[11] = 6;     // number 7
    b[39] = 0x33;
    EXPECT_TRUE(Send(line, WriteRequest(3, b)).empty());
    EXPECT_EQ(tp.writes, 1);
    EXPECT_EQ(tp.block, b);
    EXPECT_EQ(tp.address, 7);
    EXPECT_EQ(tp.correction, 10);
    EXPECT_TRUE(Send(line, Hex("03 11 C1 4C")).empty());  // nobody left at 3
    const Bytes id = Send(line, WithCrc({7, 0x11}));
    EXPECT_EQ(ToHex(id), ToHex(WithCrc({7, 0x11, 3, 4, 0xA0, 102})));
    ASSERT_TRUE(line.Find(7) == &tp);
}

TEST_F(DemoLine, MalformedBlockWritesAreRefusedWhole) {
    Transmitter& ts = *line.Find(2);
    const auto before = ts.block;
    auto farNumber = ts.block;
    farNumber[11] = 32;  // number 33 does not exist
    auto changed = ts.block;
    changed[0] = 0x77;
    Send(line, WriteRequest(2, changed, 39));  // short
    Send(line, WriteRequest(2, farNumber));
    Bytes bad = WriteRequest(2, changed);
    bad.back() ^= 1;  // damaged on the way
    Send(line, bad);
    EXPECT_EQ(ts.writes, 0);
    EXPECT_EQ(ts.block, before);
    EXPECT_EQ(ts.address, 2);
}

TEST_F(DemoLine, BroadcastIsHeardButNotAnswered) {
    EXPECT_TRUE(Send(line, WithCrc({0, 0x46, 1, 2})).empty());
    for (Transmitter* d : line.Devices()) {
        EXPECT_EQ(d->broadcasts, 1);
        ASSERT_EQ(d->log.size(), 1u);
        EXPECT_TRUE(d->log[0].answer.empty());
    }
}

TEST_F(DemoLine, CalibrationCoilAndOutputControl) {
    Transmitter& oski = *line.Find(4);
    Send(line, WithCrc({4, 0x05, 0x10, 0x01, 0xFF, 0x00}));
    EXPECT_TRUE(oski.calibrationMode);
    Send(line, WithCrc({4, 0x05, 0x10, 0x01, 0x00, 0x00}));
    EXPECT_FALSE(oski.calibrationMode);
    EXPECT_EQ(ToHex(Send(line, WithCrc({4, 0x05, 0x10, 0x01, 0x12, 0x34}))), ToHex(WithCrc({4, 0x85, 3})));
    // Output control: Rez follows register 1, a negative code overflows low.
    Send(line, WithCrc({4, 0x05, 0x10, 0x02, 0xFF, 0x00}));
    Send(line, WithCrc({4, 0x06, 0x00, 0x01, 0xF0, 0x01}));
    const Bytes m = Send(line, WithCrc({4, 0x47, 0x00, 0x01}));
    ASSERT_EQ(m.size(), 14u);
    EXPECT_EQ(m[3], 0xF0);
    EXPECT_EQ(m[4], 0x01);
    EXPECT_EQ(m[5], 0x20);
}

struct SostCase {
    int model, tipSign, rez, kodAcp;
    std::uint8_t sost;
};

TEST(Transmitter, SostFollowsSetpointsAlarmTypeAndScale) {
    // ТЕВ default setpoints 1638 and 6552; ЛАДР 3276 and 13106.
    const SostCase cases[] = {
        {101, 0, 1000, 100, 0x01}, {101, 0, 4000, 100, 0x00}, {101, 0, 7000, 100, 0x02},
        {101, 1, 1000, 100, 0x03}, {101, 1, 4000, 100, 0x02}, {101, 1, 7000, 100, 0x00},
        {101, 2, 1000, 100, 0x00}, {101, 2, 4000, 100, 0x01}, {101, 2, 7000, 100, 0x03},
        {101, 3, 7000, 100, 0x00}, {101, 0, -1, 100, 0x21},   {101, 2, 8192, 100, 0x43},
        {100, 0, 16383, 100, 0x02}, {100, 0, 16384, 100, 0x42}, {103, 0, 20000, 100, 0x40},
        {103, 0, 8000, 32767, 0x80}, {102, 0, 4000, -32768, 0x80},
    };
    for (const SostCase& c : cases) {
        Transmitter t(1, c.model, 5);
        t.block[4] = static_cast<std::uint8_t>(c.tipSign);
        t.rez = c.rez;
        t.kodAcp = c.kodAcp;
        EXPECT_EQ(t.Sost(), c.sost) << c.model << " " << c.tipSign << " " << c.rez;
    }
}

TEST(Transmitter, MeasurementDriftsSlowlyInsideTheScaleAndRawCodesFollow) {
    Transmitter t(2, 101, 5);
    const int start = t.rez;
    for (int i = 0; i < 200; ++i) {
        const int before = t.rez;
        t.Drift();
        EXPECT_LE(std::abs(t.rez - before), t.drift);
        EXPECT_EQ(t.kodAcp, 1180 + (30720 - 1180) * t.rez / 8191);
    }
    EXPECT_LT(std::abs(t.rez - start), 400);
    t.rez = 9000;  // put beyond the scale by a test: stays there
    t.Drift();
    EXPECT_EQ(t.rez, 9000);
}

// ---- fault knobs ----------------------------------------------------------

struct FaultCase {
    const char* what;
    void (*set)(Faults&);
    const char* answer;  // to "02 11 C0 2C"-style identification of ТЕВ-ТС v5
    bool valid;
};

TEST(Faults, FixedKnobsChangeEveryAnswerAsDescribed) {
    // Intact: 02 11 03 05 00 65 ...
    const Bytes intact = WithCrc({2, 0x11, 3, 5, 0, 101});
    Bytes body = intact;
    body[3] ^= 0xA5;
    Bytes crc = intact;
    crc.back() ^= 0x5A;
    const FaultCase cases[] = {
        {"none", [](Faults&) {}, "", true},
        {"silent", [](Faults& f) { f.silent = true; }, "-", false},
        {"short header", [](Faults& f) { f.shortHeader = true; }, "02 11", false},
        {"corrupt body", [](Faults& f) { f.corruptBody = true; }, "body", false},
        {"corrupt crc", [](Faults& f) { f.corruptCrc = true; }, "crc", false},
        {"exception 6", [](Faults& f) { f.exceptionCode = 6; }, "02 91 06 3D 92", true},
        {"drop all", [](Faults& f) { f.dropRate = 1.0; }, "-", false},
        {"exception always", [](Faults& f) { f.exceptionRate = 1.0; }, "02 91 06 3D 92", true},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.what);
        Line line;
        Transmitter& d = line.Add(2, 101, 5);
        c.set(d.faults);
        const Bytes got = Send(line, WithCrc({2, 0x11}));
        std::string want = c.answer;
        if (want.empty()) want = ToHex(intact);
        if (want == "-") want = "";
        if (want == "body") want = ToHex(body);
        if (want == "crc") want = ToHex(crc);
        EXPECT_EQ(ToHex(got), want);
        ASSERT_EQ(d.log.size(), 1u);
        EXPECT_EQ(d.log[0].valid, c.valid);
        EXPECT_EQ(d.log[0].answer, got);
    }
}

TEST(Faults, RefusingDeviceDoesNotActOnAWrite) {
    Line line;
    Transmitter& d = line.Add(2, 101, 5);
    d.faults.exceptionCode = 6;
    auto b = d.block;
    b[11] = 9;
    const Bytes a = Send(line, WriteRequest(2, b));
    EXPECT_EQ(ToHex(a), ToHex(WithCrc({2, 0xC5, 6})));
    EXPECT_EQ(d.writes, 0);
    EXPECT_EQ(d.address, 2);
    d.faults = Faults{};
    d.faults.silent = true;  // off the line: no write either
    Send(line, WriteRequest(2, b));
    EXPECT_EQ(d.writes, 0);
}

TEST(Faults, DroppedAnswerStillActs) {
    Line line;
    Transmitter& d = line.Add(2, 101, 5);
    d.faults.dropRate = 1.0;
    EXPECT_TRUE(Send(line, WithCrc({2, 0x0E})).empty());
    EXPECT_EQ(d.confirmations, 1);
}

TEST(Faults, RandomRatesAreSeededAndRecorded) {
    auto run = [](std::uint32_t seed) {
        Line line;
        Transmitter& d = line.Add(1, 100, 5);
        d.faults = Faults{};
        d.faults.dropRate = 0.1;
        d.faults.truncateRate = 0.1;
        d.faults.corruptRate = 0.1;
        d.faults.exceptionRate = 0.1;
        d.faults.lateRate = 0.2;
        d.faults.lateMs = 700;
        d.faults.seed = seed;
        std::vector<Bytes> answers;
        int late = 0;
        for (int i = 0; i < 1000; ++i) {
            int delay = 0;
            answers.push_back(Send(line, WithCrc({1, 0x0E}), &delay));
            const Event& e = d.log.back();
            EXPECT_EQ(e.answer, answers.back());
            EXPECT_EQ(e.delayMs, delay);
            // valid exactly when the line carries a whole intact frame.
            const bool whole = e.answer == WithCrc({1, 0x0E}) || e.answer == WithCrc({1, 0x8E, 6});
            EXPECT_EQ(e.valid, whole) << ToHex(e.answer);
            if (delay == 700) ++late;
        }
        int valid = 0;
        for (const Event& e : d.log) valid += e.valid;
        return std::tuple{answers, valid, late};
    };
    const auto [a1, valid1, late1] = run(7);
    const auto [a2, valid2, late2] = run(7);
    const auto [a3, valid3, late3] = run(8);
    EXPECT_EQ(a1, a2);
    EXPECT_NE(a1, a3);
    // 0.9 kept x 0.9 whole x 0.9 unflipped ≈ 73 % intact.
    EXPECT_GT(valid1, 650);
    EXPECT_LT(valid1, 810);
    EXPECT_GT(late1, 120);
    EXPECT_LT(late1, 200);
}

TEST(Line, CollidingAnswersAreAndedAndMarkedInvalid) {
    Line line;
    Transmitter& a = line.Add(5, 100, 5);
    Transmitter& b = line.Add(5, 102, 4);
    const Bytes got = Send(line, WithCrc({5, 0x11}));
    const Bytes fa = WithCrc({5, 0x11, 3, 5, 0, 100});
    const Bytes fb = WithCrc({5, 0x11, 3, 4, 0, 102});
    ASSERT_EQ(got.size(), fa.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], fa[i] & fb[i]);
    EXPECT_FALSE(a.log.back().valid);
    EXPECT_FALSE(b.log.back().valid);
    // Identical answers survive a collision.
    EXPECT_EQ(Send(line, WithCrc({5, 0x0E})), WithCrc({5, 0x0E}));
    EXPECT_TRUE(a.log.back().valid);
    EXPECT_THROW(line.Add(33, 100, 5), std::invalid_argument);
    EXPECT_THROW(line.Add(0, 100, 5), std::invalid_argument);
}

}  // namespace
}  // namespace tservice::sim::testing
