// Device change, the port and exchange dialogs as the main window runs them,
// the device list, the password action and closing.
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "GuiFixture.h"
#include "Obrlistdevice.h"
#include "Obrnastr.h"
#include "Obrport.h"

namespace tservice::testing {
namespace {

MsgBox SaveQuestion(int number) {
    return {"устройство " + std::to_string(number) + " - база данных была изменена,\nСохранить?", "Предупреждение",
            MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer::No};
}

class Form1Session : public GuiTest {
protected:
    // Device 1 read, alarm type edited in the image (not yet written).
    sim::Transmitter& ReadAndEdit() {
        sim::Transmitter& t = AddDevice(1, kLadr, 5);
        OpenPort();
        Read(1);
        EXPECT_EQ(form->Image.Vvod, 1);
        form->Image.PutTipSign(2);
        form->Image.Izmen = 1;
        return t;
    }
    void Pick(int number) {
        form->CBoxUstr->setCurrentIndex(number - 1);
        emit form->CBoxUstr->activated(number - 1);
    }
    TFormPort& Port() { return *form->FormPort; }
    // A port dialog step: choose port, rate, parity and stop bits, press OK.
    void ScriptPort(const char* name, int skor, int parit, int stBit) {
        dialogScript.push_back([this, name, skor, parit, stBit](QDialog& d) {
            auto& p = dynamic_cast<TFormPort&>(d);
            EXPECT_FALSE(form->Link.PortOpen()) << "closed while the dialog is shown";
            p.CBoxPort->setCurrentIndex(p.CBoxPort->findText(QString::fromLatin1(name)));
            p.Skor->setCurrentIndex(skor);
            p.Parit->setCurrentIndex(parit);
            p.StBit->setCurrentIndex(stBit);
            p.OKClick();
        });
    }
};

TEST_F(Form1Session, PickingTheCurrentNumberDoesNothing) {
    form->BtnPuskTimerClick();
    Pick(1);
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(Form1Session, PickingAnotherNumberForgetsTheDevice) {
    AddDevice(1, kLadr, 5);
    OpenPort();
    Read(1);
    form->BtnPuskTimerClick();
    const std::size_t sent = port.requests.size();
    Pick(3);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(form->NuCur, 2);
    EXPECT_EQ(form->ServClass.NuNew, 2);
    EXPECT_EQ(form->Image.Tip, 0);
    EXPECT_EQ(form->Image.Ver, 0);
    EXPECT_EQ(form->Image.Vvod, 0);
    EXPECT_EQ(form->Image.VidOk, 0);
    EXPECT_TRUE(form->Panel1->text().isEmpty());
    EXPECT_TRUE(form->GBoxKanal->isHidden());
    EXPECT_TRUE(form->GBoxSign->isHidden());
    EXPECT_TRUE(form->GBoxTEVTP->isHidden());
    EXPECT_EQ(port.requests.size(), sent) << "nothing is read";
}

TEST_F(Form1Session, CancelOnTheSaveQuestionKeepsEverything) {
    ReadAndEdit();
    form->BtnPuskTimerClick();
    messages.Script({MsgAnswer::Cancel});
    const auto baza = form->Image.Baza;
    Pick(5);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], SaveQuestion(1));
    EXPECT_EQ(Text(form->CBoxUstr->currentText()), "1");
    EXPECT_EQ(form->NuCur, 0);
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(form->Image.Baza, baza);
    EXPECT_EQ(form->Image.Vvod, 1);
    EXPECT_FALSE(form->Timer1->isActive()) << "polling stays stopped";
}

TEST_F(Form1Session, NoOnTheSaveQuestionDropsTheEdits) {
    sim::Transmitter& t = ReadAndEdit();
    messages.Script({MsgAnswer::No});
    Pick(5);
    EXPECT_EQ(Text(form->CBoxUstrZ->currentText()), "5");
    EXPECT_EQ(form->Image.Izmen, 0);
    EXPECT_EQ(form->NuCur, 4);
    EXPECT_EQ(Count(0x45), 0);
    EXPECT_EQ(t.block[4] & 0x03, 0);
}

TEST_F(Form1Session, YesOnTheSaveQuestionWritesTheOldDevice) {
    sim::Transmitter& t = ReadAndEdit();
    messages.Script({MsgAnswer::Yes});
    Pick(5);
    EXPECT_EQ(t.writes, 1);
    EXPECT_EQ(t.block[4] & 0x03, 2);
    for (const Request& r : Requests()) {
        if (r.cmd == 0x45) {
            EXPECT_EQ(r.address, 1);
        }
    }
    EXPECT_EQ(Text(form->CBoxUstr->currentText()), "5");
    EXPECT_EQ(Text(form->CBoxUstrZ->currentText()), "5");
    EXPECT_EQ(form->NuCur, 4);
    EXPECT_EQ(form->Image.Vvod, 0);
    EXPECT_EQ(form->Image.Izmen, 0);
}

TEST_F(Form1Session, FirstPortDialogShowsDefaultsAndOpensTheFirstPort) {
    dialogScript.push_back([&](QDialog& d) {
        auto& p = dynamic_cast<TFormPort&>(d);
        EXPECT_EQ(Text(p.Skor->currentText()), "9600");
        EXPECT_EQ(Text(p.Parit->currentText()), "нет");
        EXPECT_EQ(Text(p.StBit->currentText()), "2");
        EXPECT_EQ(Text(p.CBoxPort->currentText()), "COM1");
        EXPECT_EQ(p.CBoxPort->count(), 2);
        p.OKClick();
    });
    form->APort->trigger();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(port.OpenName(), "COM1");
    EXPECT_EQ(port.OpenBaud(), 9600);
    EXPECT_EQ(port.OpenParity(), Parity::None);
    EXPECT_EQ(port.OpenStopBits(), 2);
}

TEST_F(Form1Session, RefusedCombinationOffersRetryWithTheLastAcceptedChoice) {
    ScriptPort("COM2", 1, 0, 0);
    form->PortClick();
    ASSERT_TRUE(port.Connected());
    ScriptPort("COM2", 3, 2, 1);  // even parity, two stop bits
    dialogScript.push_back([&](QDialog& d) {
        auto& p = dynamic_cast<TFormPort&>(d);
        EXPECT_EQ(Text(p.Skor->currentText()), "19200");
        EXPECT_EQ(Text(p.Parit->currentText()), "нет");
        EXPECT_EQ(Text(p.StBit->currentText()), "1");
        p.Parit->setCurrentIndex(1);  // odd parity with two stop bits is fine
        p.StBit->setCurrentIndex(1);
        p.OKClick();
    });
    messages.Script({MsgAnswer::Retry});
    form->PortClick();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], (MsgBox{"Ошибочные данные ", "Ошибка", MsgIcon::Error, MsgButtons::RetryCancel,
                                         MsgAnswer::Retry}));
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(port.OpenName(), "COM1") << "the list starts at the first port";
    EXPECT_EQ(port.OpenParity(), Parity::Odd);
    EXPECT_EQ(port.OpenStopBits(), 2);
    EXPECT_EQ(port.OpenBaud(), 19200);

    ScriptPort("COM1", 0, 2, 1);
    messages.Script({MsgAnswer::Cancel});
    form->PortClick();
    EXPECT_FALSE(port.Connected()) << "Cancel leaves the port closed";
    EXPECT_EQ(form->Link.ParityChar, 'O');
}

