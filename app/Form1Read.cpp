// Reading a transmitter (F9): identification, parameter block, measurement
// block, the layout for its model and version, and the filling of every
// control from the image.
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
#include "TrendPanel.h"
#include "Workflow.h"

namespace tservice {

namespace {

constexpr std::uint8_t kWriteCoil = 0x05;

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
    for (int i = 0; i < from.count(); ++i) to.addItem(from.itemText(i));
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

bool TForm1::ReadDevice() {
    const ReadOutcome read = ReadTransmitter(Link, Image, NuCur);
    if (read.stage != ReadStage::IdentFailed && read.newModel)
        for (QComboBox* box : {CBoxTipD, CBoxMin, CBoxMax, CBoxTipK, CBoxBreak}) SelectQuietly(*box, 0);
    if (read.stage == ReadStage::IdentFailed || read.stage == ReadStage::BlockFailed) {
        ReadFailed(read.code);
        return false;
    }
    if (read.stage == ReadStage::BadLength || read.stage == ReadStage::BadNumber) {
        RefuseReading(ReadRefusalBox(read, NuCur, Image.Tip));
        return false;
    }
    // The block has arrived: the addressed number follows the stored one.
    ServClass.NuNew = NuCur;
    SelectQuietly(*CBoxUstr, NuCur);
    SelectQuietly(*CBoxUstrZ, NuCur);
    Trace("InPortClick " + std::to_string(Image.GetDiap()));
    if (read.stage != ReadStage::Done) {
        ReadFailed(read.code);
        return false;
    }

    const int model = Image.Tip;
    const int version = Image.Ver;
    const MsgBox refusal = ReadRefusalBox(read, NuCur, model);
    if (!refusal.text.empty()) {
        messages_.Show(refusal);  // polling goes on, as after any reading
        return false;
    }
    if (Image.VidOk == 0) {
        if (!LayOut(model, version)) return false;
        Image.VidOk = 1;
    }
    if (!CheckSensor(model)) return false;
    ShowPrivilege();
    FillControls(model, version, read.correction);
    Image.Vvod = 1;
    Image.Izmen = 0;
    Image.IzmenTipD = 0;
    return true;
}

bool TForm1::CheckSensor(int model) {
    if (model == kOski) return true;
    const int tipD = Image.GetTipD();
    if (tipD >= 0 && tipD < CBoxTipD->count()) return true;
    // A sensor type this program does not know: no list is indexed by it.
    SelectQuietly(*CBoxTipD, -1);
    ClearQuietly(*CBoxMin);
    ClearQuietly(*CBoxMax);
    RefuseReading({"устройство " + std::to_string(NuCur + 1) + " - неизвестный тип датчика (" +
                       std::to_string(tipD) + ")\nДанные не считаны",
                   "Предупреждение", MsgIcon::Warning, MsgButtons::Ok, MsgAnswer::Ok});
    return false;
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
    SetShown({LabReg, GBoxKanal, GBoxSign, Label7, Label8, Label9, Label10, Label11, Label19, Label22,
              CBoxTipSign, StUstKod1, StUstKod2, StNar, UstProc1, UstProc2},
             true);
    SetShown({LabTipKont, CBoxTipK}, false);
    if (version == 1) SetShown({LabBreak, CBoxBreak, LabCurrent, CBoxCurrent}, false);
    if (version < 4) SetShown({LabCurrentEnd, CBoxCurrentEnd}, false);
    if (version >= 2) SetShown({LabBreak, CBoxBreak, LabCurrent, CBoxCurrent}, true);
    if (version >= 4) SetShown({LabCurrentEnd, CBoxCurrentEnd}, true);
    if (version >= 3 && model != kOski) SetShown({LabTipKont, CBoxTipK}, true);
    LayOutModel(model, version);
    if (model != kOski) return true;

    // The output of an ОСКИ is driven by its measurement again.
    std::uint8_t answer[kMaxAnswer] = {};
    const std::uint8_t data[4] = {0x10, 0x02, 0x00, 0x00};
    const int result = Link.Exchange(NuCur, kWriteCoil, 4, data, answer);
    if (result != kOk) {
        if (ReportErrors) Link.ShowLinkError(NuCur, result);
        return false;
    }
    return true;
}

void TForm1::LayOutModel(int model, int version) {
    const bool full = IsCurrentFirmware(model, version);
    Panel1->setText(QString::fromStdString(PanelText(model, version)));
    Panel1->setGeometry(full ? 170 : 272, Panel1->y(), full ? 300 : 73, Panel1->height());

    const bool tev = IsTev(model);
    GBoxTEVTP->setVisible(model == kTevTp);
    Label5->setVisible(tev);
    Label23->setVisible(!tev);
    SetShown({Label21, Label22}, tev);
    SetShown({CBoxMin, CBoxMax, GBoxNonStand}, tev);
    if (tev) {
        ClearQuietly(*CBoxMin);
        ClearQuietly(*CBoxMax);
    }
    SetShown({Label4, CBoxTipD}, model != kOski);
    if (model == kLadr) CopyItems(*ComboBox3, *CBoxTipD);
    if (model == kTevTs) CopyItems(*ComboBox2, *CBoxTipD);
    if (model == kTevTp) CopyItems(*ComboBox1, *CBoxTipD);
    // The connection scheme exists from version 3 of a ТЕВ-ТС only.
    SetShown({Label26, CBoxConnect}, model == kTevTs && version >= 3);
    SetShown({Label24, ButSwitch, LabSwitch, Label25, Edit1}, model == kOski);
    if (model == kOski) {
        ButSwitch->setChecked(false);
        Label25->setEnabled(false);
        Edit1->setEnabled(false);
        SetShown({Label7, Label8, Label9, Label10, Label11, Label19, Label22, CBoxTipSign, StUstKod1, StUstKod2,
                  StNar, UstProc1, UstProc2},
                 false);
    }
}

void TForm1::ShowPrivilege() {
    const bool privileged = Image.NePriv == 0;
    Label27->setText(privileged ? QStringLiteral("привилегированный") : QStringLiteral("непривилегированный"));
    SetLetters(Label27, privileged ? kRed : kNavy);
    for (QWidget* w : std::initializer_list<QWidget*>{Button1, Button2, CBoxTipD, CBoxMin, CBoxMax, CBoxConnect,
                                                      KalibrBegSk, KalibrEndSk, CBoxCurrent, CBoxCurrentEnd})
        w->setEnabled(privileged);
}

void TForm1::FillControls(int model, int version, int correction) {
    if (version >= 2) {
        SelectQuietly(*CBoxBreak, Image.GetBreak());
        SelectQuietly(*CBoxCurrent, correction);
    }
    if (version >= 4) SelectQuietly(*CBoxCurrentEnd, Image.GetCurrentEnd());
    if (version >= 3 && model != kOski) SelectQuietly(*CBoxTipK, Image.GetTipK());
    if (model != kOski) {
        FillSensor(model, version);
        SelectQuietly(*CBoxTipSign, Image.GetTipSign());
        StUstKod1->setText(Num(Image.GetUstKod1()));
        StUstKod2->setText(Num(Image.GetUstKod2()));
        const int sost = Image.GetSost();
        const bool alarm = (sost & 0x03) != 0;
        StNar->setText(Bits(sost, {1, 0}));
        SetBack(StNar, alarm ? kRed : kTeal);
        Label19->setText(alarm ? QStringLiteral("Нарушение") : QStringLiteral("     Норма"));
        SetLetters(Label19, alarm ? kRed : kTeal);
        if (model == kTevTp) FillColdJunction();
    }
    FillMeasurement(model, version);
}

void TForm1::FillSensor(int model, int version) {
    const int tipD = Image.GetTipD();
    if (tipD < 0 || tipD >= CBoxTipD->count()) return;  // refused by CheckSensor
    SelectQuietly(*CBoxTipD, tipD);
    const RangeTableRef ranges = RangeTable(model == kTevTs ? tipD + 10 : tipD);
    ChBoxNonStand->setEnabled(NonStandardAllowed(CBoxTipD->currentText().toStdString(), version));
    const int diap = Image.GetDiap();
    const QSignalBlocker blockCheck(ChBoxNonStand);
    const bool tev = IsTev(model);
    if (diap < ranges.count) {
        ChBoxNonStand->setChecked(false);
        ButNonStand->setEnabled(false);
        ComboAdapter minList(*CBoxMin);
        ComboAdapter maxList(*CBoxMax);
        FillMinList(ranges.table, ranges.count, diap, minList, Image);
        FillMaxList(ranges.table, ranges.count, diap, minList, maxList, Image);
        Image.DiapStand = diap;
        SetShown({CBoxMin, CBoxMax}, tev);
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

void TForm1::FillMeasurement(int model, int version) {
    const int rez = Image.GetRez();
    StKBegSk->setText(Num(Image.GetKBegSk()));
    StKEndSk->setText(Num(Image.GetKEndSk()));
    StRez->setText(Num(rez));
    StKodACP->setText(Num(Image.GetKodACP()));
    const int sost = Image.GetSost();
    const bool overflow = (sost & 0xE0) != 0;
    StSost->setText(Bits(sost, {7, 6, 5}));
    SetBack(StSost, overflow ? kRed : kTeal);
    Label18->setText(overflow ? QStringLiteral("Переполнение") : QStringLiteral("       Норма"));
    SetLetters(Label18, overflow ? kRed : kTeal);

    if (model == kLadr || model == kOski) {
        StRezGrMA->setText(Fixed(LadrCodeToMa(rez), 5, 3));
        StRezProc->setText(Fixed(LadrCodeToPercent(rez), 5, 3));
        if (model == kLadr) {
            UstProc1->setText(Fixed(LadrCodeToPercent(Image.GetUstKod1()), 4, 2));
            UstProc2->setText(Fixed(LadrCodeToPercent(Image.GetUstKod2()), 4, 2));
        }
        return;
    }
    StRezProc->setText(Fixed(TevCodeToPercent(rez), 5, 3));
    StRezGrMA->setText(Fixed(Image.ToTemp(rez), 5, 2));
    UstProc1->setText(Fixed(Image.ToTemp(Image.GetUstKod1()), 4, 0));
    UstProc2->setText(Fixed(Image.ToTemp(Image.GetUstKod2()), 4, 0));
    if (model == kTevTs && version >= 3) SelectQuietly(*CBoxConnect, Image.GetConnect() - 1);
}

}  // namespace tservice
