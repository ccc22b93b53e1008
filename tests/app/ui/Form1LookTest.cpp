// What the operator sees besides the values: tooltips with shortcuts, the
// status bar, a window that fits 1024x768 with every control whole, and the
// words on the buttons of the real message boxes.
#include <algorithm>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "GuiFixture.h"
#include "ChangesPanel.h"
#include "Obrline.h"
#include "TracePanel.h"
#include "TrendPanel.h"
#include "QtMessages.h"

namespace tservice::testing {
namespace {

class Form1Look : public GuiTest {};

// Tooltips name their shortcut; every menu shown opens with Alt and a
// letter no other menu takes.
TEST_F(Form1Look, TooltipsNameTheirShortcutAndEachMenuItsOwnLetter) {
    struct Case { QAction* action; const char* tip; };
    for (const Case& c : {Case{form->AInPort, "Ввод с СОМ-порта (F9)"}, Case{form->AOutPort, "Вывод на СОМ-порт (F10)"},
                          Case{form->AParol, "Замена пароля (F8)"}, Case{form->APort, "Настройка СОМ порта"}})
        EXPECT_EQ(Text(c.action->toolTip()), c.tip);
    std::vector<std::string> keys;
    for (QAction* menu : form->menuBar()->actions())
        if (menu->isVisible()) keys.push_back(Text(QKeySequence::mnemonic(menu->text()).toString()));
    EXPECT_EQ(keys, (std::vector<std::string>{"Alt+Ф", "Alt+П", "Alt+Е", "Alt+В", "Alt+С"}));
}

// Every control lies inside its parent, and the window inside 1024x768
// less a frame of 8 and a title bar of 32.
TEST_F(Form1Look, FitsTheSmallScreenWithEveryControlWhole) {
    const QSize size = form->sizeHint();
    EXPECT_LE(size.width(), 1024 - 16);
    EXPECT_LE(size.height(), 768 - 40);
    QWidget* body = form->findChild<QWidget*>(QStringLiteral("Form1Body"));
    ASSERT_NE(body, nullptr);
    for (QGroupBox* g : body->findChildren<QGroupBox*>())
        EXPECT_LE(g->fontMetrics().horizontalAdvance(g->title()) + 16, g->width()) << Text(g->title());
    for (QWidget* w : body->findChildren<QWidget*>()) {
        if (w->parentWidget() && !w->isWindow()) {
            const QRect inside = w->parentWidget()->rect();
            EXPECT_TRUE(inside.contains(w->geometry())) << Text(w->objectName()) << " leaves its parent";
        }
    }
}

// Every panel open, docked or floating, and the overview: the window's frame
// stays on the available screen, and closing the panels gives back the size
// it opened with.
TEST_F(Form1Look, PanelsAndOverviewFitTheScreen) {
    AddDevice(3, kTevTp, 4);
    OpenPort();
    Read(3);
    form->show();
    QCoreApplication::processEvents();
    const QSize opened = form->size();
    QDockWidget* panels[] = {form->Trend, form->LineLog, form->ChangesPanel};
    for (const QRect area : {QRect(0, 0, 1024, 768 - 32), QRect(0, 0, 1280, 1024 - 32)}) {
        SCOPED_TRACE(area.width());
        for (QDockWidget* p : panels) p->show();
        QCoreApplication::processEvents();
        form->FitToScreen(area);
        QCoreApplication::processEvents();
        EXPECT_TRUE(area.contains(form->frameGeometry())) << form->frameGeometry().width() << "x"
                                                          << form->frameGeometry().height();
        EXPECT_LE(form->minimumSizeHint().height(), area.height());
        EXPECT_LE(form->minimumSizeHint().width(), area.width());
        form->FormLine->show();
        QCoreApplication::processEvents();
        EXPECT_LE(form->FormLine->frameGeometry().width(), area.width());
        form->FormLine->hide();
        for (QDockWidget* p : panels) p->hide();
        QCoreApplication::processEvents();
        form->FitToScreen(area);
        EXPECT_EQ(form->size(), opened);
    }
}

TEST_F(Form1Look, StatusBarShowsPortDeviceAndUnwrittenChanges) {
    EXPECT_EQ(Text(form->StatusPort->text()), "Порт не выбран");
    AddDevice(3, kLadr, 5);
    OpenPort();
    Read(3);
    EXPECT_EQ(Text(form->StatusPort->text()), "Порт COM1: 9600 бит/с, четность нет, стоп. биты 2");
    EXPECT_EQ(Text(form->StatusDevice->text()), "устройство 3");
    EXPECT_EQ(Text(form->StatusChanged->text()), "");
    form->CBoxTipSign->setCurrentIndex(2);
    form->CBoxTipSignClick();
    EXPECT_EQ(Text(form->StatusChanged->text()), "изменено, не записано");
    form->OutPortClick();
    EXPECT_EQ(form->Image.Izmen, 0);
    EXPECT_EQ(Text(form->StatusChanged->text()), "");
}

TEST_F(Form1Look, OutputControlSaysItsStateInWords) {
    AddDevice(1, kOski, 2);
    OpenPort();
    Read(1);
    EXPECT_FALSE(form->LabSwitch->isHidden());
    EXPECT_EQ(Text(form->LabSwitch->text()), "выключен");
    form->ButSwitch->click();
    EXPECT_TRUE(form->ButSwitch->isChecked());
    EXPECT_EQ(Text(form->LabSwitch->text()), "включен");
    EXPECT_NE(form->Edit1->palette().color(QPalette::Disabled, QPalette::Base),
              form->Edit1->palette().color(QPalette::Active, QPalette::Base));
}

}  // namespace
}  // namespace tservice::testing

namespace tservice::testing {
namespace {

// The real boxes: Russian words on the standard buttons, the default kept,
// the answer of the button pressed.
TEST(QtBoxes, ButtonsReadRussianAndKeepTheirDefault) {
    struct Case { MsgButtons buttons; MsgAnswer byDefault; std::vector<std::string> words; };
    for (const Case& c : {Case{MsgButtons::YesNo, MsgAnswer::No, {"Да", "Нет"}},
                          Case{MsgButtons::YesNoCancel, MsgAnswer::No, {"Да", "Нет", "Отмена"}},
                          Case{MsgButtons::RetryCancel, MsgAnswer::Retry, {"Повтор", "Отмена"}},
                          Case{MsgButtons::Ok, MsgAnswer::Ok, {"ОК"}}}) {
        std::vector<std::string> words;
        std::string pressed;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (QAbstractButton* b : box->buttons()) words.push_back(b->text().toStdString());
            pressed = box->defaultButton()->text().toStdString();
            box->defaultButton()->click();
        });
        QtMessages messages;
        const MsgAnswer answer = messages.Show(MsgBox{"?", "Вопрос", MsgIcon::Question, c.buttons, c.byDefault});
        std::sort(words.begin(), words.end());
        std::vector<std::string> expected = c.words;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(words, expected);
        EXPECT_EQ(answer, c.byDefault) << pressed;
    }
}

}  // namespace
}  // namespace tservice::testing
