// Reading a transmitter (F9): identification, parameter block, measurement
// block, the layout for its model and version, and the filling of every
// control from the image.
#include <QStandardItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>

#include "ComboAdapter.h"
#include "Convert.h"
#include "Form1.h"
#include "Models.h"
#include "Ranges.h"
#include "Rules.h"
#include "TrendPanel.h"
#include "Workflow.h"

namespace tservice {

namespace {

QString Num(std::int32_t v) { return QString::number(v); }
QString Fixed(double v, int p, int d) { return QString::fromStdString(FormatFixed(v, p, d)); }

void SetBack(QLabel* label, const QColor& color) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, color);
    pal.setColor(QPalette::WindowText, LettersOn(color));
    label->setPalette(pal);
}

void SetLetters(QLabel* label, const QColor& color) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}

void SetShown(std::initializer_list<QWidget*> widgets, bool shown) {
    for (QWidget* w : widgets) w->setVisible(shown);
}

void CopyItems(const QComboBox& from, QComboBox& to) {
    const QSignalBlocker block(to);
    to.clear();
    for (int i = 0; i < from.count(); ++i) {
        to.addItem(from.itemText(i));
        // An item without a text is never chosen (ТЕВ-ТП's empty last one).
        if (auto* model = qobject_cast<QStandardItemModel*>(to.model()); model && from.itemText(i).isEmpty())
            model->item(i)->setEnabled(false);
    }
    to.setCurrentIndex(-1);
}

void ClearQuietly(QComboBox& box) {
    const QSignalBlocker block(box);
    box.clear();
}

// Bits as binary digits, first bit first.
QString Bits(int value, std::initializer_list<int> bits) {
    QString s;
    for (int b : bits) s += ((value >> b) & 1) ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

}  // namespace

void TForm1::InPortClick() {
    if (reading_) return;  // a reading never starts inside another one
    HandlerScope scope(*this);
    reading_ = true;
    try {
        if (ReadDevice())
            Trend->AddReading(Image, NuCur + 1, Link.PortName);
        else
            Image.Vvod = 0;  // a half-done reading can never be written back
    } catch (const PortError& e) {
        ReportPortError(e);
    }
    reading_ = false;
}

bool TForm1::ReadDevice() { return ShowReading(ReadTransmitter(Link, Image, NuCur)); }

void TForm1::ShowReadBack(const ReadOutcome& read) {
    reading_ = true;
    if (ShowReading(read))
        Trend->AddReading(Image, NuCur + 1, Link.PortName);
    else
        Image.Vvod = 0;
    reading_ = false;
}

bool TForm1::ShowReading(const ReadOutcome& read) {
    const ReadJudgement judged = JudgeReading(read, Image, NuCur);
    if (read.stage != ReadStage::IdentFailed && read.newModel)
        for (QComboBox* box : {CBoxTipD, CBoxMin, CBoxMax, CBoxTipK, CBoxBreak}) SelectQuietly(*box, 0);
    if (read.stage == ReadStage::IdentFailed || read.stage == ReadStage::BlockFailed) {
        ReadFailed(read.code);
        return false;
    }
    if (judged.verdict == ReadVerdict::Length || judged.verdict == ReadVerdict::Number ||
        judged.verdict == ReadVerdict::OtherNumber) {
        RefuseReading(judged.box);
        return false;
    }
    // The block has arrived and names the number that answered.
    ServClass.NuNew = NuCur;
    SelectQuietly(*CBoxUstr, NuCur);
    SelectQuietly(*CBoxUstrZ, NuCur);
    Trace("InPortClick " + std::to_string(Image.GetDiap()));
    if (judged.verdict == ReadVerdict::LinkFailed) {
        ReadFailed(read.code);
        return false;
    }
    if (judged.verdict == ReadVerdict::Model) {
        messages_.Show(judged.box);  // polling goes on, as after any reading
        return false;
    }
    const int model = Image.Tip;
    const int version = Image.Ver;
    if (Image.VidOk == 0) {
        if (!LayOut(model, version)) return false;
        Image.VidOk = 1;
    }
    if (!judged.Accepted()) {
        RefuseSensor(judged.box);
        return false;
    }
    ShowPrivilege();
    FillControls(RulesFor(model, version), read.correction);
    Image.Vvod = 1;
    Image.Izmen = 0;
    Image.IzmenTipD = 0;
    LastReading = Image;
    LastReading.Trace = nullptr;
    return true;
}

