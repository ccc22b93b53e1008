// The session around a transmitter: choosing the device number and the port,
// the device list, polling, the password action and closing.
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>

#include "BusyPump.h"
#include "ComboAdapter.h"
#include "Form1.h"
#include "TracePanel.h"
#include "Obrline.h"
#include "Obrlistdevice.h"
#include "Obrport.h"

namespace tservice {

namespace {

MsgBox SaveQuestion(int nuCur) {
    return {"устройство " + std::to_string(nuCur + 1) + " - база данных была изменена,\nСохранить?", "Предупреждение",
            MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer::No};
}

}  // namespace

void TForm1::StopPolling() {
    if (Timer1->isActive()) BtnPuskTimerClick();
}

void TForm1::BtnPuskTimerClick() {
    if (Timer1->isActive())
        Timer1->stop();
    else
        Timer1->start();
    ReportErrors = !ReportErrors;
    LabTimer->setHidden(!LabTimer->isHidden());
}

void TForm1::Timer1Timer() {
    // A tick inside another handler (a reading, a write, one of their message
    // boxes) would replace the image under it.
    if (Busy()) return;
    const bool polling = Timer1->isActive();
    BusyPump::DeliverHeld();
    if (polling && !Timer1->isActive()) return;
    // A click on the polling button made during the reading acts after it.
    BusyPump::Yielding yielding;
    InPortClick();
}

void TForm1::HideGroups() {
    GBoxKanal->hide();
    GBoxSign->hide();
    GBoxTEVTP->hide();
}

void TForm1::ForgetDevice() {
    Image.Tip = 0;
    Image.Ver = 0;
    Image.Vvod = 0;
    Image.VidOk = 0;
    Panel1->clear();
    Label27->clear();  // the privilege belonged to the device given up
    HideGroups();
}

bool TForm1::LeaveDevice(int chosen) {
    const bool other = chosen != NuCur + 1;
    StopPolling();
    if (Image.Izmen != 0) {
        switch (messages_.Show(SaveQuestion(NuCur))) {
        case MsgAnswer::Yes: OutPortClick(); break;
        case MsgAnswer::No: Image.Izmen = 0; break;
        default: return false;
        }
    }
    if (other) {
        ForgetDevice();
        NuCur = chosen - 1;
        ServClass.NuNew = chosen - 1;
    }
    SelectQuietly(*CBoxUstr, chosen - 1);
    SelectQuietly(*CBoxUstrZ, chosen - 1);
    return true;
}

void TForm1::CBoxUstrClick() {
    const int chosen = CBoxUstr->currentIndex() + 1;
    if (chosen < 1 || chosen == NuCur + 1) return;
    HandlerScope scope(*this);
    if (!LeaveDevice(chosen)) SelectQuietly(*CBoxUstr, CBoxUstrZ->currentIndex());
}

void TForm1::ListDeviceClick() {
    HandlerScope scope(*this);
    if (FormDevice->ShowModal() == TFormDevice::kLineResult) LineClick(FormDevice->Found);
}

void TForm1::LineClick(const std::vector<FoundDevice>& found) {
    HandlerScope scope(*this);
    // The overview's round and this window's polling never share the line.
    StopPolling();
    if (!found.empty()) FormLine->SetDevices(found);
    const int number = FormLine->ShowModal();
    if (number >= 1 && number <= kLineSize) TakeDevice(number);
}

void TForm1::TakeDevice(int number) {
    HandlerScope scope(*this);
    if (LeaveDevice(number)) InPortClick();
}

void TForm1::N4ParolClick() {
    HandlerScope scope(*this);
    messages_.Show({"Ваш уровень доступа не позволяет\nменять пароль", "Предупреждение", MsgIcon::Warning});
}

void TForm1::PortClick() {
    HandlerScope scope(*this);
    for (;;) {
        const int result = FormPort->ShowModal();
        if (result == QDialog::Accepted) break;
        if (result != TFormPort::kRefusedResult) return;
        const MsgBox retry{"Ошибочные данные ", "Ошибка", MsgIcon::Error, MsgButtons::RetryCancel, MsgAnswer::Retry};
        if (messages_.Show(retry) != MsgAnswer::Retry) return;
    }
    if (Link.PortName != FormPort->ChosenPort()) {
        StopPolling();
        if (Image.Izmen != 0) {
            switch (messages_.Show(SaveQuestion(NuCur))) {
            case MsgAnswer::Yes:
                Image.Izmen = 1;
                SaveOnOldPort();
                break;
            case MsgAnswer::No:
                Image.Izmen = 0;
                break;
            default:
                return;
            }
        }
        ForgetDevice();
    }
    Link.ParityChar = FormPort->ChosenParity();
    Link.BaudText = FormPort->ChosenBaud();
    Link.StopText = FormPort->ChosenStop();
    Link.PortName = FormPort->ChosenPort();
    LineLog->Stats().Reset();
    if (Link.OpenPort() == -1) Link.ShowLinkError(NuCur, kOpenFailed);
}

void TForm1::TakeFraming(const LineFraming& framing) {
    FormPort->TakeFraming(framing.baud, framing.parity, framing.stopBits);
    Link.BaudText = std::to_string(framing.baud);
    Link.ParityChar = framing.parity;
    Link.StopText = std::to_string(framing.stopBits);
    LineLog->Stats().Reset();
    if (Link.OpenPort() == -1) Link.ShowLinkError(NuCur, kOpenFailed);
}

void TForm1::SaveOnOldPort() {
    // The dialog closed the port; the edits belong to the transmitter on the
    // old port with the old settings, which the link still holds.
    if (Link.OpenPort() == -1) {
        Link.ShowLinkError(NuCur, kOpenFailed);
        return;
    }
    OutPortClick();
    Link.ClosePort();
}

void TForm1::FormClose() {
    HandlerScope scope(*this);
    if (Image.Izmen != 0) {
        const MsgBox ask{"Данные были изменены. Передать?", "Подтвердите передачу данных", MsgIcon::Question,
                         MsgButtons::YesNo, MsgAnswer::Yes};
        if (messages_.Show(ask) == MsgAnswer::Yes) OutPortClick();
    }
    messages_.Show({"Работа закончена", "Подтверждение", MsgIcon::Information});
    Link.ClosePort();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    if (Busy()) {
        // Closing under a running handler would pull the window from under
        // it; the close is carried out when the handler has ended.
        closePending_ = true;
        event->ignore();
        return;
    }
    closing_ = true;
    FormClose();
    Timer1->stop();
    event->accept();
}

}  // namespace tservice
