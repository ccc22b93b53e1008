// The exchange with one transmitter against a scripted port in virtual time:
// framing on the wire, answer lengths, the two retry stages and their codes.
#include <gtest/gtest.h>

#include <memory>

#include "Comportclass.h"
#include "Frames.h"
#include "ScriptedMessages.h"

namespace tservice::testing {
namespace {

constexpr std::int64_t kStart = 1'000'000;
const char* const kPortGone = "COM-порт отключен. Проверьте оборудование, перезапустите программу.";

class ExchangeTest : public ::testing::Test {
protected:
    ExchangeTest() { port.open = true; }

    // An answer buffer of exactly kMaxAnswer bytes on the heap, so the
    // sanitizer build catches any write past its end.
    int Run(int device, std::uint8_t cmd, const Bytes& data = {}) {
        answer = std::make_unique<std::uint8_t[]>(kMaxAnswer);
        return link.Exchange(device, cmd, static_cast<std::uint8_t>(data.size()),
                             data.empty() ? nullptr : data.data(), answer.get());
    }
    Bytes Answer(int n) const { return Bytes(answer.get(), answer.get() + n); }
    std::int64_t Elapsed() { return clock.NowMs() - kStart; }

    VirtualClock clock{kStart};
    FakePort port{clock};
    ScriptedMessages messages;
    TComPortClass link{port, clock, messages};
    std::unique_ptr<std::uint8_t[]> answer;
};

const Bytes kIdent = WithCrc(Hex("01 11 03 05 20 65"));  // version 5, model 101

TEST_F(ExchangeTest, ExampleRequestsGoOutByteForByte) {
    struct Case { std::uint8_t cmd; const char* data; const char* frame; Bytes reply; };
    const Case cases[] = {
        {0x11, "", "01 11 C0 2C", kIdent},
        {0x44, "", "01 44 00 13", WithCrc(Hex("01 44 02 AA BB"))},
        {0x47, "00 01", "01 47 00 01 70 0D", WithCrc(Hex("01 47 09 00 01 02 03 04 05 06 07 08"))},
        {0x05, "10 02 00 00", "01 05 10 02 00 00 68 CA", Hex("01 05 10 02 00 00 68 CA")},
        {0x0E, "", "01 0E 81 E4", Hex("01 0E 81 E4")},
    };
    for (const auto& c : cases) {
        port.writes.clear();
        port.Reply(c.reply);
        EXPECT_EQ(Run(0, c.cmd, Hex(c.data)), kOk) << c.frame;
        ASSERT_EQ(port.writes.size(), 1u);
        EXPECT_EQ(ToHex(port.writes[0]), c.frame);
        EXPECT_EQ(Answer(static_cast<int>(c.reply.size())), c.reply);
        EXPECT_TRUE(port.line.empty()) << c.frame;
    }
}

TEST_F(ExchangeTest, RefusedCommandSendsNothing) {
    EXPECT_EQ(Run(0, 0x10), kRefused);
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(port.clears, 0);
    EXPECT_EQ(Elapsed(), 0);
}

TEST_F(ExchangeTest, DeviceIndexOutsideTheLineOrMissingDataSendsNothing) {
    EXPECT_EQ(Run(-1, 0x11), kRefused);  // would be address 0: every device
    EXPECT_EQ(Run(32, 0x11), kRefused);
    EXPECT_EQ(link.Exchange(0, 0x45, 4, nullptr, nullptr), kRefused);
    EXPECT_TRUE(port.writes.empty());
}

TEST_F(ExchangeTest, ClosedPortReturns256AndTouchesNothing) {
    port.open = false;
    EXPECT_EQ(Run(0, 0x11), kPortClosed);
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(port.clears, 0);
    EXPECT_EQ(port.reads, 0);
}

TEST_F(ExchangeTest, SilentDeviceCostsPovt1TriesOfFullTimeout) {
    EXPECT_EQ(Run(0, 0x11), kNoAnswer);
    EXPECT_EQ(port.writes.size(), 5u);
    EXPECT_EQ(port.clears, 1);  // one purge per exchange, not per try
    EXPECT_EQ(Elapsed(), 5 * (25 + 1300 + 300));
    // The pause before each request and after each failed try.
    EXPECT_EQ(port.writeTimes[0] - kStart, 25);
    EXPECT_EQ(port.writeTimes[1] - port.writeTimes[0], 1300 + 300 + 25);
}

TEST_F(ExchangeTest, ShortHeaderEveryTryGives129) {
    port.ReplyTimes(Hex("01 11"), 10);
    EXPECT_EQ(Run(0, 0x11), kTimeoutPart);
    EXPECT_EQ(port.writes.size(), 5u);
}

TEST_F(ExchangeTest, CorruptBodyRetriesPovt2TimesWithHeaderFailuresBetween) {
    Bytes bad = kIdent;
    bad[4] ^= 0x01;
    // Four silent tries before every corrupt answer: never five in a row,
    // because each valid header restores the stage-1 tries.
    for (int i = 0; i < 10; ++i) {
        port.ReplyTimes({}, 4);
        port.Reply(bad);
    }
    EXPECT_EQ(Run(0, 0x11), kCrcError);
    EXPECT_EQ(port.writes.size(), 50u);
    EXPECT_TRUE(port.replies.empty());
}

TEST_F(ExchangeTest, FiveHeaderFailuresInARowEndEvenAfterAValidHeader) {
    Bytes bad = kIdent;
    bad.back() ^= 0xFF;
    port.Reply(bad);
    port.ReplyTimes({}, 5);
    port.Reply(kIdent);
    EXPECT_EQ(Run(0, 0x11), kNoAnswer);
    EXPECT_EQ(port.writes.size(), 6u);
}

TEST_F(ExchangeTest, StageTwoCounterIsNotRestored) {
    link.Povt2 = 3;
    Bytes bad = kIdent;
    bad[3] ^= 0x40;
    port.Reply(bad);
    port.Reply({});
    port.Reply(bad);
    port.Reply(WithCrc(Hex("01 11 03 05")));  // count says 3, only 1 data byte + CRC: short body
    port.Reply(kIdent);
    EXPECT_EQ(Run(0, 0x11), kTimeoutPart);
    EXPECT_EQ(port.writes.size(), 4u);
}

TEST_F(ExchangeTest, RecoversWhenALaterTrySucceeds) {
    port.Reply({});
    port.Reply(Hex("01"));
    port.Reply(kIdent);
    EXPECT_EQ(Run(0, 0x11), kOk);
    EXPECT_EQ(port.writes.size(), 3u);
    EXPECT_EQ(Answer(8), kIdent);
    EXPECT_EQ(link.AnsCount, 3);
    EXPECT_EQ(link.AnsLen, 8);
}

TEST_F(ExchangeTest, ExceptionAnswerEndsAtOnceWithoutChecksum) {
    port.Reply(Hex("01 91 06 DE AD"));  // checksum is garbage and is not read
    port.Reply(kIdent);
    EXPECT_EQ(Run(0, 0x11), 6);
    EXPECT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(link.AnsLen, 5);
    EXPECT_EQ(port.line.size(), 2u);  // left for the next exchange's purge
    port.replies.clear();
    port.Reply(kIdent);
    EXPECT_EQ(Run(0, 0x11), kOk);
    EXPECT_EQ(Answer(8), kIdent);
}

TEST_F(ExchangeTest, ExceptionWithCodeZeroIsANormalAnswer) {
    const Bytes zero = WithCrc(Hex("01 91 00"));
    port.Reply(zero);
    EXPECT_EQ(Run(0, 0x11), kOk);
    EXPECT_EQ(link.AnsLen, 5);
    EXPECT_EQ(Answer(5), zero);

    Bytes bad = zero;
    bad[3] ^= 0x01;
    port.ReplyTimes(bad, 10);
    EXPECT_EQ(Run(0, 0x11), kCrcError);
}

TEST_F(ExchangeTest, WriteOnlyCommandsReadNothing) {
    const Bytes block(40, 0x11);
    EXPECT_EQ(Run(2, 0x45, block), kOk);
    EXPECT_EQ(Run(2, 0x46), kOk);
    EXPECT_EQ(Run(2, 0x46, Hex("01 02")), kOk);
    EXPECT_EQ(port.reads, 0);
    ASSERT_EQ(port.writes.size(), 3u);
    EXPECT_EQ(port.writes[0].size(), 44u);
    EXPECT_EQ(port.writes[0][0], 3);
    EXPECT_EQ(ToHex(port.writes[1]), ToHex(WithCrc(Hex("03 46"))));
    EXPECT_EQ(ToHex(port.writes[2]), ToHex(WithCrc(Hex("00 46 01 02"))));
}

TEST_F(ExchangeTest, FixedAnswerLengthsIgnoreByteTwo) {
    struct Case { std::uint8_t cmd; const char* data; Bytes reply; int len; };
    const Case cases[] = {
        {0x05, "10 02 FF 00", WithCrc(Hex("01 05 10 02 FF 00")), 8},   // byte 2 = 0x10
        {0x0E, "", WithCrc(Hex("01 0E")), 4},                         // byte 2 is the CRC
        {0x0F, "00 01 00 08 01 FF", WithCrc(Hex("01 0F 00 01 00 08")), 8},
    };
    for (const auto& c : cases) {
        port.line.clear();
        Bytes reply = c.reply;
        reply.push_back(0x77);  // a stray byte after the frame stays unread
        port.Reply(reply);
        EXPECT_EQ(Run(0, c.cmd, Hex(c.data)), kOk) << int(c.cmd);
        EXPECT_EQ(link.AnsLen, c.len) << int(c.cmd);
        EXPECT_EQ(port.line.size(), 1u) << int(c.cmd);
    }
}

TEST_F(ExchangeTest, AnswerFromAnotherAddressIsAStageOneFailureAndIsDropped) {
    // Per try the scripted answers; the code and the requests sent.
    struct Case { std::vector<Bytes> replies; int code; std::size_t tries; };
    const Bytes foreign = WithCrc(Hex("07 11 03 05 20 65"));
    const Case cases[] = {
        {{foreign, foreign, foreign, foreign, foreign, kIdent}, kBadHeader, 5},
        {{foreign, kIdent}, kOk, 2},                  // its rest is not read as our header
        {{Hex("07 91 06"), kIdent}, kOk, 2},          // another device's exception ends nothing
        {{Hex("00 11 03 05 20 65"), kIdent}, kOk, 2},  // address 0 is no answer either
    };
    for (const Case& c : cases) {
        port.replies.clear();
        port.writes.clear();
        for (const Bytes& r : c.replies) port.Reply(r);
        EXPECT_EQ(Run(0, 0x11), c.code) << c.tries;
        EXPECT_EQ(port.writes.size(), c.tries);
        if (c.code == kOk) { EXPECT_EQ(Answer(6), Bytes(kIdent.begin(), kIdent.begin() + 6)); }
    }
}

TEST_F(ExchangeTest, ChecksumMatchingInOneByteOnlyIsAMismatch) {
    for (int which : {0, 1}) {
        Bytes bad = kIdent;
        bad[bad.size() - 1 - which] ^= 0x5A;
        port.replies.clear();
        port.writes.clear();
        port.ReplyTimes(bad, 10);
        EXPECT_EQ(Run(0, 0x11), kCrcError) << which;
        EXPECT_EQ(port.writes.size(), 10u);
    }
}

TEST_F(ExchangeTest, ForeignCommandByteEveryTryGives128) {
    port.ReplyTimes(WithCrc(Hex("01 44 03 05 20 65")), 10);
    EXPECT_EQ(Run(0, 0x11), kBadHeader);
    EXPECT_EQ(port.writes.size(), 5u);
}

TEST_F(ExchangeTest, LastFailureDecidesTheCode) {
    // Bare headers: the rest of a foreign answer would stay on the line (there
    // is no purge between tries) and be read as the next header.
    port.ReplyTimes(Hex("01 44 03"), 4);
    port.Reply({});
    EXPECT_EQ(Run(0, 0x11), kNoAnswer);
    port.ReplyTimes({}, 4);
    port.Reply(Hex("01 12 00"));
    EXPECT_EQ(Run(0, 0x11), kBadHeader);
}

TEST_F(ExchangeTest, LongestAnswerFitsTheBuffer) {
    Bytes frame = Hex("01 44 FF");
    for (int i = 0; i < 255; ++i) frame.push_back(static_cast<std::uint8_t>(i));
    frame = WithCrc(frame);
    ASSERT_EQ(frame.size(), static_cast<std::size_t>(kMaxAnswer));
    port.Reply(frame);
    EXPECT_EQ(Run(0, 0x44), kOk);
    EXPECT_EQ(link.AnsLen, kMaxAnswer);
    EXPECT_EQ(Answer(kMaxAnswer), frame);

    // Count 255 and then far more bytes than that: the extra stays on the line.
    Bytes flood = frame;
    flood.insert(flood.end(), 600, 0xEE);
    port.Reply(flood);
    EXPECT_EQ(Run(0, 0x44), kOk);
    EXPECT_EQ(port.line.size(), 600u);

    // Count 255 and a short body: 129, nothing beyond the buffer.
    port.line.clear();
    port.ReplyTimes(Bytes(frame.begin(), frame.begin() + 100), 10);
    EXPECT_EQ(Run(0, 0x44), kTimeoutPart);
}

TEST_F(ExchangeTest, LongestSwitchRequestGetsAnAnswerThatFits) {
    const Bytes data(255, 0x00);
    Bytes reply = Hex("01 05");
    reply.insert(reply.end(), 255, 0x00);
    reply = WithCrc(reply);
    port.Reply(reply);
    EXPECT_EQ(Run(0, 0x05, data), kOk);
    EXPECT_EQ(link.AnsLen, kMaxRequest);
}

TEST_F(ExchangeTest, PortErrorsOfReadAndWritePropagate) {
    port.failWrite = true;
    EXPECT_THROW(Run(0, 0x11), PortError);
    port.failWrite = false;
    port.failRead = true;
    EXPECT_THROW(Run(0, 0x11), PortError);
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(ExchangeTest, PurgeFailureWarnsAsksToCloseAndGoesOn) {
    port.failClear = true;
    port.Reply(kIdent);
    EXPECT_EQ(Run(0, 0x11), kOk);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, kPortGone);
    EXPECT_EQ(messages.boxes[0].caption, "Ошибка");
    EXPECT_EQ(messages.boxes[0].icon, MsgIcon::Error);
    EXPECT_EQ(messages.closeRequests, 1);
    EXPECT_EQ(port.writes.size(), 1u);
}

TEST_F(ExchangeTest, TryCountsOfOneOrLessMeanASingleTry) {
    for (int count : {1, 0, -3}) {
        port.writes.clear();
        link.Povt1 = count;
        EXPECT_EQ(Run(0, 0x11), kNoAnswer);
        EXPECT_EQ(port.writes.size(), 1u) << count;
    }
    link.Povt1 = 5;
    link.Povt2 = 0;
    port.writes.clear();
    Bytes bad = kIdent;
    bad[5] ^= 1;
    port.ReplyTimes(bad, 3);
    EXPECT_EQ(Run(0, 0x11), kCrcError);
    EXPECT_EQ(port.writes.size(), 1u);
}

TEST_F(ExchangeTest, WaitMs) {
    link.WaitMs(0);
    link.WaitMs(-5);
    EXPECT_EQ(Elapsed(), 0);
    link.WaitMs(300);
    EXPECT_EQ(Elapsed(), 300);
}

TEST(WaitMs, AcrossMidnightLastsTheRequestedTime) {
    VirtualClock clock(86'399'990);
    FakePort port(clock);
    ScriptedMessages messages;
    TComPortClass link(port, clock, messages);
    link.WaitMs(50);
    EXPECT_EQ(clock.NowMs(), 86'400'040);
}

// OpenPort and the reporting of result codes.
class OpenPortTest : public ExchangeTest {
protected:
    OpenPortTest() { port.open = false; }
};

TEST_F(OpenPortTest, Rates) {
    for (int rate : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200}) {
        link.BaudText = std::to_string(rate);
        EXPECT_EQ(link.OpenPort(), 0) << rate;
        EXPECT_EQ(port.baud, rate);
    }
    for (const char* bad : {"1000", "", "0", " 9600", "9600 ", "+9600", "-9600", "96O0", "99999999999"}) {
        port.open = false;
        port.opens = 0;
        link.BaudText = bad;
        EXPECT_EQ(link.OpenPort(), -1) << bad;
        EXPECT_FALSE(port.open) << bad;
        EXPECT_EQ(port.opens, 0) << bad;
    }
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(OpenPortTest, ParityStopBitsAndName) {
    const std::pair<char, Parity> parities[] = {{'N', Parity::None}, {'O', Parity::Odd}, {'E', Parity::Even}};
    for (auto [ch, parity] : parities) {
        link.ParityChar = ch;
        ASSERT_EQ(link.OpenPort(), 0) << ch;
        EXPECT_EQ(port.parity, parity);
    }
    for (char bad : {'n', 'X', '\0'}) {
        link.ParityChar = bad;
        EXPECT_EQ(link.OpenPort(), -1) << int(bad);
        EXPECT_FALSE(port.open);
    }
    link.ParityChar = 'N';
    for (auto [text, bits] : {std::pair{"1", 1}, std::pair{"2", 2}}) {
        link.StopText = text;
        ASSERT_EQ(link.OpenPort(), 0);
        EXPECT_EQ(port.stopBits, bits);
    }
    for (const char* bad : {"0", "3", "", "1.5", "12"}) {
        link.StopText = bad;
        EXPECT_EQ(link.OpenPort(), -1) << bad;
    }
    link.StopText = "2";
    for (const char* bad : {"", "pts/3", "/tmp/port"}) {
        link.PortName = bad;
        EXPECT_EQ(link.OpenPort(), -1) << bad;
        EXPECT_FALSE(port.open);
    }
    link.PortName = "COM2";
    EXPECT_EQ(link.OpenPort(), 0);
    EXPECT_EQ(port.name, "COM2");
}

TEST_F(OpenPortTest, ReopeningClosesFirst) {
    ASSERT_EQ(link.OpenPort(), 0);
    ASSERT_EQ(link.OpenPort(), 0);
    EXPECT_EQ(port.opens, 2);
    EXPECT_EQ(port.closes, 1);
}

TEST_F(OpenPortTest, OpenFailureWarnsAndAsksToClose) {
    port.failOpen = true;
    EXPECT_EQ(link.OpenPort(), -1);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], (MsgBox{kPortGone, "Ошибка", MsgIcon::Error}));
    EXPECT_EQ(messages.closeRequests, 1);
}

TEST_F(OpenPortTest, CloseFailureWarnsAndIsNoSuccess) {
    port.open = true;
    port.failClose = true;
    link.BaudText = "19200";
    EXPECT_EQ(link.OpenPort(), -1);  // still open, but at the old settings
    EXPECT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.closeRequests, 1);
    messages.Reset();
    link.ClosePort();  // the failure of an explicit close is ignored
    EXPECT_FALSE(port.open);
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(ExchangeTest, ShowLinkError) {
    link.PortName = "COM2";
    link.ShowLinkError(2, kOk);
    EXPECT_TRUE(messages.boxes.empty());
    link.ShowLinkError(2, kNoAnswer);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "устройство 3 COM2 не отвечает на запрос");
    EXPECT_TRUE(port.open);
    link.ShowLinkError(2, kPortClosed);
    EXPECT_FALSE(port.open);
    EXPECT_EQ(messages.boxes.back(), (MsgBox{"Не выбран COM-порт.", "Ошибка", MsgIcon::Error}));
    EXPECT_EQ(messages.closeRequests, 0);
}

}  // namespace
}  // namespace tservice::testing