void TForm1::RefuseSensor(const MsgBox& box) {
    // A sensor type this program does not know: no list is indexed by it.
    SelectQuietly(*CBoxTipD, -1);
    ClearQuietly(*CBoxMin);
    ClearQuietly(*CBoxMax);
    RefuseReading(box);
}

void TForm1::ReadFailed(int code) {
    if (Timer1->isActive()) BtnPuskTimerClick();
    Image.Vvod = 0;
    if (ReportErrors) Link.ShowLinkError(NuCur, code);
}

void TForm1::RefuseReading(const MsgBox& box) {
    if (Timer1->isActive()) BtnPuskTimerClick();
    Image.Vvod = 0;
    messages_.Show(box);
}

void TForm1::ReportPortError(const PortError& error) {
    if (Timer1->isActive()) BtnPuskTimerClick();
    Image.Vvod = 0;
    messages_.Show(PortErrorBox(error));
}

bool TForm1::LayOut(int model, int version) {
    const ModelRules rules = RulesFor(model, version);
    SetShown({LabReg, GBoxKanal, GBoxSign, Label7, Label8, Label9, Label10, Label11, Label19, Label22,
              CBoxTipSign, StUstKod1, StUstKod2, StNar, UstProc1, UstProc2},
             true);
    SetShown({LabBreak, CBoxBreak}, rules.hasBreak);
    SetShown({LabCurrent, CBoxCurrent}, rules.hasCurrent);
    SetShown({LabCurrentEnd, CBoxCurrentEnd}, rules.hasCurrentEnd);
    SetShown({LabTipKont, CBoxTipK}, rules.hasContact);
    LayOutModel(rules);
    if (!rules.outputControl) return true;

    // The output is driven by the measurement again.
    const int result = SwitchCoil(kCoilOutputControl, false);
    if (result != kOk) {
        if (result > 0 && ReportErrors) Link.ShowLinkError(NuCur, result);
        return false;
    }
    return true;
}

void TForm1::LayOutModel(const ModelRules& rules) {
    const bool full = IsCurrentFirmware(rules.tip, rules.version);
    Panel1->setText(QString::fromStdString(PanelText(rules.tip, rules.version)));
    Panel1->setGeometry(full ? 170 : 272, Panel1->y(), full ? 300 : 73, Panel1->height());

    const bool tev = rules.tev;
    GBoxTEVTP->setVisible(rules.hasColdJunction);
    Label5->setVisible(tev);
    Label23->setVisible(!tev);
    SetShown({Label21, Label22}, tev);
    // "в °С" takes the place of "в % шкалы" for the setpoints.
    if (tev) Label11->hide();
    SetShown({CBoxMin, CBoxMax, GBoxNonStand}, tev);
    if (tev) {
        ClearQuietly(*CBoxMin);
        ClearQuietly(*CBoxMax);
    }
    SetShown({Label4, CBoxTipD}, rules.hasSensor);
    if (rules.hasSensor)
        CopyItems(*(rules.hasColdJunction ? ComboBox1 : rules.tev ? ComboBox2 : ComboBox3), *CBoxTipD);
    SetShown({Label26, CBoxConnect}, rules.hasConnect);
    SetShown({Label24, ButSwitch, LabSwitch, Label25, Edit1}, rules.outputControl);
    if (rules.outputControl) {
        ButSwitch->setChecked(false);
        Label25->setEnabled(false);
        Edit1->setEnabled(false);
    }
    if (!rules.hasAlarm)
        SetShown({Label7, Label8, Label9, Label10, Label11, Label19, Label22, CBoxTipSign, StUstKod1, StUstKod2,
                  StNar, UstProc1, UstProc2},
                 false);
}

void TForm1::ShowPrivilege() {
    const bool privileged = Image.NePriv == 0;
    Label27->setText(privileged ? QStringLiteral("привилегированный") : QStringLiteral("непривилегированный"));
    SetLetters(Label27, privileged ? kRed : kNavy);
    for (QWidget* w : std::initializer_list<QWidget*>{Button1, Button2, CBoxTipD, CBoxMin, CBoxMax, CBoxConnect,
                                                      KalibrBegSk, KalibrEndSk, CBoxCurrent, CBoxCurrentEnd})
        w->setEnabled(privileged);
}

