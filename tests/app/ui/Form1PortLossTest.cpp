// The port disappearing under the main window, in virtual time: in the middle
// of a polling tick, of a write and of a scan. The operator gets the link's
// messages, polling stops, nothing waits on the dead port, no block goes out
// half, and the port can be opened again afterwards.
#include <cerrno>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "Obrlistdevice.h"
#include "SafetyFixture.h"

namespace tservice::testing {
namespace {

// What the simulated port's failures look like to the operator.
MsgBox PortFailure(const char* operation) { return PortErrorBox(PortError(operation, EIO, "Input/output error")); }

// Where the port goes away. `at` arms the fault just before the operation
// (op, command of the last request written) that first meets it.
struct Loss {
    const char* name;
    PortOp op;
    int cmd;
    enum Knob { Vanish, FailRead, FailWrite } knob;
    bool purgeFails;  // the purge meets the loss: "COM-порт отключен..." first
    const char* failedOp;
};

void PrintTo(const Loss& loss, std::ostream* os) { *os << loss.name; }
class PortLoss : public SafetyTest {
protected:
    // Arms loss at the first operation op after a request cmd was written.
    void Arm(const Loss& loss) {
        armed_ = true;
        trip.before = [this, loss](PortOp op, int cmd) {
            if (!armed_ || op != loss.op || cmd != loss.cmd) return;
            armed_ = false;
            switch (loss.knob) {
            case Loss::Vanish: port.vanished = true; break;
            case Loss::FailRead: port.failRead = 1; break;
            case Loss::FailWrite: port.failWrite = 1; break;
            }
        };
    }
    // The port is back (plugged in again); nothing armed.
    void Restore() {
        trip.before = nullptr;
        armed_ = false;
        port.vanished = false;
        port.failRead = port.failWrite = port.failClear = 0;
    }
    std::vector<MsgBox> ExpectedBoxes(const Loss& loss) const {
        std::vector<MsgBox> boxes;
        if (loss.purgeFails) boxes.push_back(PortGoneBox());
        boxes.push_back(PortFailure(loss.failedOp));
        return boxes;
    }
    // PortClick with the same port chosen: the operator's way back.
    void ReopenThroughDialog() {
        ScriptPort("COM1");
        form->PortClick();
        ASSERT_TRUE(port.Connected());
    }
    // Ticks that a message box's loop would run: none may reach the line.
    void TickInsideEveryBox() {
        messages.onShow = [this](const MsgBox&) {
            const std::size_t before = port.requests.size();
            form->Timer1Timer();
            EXPECT_EQ(port.requests.size(), before) << "a tick read the line inside a box";
        };
    }

