// The entry fields of the main window: setpoints, the cold-junction
// coefficient and the direct output current of ОСКИ, typed with the window
// active so that keys, Enter and Tab take the operator's way.
#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include "EditFixture.h"

namespace tservice::testing {
namespace {

const char* const kEntryError = " Ошибка ввода ";

class Form1Entry : public EditTest {
protected:
    sim::Transmitter& ReadTevTs(int diap) {
        sim::Transmitter& t = AddDevice(2, kTevTs, 5);
        t.block[10] = static_cast<std::uint8_t>(diap);
        OpenPort();
        Read(2);
        Activate();
        return t;
    }
};

struct Setpoint {
    int diap;            // Pt100 range (table F)
    const char* typed;
    int code;            // -1: rejected
    const char* shown;   // what the field shows after: what is stored
};

class Form1TevSetpoint : public Form1Entry, public ::testing::WithParamInterface<Setpoint> {};

TEST_P(Form1TevSetpoint, TemperatureBecomesItsCode) {
    const Setpoint& s = GetParam();
    ReadTevTs(s.diap);
    const int before = form->Image.GetUstKod1();
    const std::string shownBefore = Text(form->UstProc1->text());
    Enter(form->UstProc1, s.typed);
    EXPECT_EQ(form->Image.FocusEdit(), form->UstProc1);
    if (s.code < 0) {
        EXPECT_EQ(messages.plains, std::vector<std::string>{kEntryError});
        EXPECT_EQ(messages.beeps, 1);
        EXPECT_EQ(form->Image.GetUstKod1(), before);
        EXPECT_EQ(Text(form->UstProc1->text()), shownBefore) << "the stored value again";
    } else {
        EXPECT_TRUE(messages.plains.empty());
        EXPECT_EQ(form->Image.GetUstKod1(), s.code);
        EXPECT_EQ(Text(form->StUstKod1->text()), std::to_string(s.code));
        EXPECT_EQ(Text(form->UstProc1->text()), s.shown) << "what is stored, not the text as typed";
    }
}

INSTANTIATE_TEST_SUITE_P(Entry, Form1TevSetpoint,
                         ::testing::Values(Setpoint{30, "50", 4095, "49,99"}, Setpoint{30, "100", 8191, "100"},
                                           Setpoint{30, "100,5", -1, ""}, Setpoint{18, "-50", 0, "-50"},
                                           Setpoint{18, "-51", -1, ""}, Setpoint{18, "150", 8191, "150"}));

TEST_F(Form1Entry, SecondSetpointStoresItsOwnCode) {
    sim::Transmitter& t = ReadTevTs(30);
    Enter(form->UstProc2, "75");
    EXPECT_EQ(form->Image.GetUstKod2(), 6143);
    EXPECT_EQ(Text(form->StUstKod2->text()), "6143");
    form->OutPortClick();
    EXPECT_EQ(Word(t, 7), 6143);
}

TEST_F(Form1Entry, LadrPercentBecomesItsCode) {
    ReadDevice(1, kLadr, 5);
    Activate();
    Enter(form->UstProc1, "50");
    EXPECT_EQ(form->Image.GetUstKod1(), 8191);
    Enter(form->UstProc2, "100");
    EXPECT_EQ(form->Image.GetUstKod2(), 16383);
    Enter(form->UstProc1, "12,5");
    EXPECT_EQ(form->Image.GetUstKod1(), 2047);
    EXPECT_TRUE(messages.plains.empty());
}

TEST_F(Form1Entry, LadrRejectionShowsTheStoredPercentWithTwoDecimals) {
    ReadDevice(1, kLadr, 5);  // setpoints 3276 and 13106
    Activate();
    Enter(form->UstProc1, "100,5");
    EXPECT_EQ(Text(form->UstProc1->text()), "20,00");
    Enter(form->UstProc2, "-1");
    EXPECT_EQ(Text(form->UstProc2->text()), "80,00");
    EXPECT_EQ(messages.plains.size(), 2u);
    EXPECT_EQ(form->Image.GetUstKod1(), 3276);
    EXPECT_EQ(form->Image.GetUstKod2(), 13106);
}

TEST_F(Form1Entry, FaultyKeyNeverReachesTheFieldAndWarnsOnce) {
    ReadDevice(1, kLadr, 5);
    Activate();
    form->BtnPuskTimerClick();
    form->UstProc1->setFocus(Qt::MouseFocusReason);
    form->UstProc1->clear();
    QTest::keyClicks(form->UstProc1, QStringLiteral("12"));
    EXPECT_FALSE(form->Timer1->isActive()) << "a key stops polling";
    QTest::keyClick(form->UstProc1, Qt::Key_A);
    EXPECT_EQ(messages.plains, std::vector<std::string>{kEntryError}) << "the box's focus loss is no exit";
    EXPECT_EQ(Text(form->UstProc1->text()), "");
    QTest::keyClick(form->UstProc1, Qt::Key_5, Qt::ShiftModifier);
    EXPECT_EQ(messages.plains.size(), 2u);
    EXPECT_EQ(Text(form->UstProc1->text()), "");
    QTest::keyClicks(form->UstProc1, QStringLiteral("-7"));
    EXPECT_EQ(Text(form->UstProc1->text()), "-7");
    EXPECT_EQ(messages.plains.size(), 2u);
    EXPECT_EQ(messages.beeps, 2);
}

TEST_F(Form1Entry, PadDecimalTypesAComma) {
    ReadDevice(1, kLadr, 5);
    Activate();
    form->UstProc1->setFocus(Qt::MouseFocusReason);
    form->UstProc1->clear();
    QTest::keyClicks(form->UstProc1, QStringLiteral("12"));
    QTest::keyClick(form->UstProc1, Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClick(form->UstProc1, Qt::Key_5);
    EXPECT_EQ(Text(form->UstProc1->text()), "12,5");
    QTest::keyClick(form->UstProc1, Qt::Key_Tab);
    EXPECT_TRUE(messages.plains.empty());
    EXPECT_EQ(form->Image.GetUstKod1(), 2047);
}

TEST_F(Form1Entry, EnterMovesOnAndRunsTheExitCheck) {
    ReadDevice(1, kLadr, 5);
    Activate();
    form->UstProc1->setFocus(Qt::MouseFocusReason);
    form->UstProc1->clear();
    QTest::keyClick(form->UstProc1, Qt::Key_Return);
    EXPECT_EQ(messages.plains, std::vector<std::string>{kEntryError}) << "Enter in an empty field";
    EXPECT_TRUE(form->UstProc1->hasFocus());
    QTest::keyClicks(form->UstProc1, QStringLiteral("50"));
    QTest::keyClick(form->UstProc1, Qt::Key_Return);
    EXPECT_TRUE(form->UstProc2->hasFocus());
    EXPECT_EQ(form->Image.GetUstKod1(), 8191);
    EXPECT_EQ(messages.plains.size(), 1u);
}

TEST_F(Form1Entry, CoefficientTakesWholeNumbersUpTo9999) {
    sim::Transmitter& t = ReadDevice(3, kTevTp, 5);
    Activate();
    Enter(form->KTxc, "9999");
    EXPECT_EQ(form->Image.GetKTxc(), 9999);
    EXPECT_FALSE(form->KTxc->hasFocus());
    EXPECT_EQ(form->Image.FocusEdit(), form->KTxc);
    Enter(form->KTxc, "10000");
    EXPECT_EQ(messages.plains, std::vector<std::string>{kEntryError});
    EXPECT_EQ(Text(form->KTxc->text()), "9999");
    EXPECT_EQ(form->Image.GetKTxc(), 9999);
    form->OutPortClick();
    EXPECT_EQ(Word(t, 16), 9999);
}

TEST_F(Form1Entry, CoefficientKeysAreWholeNumberKeys) {
    ReadDevice(3, kTevTp, 5);
    Activate();
    form->KTxc->setFocus(Qt::MouseFocusReason);
    form->KTxc->clear();
    QTest::keyClick(form->KTxc, Qt::Key_5, Qt::ShiftModifier);
    EXPECT_EQ(Text(form->KTxc->text()), "5") << "Shift is not looked at";
    QTest::keyClick(form->KTxc, Qt::Key_Comma);
    EXPECT_EQ(messages.plains, std::vector<std::string>{kEntryError});
    EXPECT_EQ(Text(form->KTxc->text()), "");
    QTest::keyClicks(form->KTxc, QStringLiteral("42"));
    QTest::keyClick(form->KTxc, Qt::Key_Return);
    EXPECT_FALSE(form->KTxc->hasFocus()) << "Enter moves back";
    EXPECT_EQ(form->Image.GetKTxc(), 42);
}

TEST_F(Form1Entry, UnwrittenSensorChangeBlocksTheCoefficient) {
    ReadDevice(3, kTevTp, 5);
    Activate();
    PickText(form->CBoxTipD, "XK(L)");
    ASSERT_EQ(form->Image.IzmenTipD, 1);
    const int before = form->Image.GetKTxc();
    Enter(form->KTxc, "77");
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], (MsgBox{"Был изменен тип датчика,\nпроизведите запись в прибор", "Предупреждение",
                                         MsgIcon::Warning, MsgButtons::Ok, MsgAnswer::Ok}));
    EXPECT_TRUE(messages.plains.empty());
    EXPECT_EQ(Text(form->KTxc->text()), "77");
    EXPECT_EQ(form->Image.GetKTxc(), before);
}

class Form1Oski : public Form1Entry {
protected:
    sim::Transmitter& SwitchOn() {
        sim::Transmitter& t = ReadDevice(4, kOski, 2);
        Activate();
        port.requests.clear();
        port.writeTimesMs.clear();
        form->ButSwitch->click();
        EXPECT_TRUE(form->Edit1->isEnabled());
        EXPECT_TRUE(form->Label25->isEnabled());
        EXPECT_TRUE(t.outputControl);
        return t;
    }
    // Time of the last request with command cmd; -1 when none.
    std::int64_t TimeOf(int cmd) const {
        for (std::size_t i = port.requests.size(); i-- > 0;)
            if (port.requests[i].size() > 1 && port.requests[i][1] == cmd) return port.writeTimesMs[i];
        return -1;
    }
};

struct Current {
    const char* typed;
    std::uint8_t hi, lo;
};

class Form1OskiCurrent : public Form1Oski, public ::testing::WithParamInterface<Current> {};

TEST_P(Form1OskiCurrent, SentAtOnceThenReadASecondLater) {
    sim::Transmitter& t = SwitchOn();
    Enter(form->Edit1, GetParam().typed);
    const std::vector<Request> sent = Sent(0x06);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].address, 4);
    EXPECT_EQ(sent[0].data, (std::vector<std::uint8_t>{0x00, 0x01, GetParam().hi, GetParam().lo}));
    EXPECT_EQ(t.outputRegister, static_cast<std::int16_t>(GetParam().hi << 8 | GetParam().lo));
    EXPECT_GE(TimeOf(0x11) - TimeOf(0x06), 1000);
    EXPECT_EQ(Count(0x47), 1);
    EXPECT_EQ(form->Image.Izmen, 0);
}

