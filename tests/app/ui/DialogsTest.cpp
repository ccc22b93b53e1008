// The device list scan and the progress steps, on a simulated line.
#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include "BusyPump.h"
#include "GuiFixture.h"
#include "Obrlistdevice.h"
#include "Obrport.h"

namespace tservice::testing {
namespace {

class DeviceList : public GuiTest {
protected:
    TFormDevice& Dlg() { return *form->FormDevice; }
    void Scan(int max) {
        Dlg().CBoxUstr->setCurrentIndex(max - 1);
        Dlg().Button1->click();
    }
    std::vector<int> Addresses(int cmd) const {
        std::vector<int> out;
        for (const Request& r : Requests())
            if (r.cmd == cmd && (out.empty() || out.back() != r.address)) out.push_back(r.address);
        return out;
    }
};

TEST_F(DeviceList, StartsWithHeadingAndNoSelection) {
    EXPECT_EQ(Text(Dlg().windowTitle()), "Список подключенных устройств");
    EXPECT_EQ(Dlg().Cell(0, 0), " № устройства");
    EXPECT_EQ(Dlg().Cell(1, 0), "Тип устройства");
    EXPECT_EQ(Dlg().StringGrid1->rowCount(), 32);
    const QFontMetrics metrics(Dlg().StringGrid1->horizontalHeader()->font());
    for (int col : {0, 1}) {
        const QString heading = QString::fromStdString(Dlg().Cell(col, 0));
        EXPECT_GE(Dlg().StringGrid1->columnWidth(col), std::max(col == 0 ? 87 : 100, metrics.horizontalAdvance(heading)))
            << "heading " << col << " whole";
    }
    EXPECT_LE(Dlg().StringGrid1->geometry().right(), Dlg().width());
    EXPECT_EQ(Dlg().CBoxUstr->currentIndex(), -1);
    EXPECT_TRUE(Dlg().ProgressBar1->isHidden());
    OpenPort();
    Dlg().Button1->click();
    EXPECT_TRUE(port.requests.empty()) << "no maximum chosen: nothing happens";
}

TEST_F(DeviceList, ListsDevicesFoundInAddressOrder) {
    AddDevice(2, kLadr, 5);
    AddDevice(5, kTevTp, 4);
    OpenPort();
    int stepsSeen = 0;
    Scan(8);
    (void)stepsSeen;
    EXPECT_EQ(Addresses(0x11), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Dlg().Cell(0, 1), "2");
    EXPECT_EQ(Dlg().Cell(1, 1), "ЛАДР");
    EXPECT_EQ(Dlg().Cell(0, 2), "5");
    EXPECT_EQ(Dlg().Cell(1, 2), "ТЕВ-ТП");
    for (int row = 3; row <= 32; ++row) EXPECT_EQ(Dlg().Cell(0, row), "") << row;
    EXPECT_EQ(Dlg().ScanRow, 2);
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(form->Link.Povt1, 5);
    EXPECT_TRUE(Dlg().ProgressBar1->isHidden());
    // A silent address costs two tries, not five.
    int triesAt1 = 0;
    for (const Request& r : Requests()) triesAt1 += r.address == 1 ? 1 : 0;
    EXPECT_EQ(triesAt1, 2);
}

TEST_F(DeviceList, UnknownModelIsListedWithoutName) {
    AddDevice(1, 104, 1);
    OpenPort();
    Scan(1);
    EXPECT_EQ(Addresses(0x11), (std::vector<int>{1}));
    EXPECT_EQ(Dlg().Cell(0, 1), "1");
    EXPECT_EQ(Dlg().Cell(1, 1), "");
}

TEST_F(DeviceList, AnswerWithoutTheModelByteIsPassedOver) {
    AddDevice(1, kTevTs, 5);
    AddDevice(2, kLadr, 5).faults.exceptionCode = 0;  // intact, no data bytes
    OpenPort();
    Scan(2);
    EXPECT_EQ(Dlg().Cell(0, 1), "1");
    EXPECT_EQ(Dlg().Cell(0, 2), "") << "not listed with the model of address 1";
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(DeviceList, NewScanEmptiesTheOldRows) {
    sim::Transmitter& t = AddDevice(2, kOski, 2);
    OpenPort();
    Scan(3);
    EXPECT_EQ(Dlg().Cell(1, 1), "ОСКИ");
    t.faults.silent = true;
    Scan(3);
    EXPECT_EQ(Dlg().Cell(0, 1), "");
    EXPECT_EQ(Dlg().Cell(1, 1), "");
}

TEST_F(DeviceList, PortErrorCodeEndsTheScanAndRestoresTries) {
    AddDevice(2, kTevTs, 5);
    sim::Transmitter& bad = AddDevice(4, kLadr, 5);
    bad.faults.exceptionCode = 133;
    AddDevice(6, kLadr, 5);
    OpenPort();
    form->Link.Povt1 = 3;
    Scan(8);
    EXPECT_EQ(Addresses(0x11), (std::vector<int>{1, 2, 3, 4}));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], LinkErrorBox(3, 133, "COM1"));
    EXPECT_EQ(Dlg().Cell(0, 1), "2") << "found devices stay listed";
    EXPECT_EQ(Dlg().Cell(0, 2), "");
    EXPECT_EQ(form->Link.Povt1, 3);
}

TEST_F(DeviceList, ClosedPortFindsNothingSilently) {
    AddDevice(1, kLadr, 5);
    Scan(4);
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(Dlg().Cell(0, 1), "");
}

TEST_F(DeviceList, ProgressRunsOnceToTheMaximum) {
    struct Case { int from, step, lo, hi, expected; };
    for (const Case& c : {Case{0, 10, 0, 100, 10}, Case{90, 10, 0, 100, 100}, Case{100, 10, 0, 100, 10},
                          Case{75, 25, 0, 100, 100}, Case{95, 10, 0, 100, 5}, Case{0, 10, 0, 0, 0}})
        EXPECT_EQ(WrapStep(c.from, c.step, c.lo, c.hi), c.expected) << c.from << "+" << c.step;
    AddDevice(12, kLadr, 5);
    OpenPort();
    // The scan's bar runs once from 0 to the maximum, the label names the address.
    std::vector<std::pair<int, std::string>> seen;
    onPump = [&] {
        const std::string label = Text(Dlg().LabAddress->text());
        if (seen.empty() || seen.back().second != label) seen.emplace_back(Dlg().ProgressBar1->value(), label);
    };
    Dlg().CBoxUstr->setCurrentIndex(11);
    Dlg().Button1->click();
    ASSERT_EQ(seen.size(), 12u);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(seen[i], std::make_pair(i, "адрес " + std::to_string(i + 1) + " из 12"));
    EXPECT_EQ(Dlg().ProgressBar1->maximum(), 12);
    EXPECT_EQ(Dlg().ProgressBar1->value(), 12);
    EXPECT_TRUE(Dlg().ButStop->isHidden());
}

// "Стоп", clicked while the third address is asked, ends the scan after that
// exchange; input for other controls is thrown away meanwhile.
TEST_F(DeviceList, StopEndsTheScanKeepingWhatWasFound) {
    AddDevice(2, kLadr, 5);
    AddDevice(3, kOski, 2);
    AddDevice(5, kTevTs, 5);
    OpenPort();
    form->Link.Povt1 = 4;
    Dlg().show();
    BusyPump pump;
    bool clicked = false;
    onPump = [&] {
        if (!clicked && !port.requests.empty() && port.requests.back()[0] == 3) {
            clicked = true;
            const QPointF at = QRectF(Dlg().ButStop->rect()).center();
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                QCoreApplication::postEvent(Dlg().ButStop,
                    new QMouseEvent(type, at, Dlg().ButStop->mapToGlobal(at), Qt::LeftButton,
                                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier));
            QCoreApplication::postEvent(&Dlg(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        }
        pump.Pump();
    };
    Scan(8);
    onPump = nullptr;
    QCoreApplication::processEvents();
    EXPECT_EQ(Addresses(0x11), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Dlg().Cell(0, 1), "2");
    EXPECT_EQ(Dlg().Cell(0, 2), "3");
    EXPECT_EQ(Dlg().Cell(1, 2), "ОСКИ");
    EXPECT_EQ(Dlg().Cell(0, 3), "");
    EXPECT_EQ(form->Link.Povt1, 4);
    EXPECT_EQ(Dlg().ProgressBar1->value(), 3);
    EXPECT_TRUE(Dlg().isVisible()) << "Esc made during the scan was replayed";
    Dlg().hide();
}

TEST_F(DeviceList, FastScanFindsTheSameRowsAndPutsItsWaitsBack) {
    AddDevice(2, kLadr, 5);
    AddDevice(5, kTevTp, 4);
    OpenPort();
    Dlg().ChBoxFast->setChecked(true);
    const std::int64_t t0 = clock.NowMs();
    Scan(8);
    EXPECT_LT(clock.NowMs() - t0, 1500) << "six silent addresses cost about 19 s in the standard scan";
    EXPECT_EQ(Addresses(0x11), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Dlg().Cell(0, 1) + Dlg().Cell(1, 1) + Dlg().Cell(0, 2) + Dlg().Cell(1, 2), "2ЛАДР5ТЕВ-ТП");
    EXPECT_EQ(Dlg().Cell(0, 3), "");
    EXPECT_EQ(port.GetReadTimeouts(), ReadTimeouts{});
    EXPECT_EQ(form->Link.GetRetryPauseMs(), 300);
    EXPECT_EQ(form->Link.Povt1, 5);
}

TEST_F(DeviceList, PortDialogDescribesPortsAndTakesTypedNames) {
    TFormPort& p = *form->FormPort;
    p.PortEntries = [] {
        return std::vector<PortEntry>{{"ttyUSB0", "FT232R USB UART", "FTDI", "A1"}, {"ttyS0", "", "", ""}};
    };
    p.FormShow();
    EXPECT_EQ(Text(p.CBoxPort->itemText(0)), "ttyUSB0 — FT232R USB UART, FTDI, A1");
    struct Case { const char* typed; const char* chosen; bool gatewayNote; };
    for (const Case& c : {Case{nullptr, "ttyUSB0", false},
                          Case{"/dev/serial/by-id/usb-FTDI-if00-port0", "/dev/serial/by-id/usb-FTDI-if00-port0", false},
                          Case{" tcp://gw:4001 ", "tcp://gw:4001", true}, Case{"ttyS0", "ttyS0", false}}) {
        if (c.typed != nullptr) p.CBoxPort->setEditText(QString::fromUtf8(c.typed));
        EXPECT_EQ(p.ChosenPort(), c.chosen);
        EXPECT_EQ(!p.LabTcp->isHidden(), c.gatewayNote) << c.chosen;
    }
    p.Parit->setCurrentIndex(1);
    p.CBoxPort->setEditText(QStringLiteral("tcp://gw"));
    p.OKClick();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].caption, "Ошибка");
    EXPECT_EQ(p.SavedParit, 0) << "a malformed gateway address saves nothing";
}

}  // namespace
}  // namespace tservice::testing
