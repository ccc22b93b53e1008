// The alarm group (alarm type, setpoints, contact type, output on a line
// break), the cold-junction coefficient of ТЕВ-ТП and the direct output
// current of ОСКИ, with the key filter and exit check of the entry fields.
#include <cstdint>

#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "BlockEdit.h"
#include "Convert.h"
#include "Describe.h"
#include "Entry.h"
#include "FocusChain.h"
#include "Form1.h"
#include "Models.h"
#include "KeyMap.h"

namespace tservice {

namespace {


// An entry field as the entry checks see it.
class LineEditField final : public IEntryField {
public:
    explicit LineEditField(QLineEdit& edit) : edit_(edit) {}
    void SetRed() override { SetBase(QColor(0xFF, 0x00, 0x00)); }
    void SetWhite() override { SetBase(QColor(0xFF, 0xFF, 0xFF)); }
    std::string Text() const override { return edit_.text().toStdString(); }
    void SetText(const std::string& text) override { edit_.setText(QString::fromStdString(text)); }

private:
    void SetBase(const QColor& color) {
        QPalette pal = edit_.palette();
        // The disabled look stays the style's, so a disabled field shows it.
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            pal.setColor(group, QPalette::Base, color);
            pal.setColor(group, QPalette::Text, LettersOn(color));
        }
        edit_.setPalette(pal);
        edit_.repaint();  // the colour must show while the message is up
    }
    QLineEdit& edit_;
};

// Sets a flag for its lifetime and restores the previous state.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = before_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool before_;
};

// Routes the entry fields' keys to their key handlers (a key judged a fault
// never reaches the field) and their focus losses to the exit check.
class EntryFilter final : public QObject {
public:
    explicit EntryFilter(TForm1& form) : QObject(&form), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* field = qobject_cast<QLineEdit*>(watched);
        if (field == nullptr) return false;
        if (event->type() == QEvent::KeyPress) return OnKey(*field, static_cast<QKeyEvent&>(*event));
        if (event->type() == QEvent::FocusOut) OnFocusOut(*field, static_cast<QFocusEvent&>(*event));
        return false;
    }

private:
    bool OnKey(QLineEdit& field, const QKeyEvent& key) {
        // Tab belongs to the window, which moves the focus (and so runs the
        // exit check); the key handlers never see it.
        if (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) return false;
        const int code = VirtualKeyCode(key);
        const bool shift = key.modifiers().testFlag(Qt::ShiftModifier);
        const bool goesOn = &field == form_.KTxc ? form_.KTxcKeyDown(code) : form_.UstProc1KeyDown(&field, code, shift);
        if (!goesOn) return true;
        if (const QString text = EntryKeyText(code, key.text()); text != key.text()) {
            field.insert(text);
            return true;
        }
        return false;
    }

    void OnFocusOut(QLineEdit& field, const QFocusEvent& focus) {
        // Another window (a message box, another program) taking the focus
        // is no exit: the field keeps its entry until it is left.
        if (focus.reason() == Qt::ActiveWindowFocusReason || focus.reason() == Qt::PopupFocusReason) return;
        if (!field.isVisible() || !field.isEnabled()) return;
        form_.UstProc1Exit(&field);
    }

    TForm1& form_;
};

}  // namespace

void ShowText(QLineEdit& field, const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (field.text() != shown) field.setText(shown);
}

void TForm1::ConnectEditing() {
    const std::pair<QComboBox*, void (TForm1::*)()> picks[] = {
        {CBoxTipD, &TForm1::CBoxTipDClick},     {CBoxMin, &TForm1::CBoxMinClick},
        {CBoxMax, &TForm1::CBoxMaxClick},       {CBoxConnect, &TForm1::CBoxConnectClick},
        {CBoxUstrZ, &TForm1::CBoxUstrZClick},   {CBoxTipSign, &TForm1::CBoxTipSignClick},
        {CBoxTipK, &TForm1::CBoxTipKClick},     {CBoxBreak, &TForm1::CBoxBreakClick},
        {CBoxCurrent, &TForm1::CBoxCurrentClick}, {CBoxCurrentEnd, &TForm1::CBoxCurrentEndClick},
    };
    for (const auto& [box, handler] : picks)
        connect(box, &QComboBox::activated, this, [this, h = handler] { (this->*h)(); });
    const std::pair<QPushButton*, void (TForm1::*)()> buttons[] = {
        {Button1, &TForm1::Button1Click},
        {Button2, &TForm1::Button2Click},
        {KalibrBegSk, &TForm1::KalibrBegSkClick},
        {KalibrEndSk, &TForm1::KalibrEndSkClick},
    };
    for (const auto& [button, handler] : buttons)
        connect(button, &QPushButton::clicked, this, [this, h = handler] { (this->*h)(); });
    connect(ButSwitch, &QToolButton::clicked, this, [this] { ButSwitchClick(); });
    auto* filter = new EntryFilter(*this);  // owned by the window
    for (QLineEdit* edit : {UstProc1, UstProc2, Edit1, KTxc}) edit->installEventFilter(filter);
}