TEST_F(Form1Session, CloseBoxReopensAPortThatWasOpen) {
    OpenPort();
    const int opens = port.opens;
    form->PortClick();  // unscripted: closed by its close box
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(port.opens, opens + 1);
    EXPECT_EQ(port.OpenName(), "COM1");
    form->Link.ClosePort();
    form->PortClick();
    EXPECT_FALSE(port.Connected()) << "a port closed before the dialog stays closed";
}

TEST_F(Form1Session, ExchangeDialogAppliesAtOnceAndForgetsAnAbandonedChange) {
    dialogScript.push_back([&](QDialog& d) {
        auto& p = dynamic_cast<TFormPort&>(d);
        dialogScript.push_back([](QDialog& n) {
            auto& nastr = dynamic_cast<TFormNastr&>(n);
            EXPECT_EQ(nastr.UpDown1->value(), 25);
            EXPECT_TRUE(nastr.CBoxPovt1->isHidden());
            nastr.UpDown1->setValue(40);
            nastr.OKClick();
        });
        p.Button1Click();
        dialogScript.push_back([](QDialog& n) {
            auto& nastr = dynamic_cast<TFormNastr&>(n);
            nastr.UpDown1->setValue(70);
            nastr.reject();
        });
        p.Button1Click();
        p.reject();
    });
    form->PortClick();
    EXPECT_EQ(form->Link.DelayOut, 40) << "applied although the port dialog was cancelled";
    EXPECT_EQ(form->Link.Povt1, 5);
    EXPECT_EQ(form->Link.Povt2, 10);
    EXPECT_EQ(form->FormNastr->UpDown1->value(), 40);
    EXPECT_EQ(Text(form->FormNastr->Edit1->text()), "40");
    EXPECT_TRUE(form->FormNastr->Edit1->isReadOnly());
    EXPECT_EQ(form->FormNastr->UpDown1->minimum(), 1);
    EXPECT_EQ(form->FormNastr->UpDown1->maximum(), 100);
}

