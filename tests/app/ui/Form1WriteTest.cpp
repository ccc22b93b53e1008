// Writing the parameter set and the device-number change, judged by what the
// simulated transmitters received and stored.
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "EditFixture.h"

namespace tservice::testing {
namespace {

using Cmds = std::vector<std::pair<int, int>>;

MsgBox Warning(const char* text) { return {text, "Предупреждение", MsgIcon::Warning, MsgButtons::Ok, MsgAnswer::Ok}; }

class Form1Write : public EditTest {};

TEST_F(Form1Write, WithoutReadingOrBlockOnlyTheMessageAndNothingSent) {
    AddDevice(1, kLadr, 5);
    OpenPort();
    for (const int vvod : {0, 1}) {  // 1: input flag set but Len 0
        messages.Reset();
        form->Image.Vvod = vvod;
        bool barShown = false;
        messages.onShow = [&](const MsgBox&) { barShown = !form->ProgressBar1->isHidden(); };
        form->OutPortClick();
        ASSERT_EQ(messages.boxes.size(), 1u) << vvod;
        EXPECT_EQ(messages.boxes[0], Warning("Нет данных о приборе,\nпроизведите ввод информации с СОМ порта"));
        EXPECT_FALSE(barShown) << vvod;
        EXPECT_TRUE(port.requests.empty()) << vvod;
        EXPECT_TRUE(form->ProgressBar1->isHidden());
        EXPECT_EQ(Text(form->Contr->text()), "OutPortClick 0");
    }
}

TEST_F(Form1Write, FailedReadingLeavesNothingToWrite) {
    sim::Transmitter& t = ReadDevice(1, kLadr, 5);
    Activate();
    Pick(form->CBoxTipSign, 2);
    t.faults.silent = true;
    form->InPortClick();  // the image is emptied, then the reading fails
    t.faults.silent = false;
    messages.Reset();
    const std::size_t before = port.requests.size();
    form->OutPortClick();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Нет данных о приборе,\nпроизведите ввод информации с СОМ порта");
    EXPECT_EQ(port.requests.size(), before);
    EXPECT_EQ(t.writes, 0);
    EXPECT_TRUE(form->CBoxTipSign->hasFocus()) << "the refusal gives the focus back too";
}

struct Refusal {
    int model;
    int version;
    const char* text;
};

class Form1WriteRefusal : public Form1Write, public ::testing::WithParamInterface<Refusal> {};

TEST_P(Form1WriteRefusal, OtherTransmitterAtTheNumberIsNotWritten) {
    sim::Transmitter& t = ReadDevice(3, kTevTs, 5);
    Pick(form->CBoxTipSign, 1);
    ASSERT_EQ(form->Image.Izmen, 1);
    t.model = GetParam().model;
    t.version = GetParam().version;
    port.requests.clear();
    form->OutPortClick();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], Warning(GetParam().text));
    EXPECT_EQ(Commands(), (Cmds{{3, 0x11}}));
    EXPECT_EQ(t.writes, 0);
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_TRUE(form->ProgressBar1->isHidden());
}

INSTANTIATE_TEST_SUITE_P(
    Write, Form1WriteRefusal,
    ::testing::Values(Refusal{kTevTp, 5, "Не совпадает тип прибора \nпри попытке сохранить базу.\nСохранение отменено"},
                      Refusal{kTevTs, 4,
                              "Не совпадает версия прибора \nпри попытке сохранить базу.\nСохранение отменено"}));

TEST_F(Form1Write, SuccessSendsExactlyTheBlockAndReadsItBack) {
    sim::Transmitter& t = ReadDevice(2, kTevTs, 5);
    t.blockLen = 30;
    form->InPortClick();
    Pick(form->CBoxTipSign, 2);
    port.requests.clear();
    form->OutPortClick();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(Commands(), (Cmds{{2, 0x11}, {2, 0x45}, {2, 0x0E}, {2, 0x11}, {2, 0x44}, {2, 0x47}}));
    const std::vector<Request> block = Sent(0x45);
    ASSERT_EQ(block.size(), 1u);
    EXPECT_EQ(block[0].data.size(), 30u);
    EXPECT_EQ(t.writes, 1);
    EXPECT_EQ(t.confirmations, 1);
    EXPECT_EQ(t.block[4] & 0x03, 2);
    EXPECT_EQ(form->Image.Izmen, 0);
    EXPECT_EQ(form->Image.IzmenTipD, 0);
    EXPECT_EQ(Text(form->Contr->text()), "OutPortClick 17");
    EXPECT_TRUE(form->ProgressBar1->isHidden());
    EXPECT_EQ(form->ProgressBar1->maximum(), 100);
    // 50 ms before the block, 300 ms before the confirmation.
    ASSERT_GE(port.writeTimesMs.size(), 6u);
    const std::size_t n = port.writeTimesMs.size();
    EXPECT_GE(port.writeTimesMs[n - 5] - port.writeTimesMs[n - 6], 50);
    EXPECT_GE(port.writeTimesMs[n - 4] - port.writeTimesMs[n - 5], 300);
}