INSTANTIATE_TEST_SUITE_P(Entry, Form1OskiCurrent,
                         ::testing::Values(Current{"12", 0x1F, 0xFF}, Current{"20", 0x3F, 0xFF},
                                           Current{"0", 0xF0, 0x01}));

TEST_F(Form1Oski, RejectedCurrentSendsNothingButReadsAgain) {
    SwitchOn();
    Enter(form->Edit1, "20,01");
    EXPECT_EQ(messages.plains, std::vector<std::string>{kEntryError});
    EXPECT_TRUE(Sent(0x06).empty());
    EXPECT_EQ(Count(0x47), 1);
    EXPECT_GE(TimeOf(0x11) - TimeOf(0x05), 1000);
}

TEST_F(Form1Oski, FailedCurrentIsShownEvenWhilePollingAndNotReadBack) {
    sim::Transmitter& t = SwitchOn();
    form->Edit1->setFocus(Qt::MouseFocusReason);
    form->Edit1->setText(QStringLiteral("12"));
    form->BtnPuskTimerClick();
    ASSERT_FALSE(form->ReportErrors);
    t.faults.silent = true;
    QTest::keyClick(form->Edit1, Qt::Key_Tab);  // Tab is no key of the filter: polling goes on
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], LinkErrorBox(3, kNoAnswer, "COM1"));
    EXPECT_EQ(Count(0x11), 0);
}

