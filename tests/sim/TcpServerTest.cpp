// The simulated line on loopback TCP through the TCP port, against the same
// line on a pseudo-terminal through the serial port (real time, bounded).
#include <gtest/gtest.h>

#include <chrono>

#include "LinePort.h"
#include "PtyServer.h"
#include "Scan.h"
#include "ScriptedMessages.h"
#include "TcpServer.h"

namespace tservice::sim::testing {
namespace {

struct Served {
    explicit Served(bool tcp) {
        Line::AddDemoDevices(line);
        for (Transmitter* d : line.Devices()) d->drift = 0;
        if (tcp) {
            auto t = std::make_unique<TcpServer>(line, "127.0.0.1", 0);
            t->SetLineRate(115200, Parity::None, 2);
            link.PortName = t->Address();
            server = std::move(t);
        } else {
            auto p = std::make_unique<PtyServer>(line);
            link.PortName = p->SlavePath();
            server = std::move(p);
        }
        link.BaudText = "115200";
        server->SetTurnaroundMs(0);
        server->Start();
    }
    // Every request each device heard and what it put on the line.
    std::vector<std::vector<std::uint8_t>> Log() {
        return server->WithLine([](Line& l) {
            std::vector<std::vector<std::uint8_t>> out;
            for (Transmitter* d : l.Devices())
                for (const Event& e : d->log) {
                    out.push_back(e.request);
                    out.push_back(e.answer);
                }
            return out;
        });
    }
    Line line;
    std::unique_ptr<LineServer> server;
    SteadyClock clock;
    LinePort port{clock};
    tservice::testing::ScriptedMessages messages;
    TComPortClass link{port, clock, messages};
    std::uint8_t answer[kMaxAnswer] = {};
};

TEST(TcpLine, SameRequestsAndResultsAsOverThePty) {
    std::vector<std::vector<std::uint8_t>> logs[2], results[2];
    for (bool tcp : {false, true}) {
        Served s(tcp);
        ASSERT_EQ(s.link.OpenPort(), 0) << s.link.PortName;
        EXPECT_EQ(s.port.IsTcp(), tcp);
        const std::uint8_t meas[] = {0x00, 0x01};
        struct Step { std::uint8_t cmd, len; const std::uint8_t* data; };
        for (auto [cmd, len, data] : {Step{0x11, 0, nullptr}, Step{0x44, 0, nullptr}, Step{0x47, 2, meas}}) {
            ASSERT_EQ(s.link.Exchange(1, cmd, len, data, s.answer), kOk) << tcp << " " << cmd;
            results[tcp].emplace_back(s.answer, s.answer + s.link.AnsLen);
        }
        const ScanResult r = FastScanLine(s.link, 6);
        for (const FoundDevice& d : r.found) results[tcp].push_back({std::uint8_t(d.number), std::uint8_t(d.model)});
        EXPECT_EQ(r.found.size(), 4u) << tcp;
        logs[tcp] = s.Log();
        EXPECT_TRUE(s.messages.boxes.empty());
    }
    EXPECT_EQ(results[1], results[0]);
    EXPECT_EQ(logs[1], logs[0]);
}

TEST(TcpLine, DroppedConnectionIsALostPortWithoutAHang) {
    Served s(true);
    ASSERT_EQ(s.link.OpenPort(), 0);
    ASSERT_EQ(s.link.Exchange(0, 0x11, 0, nullptr, s.answer), kOk);
    s.server->EndAtFrame(2);  // the gateway goes away as the next request arrives
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_THROW(s.link.Exchange(0, 0x44, 0, nullptr, s.answer), PortError);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1000)) << "no read timeout awaited";
    // The next poll finds the port gone at the purge, and its write fails,
    // as with a vanished serial port.
    EXPECT_TRUE(s.port.Connected());
    EXPECT_THROW(s.link.Exchange(0, 0x11, 0, nullptr, s.answer), PortError);
    ASSERT_EQ(s.messages.boxes.size(), 1u);
    EXPECT_EQ(s.messages.boxes[0].text, "COM-порт отключен. Проверьте оборудование, перезапустите программу.");
    EXPECT_EQ(s.messages.closeRequests, 1);
}

TEST(TcpLine, RefusedOrMalformedAddressIsAnOpenError) {
    int freePort = 0;
    {
        Line line;
        freePort = TcpServer(line, "127.0.0.1", 0).Port();  // closed again: nobody listens there
    }
    SteadyClock clock;
    for (const std::string& name : {"tcp://127.0.0.1:" + std::to_string(freePort), std::string("tcp://127.0.0.1:0")}) {
        LinePort port(clock);
        port.SetPort(name);
        EXPECT_THROW(port.Open(), PortError) << name;
        EXPECT_FALSE(port.Connected());
        EXPECT_FALSE(port.LastOpenError().empty());
    }
    Line line;
    EXPECT_THROW(TcpServer(line, "10.0.0.1", 0), std::invalid_argument) << "loopback only";
}

}  // namespace
}  // namespace tservice::sim::testing
