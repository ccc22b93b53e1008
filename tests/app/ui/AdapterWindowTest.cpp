// The window on real adapters: an echoing line read and written as a clean
// one, the settings finder of the device list, the line statistics.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "EditFixture.h"
#include "Obrline.h"
#include "Obrlistdevice.h"
#include "Obrport.h"
#include "StatsTab.h"
#include "TracePanel.h"

namespace tservice::testing {
namespace {

class AdapterWindow : public EditTest {};

TEST_F(AdapterWindow, AnEchoingLineIsReadAndWrittenAsACleanOne) {
    port.echo = true;
    port.latencyMs = 4;
    sim::Transmitter& t = ReadDevice(2, kTevTs, 5);
    EXPECT_EQ(form->Image.Vvod, 1);
    Pick(form->CBoxTipSign, 2);
    form->OutPortClick();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(t.writes, 1);
    EXPECT_EQ(t.confirmations, 1);
    EXPECT_EQ(t.block[4] & 0x03, 2);
    EXPECT_EQ(form->Echo.Learned(), EchoLearned::Echo);
    // Every exchange took one try: nothing of the echo was taken for an answer.
    const DeviceStats* s = form->LineLog->Stats().Device(2);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->tries, s->exchanges);
    form->LineLog->TabStats->Refresh();
    ASSERT_EQ(form->LineLog->TabStats->GridStat->rowCount(), 2);  // the device and "всего"
    EXPECT_EQ(Text(form->LineLog->TabStats->GridStat->item(0, 11)->text()), "0,0 %");
}

TEST_F(AdapterWindow, FinderListsWhoAnswersAtTheirFramingAndTakesItIntoThePortSettings) {
    for (int address : {3, 6}) AddDevice(address, kTevTp, 4).listen = {19200, Parity::None, 1, false};
    OpenPort();
    TFormDevice& d = *form->FormDevice;
    d.CBoxUstr->setCurrentIndex(7);
    d.ButFindClick();
    EXPECT_EQ(d.Cell(0, 1), "3");
    EXPECT_EQ(d.Cell(0, 2), "6");
    EXPECT_EQ(Text(d.LabFraming->text()), "найдено при: 19200 бит/с, четность нет, стоповых битов 1");
    EXPECT_EQ(form->Link.BaudText, "9600");  // nothing taken until asked
    ASSERT_TRUE(d.ButTake->isEnabled());
    d.ButTake->click();
    EXPECT_EQ(form->Link.BaudText, "19200");
    EXPECT_EQ(port.OpenBaud(), 19200);
    EXPECT_EQ(port.OpenStopBits(), 1);
    EXPECT_EQ(Text(form->FormPort->Skor->currentText()), "19200");
    EXPECT_EQ(form->FormPort->SavedStBit, 0);
    Read(3);
    EXPECT_EQ(form->Image.Vvod, 1);
}

}  // namespace
}  // namespace tservice::testing