TEST_F(Form1Oski, SwitchOffDisablesTheFieldWithoutAnExitCheck) {
    sim::Transmitter& t = SwitchOn();
    form->Edit1->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(form->Edit1->hasFocus());
    form->ButSwitch->click();
    EXPECT_FALSE(form->Edit1->isEnabled());
    EXPECT_FALSE(form->Label25->isEnabled());
    EXPECT_FALSE(t.outputControl);
    const std::vector<Request> sent = Sent(0x05);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].data, (std::vector<std::uint8_t>{0x10, 0x02, 0xFF, 0x00}));
    EXPECT_EQ(sent[1].data, (std::vector<std::uint8_t>{0x10, 0x02, 0x00, 0x00}));
    EXPECT_TRUE(messages.plains.empty());
    EXPECT_EQ(Count(0x06), 0);
}

TEST_F(Form1Oski, SwitchErrorsAreShownOnlyOutsidePolling) {
    sim::Transmitter& t = ReadDevice(4, kOski, 2);
    t.faults.silent = true;
    form->BtnPuskTimerClick();
    form->ButSwitch->click();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_TRUE(form->Timer1->isActive()) << "the switch does not touch polling";
    form->BtnPuskTimerClick();
    form->ButSwitch->click();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], LinkErrorBox(3, kNoAnswer, "COM1"));
}

}  // namespace
}  // namespace tservice::testing