void TForm1::CBoxTipSignClick() {
    BeginPick(CBoxTipSign);
    EditChoice(Image, "TipSign", CBoxTipSign->currentIndex());
}

void TForm1::CBoxTipKClick() {
    BeginPick(CBoxTipK);
    EditChoice(Image, "TipK", CBoxTipK->currentIndex());
}

void TForm1::CBoxBreakClick() {
    BeginPick(CBoxBreak);
    EditChoice(Image, "Break", CBoxBreak->currentIndex());
}

bool TForm1::UstProc1KeyDown(QLineEdit* field, int key, bool shift) {
    HandlerScope scope(*this);
    StopPolling();
    LineEditField entry(*field);
    int verdict = 0;
    {
        const FlagScope checking(entryCheck_);
        verdict = CheckNumKey(entry, key, shift, messages_);
    }
    if (verdict == 13)
        if (QWidget* next = NeighbourInTabOrder(field, true)) next->setFocus(Qt::TabFocusReason);
    return verdict == 0;
}

bool TForm1::KTxcKeyDown(int key) {
    HandlerScope scope(*this);
    StopPolling();
    LineEditField entry(*KTxc);
    int verdict = 0;
    {
        const FlagScope checking(entryCheck_);
        verdict = CheckIntKey(entry, key, messages_);
    }
    if (verdict == 13)
        if (QWidget* previous = NeighbourInTabOrder(KTxc, false)) previous->setFocus(Qt::BacktabFocusReason);
    return verdict == 0;
}

void TForm1::UstProc1Exit(QLineEdit* field) {
    // The entry error's message takes the focus from the field; that is no
    // second exit, and one fault gives one message.
    if (entryCheck_ || field == nullptr) return;
    HandlerScope scope(*this);
    const FlagScope checking(entryCheck_);
    Image.SetFocusEdit(field);
    if (field == UstProc1 || field == UstProc2) SetpointExit(field);
    else if (field == KTxc) KTxcExit();
    else if (field == Edit1) Edit1Exit();
}

void TForm1::SetpointExit(QLineEdit* field) {
    const int which = field == UstProc1 ? 1 : 2;
    const EditOutcome edit = EditSetpoint(Image, which, field->text().toStdString());
    if (edit.entryError) {
        LineEditField entry(*field);
        ShowEntryError(entry, messages_);
    }
    // What is shown is what is stored: a typed 30 that stores 29,99 % says so.
    ShowText(*field, SetpointText(Image, which));
    (which == 1 ? StUstKod1 : StUstKod2)->setText(QString::number(which == 1 ? Image.GetUstKod1() : Image.GetUstKod2()));
}

void TForm1::KTxcExit() {
    const EditOutcome edit = EditKTxc(Image, KTxc->text().toStdString());
    if (!edit.Ok() && !edit.entryError) {
        // The sensor type changed and is not written: the text stays.
        messages_.Show({edit.refusal, "Предупреждение", MsgIcon::Warning, MsgButtons::Ok, MsgAnswer::Ok});
        return;
    }
    if (edit.entryError) {
        LineEditField entry(*KTxc);
        ShowEntryError(entry, messages_);
    }
    ShowText(*KTxc, std::to_string(Image.GetKTxc()));
    if (edit.Ok())
        if (QWidget* previous = NeighbourInTabOrder(KTxc, false)) previous->setFocus(Qt::BacktabFocusReason);
}

void TForm1::Edit1Exit() {
    LineEditField entry(*Edit1);
    try {
        if (CheckEntry(entry, kEntryMa, Image, messages_) == 0) {
            double ma = 0.0;
            if (!ParseDecimalComma(entry.Text(), ma)) return;
            // Below 4 mA the code is negative; it goes out in two's complement.
            const int result = SetOutputCurrent(Link, NuCur, LadrMaToCode(ma));
            if (result != kOk) {
                Link.ShowLinkError(NuCur, result);
                return;
            }
        }
        // The window shows the output the transmitter now drives.
        Link.WaitMs(1000);
    } catch (const PortError& e) {
        ReportPortError(e);
        return;
    }
    InPortClick();
}

int TForm1::SwitchCoil(int coil, bool on) {
    try {
        return tservice::SwitchCoil(Link, NuCur, coil, on);
    } catch (const PortError& e) {
        ReportPortError(e);
        return -1;
    }
}

void TForm1::ButSwitchClick() {
    HandlerScope scope(*this);
    const bool down = ButSwitch->isChecked();
    if (down) {
        Edit1->clear();
        Edit1->setEnabled(true);
        Label25->setEnabled(true);
    } else {
        // Leaving output control is no entry: disabling the field moves the
        // focus without the exit check.
        const FlagScope quiet(entryCheck_);
        Edit1->setEnabled(false);
        Label25->setEnabled(false);
    }
    const int result = SwitchCoil(kCoilOutputControl, down);
    if (result > 0 && ReportErrors) Link.ShowLinkError(NuCur, result);
}

}  // namespace tservice