    bool armed_ = false;
};

class PollingLoss : public PortLoss, public ::testing::WithParamInterface<Loss> {};

TEST_P(PollingLoss, TickStopsPollingWithTheLinksMessagesAndTheReadingWorksAfterReopening) {
    const Loss& loss = GetParam();
    sim::Transmitter& t = AddDevice(1, kLadr, 5);
    OpenPort();
    Read(1);
    form->BtnPuskTimerClick();
    std::int64_t t0 = clock.NowMs();
    form->Timer1Timer();
    const std::int64_t normalTick = clock.NowMs() - t0;
    ASSERT_TRUE(messages.boxes.empty());
    ASSERT_EQ(form->Image.Vvod, 1);

    Arm(loss);
    TickInsideEveryBox();
    t0 = clock.NowMs();
    form->Timer1Timer();
    const std::int64_t lostTick = clock.NowMs() - t0;

    EXPECT_EQ(messages.boxes, ExpectedBoxes(loss));
    EXPECT_EQ(messages.closeRequests, loss.purgeFails ? 1 : 0);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(form->LabTimer->isHidden());
    EXPECT_TRUE(form->ReportErrors);
    EXPECT_EQ(form->Image.Vvod, 0);
    EXPECT_LE(lostTick, normalTick) << "no retries on a port that is gone";
    EXPECT_EQ(Count(0x45), 0);
    EXPECT_EQ(t.writes, 0);

    Restore();
    messages.onShow = nullptr;
    ReopenThroughDialog();
    messages.Reset();
    form->InPortClick();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(form->Image.Vvod, 1);
    EXPECT_EQ(Text(form->Panel1->text()), "ЛАДР  731590.003  ПО.V5  0x5A17C3E9");
}

INSTANTIATE_TEST_SUITE_P(
    Loss, PollingLoss,
    ::testing::Values(Loss{"BeforeTheTick", PortOp::Clear, 0x47, Loss::Vanish, true, "Write"},
                      Loss{"AfterIdentification", PortOp::Clear, 0x11, Loss::Vanish, true, "Write"},
                      Loss{"AfterTheBlock", PortOp::Clear, 0x44, Loss::Vanish, true, "Write"},
                      Loss{"WhileTheBlockArrives", PortOp::Read, 0x44, Loss::FailRead, false, "Read"},
                      Loss{"AtTheMeasurementRequest", PortOp::Write, 0x47, Loss::FailWrite, false, "Write"}),
    [](const ::testing::TestParamInfo<Loss>& info) { return std::string(info.param.name); });

struct WriteLoss {
    Loss loss;
    bool blockSent;
};

void PrintTo(const WriteLoss& loss, std::ostream* os) { *os << loss.loss.name; }

class WriteLossTest : public PortLoss, public ::testing::WithParamInterface<WriteLoss> {};

TEST_P(WriteLossTest, WriteEndsWholeOrNotAtAllAndSucceedsAfterReopening) {
    const Loss& loss = GetParam().loss;
    sim::Transmitter& t = AddDevice(1, kTevTs, 5);
    OpenPort();
    Read(1);
    std::vector<std::uint8_t> expected = ImageBlock();
    Pick(form->CBoxTipSign, 2);
    expected[4] = static_cast<std::uint8_t>((expected[4] & ~0x03) | 2);
    ASSERT_EQ(ImageBlock(), expected);
    const std::vector<std::uint8_t> stored = Stored(t);
    form->BtnPuskTimerClick();  // polling runs while the block goes out
    messages.Reset();

    Arm(loss);
    TickInsideEveryBox();
    std::int64_t t0 = clock.NowMs();
    form->OutPortClick();
    const std::int64_t lostWrite = clock.NowMs() - t0;

    const bool sent = GetParam().blockSent;
    std::vector<MsgBox> boxes = ExpectedBoxes(loss);
    if (sent) {
        // Once the block is out the operator is told it may be held already.
        ASSERT_FALSE(messages.boxes.empty());
        const std::string text = messages.boxes.back().text;
        EXPECT_EQ(text.rfind(boxes.back().text + "\nЗапись не подтверждена (подтверждение записи)", 0), 0u) << text;
        boxes.back().text = text;
    }
    EXPECT_EQ(messages.boxes, boxes);
    EXPECT_EQ(messages.closeRequests, loss.purgeFails ? 1 : 0);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(form->ReportErrors);
    EXPECT_TRUE(form->ProgressBar1->isHidden());
    EXPECT_EQ(form->Image.Izmen, 1) << "the edit is not taken for written";
    EXPECT_EQ(ImageBlock(), expected);
    EXPECT_EQ(Count(0x45), sent ? 1 : 0);
    EXPECT_EQ(t.writes, sent ? 1 : 0);
    EXPECT_EQ(Stored(t), sent ? expected : stored) << "a block is stored whole or not at all";
    EXPECT_EQ(Count(0x44), 1) << "no read-back";

    Restore();
    messages.onShow = nullptr;
    ReopenThroughDialog();
    messages.Reset();
    t0 = clock.NowMs();
    form->OutPortClick();
    const std::int64_t goodWrite = clock.NowMs() - t0;
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(t.writes, sent ? 2 : 1);
    EXPECT_EQ(Stored(t), expected);
    EXPECT_EQ(form->Image.Izmen, 0);
    for (const Request& b : BlockWrites()) EXPECT_EQ(b.data, expected);
    EXPECT_LE(lostWrite, goodWrite) << "no retries on a port that is gone";
}

INSTANTIATE_TEST_SUITE_P(
    Loss, WriteLossTest,
    ::testing::Values(
        WriteLoss{{"BetweenIdentificationAndBlock", PortOp::Clear, 0x11, Loss::Vanish, true, "Write"}, false},
        WriteLoss{{"AtTheBlock", PortOp::Write, 0x45, Loss::FailWrite, false, "Write"}, false},
        WriteLoss{{"BeforeTheConfirmation", PortOp::Clear, 0x45, Loss::Vanish, true, "Write"}, true},
        WriteLoss{{"AtTheConfirmation", PortOp::Write, 0x0E, Loss::FailWrite, false, "Write"}, true},
        WriteLoss{{"WhileTheConfirmationArrives", PortOp::Read, 0x0E, Loss::FailRead, false, "Read"}, true}),
    [](const ::testing::TestParamInfo<WriteLoss>& info) { return std::string(info.param.loss.name); });

class ScanLoss : public PortLoss {
protected:
    TFormDevice& Dlg() { return *form->FormDevice; }
    // The device list opened from the main window, a scan up to max, closed.
    void ScanFromMainWindow(int max) {
        dialogScript.push_back([this, max](QDialog& d) {
            auto& dlg = dynamic_cast<TFormDevice&>(d);
            dlg.CBoxUstr->setCurrentIndex(max - 1);
            dlg.Button1->click();
            dlg.reject();
        });
        form->ListDeviceClick();
    }
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (int row = 1; row <= 32; ++row)
            if (!Dlg().Cell(0, row).empty()) rows.push_back(Dlg().Cell(0, row) + " " + Dlg().Cell(1, row));
        return rows;
    }
};

TEST_F(ScanLoss, ScanEndsWithTheLinksMessagesKeepsWhatItFoundAndWorksAfterReopening) {
    AddDevice(1, kLadr, 5);
    AddDevice(2, kTevTs, 5);
    AddDevice(5, kTevTp, 4);
    OpenPort();
    std::int64_t t0 = clock.NowMs();
    ScanFromMainWindow(8);
    const std::int64_t fullScan = clock.NowMs() - t0;
    ASSERT_EQ(Rows(), (std::vector<std::string>{"1 ЛАДР", "2 ТЕВ-ТС", "5 ТЕВ-ТП"}));

    // Gone at the purge for address 4 (address 3 is silent and takes two tries).
    port.requests.clear();
    trip.before = [this](PortOp op, int) {
        if (op == PortOp::Clear && Count(0x11) == 4) port.vanished = true;
    };
    form->Link.Povt1 = 5;
    TickInsideEveryBox();
    t0 = clock.NowMs();
    ScanFromMainWindow(8);
    const std::int64_t lostScan = clock.NowMs() - t0;
    EXPECT_EQ(messages.boxes, (std::vector<MsgBox>{PortGoneBox(), PortFailure("Write")}));
    EXPECT_EQ(messages.closeRequests, 1);
    EXPECT_EQ(form->Link.Povt1, 5);
    EXPECT_TRUE(Dlg().ProgressBar1->isHidden());
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1 ЛАДР", "2 ТЕВ-ТС"})) << "devices found before the loss stay listed";
    EXPECT_LE(lostScan, fullScan);
    EXPECT_EQ(Count(0x45), 0);

    Restore();
    messages.onShow = nullptr;
    ReopenThroughDialog();
    messages.Reset();
    ScanFromMainWindow(8);
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1 ЛАДР", "2 ТЕВ-ТС", "5 ТЕВ-ТП"}));
}

TEST_F(PortLoss, RequestedCloseAfterALostWriteOffersTheWriteSendsNothingAndEnds) {
    sim::Transmitter& t = AddDevice(1, kLadr, 5);
    OpenPort();
    Read(1);
    Pick(form->CBoxTipSign, 1);
    const std::vector<std::uint8_t> stored = Stored(t);
    messages.Reset();
    Arm({"BetweenIdentificationAndBlock", PortOp::Clear, 0x11, Loss::Vanish, true, "Write"});
    form->OutPortClick();
    ASSERT_EQ(messages.closeRequests, 1);
    // The close the link asked for, carried out: the operator says Yes again.
    messages.Reset();
    messages.Script({MsgAnswer::Yes});
    EXPECT_TRUE(form->close());
    EXPECT_EQ(messages.boxes,
              (std::vector<MsgBox>{{"Данные были изменены. Передать?", "Подтвердите передачу данных", MsgIcon::Question,
                                    MsgButtons::YesNo, MsgAnswer::Yes},
                                   PortGoneBox(), PortFailure("Write"),
                                   {"Работа закончена", "Подтверждение", MsgIcon::Information, MsgButtons::Ok,
                                    MsgAnswer::Ok}}));
    EXPECT_EQ(Count(0x45), 0);
    EXPECT_EQ(t.writes, 0);
    EXPECT_EQ(Stored(t), stored);
    EXPECT_FALSE(port.Connected());
}

TEST_F(PortLoss, PortStillGoneWhenReopenedThenBack) {
    AddDevice(1, kLadr, 5);
    OpenPort();
    Read(1);
    port.vanished = true;
    messages.Reset();
    ScriptPort("COM1");
    form->PortClick();
    EXPECT_EQ(messages.boxes, (std::vector<MsgBox>{PortGoneBox(), LinkErrorBox(0, kOpenFailed, "COM1")}));
    EXPECT_EQ(messages.closeRequests, 1);
    EXPECT_FALSE(port.Connected());
    messages.Reset();
    form->InPortClick();
    EXPECT_EQ(messages.boxes, (std::vector<MsgBox>{LinkErrorBox(0, kPortClosed, "COM1")}));
    EXPECT_EQ(form->Image.Vvod, 0);

    port.vanished = false;
    ReopenThroughDialog();
    messages.Reset();
    form->InPortClick();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(form->Image.Vvod, 1);
}

}  // namespace
}  // namespace tservice::testing
