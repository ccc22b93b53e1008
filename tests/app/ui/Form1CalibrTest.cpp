// Calibration of the scale ends and of the cold junction, and the
// output-current trim, as the simulated transmitters receive them.
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "EditFixture.h"

namespace tservice::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Cmds = std::vector<std::pair<int, int>>;

const Bytes kModeOn{0x10, 0x01, 0xFF, 0x00};
const Bytes kModeOff{0x10, 0x01, 0x00, 0x00};

struct Point {
    QPushButton* TForm1::*button;
    QLabel* TForm1::*mode;
    QLabel* TForm1::*target;
    int model;
    int word;  // position of the code in the transmitter's block
    const char* question;
    const char* caption;
};

const Point kPoints[] = {
    {&TForm1::Button1, &TForm1::LabRegKalibr, &TForm1::StKBegSk, kLadr, 0,
     "Внимание! Сейчас будет произведена калибровка\nначала шкалы измерения \nУбедитесь, подан ли на вход "
     "сигнал,\nсоответствующий началу шкалы?",
     "Подтвердите готовность к калибровке шкалы"},
    {&TForm1::Button2, &TForm1::LabRegKalibr, &TForm1::StKEndSk, kTevTs, 2,
     "Внимание! Сейчас будет произведена калибровка\nконца шкалы измерения \nУбедитесь, подан ли на вход "
     "сигнал,\nсоответствующий концу шкалы?",
     "Подтвердите готовность к калибровке шкалы"},
    {&TForm1::KalibrBegSk, &TForm1::LabRegKalibrTXC, &TForm1::StBegSkTxc, kTevTp, 12,
     "Внимание! Сейчас будет произведена калибровка\nначала шкалы измерения Тхс\nПодан ли на вход Тхс сигнал "
     "100 Ом?",
     "Подтвердите готовность к калибровке шкалы Тхс"},
    {&TForm1::KalibrEndSk, &TForm1::LabRegKalibrTXC, &TForm1::StEndSkTxc, kTevTp, 14,
     "Внимание! Сейчас будет произведена калибровка\nконца шкалы измерения Тхс\nПодан ли на вход Тхс сигнал, "
     "соответствующий 100°С?",
     "Подтвердите готовность к калибровке шкалы Тхс"},
};

class Form1Calibr : public EditTest, public ::testing::WithParamInterface<Point> {
protected:
    sim::Transmitter& Prepare() {
        sim::Transmitter& t = ReadDevice(1, GetParam().model, 5);
        t.kodAcp = 1234;
        t.kodTxc = 4321;
        port.requests.clear();
        return t;
    }
    QLabel* Mode() const { return form.get()->*GetParam().mode; }
    QPushButton* Button() const { return form.get()->*GetParam().button; }
    int Raw() const { return GetParam().mode == &TForm1::LabRegKalibr ? 1234 : 4321; }
};

TEST_P(Form1Calibr, YesWritesTheMeasuredRawCode) {
    sim::Transmitter& t = Prepare();
    bool shownDuringQuestion = false;
    messages.onShow = [&](const MsgBox&) { shownDuringQuestion = !Mode()->isHidden(); };
    messages.Script({MsgAnswer::Yes});
    Button()->click();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], (MsgBox{GetParam().question, GetParam().caption, MsgIcon::Question,
                                         MsgButtons::YesNo, MsgAnswer::No}));
    EXPECT_TRUE(shownDuringQuestion);
    EXPECT_TRUE(Mode()->isHidden());
    EXPECT_EQ(Commands(), (Cmds{{1, 0x05}, {1, 0x11}, {1, 0x44}, {1, 0x47}, {1, 0x11}, {1, 0x45}, {1, 0x0E},
                                {1, 0x11}, {1, 0x44}, {1, 0x47}}));
    EXPECT_EQ(Sent(0x05)[0].data, kModeOn);
    EXPECT_EQ(Word(t, GetParam().word), Raw());
    EXPECT_EQ(Text((form.get()->*GetParam().target)->text()), std::to_string(Raw()));
    EXPECT_EQ(form->Image.FocusButton(), Button());
}

