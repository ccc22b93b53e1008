// Calibration of the measuring scale and of the cold-junction scale against a
// reference signal, and the output-current trim at both ends of the scale.
#include <array>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "BlockEdit.h"
#include "Form1.h"

namespace tservice {

namespace {

struct CalibrPoint {
    QPushButton* TForm1::*button;
    QLabel* TForm1::*modeLabel;
    const char* question;
    const char* caption;
    QLabel* TForm1::*source;  // raw code now measured
    QLabel* TForm1::*target;  // the scale end's shown code
    const char* field;  // the block field the code goes into
    const char* help;   // the question's entry in the manual
};

const std::array<CalibrPoint, 4> kPoints = {{
    {&TForm1::Button1, &TForm1::LabRegKalibr,
     "Внимание! Сейчас будет произведена калибровка\nначала шкалы измерения \nУбедитесь, подан ли на вход "
     "сигнал,\nсоответствующий началу шкалы?",
     "Подтвердите готовность к калибровке шкалы", &TForm1::StKodACP, &TForm1::StKBegSk, "KBegSk",
     "msg-calibr-start"},
    {&TForm1::Button2, &TForm1::LabRegKalibr,
     "Внимание! Сейчас будет произведена калибровка\nконца шкалы измерения \nУбедитесь, подан ли на вход "
     "сигнал,\nсоответствующий концу шкалы?",
     "Подтвердите готовность к калибровке шкалы", &TForm1::StKodACP, &TForm1::StKEndSk, "KEndSk",
     "msg-calibr-end"},
    {&TForm1::KalibrBegSk, &TForm1::LabRegKalibrTXC,
     "Внимание! Сейчас будет произведена калибровка\nначала шкалы измерения Тхс\nПодан ли на вход Тхс сигнал "
     "100 Ом?",
     "Подтвердите готовность к калибровке шкалы Тхс", &TForm1::StKodTxc, &TForm1::StBegSkTxc,
     "BegSkTxc", "msg-calibr-txc-start"},
    {&TForm1::KalibrEndSk, &TForm1::LabRegKalibrTXC,
     "Внимание! Сейчас будет произведена калибровка\nконца шкалы измерения Тхс\nПодан ли на вход Тхс сигнал, "
     "соответствующий 100°С?",
     "Подтвердите готовность к калибровке шкалы Тхс", &TForm1::StKodTxc, &TForm1::StEndSkTxc,
     "EndSkTxc", "msg-calibr-txc-end"},
}};

}  // namespace

void TForm1::Button1Click() { CalibratePoint(0); }
void TForm1::Button2Click() { CalibratePoint(1); }
void TForm1::KalibrBegSkClick() { CalibratePoint(2); }
void TForm1::KalibrEndSkClick() { CalibratePoint(3); }

void TForm1::CalibratePoint(int point) {
    HandlerScope scope(*this);
    const CalibrPoint& p = kPoints.at(static_cast<std::size_t>(point));
    Image.SetFocusButton(this->*p.button);
    QLabel* mode = this->*p.modeLabel;
    mode->show();
    int result = SwitchCoil(kCoilCalibration, true);
    if (result != kOk) {
        if (result > 0 && ReportErrors) Link.ShowLinkError(NuCur, result);
        return;
    }
    // No by default: a stray Enter must not calibrate.
    const MsgBox ask{p.question, p.caption, MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::No, p.help};
    if (messages_.Show(ask) == MsgAnswer::Yes) {
        // The transmitter leaves calibration mode by itself after the write.
        InPortClick();
        QLabel* source = this->*p.source;
        (this->*p.target)->setText(source->text());
        bool number = false;
        const int code = source->text().toInt(&number);
        if (number && EditCalibration(Image, p.field, code).Ok()) OutPortClick();
        mode->hide();
        return;
    }
    result = SwitchCoil(kCoilCalibration, false);
    if (result == kOk)
        mode->hide();
    else if (result > 0 && ReportErrors)
        Link.ShowLinkError(NuCur, result);
}

void TForm1::CBoxCurrentClick() { PickCorrection(CBoxCurrent, false); }

void TForm1::CBoxCurrentEndClick() { PickCorrection(CBoxCurrentEnd, true); }

void TForm1::PickCorrection(QComboBox* box, bool end) {
    HandlerScope scope(*this);
    Image.SetFocusCombo(box);
    const bool polling = Timer1->isActive();
    StopPolling();
    UstKod1Change();
    if (box->currentIndex() >= 0 && EditCorrection(Image, end, box->currentIndex()).Ok()) OutPortClick();
    if (polling && !Timer1->isActive()) BtnPuskTimerClick();
}

}  // namespace tservice
