// The Qt port layer against a real pseudo-terminal: this test drives the
// master side directly. These are the only tests in real time, because the
// timeouts belong to the port layer itself.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>

#include <chrono>
#include <cstring>
#include <thread>

#include "Comportclass.h"
#include "Frames.h"
#include "PortList.h"
#include "QtComPort.h"
#include "ScriptedMessages.h"

namespace tservice::testing {
namespace {

class Pty {
public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        termios tio{};
        tcgetattr(master_, &tio);
        cfmakeraw(&tio);
        tcsetattr(master_, TCSANOW, &tio);
        const char* name = ptsname(master_);
        if (name != nullptr) path_ = name;
    }
    ~Pty() {
        if (master_ >= 0) close(master_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    void Send(const Bytes& bytes) {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Whatever reaches the master within timeoutMs, up to count bytes.
    Bytes Receive(int count, int timeoutMs) {
        Bytes out;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (static_cast<int>(out.size()) < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now()).count();
            pollfd pfd{master_, POLLIN, 0};
            if (left <= 0 || poll(&pfd, 1, static_cast<int>(left)) <= 0) break;
            std::uint8_t buf[300];
            const ssize_t n = read(master_, buf, std::min<std::size_t>(sizeof buf, count - out.size()));
            if (n <= 0) break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }

private:
    int master_ = -1;
    std::string path_;
};

class QtComPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!pty.Ok()) GTEST_SKIP() << "no pseudo-terminal available";
        port.SetPort(pty.Path());
        port.SetBaudRate(9600);
        port.SetParity(Parity::None);
        port.SetStopBits(2);
        ASSERT_NO_THROW(port.Open());  // the pty's refusal of DTR/RTS is no error
        ASSERT_TRUE(port.Connected());
    }
    std::int64_t Since(std::int64_t t0) { return clock.NowMs() - t0; }