TEST_F(Form1Write, NumberThreeBecomesSeven) {
    sim::Transmitter& t = ReadDevice(3, kLadr, 5);
    Pick(form->CBoxUstrZ, 6);
    EXPECT_EQ(form->ServClass.NuNew, 6);
    EXPECT_EQ(form->Image.GetNu(), 6);
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(form->Image.FocusCombo(), form->CBoxUstrZ);
    EXPECT_EQ(Text(form->Contr->text()), "PutNu " + std::to_string(form->Image.GetDiap()));
    EXPECT_EQ(form->NuCur, 2) << "nothing sent, the old number still addressed";
    port.requests.clear();
    form->OutPortClick();
    EXPECT_TRUE(messages.boxes.empty());
    // Nobody may answer at 7 before the block goes out: Povt1 silent tries.
    EXPECT_EQ(Commands(), (Cmds{{3, 0x11}, {7, 0x11}, {7, 0x11}, {7, 0x11}, {7, 0x11}, {7, 0x11}, {3, 0x45},
                                {7, 0x0E}, {7, 0x11}, {7, 0x44}, {7, 0x47}}));
    EXPECT_EQ(t.address, 7);
    EXPECT_EQ(form->NuCur, 6);
    EXPECT_EQ(Text(form->CBoxUstr->currentText()), "7");
    EXPECT_EQ(Text(form->CBoxUstrZ->currentText()), "7");
    EXPECT_EQ(form->Image.Izmen, 0);
}

TEST_F(Form1Write, ReadingBeforeTheWriteDiscardsTheNumberPick) {
    ReadDevice(3, kLadr, 5);
    Pick(form->CBoxUstrZ, 6);
    form->InPortClick();
    EXPECT_EQ(Text(form->CBoxUstr->currentText()), "3");
    EXPECT_EQ(Text(form->CBoxUstrZ->currentText()), "3");
    EXPECT_EQ(form->Image.GetNu(), 2);
    EXPECT_EQ(form->ServClass.NuNew, 2);
}

TEST_F(Form1Write, LostConfirmationIsShownWhilePollingStopsItAndKeepsTheEdit) {
    sim::Transmitter& t = ReadDevice(1, kLadr, 5);
    Pick(form->CBoxTipSign, 1);
    form->BtnPuskTimerClick();
    ASSERT_FALSE(form->ReportErrors);
    recorder.swallow = 0x0E;
    form->OutPortClick();
    recorder.swallow = -1;
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text.rfind(LinkErrorBox(0, kNoAnswer, "COM1").text +
                                               " (код 130)\nЗапись не подтверждена (подтверждение записи)", 0),
              0u) << messages.boxes[0].text;
    EXPECT_EQ(t.writes, 1);
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(Count(0x44), 1) << "no read-back";
    EXPECT_FALSE(form->Timer1->isActive()) << "no poll reads over the edit before the operator has seen why";
    messages.Reset();
    messages.Script({MsgAnswer::No});
    form->close();
    ASSERT_EQ(messages.boxes.size(), 2u);
    EXPECT_EQ(messages.boxes[0].text, "Данные были изменены. Передать?");
}

TEST_F(Form1Write, FailedIdentificationStopsPollingAndIsShownAfterwards) {
    sim::Transmitter& t = ReadDevice(1, kLadr, 5);
    form->BtnPuskTimerClick();
    t.faults.silent = true;
    form->OutPortClick();
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(form->ReportErrors);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], LinkErrorBox(0, kNoAnswer, "COM1"));
    EXPECT_EQ(Count(0x45), 0);
}

TEST_F(Form1Write, PendingEntryIsStoredBeforeTheBlockGoesOut) {
    sim::Transmitter& t = ReadDevice(1, kLadr, 5);
    Activate();
    form->UstProc1->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(form->UstProc1->hasFocus());
    form->UstProc1->clear();
    QTest::keyClicks(form->UstProc1, QStringLiteral("50"));
    form->AOutPort->trigger();
    EXPECT_TRUE(messages.plains.empty());
    EXPECT_EQ(Word(t, 5), 8191);
    EXPECT_EQ(t.writes, 1);
    EXPECT_TRUE(form->UstProc1->hasFocus()) << "the focus goes back to the edited field";
}

TEST_F(Form1Write, OperatorPickIsWrittenOnClosing) {
    sim::Transmitter& t = ReadDevice(1, kTevTp, 5);
    Pick(form->CBoxBreak, 1);
    messages.Script({MsgAnswer::Yes});
    form->close();
    EXPECT_EQ(t.writes, 1);
    EXPECT_EQ(t.block[4] & 0x04, 0x04);
}

}  // namespace
}  // namespace tservice::testing