TEST_F(Form1Session, PortChangeWritesTheEditsOnTheOldPort) {
    sim::Transmitter& t = ReadAndEdit();
    form->BtnPuskTimerClick();
    recorder.writes.clear();
    ScriptPort("COM2", 2, 0, 0);
    messages.Script({MsgAnswer::Yes});
    form->PortClick();
    ASSERT_GE(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], SaveQuestion(1));
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(t.writes, 1);
    EXPECT_EQ(t.block[4] & 0x03, 2);
    int blockWrites = 0;
    for (const auto& [name, cmd] : recorder.writes) {
        if (cmd != 0x45) continue;
        ++blockWrites;
        EXPECT_EQ(name, "COM1");
    }
    EXPECT_EQ(blockWrites, 1);
    // Then the new settings: device forgotten, port open as chosen.
    EXPECT_EQ(form->Image.Vvod, 0);
    EXPECT_EQ(form->Image.Tip, 0);
    EXPECT_TRUE(form->Panel1->text().isEmpty());
    EXPECT_TRUE(form->GBoxKanal->isHidden());
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(port.OpenName(), "COM2");
    EXPECT_EQ(port.OpenBaud(), 57600);
    EXPECT_EQ(port.OpenStopBits(), 1);
}

TEST_F(Form1Session, PortChangeCancelAppliesNothing) {
    sim::Transmitter& t = ReadAndEdit();
    ScriptPort("COM2", 0, 0, 1);
    messages.Script({MsgAnswer::Cancel});
    form->PortClick();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(form->Link.PortName, "COM1");
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(t.writes, 0);
}

TEST_F(Form1Session, SamePortAsksNothingAndReopens) {
    ReadAndEdit();
    ScriptPort("COM1", 0, 1, 0);
    form->PortClick();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(form->Image.Vvod, 1);
    EXPECT_EQ(port.OpenParity(), Parity::Odd);
}

TEST_F(Form1Session, FailedOpenReportsCode132) {
    portNames = {"COM1", "bad/name"};
    ScriptPort("bad/name", 0, 0, 1);
    form->PortClick();
    ASSERT_FALSE(messages.boxes.empty());
    EXPECT_EQ(messages.boxes.back(), LinkErrorBox(0, kOpenFailed, "bad/name"));
}

TEST_F(Form1Session, DeviceListOpensFromToolbarAndMenu) {
    form->AListDevice->trigger();
    form->MListDevice->trigger();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], static_cast<QDialog*>(form->FormDevice));
    EXPECT_EQ(shown[1], static_cast<QDialog*>(form->FormDevice));
}

TEST_F(Form1Session, PasswordActionOnlyWarns) {
    form->AParol->trigger();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], (MsgBox{"Ваш уровень доступа не позволяет\nменять пароль", "Предупреждение",
                                         MsgIcon::Warning, MsgButtons::Ok, MsgAnswer::Ok}));
}

TEST_F(Form1Session, ClosingOffersTheWriteThenSaysGoodbye) {
    sim::Transmitter& t = ReadAndEdit();
    messages.Script({MsgAnswer::Yes});
    EXPECT_TRUE(form->close());
    ASSERT_EQ(messages.boxes.size(), 2u);
    EXPECT_EQ(messages.boxes[0], (MsgBox{"Данные были изменены. Передать?", "Подтвердите передачу данных",
                                         MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes}));
    EXPECT_EQ(messages.boxes[1],
              (MsgBox{"Работа закончена", "Подтверждение", MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok}));
    EXPECT_EQ(t.writes, 1);
    EXPECT_FALSE(port.Connected());
}

TEST_F(Form1Session, ClosingWithoutEditsOnlySaysGoodbye) {
    AddDevice(1, kLadr, 5);
    OpenPort();
    Read(1);
    form->close();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Работа закончена");
    EXPECT_FALSE(port.Connected());
}

TEST_F(Form1Session, CloseRequestedInsideAHandlerWaitsForIt) {
    AddDevice(1, 0xFF, 1);
    OpenPort();
    messages.onShow = [&](const MsgBox& box) {
        if (box.text.find("не определен") != std::string::npos) form->close();
    };
    Read(1);
    ASSERT_EQ(messages.boxes.size(), 1u) << "no closing steps inside the reading";
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.boxes.size(), 2u);
    EXPECT_EQ(messages.boxes[1].text, "Работа закончена");
}

TEST_F(Form1Session, TickInsideTheWritesMessageLeavesTheEditsAlone) {
    sim::Transmitter& t = ReadAndEdit();
    form->BtnPuskTimerClick();
    t.version = 4;
    std::size_t atBox = 0, afterTick = 0;
    messages.onShow = [&](const MsgBox&) {
        atBox = port.requests.size();
        form->Timer1Timer();
        afterTick = port.requests.size();
    };
    form->OutPortClick();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Не совпадает версия прибора \nпри попытке сохранить базу.\nСохранение отменено");
    EXPECT_EQ(afterTick, atBox);
    EXPECT_EQ(form->Image.GetTipSign(), 2);
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(Count(0x45), 0);
}

TEST_F(Form1Session, PollingTickReadsTheDevice) {
    AddDevice(1, kLadr, 5);
    OpenPort();
    form->BtnPuskTimerClick();
    form->Timer1Timer();
    EXPECT_EQ(Commands(), (std::vector<std::pair<int, int>>{{1, 0x11}, {1, 0x44}, {1, 0x47}}));
    EXPECT_EQ(form->Image.Vvod, 1);
    EXPECT_TRUE(form->Timer1->isActive());
}

}  // namespace
}  // namespace tservice::testing
