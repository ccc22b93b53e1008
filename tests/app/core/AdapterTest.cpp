// Real adapters on the simulated line in virtual time: the echo of the
// request, RTS switched by the program, framings nobody remembers, and the
// line statistics.
#include <gtest/gtest.h>

#include "PortNames.h"
#include "DirectionPort.h"
#include "EchoPort.h"
#include "FindSettings.h"
#include "LineDecode.h"
#include "LineRound.h"
#include "LineStats.h"
#include "ScriptedMessages.h"
#include "SimComPort.h"
#include "Workflow.h"

namespace tservice {
namespace {

// port <- echo <- traced <- link, the statistics and a recorder watching.
struct Bench {
    explicit Bench(bool echoLine, EchoMode mode = EchoMode::Auto) {
        sim::Line::AddDemoDevices(line);
        port.echo = echoLine;
        traced.SetLineOptions({.echo = mode});
        fanout.Add(&stats);
        fanout.Add(&recorder);
        traced.SetObserver(&fanout);
        link.SetObserver(&fanout);
        link.PortName = testing::kSerialName;
        EXPECT_EQ(link.OpenPort(), 0);
    }
    sim::Line line;
    VirtualClock clock{0};
    sim::SimComPort port{line, clock};
    EchoPort echo{port, clock};
    TracingPort traced{echo, clock};
    testing::ScriptedMessages messages;
    TComPortClass link{traced, clock, messages};
    LineStats stats;
    std::vector<ExchangeRecord> records;
    ExchangeRecorder recorder{[this](const ExchangeRecord& r) { records.push_back(r); }};
    ObserverFanout fanout;
};

// Everything the link reports of a session that reads, writes and switches:
// per exchange the device, command, result and answers of every try.
std::vector<std::string> Session(Bench& b) {
    std::vector<std::string> seen;
    ScanLine(b.link, 5);
    FastScanLine(b.link, 5);
    for (int index : {0, 1, 2, 3}) {
        DeviceImage image;
        int nu = index;
        seen.push_back("read " + std::to_string(static_cast<int>(ReadTransmitter(b.link, image, nu).stage)));
        const DeviceImage last = image;
        image.Baza[6] ^= 1;  // a setpoint byte
        seen.push_back("write " + std::to_string(static_cast<int>(WriteTransmitter(b.link, image, last, nu, nu).stage)));
    }
    seen.push_back("switch " + std::to_string(SwitchCoil(b.link, 3, kCoilOutputControl, true)));
    seen.push_back("current " + std::to_string(SetOutputCurrent(b.link, 3, 8000)));
    LineRound round(ScanLine(b.link, 4).found, [&b] { return b.clock.NowMs(); });
    for (int i = 0; i < 8; ++i) seen.push_back("round " + std::to_string(round.Step(b.link).code));
    for (const ExchangeRecord& r : b.records) {
        std::string s = std::to_string(r.deviceIndex) + ":" + std::to_string(r.cmd) + "=" + std::to_string(r.result);
        for (const TraceTry& t : r.tries) s += " [" + HexBytes(t.answer.data(), static_cast<int>(t.answer.size())) + "]";
        seen.push_back(s);
    }
    return seen;
}

TEST(Echo, AnEchoingLineGivesTheCleanLinesResultsTriesAndAnswers) {
    Bench clean(false);
    const std::vector<std::string> expected = Session(clean);
    struct Case { bool echoLine; EchoMode mode; };
    for (const Case& c : {Case{false, EchoMode::Auto}, Case{true, EchoMode::Auto}, Case{true, EchoMode::On},
                          Case{false, EchoMode::Off}}) {
        Bench b(c.echoLine, c.mode);
        EXPECT_EQ(Session(b), expected) << c.echoLine << static_cast<int>(c.mode);
        EXPECT_EQ(b.echo.Learned(), c.mode != EchoMode::Auto ? EchoLearned::Unknown
                                    : c.echoLine ? EchoLearned::Echo : EchoLearned::Clean);
        // The trace shows the echo apart from the answer.
        EXPECT_EQ(b.records.front().tries.front().echo.empty(), !c.echoLine);
    }
}

TEST(Echo, NoIdentificationAnswerCanBeginWithItsRequest) {
    // Auto learns from this: the request's third byte (CRC low) is never the
    // answer's count 3 at any address.
    for (int index = 0; index < 32; ++index) {
        std::uint8_t request[kMaxRequest];
        ASSERT_EQ(BuildRequest(index, kCmdIdent, 0, nullptr, request), 4);
        EXPECT_NE(request[2], kIdentCount) << index + 1;
    }
}

TEST(Echo, WhatIsNotAnExactCopyIsNeverDropped) {
    std::uint8_t answer[kMaxAnswer];
    // Without the echo taken out the header is the request's: no answer counts.
    Bench off(true, EchoMode::Off);
    EXPECT_EQ(IdentExchange(off.link, 0, answer), kTimeoutPart);
    // Expecting an echo that never comes passes the answer on, except where
    // the answer is the request itself: then it is lost, never mistaken.
    Bench on(false, EchoMode::On);
    EXPECT_EQ(IdentExchange(on.link, 0, answer), kOk);
    EXPECT_EQ(on.link.Exchange(0, kCmdConfirm, 0, nullptr, answer), kNoAnswer);
    // A lost answer after the echo is a lost answer: five tries, 130.
    Bench b(true);
    b.line.Find(2)->faults.dropRate = 1.0;
    EXPECT_EQ(IdentExchange(b.link, 0, answer), kOk);
    EXPECT_EQ(b.link.Exchange(1, kCmdConfirm, 0, nullptr, answer), kNoAnswer);
    EXPECT_EQ(b.records.back().tries.size(), 5u);
}

TEST(Echo, LookingForTheEchoCostsASilentAddressNoSecondWait) {
    std::int64_t took[2] = {};
    for (EchoMode mode : {EchoMode::Off, EchoMode::Auto}) {
        Bench b(false, mode);
        std::uint8_t answer[kMaxAnswer];
        EXPECT_EQ(IdentExchange(b.link, 9, answer), kNoAnswer);
        took[mode == EchoMode::Auto] = b.clock.NowMs();
    }
    // Five tries; the look ahead waits for 4 bytes where the header waits for 3.
    EXPECT_LE(took[1] - took[0], 5 * kReadTotalPerByteMs);
}

TEST(Echo, WhatAutoLearnedLastsWhileThePortNameStays) {
    Bench b(true);
    std::uint8_t answer[kMaxAnswer];
    EXPECT_EQ(IdentExchange(b.link, 0, answer), kOk);
    b.link.ClosePort();
    ASSERT_EQ(b.link.OpenPort(), 0);
    EXPECT_EQ(b.echo.Learned(), EchoLearned::Echo);
    EXPECT_EQ(SwitchCoil(b.link, 0, kCoilCalibration, true), kOk);
    b.link.PortName = testing::kOtherSerialName;
    ASSERT_EQ(b.link.OpenPort(), 0);
    EXPECT_EQ(b.echo.Learned(), EchoLearned::Unknown);
}

TEST(Direction, SoftRtsIsUpFromBeforeTheFirstBitUntilAfterTheLastStopBit) {
    sim::Line line;
    line.Add(1, 100, 5);
    VirtualClock clock{0};
    sim::SimComPort port{line, clock};
    DirectionPort direction{port, clock};
    testing::ScriptedMessages messages;
    TComPortClass link{direction, clock, messages};
    direction.SetLineOptions({.rts = RtsMode::Soft, .rtsBeforeMs = 2, .rtsAfterMs = 3});
    link.PortName = testing::kSerialName;
    ASSERT_EQ(link.OpenPort(), 0);
    std::uint8_t answer[kMaxAnswer];
    EXPECT_EQ(IdentExchange(link, 0, answer), kOk);
    // 4 bytes at 9600 8N2 leave the UART in 4.6 ms: the drain ends at 25+2+5.
    EXPECT_EQ(port.portEvents, (std::vector<std::string>{"rts- @0", "rts+ @25", "write 4 @27", "drain @32",
                                                         "rts- @35"}));
    port.hasRts = false;
    link.ClosePort();
    EXPECT_THROW(direction.Open(), PortError);
    EXPECT_FALSE(port.Connected());
}

TEST(FindSettings, FindsTheFramingTheTransmittersListenAtWithinOneFastScanPerFraming) {
    sim::Line line;
    for (int address : {2, 5}) line.Add(address, 101, 5).listen = {19200, Parity::None, 1, false};
    line.Add(9, 102, 4).listen = {57600, Parity::Even, 1, false};
    VirtualClock clock{0};
    sim::SimComPort port{line, clock};
    testing::ScriptedMessages messages;
    TComPortClass link{port, clock, messages};
    link.PortName = testing::kSerialName;
    ASSERT_EQ(link.OpenPort(), 0);
    const FindResult first = FindLineSettings(link, 10, false);
    ASSERT_EQ(first.found.size(), 1u);
    EXPECT_EQ(first.found[0].framing, (LineFraming{19200, 'N', 1}));
    ASSERT_EQ(first.found[0].found.size(), 2u);
    EXPECT_EQ(first.found[0].found[1].number, 5);
    // The link's own settings are back and the port reopened with them.
    EXPECT_EQ(link.BaudText, "9600");
    EXPECT_EQ(port.OpenStopBits(), 2);
    // No slower than a fast scan at each framing tried.
    const std::int64_t took = clock.NowMs();
    std::int64_t scans = 0;
    for (int i = 0; i < first.tried; ++i) {
        const LineFraming f = OfferedFramings()[static_cast<std::size_t>(i)];
        link.BaudText = std::to_string(f.baud);
        link.ParityChar = f.parity;
        link.StopText = std::to_string(f.stopBits);
        ASSERT_EQ(link.OpenPort(), 0);
        const std::int64_t start = clock.NowMs();
        FastScanLine(link, 10);
        scans += clock.NowMs() - start;
    }
    EXPECT_LE(took, scans);
    const FindResult all = FindLineSettings(link, 10, true);
    EXPECT_EQ(all.tried, 20);
    ASSERT_EQ(all.found.size(), 2u);
    EXPECT_EQ(all.found[1].framing, (LineFraming{57600, 'E', 1}));
}

TEST(LineStatistics, TenPerCentOfAnswersLostShowPerTransmitter) {
    Bench b(true);
    b.line.Find(3)->faults.dropRate = 0.1;
    b.line.Find(3)->faults.seed = 7;
    std::uint8_t answer[kMaxAnswer];
    ASSERT_EQ(IdentExchange(b.link, 0, answer), kOk);  // Auto learns the echo here
    b.stats.Reset();
    for (int i = 0; i < 500; ++i)
        for (int index : {0, 2}) b.link.Exchange(index, kCmdReadMeas, 2, kMeasRequest, answer);
    const DeviceStats* lossy = b.stats.Device(3);
    const DeviceStats* good = b.stats.Device(1);
    ASSERT_TRUE(lossy && good);
    EXPECT_EQ(lossy->exchanges, 500);
    EXPECT_EQ(lossy->tries - lossy->noAnswer, 500);  // every lost one was tried again
    EXPECT_NEAR(lossy->FailedShare(), 0.1, 0.03);
    EXPECT_TRUE(lossy->Marked());
    EXPECT_EQ(good->tries, 500);
    EXPECT_FALSE(good->Marked());
    // 5 + 14 bytes at 9600 8N2 and a 5 ms turnaround: 27 ms with the last read.
    EXPECT_EQ(good->MinMs(), good->MaxMs());
    EXPECT_NEAR(good->MedianMs(), 27, 2);
    b.stats.Reset();
    EXPECT_TRUE(b.stats.Devices().empty());
}

}  // namespace
}  // namespace tservice