void TForm1::FillControls(const ModelRules& rules, int correction) {
    if (rules.hasBreak) SelectQuietly(*CBoxBreak, Image.GetBreak());
    if (rules.hasCurrent) SelectQuietly(*CBoxCurrent, correction);
    if (rules.hasCurrentEnd) SelectQuietly(*CBoxCurrentEnd, Image.GetCurrentEnd());
    if (rules.hasContact) SelectQuietly(*CBoxTipK, Image.GetTipK());
    if (rules.hasSensor) {
        FillSensor(rules);
        SelectQuietly(*CBoxTipSign, Image.GetTipSign());
        StUstKod1->setText(Num(Image.GetUstKod1()));
        StUstKod2->setText(Num(Image.GetUstKod2()));
        const int sost = Image.GetSost();
        const bool alarm = (sost & kAlarmBits) != 0;
        StNar->setText(Bits(sost, {1, 0}));
        SetBack(StNar, alarm ? kRed : kTeal);
        Label19->setText(alarm ? QStringLiteral("Нарушение") : QStringLiteral("     Норма"));
        SetLetters(Label19, alarm ? kRed : kTeal);
        if (rules.hasColdJunction) FillColdJunction();
    }
    FillMeasurement(rules);
}

void TForm1::FillSensor(const ModelRules& rules) {
    const int tipD = Image.GetTipD();
    if (tipD < 0 || tipD >= CBoxTipD->count()) return;  // refused by JudgeReading
    SelectQuietly(*CBoxTipD, tipD);
    const RangeTableRef ranges = RangeTable(RangeTableIndex(rules.tip, tipD));
    ChBoxNonStand->setEnabled(NonStandardAllowed(CBoxTipD->currentText().toStdString(), rules.version));
    const int diap = Image.GetDiap();
    const QSignalBlocker blockCheck(ChBoxNonStand);
    if (diap < ranges.count) {
        ChBoxNonStand->setChecked(false);
        ButNonStand->setEnabled(false);
        ComboAdapter minList(*CBoxMin);
        ComboAdapter maxList(*CBoxMax);
        FillMinList(ranges.table, ranges.count, diap, minList, Image);
        FillMaxList(ranges.table, ranges.count, diap, minList, maxList, Image);
        Image.DiapStand = diap;
        SetShown({CBoxMin, CBoxMax}, rules.tev);
        StMin->clear();
        StMax->clear();
    } else {
        Image.TMin = static_cast<float>(Image.GetNonStandMin());
        Image.TMax = static_cast<float>(Image.GetNonStandMax());
        StMin->setText(Num(Image.GetNonStandMin()));
        StMax->setText(Num(Image.GetNonStandMax()));
        ChBoxNonStand->setChecked(true);
        ButNonStand->setEnabled(true);
        SetShown({CBoxMin, CBoxMax}, false);
        Image.DiapStand = 0;
    }
}

void TForm1::FillColdJunction() {
    StBegSkTxc->setText(Num(Image.GetBegSkTxc()));
    StEndSkTxc->setText(Num(Image.GetEndSkTxc()));
    KTxc->setText(Num(Image.GetKTxc()));
    StTxc->setText(Num(Image.GetTxc()));
    StKodTxc->setText(Num(Image.GetKodTxc()));
    const bool faulty = ColdJunctionFaulty(Image.GetKodTxc(), Image.GetTxc());
    if (faulty) {
        StTxcGrad->clear();
        SetBack(StTxcGrad, kRed);
    } else {
        StTxcGrad->setText(Fixed(TxcToCelsius(Image.GetTxc()), 5, 2));
        SetBack(StTxcGrad, InfoColor());
    }
}

void TForm1::FillMeasurement(const ModelRules& rules) {
    const int rez = Image.GetRez();
    StKBegSk->setText(Num(Image.GetKBegSk()));
    StKEndSk->setText(Num(Image.GetKEndSk()));
    StRez->setText(Num(rez));
    StKodACP->setText(Num(Image.GetKodACP()));
    const int sost = Image.GetSost();
    const bool overflow = (sost & kOverflowBits) != 0;
    StSost->setText(Bits(sost, {7, 6, 5}));
    SetBack(StSost, overflow ? kRed : kTeal);
    Label18->setText(overflow ? QStringLiteral("Переполнение") : QStringLiteral("       Норма"));
    SetLetters(Label18, overflow ? kRed : kTeal);

    if (!rules.tev) {
        StRezGrMA->setText(Fixed(LadrCodeToMa(rez), 5, 3));
        StRezProc->setText(Fixed(LadrCodeToPercent(rez), 5, 3));
        if (rules.hasAlarm) ShowSetpointsAnew();
        return;
    }
    StRezProc->setText(Fixed(TevCodeToPercent(rez), 5, 3));
    StRezGrMA->setText(Fixed(Image.ToTemp(rez), 5, 2));
    ShowSetpointsAnew();
    if (rules.hasConnect) SelectQuietly(*CBoxConnect, Image.GetConnect() - 1);
}

}  // namespace tservice
