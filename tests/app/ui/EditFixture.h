#pragma once
// The main window on the simulated line for the editing workflows: operator
// picks, typing into the entry fields with the window active, and message
// boxes that take the focus from the field as real ones do.
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

#include "GuiFixture.h"

namespace tservice::testing {

// Forwards to the scripted messages; every box first takes the focus from
// the focused control, the harshest way (an ordinary focus loss).
class FocusThief final : public IMessages {
public:
    explicit FocusThief(ScriptedMessages& inner) : inner_(inner) {}
    MsgAnswer Show(const MsgBox& box) override {
        Steal();
        return inner_.Show(box);
    }
    void Plain(const std::string& text) override {
        Steal();
        inner_.Plain(text);
    }
    void Beep() override { inner_.Beep(); }
    void RequestMainClose() override { inner_.RequestMainClose(); }

private:
    static void Steal() {
        if (QWidget* w = QApplication::focusWidget()) {
            QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
            QApplication::sendEvent(w, &out);
        }
    }
    ScriptedMessages& inner_;
};

class EditTest : public GuiTest {
protected:
    void SetUp() override {
        form = std::make_unique<TForm1>(recorder, clock, thief, [this] { return portNames; });
        form->SetModalRunner([this](QDialog& dialog) { return RunDialog(dialog); });
    }

    // A device read at number, with the window shown and active so that
    // focus changes reach the fields.
    sim::Transmitter& ReadDevice(int number, int model, int version) {
        sim::Transmitter& t = AddDevice(number, model, version);
        OpenPort();
        Read(number);
        EXPECT_EQ(form->Image.Vvod, 1);
        return t;
    }
    void Activate() {
        form->show();
        QApplication::setActiveWindow(form.get());
        form->activateWindow();
    }
    // An operator's pick: the shown item changes, then the pick is reported.
    static void Pick(QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    static void PickText(QComboBox* box, const char* text) {
        const int index = box->findText(QString::fromUtf8(text));
        ASSERT_GE(index, 0) << text;
        Pick(box, index);
    }
    // Focus into field, its text replaced by typing, then Tab out of it.
    void Enter(QLineEdit* field, const char* text) {
        field->setFocus(Qt::MouseFocusReason);
        field->clear();
        QTest::keyClicks(field, QString::fromUtf8(text));
        QTest::keyClick(field, Qt::Key_Tab);
    }
    std::vector<Request> Sent(int cmd) const {
        std::vector<Request> out;
        for (const Request& r : Requests())
            if (r.cmd == cmd) out.push_back(r);
        return out;
    }
    static int Word(const sim::Transmitter& t, int at) {
        return static_cast<std::int16_t>(t.block[at] | t.block[at + 1] << 8);
    }

    FocusThief thief{messages};
};

}  // namespace tservice::testing