TEST_P(Form1Calibr, NoSwitchesTheModeOffAndWritesNothing) {
    sim::Transmitter& t = Prepare();
    messages.Script({MsgAnswer::No});
    Button()->click();
    EXPECT_EQ(Commands(), (Cmds{{1, 0x05}, {1, 0x05}}));
    EXPECT_EQ(Sent(0x05)[0].data, kModeOn);
    EXPECT_EQ(Sent(0x05)[1].data, kModeOff);
    EXPECT_FALSE(t.calibrationMode);
    EXPECT_TRUE(Mode()->isHidden());
    EXPECT_EQ(t.writes, 0);
}

TEST_P(Form1Calibr, ModeThatCannotBeSwitchedOnAsksNothing) {
    sim::Transmitter& t = Prepare();
    t.faults.silent = true;
    Button()->click();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], LinkErrorBox(0, kNoAnswer, "COM1"));
    EXPECT_FALSE(Mode()->isHidden()) << "the label stays";
    EXPECT_EQ(Count(0x05), static_cast<int>(port.requests.size()));
}

INSTANTIATE_TEST_SUITE_P(Points, Form1Calibr, ::testing::ValuesIn(kPoints));

class Form1Trim : public EditTest {};

TEST_F(Form1Trim, StartTrimCodeGoesIntoRejimAndIsWrittenAtOnce) {
    sim::Transmitter& t = ReadDevice(1, kLadr, 5);
    t.block[4] = 0x06;  // alarm type and break bits must survive
    form->InPortClick();
    PickText(form->CBoxCurrent, "-12 мкА");
    EXPECT_EQ(t.writes, 1);
    EXPECT_EQ(t.block[4], 0xA6);
    EXPECT_EQ(t.correction, 10);
    EXPECT_EQ(form->CBoxCurrent->currentIndex(), 10) << "read back from the identification";
    EXPECT_EQ(form->Image.Izmen, 0);
    EXPECT_EQ(form->Image.FocusCombo(), form->CBoxCurrent);
}

struct EndTrim {
    int model;
    int at;  // block position of the byte whose low bits hold the code
};

class Form1EndTrim : public EditTest, public ::testing::WithParamInterface<EndTrim> {};

TEST_P(Form1EndTrim, EndTrimCodeKeepsTheOtherBitsOfItsByte) {
    sim::Transmitter& t = AddDevice(1, GetParam().model, 5);
    t.block[GetParam().at] = (t.block[GetParam().at] & 0xF0) | 0x50;
    OpenPort();
    Read(1);
    const std::uint8_t high = t.block[GetParam().at] & 0xF0;
    PickText(form->CBoxCurrentEnd, "-12 мкА");
    EXPECT_EQ(t.writes, 1);
    EXPECT_EQ(t.block[GetParam().at] & 0x0F, 8);
    EXPECT_EQ(t.block[GetParam().at] & 0xF0, high);
}

INSTANTIATE_TEST_SUITE_P(Trim, Form1EndTrim,
                         ::testing::Values(EndTrim{kLadr, 12}, EndTrim{kOski, 12}, EndTrim{kTevTs, 38},
                                           EndTrim{kTevTp, 38}));

TEST_F(Form1Trim, PollingIsStoppedForTheWriteAndRunsAgainAfterwards) {
    sim::Transmitter& t = ReadDevice(1, kLadr, 5);
    form->BtnPuskTimerClick();
    PickText(form->CBoxCurrent, "+ 8 мкА");
    EXPECT_EQ(t.writes, 1);
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_FALSE(form->ReportErrors);
    EXPECT_FALSE(form->LabTimer->isHidden());
    // With polling stopped for the write, its failure is reported.
    t.faults.silent = true;
    PickText(form->CBoxCurrent, "+4 мкА");
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], LinkErrorBox(0, kNoAnswer, "COM1"));
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_FALSE(form->ReportErrors);
}

TEST_F(Form1Trim, FailedTrimWriteKeepsTheImageChanged) {
    sim::Transmitter& t = ReadDevice(1, kLadr, 5);
    recorder.swallow = 0x0E;
    PickText(form->CBoxCurrent, "+4 мкА");
    recorder.swallow = -1;
    EXPECT_EQ(t.writes, 1);
    EXPECT_EQ(form->Image.Izmen, 1);
    ASSERT_EQ(messages.boxes.size(), 1u);
    messages.Script({MsgAnswer::No});
    form->close();
    EXPECT_EQ(messages.boxes[1].text, "Данные были изменены. Передать?");
}

}  // namespace
}  // namespace tservice::testing