    Pty pty;
    SteadyClock clock;
    QtComPort port{clock};
};

TEST_F(QtComPortTest, WriteReachesTheLine) {
    const Bytes frame = Hex("01 11 C0 2C");
    EXPECT_EQ(port.Write(frame.data(), 4), 4);
    EXPECT_EQ(pty.Receive(4, 1000), frame);
}

TEST_F(QtComPortTest, SilentLineReturnsNothingAfterTheTotalTimeout) {
    std::uint8_t buf[3];
    const auto t0 = clock.NowMs();
    EXPECT_EQ(port.Read(buf, 3), 0);
    const auto ms = Since(t0);
    EXPECT_GE(ms, 1250);
    EXPECT_LE(ms, 1700);
}

TEST_F(QtComPortTest, OneByteThenSilenceEndsAfterTheInterval) {
    pty.Send(Hex("5A"));
    std::uint8_t buf[3] = {};
    const auto t0 = clock.NowMs();
    EXPECT_EQ(port.Read(buf, 3), 1);
    EXPECT_EQ(buf[0], 0x5A);
    const auto ms = Since(t0);
    EXPECT_GE(ms, 90);
    EXPECT_LE(ms, 400);
}

TEST_F(QtComPortTest, BytesBeyondTheCountWaitForTheNextRead) {
    pty.Send(Hex("01 02 03 04 05"));
    std::uint8_t buf[5] = {};
    EXPECT_EQ(port.Read(buf, 3), 3);
    const auto t0 = clock.NowMs();
    EXPECT_EQ(port.Read(buf + 3, 2), 2);
    EXPECT_LE(Since(t0), 50);
    EXPECT_EQ(Bytes(buf, buf + 5), Hex("01 02 03 04 05"));
}

TEST_F(QtComPortTest, ClearBufferDropsALateAnswer) {
    // One late answer still in the driver, one partly taken into Qt's buffer.
    pty.Send(Hex("01 11 03 05 20 65 AA BB"));
    std::uint8_t buf[8] = {};
    ASSERT_EQ(port.Read(buf, 1), 1);
    pty.Send(Hex("EE EE"));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    port.ClearBuffer(true, true);
    pty.Send(Hex("01 0E 81"));
    EXPECT_EQ(port.Read(buf, 3), 3);
    EXPECT_EQ(Bytes(buf, buf + 3), Hex("01 0E 81"));
}

TEST_F(QtComPortTest, ClosedPortRaisesOnUse) {
    port.Close();
    EXPECT_FALSE(port.Connected());
    std::uint8_t buf[1];
    EXPECT_THROW(port.Read(buf, 1), PortError);
    EXPECT_THROW(port.Write(buf, 1), PortError);
    EXPECT_THROW(port.ClearBuffer(true, true), PortError);
    EXPECT_NO_THROW(port.Close());
}

TEST_F(QtComPortTest, ExchangeWithADeviceOnTheMasterSide) {
    ScriptedMessages messages;
    TComPortClass link(port, clock, messages);
    std::thread device([&] {
        const Bytes request = pty.Receive(4, 2000);
        if (request == Hex("01 11 C0 2C")) pty.Send(WithCrc(Hex("01 11 03 05 20 65")));
    });
    std::uint8_t answer[kMaxAnswer] = {};
    EXPECT_EQ(link.Exchange(0, 0x11, 0, nullptr, answer), kOk);
    device.join();
    EXPECT_EQ(answer[5], 0x65);
}

// Inside the program an event loop runs between exchanges, so Qt's read
// notifier may already have pulled a late answer into its own buffer.
TEST(QtComPortWithEventLoop, ClearBufferDropsWhatTheEventLoopReadAhead) {
    static int argc = 1;
    static char arg0[] = "link_pty_tests";
    static char* argv[] = {arg0, nullptr};
    QCoreApplication app(argc, argv);
    Pty pty;
    if (!pty.Ok()) GTEST_SKIP() << "no pseudo-terminal available";
    SteadyClock clock;
    QtComPort port(clock);
    port.SetPort(pty.Path());
    ASSERT_NO_THROW(port.Open());
    pty.Send(Hex("01 11 03 05 20 65 AA BB"));
    const auto end = clock.NowMs() + 200;
    while (clock.NowMs() < end) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    port.ClearBuffer(true, true);
    pty.Send(Hex("01 0E 81 E4"));
    std::uint8_t buf[8] = {};
    EXPECT_EQ(port.Read(buf, 8), 4);
    EXPECT_EQ(Bytes(buf, buf + 4), Hex("01 0E 81 E4"));
}

TEST(QtComPortOpen, MissingDeviceRaisesAndStaysClosed) {
    SteadyClock clock;
    QtComPort port(clock);
    for (const char* name : {"/dev/pts/99999", "ttyNoSuchPort0"}) {
        port.SetPort(name);
        try {
            port.Open();
            ADD_FAILURE() << name << " opened";
        } catch (const PortError& e) {
            EXPECT_EQ(e.Operation(), "Open");
            EXPECT_NE(e.Code(), 0) << e.what();
            EXPECT_FALSE(e.SystemText().empty());
        }
        EXPECT_FALSE(port.Connected());
    }
}

// Parity is generated on transmit only: a byte received with a parity or
// framing error is neither dropped, marked nor replaced.
TEST(QtComPortOpen, ReceivedParityIsNotChecked) {
    for (const Parity parity : {Parity::None, Parity::Odd, Parity::Even}) {
        Pty pty;
        if (!pty.Ok()) GTEST_SKIP() << "no pseudo-terminal available";
        SteadyClock clock;
        QtComPort port(clock);
        port.SetPort(pty.Path());
        port.SetParity(parity);
        ASSERT_NO_THROW(port.Open());
        const int fd = open(pty.Path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        termios tio{};
        ASSERT_EQ(tcgetattr(fd, &tio), 0);
        close(fd);
        // (A pseudo-terminal keeps no parity bit of its own to look at.)
        EXPECT_EQ(tio.c_iflag & (INPCK | IGNPAR | PARMRK | ISTRIP), 0u) << static_cast<int>(parity);
    }
}

TEST(QtComPortOpen, OpenPortOfTheLinkReportsAMissingDevice) {
    SteadyClock clock;
    QtComPort port(clock);
    ScriptedMessages messages;
    TComPortClass link(port, clock, messages);
    link.PortName = "/dev/pts/99999";
    EXPECT_EQ(link.OpenPort(), -1);
    EXPECT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.closeRequests, 1);
}

TEST(PortList, EnumerationDoesNotThrow) {
    std::vector<std::string> names;
    EXPECT_NO_THROW(names = EnumeratePorts());
    for (const auto& n : names) EXPECT_FALSE(n.empty());
}

}  // namespace
}  // namespace tservice::testing
