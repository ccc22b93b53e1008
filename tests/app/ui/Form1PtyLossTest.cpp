// The line lost under the real serial port code: the pseudo-terminal of the
// simulated line is closed in the middle of a polling tick and of a write,
// then served again under the same name, as an adapter plugged in again.
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include <QComboBox>
#include <QLabel>
#include <QTimer>

#include "Form1.h"
#include "Obrport.h"
#include "PtyServer.h"
#include "QtComPort.h"
#include "ScriptedMessages.h"
#include "SimLine.h"
#include "TripPort.h"

#include <gtest/gtest.h>

namespace tservice::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kWallBound = std::chrono::seconds(10);

class PtyLoss : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Line::AddDemoDevices(line);
        for (sim::Transmitter* t : line.Devices()) t->drift = 0;
        linkPath = ::testing::TempDir() + "tservice-loss-" + std::to_string(::getpid());
        Serve();
        form = std::make_unique<TForm1>(trip, clock, messages, [this] { return std::vector<std::string>{linkPath}; });
        form->SetModalRunner([](QDialog& d) {
            auto& p = dynamic_cast<TFormPort&>(d);
            p.CBoxPort->setCurrentIndex(0);
            p.OKClick();
            return p.result();
        });
    }
    void TearDown() override {
        form.reset();
        server.reset();
    }

    // A server for the line under linkPath (the old one, if any, is gone).
    void Serve() {
        server.reset();
        server = std::make_unique<sim::PtyServer>(line);
        server->LinkPath(linkPath);
        server->Start();
    }
    // Closes the pty and waits (bounded) until its device node is gone, so
    // the loss has happened before the code under test goes on.
    void LoseLine() {
        const std::string slave = server->SlavePath();
        server->LosePort();
        for (int i = 0; i < 1000 && ::access(slave.c_str(), F_OK) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_NE(::access(slave.c_str(), F_OK), 0) << "the pty outlived its loss";
    }
    // The line's transmitters may be touched once the server has stopped.
    sim::Transmitter& Device(int address) {
        server->Stop();
        return *line.Find(address);
    }
    std::vector<std::uint8_t> ImageBlock() const {
        return {form->Image.Baza.begin() + 1, form->Image.Baza.begin() + 1 + form->Image.GetLen()};
    }
    static int Received(const sim::Transmitter& t, int cmd) {
        int n = 0;
        for (const sim::Event& e : t.log) n += e.request.size() > 1 && e.request[1] == cmd ? 1 : 0;
        return n;
    }

    sim::Line line;
    std::string linkPath;
    std::unique_ptr<sim::PtyServer> server;
    SteadyClock clock;
    QtComPort port{clock};
    TripPort trip{port};
    ScriptedMessages messages;
    std::unique_ptr<TForm1> form;
};

const MsgBox kPortGone{"COM-порт отключен. Проверьте оборудование, перезапустите программу.", "Ошибка",
                       MsgIcon::Error, MsgButtons::Ok, MsgAnswer::Ok};

// The port error box for operation; the system's own text follows the line
// break and is not ours to fix.
bool PortErrorOf(const MsgBox& box, const std::string& operation) {
    return box.caption == "Ошибка" && box.icon == MsgIcon::Error && box.buttons == MsgButtons::Ok &&
           box.text.rfind("Ошибка последовательного порта (" + operation + "):\n", 0) == 0;
}

TEST_F(PtyLoss, PollingTickOnALostLineStopsAndTheLineServedAgainIsRead) {
    form->PortClick();
    ASSERT_TRUE(form->Link.PortOpen());
    form->InPortClick();
    ASSERT_TRUE(messages.boxes.empty()) << messages.boxes[0].text;
    form->BtnPuskTimerClick();

    LoseLine();
    const auto t0 = Clock::now();
    form->Timer1Timer();
    EXPECT_LT(Clock::now() - t0, kWallBound);
    // The purge meets the closed line first, then the request cannot go out.
    ASSERT_EQ(messages.boxes.size(), 2u);
    EXPECT_EQ(messages.boxes[0], kPortGone);
    EXPECT_TRUE(PortErrorOf(messages.boxes[1], "Write")) << messages.boxes[1].text;
    EXPECT_EQ(messages.closeRequests, 1);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(form->LabTimer->isHidden());
    EXPECT_EQ(form->Image.Vvod, 0);

    Serve();
    messages.Reset();
    form->PortClick();
    ASSERT_TRUE(form->Link.PortOpen());
    form->InPortClick();
    EXPECT_TRUE(messages.boxes.empty()) << messages.boxes[0].text;
    EXPECT_EQ(form->Image.Vvod, 1);
    EXPECT_EQ(form->Panel1->text().toStdString(), "ЛАДР  731590.003  ПО.V5  0x5A17C3E9");
}

TEST_F(PtyLoss, LineLostBeforeTheBlockWritesNothingAndTheEditGoesOutOnceServedAgain) {
    form->PortClick();
    form->InPortClick();
    ASSERT_EQ(form->Image.Vvod, 1);
    std::vector<std::uint8_t> expected = ImageBlock();
    form->CBoxTipSign->setCurrentIndex(2);
    emit form->CBoxTipSign->activated(2);
    expected[4] = static_cast<std::uint8_t>((expected[4] & ~0x03) | 2);
    ASSERT_EQ(ImageBlock(), expected);

    // The identification has answered; the line goes before the block.
    trip.before = [this](PortOp op, int cmd) {
        if (op == PortOp::Write && cmd == 0x45) {
            trip.before = nullptr;
            LoseLine();
        }
    };
    const auto t0 = Clock::now();
    form->OutPortClick();
    EXPECT_LT(Clock::now() - t0, kWallBound);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_TRUE(PortErrorOf(messages.boxes[0], "Write")) << messages.boxes[0].text;
    EXPECT_EQ(messages.closeRequests, 0);
    EXPECT_EQ(form->Image.Izmen, 1);
    {
        sim::Transmitter& t = Device(1);
        EXPECT_EQ(Received(t, 0x45), 0) << "no byte of the block reached the device";
        EXPECT_EQ(t.writes, 0);
        EXPECT_EQ(t.block[4] & 0x03, 0);
    }

    Serve();
    messages.Reset();
    form->PortClick();  // the same name: the device and its edit are kept
    ASSERT_TRUE(form->Link.PortOpen());
    EXPECT_TRUE(messages.boxes.empty()) << messages.boxes[0].text;
    form->OutPortClick();
    EXPECT_TRUE(messages.boxes.empty()) << messages.boxes[0].text;
    EXPECT_EQ(form->Image.Izmen, 0);
    sim::Transmitter& t = Device(1);
    EXPECT_EQ(t.writes, 1);
    EXPECT_EQ(std::vector<std::uint8_t>(t.block.begin(), t.block.begin() + t.blockLen), expected);
}

}  // namespace
}  // namespace tservice::testing
