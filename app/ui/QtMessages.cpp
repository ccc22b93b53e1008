#include "QtMessages.h"

#include <QApplication>
#include <QAbstractButton>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

#include <utility>

#include "Help.h"
#include "UiSupport.h"

namespace tservice {

namespace {

QMessageBox::Icon IconOf(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    case MsgButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton ButtonOf(MsgAnswer answer) {
    switch (answer) {
    case MsgAnswer::Yes: return QMessageBox::Yes;
    case MsgAnswer::No: return QMessageBox::No;
    case MsgAnswer::Cancel: return QMessageBox::Cancel;
    case MsgAnswer::Retry: return QMessageBox::Retry;
    case MsgAnswer::Ok: break;
    }
    return QMessageBox::Ok;
}

// The answer a box closed by its close box or Esc stands for.
MsgAnswer EscapeAnswer(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::YesNo: return MsgAnswer::No;
    case MsgButtons::YesNoCancel:
    case MsgButtons::RetryCancel: return MsgAnswer::Cancel;
    case MsgButtons::Ok: break;
    }
    return MsgAnswer::Ok;
}

// The words of the program's other Russian texts, whatever the toolkit's
// translation offers (it leaves OK in Latin letters).
void NameButtons(QMessageBox& mb) {
    const std::pair<QMessageBox::StandardButton, const char*> names[] = {
        {QMessageBox::Yes, "Да"}, {QMessageBox::No, "Нет"}, {QMessageBox::Cancel, "Отмена"},
        {QMessageBox::Retry, "Повтор"}, {QMessageBox::Ok, "ОК"}};
    for (const auto& [button, name] : names)
        if (QAbstractButton* b = mb.button(button)) b->setText(QString::fromUtf8(name));
}

// A box is as wide as its text; a short text would cut the caption.
void FitCaption(QMessageBox& mb) {
    if (auto* grid = qobject_cast<QGridLayout*>(mb.layout()))
        grid->addItem(new QSpacerItem(TitleFitWidth(mb, mb.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace

MsgAnswer QtMessages::Show(const MsgBox& box) {
    QMessageBox mb(IconOf(box.icon), QString::fromStdString(box.caption), QString::fromStdString(box.text),
                   ButtonsOf(box.buttons), main_);
    mb.setWindowModality(Qt::ApplicationModal);
    mb.setDefaultButton(ButtonOf(box.defaultAnswer));
    NameButtons(mb);
    FitCaption(mb);
    QPushButton* help = nullptr;
    if (!box.help.empty()) {
        help = mb.addButton(QStringLiteral("Справка"), QMessageBox::HelpRole);
        mb.setEscapeButton(mb.button(ButtonOf(EscapeAnswer(box.buttons))));
        mb.setProperty("helpTopic", MessageTopic(box.help));
    }
    int pressed = mb.exec();
    // "Справка" shows the message's entry, then the box asks again.
    while (help != nullptr && mb.clickedButton() == help) {
        ShowManual(&mb, MessageTopic(box.help));
        pressed = mb.exec();
    }
    switch (pressed) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    case QMessageBox::Retry: return MsgAnswer::Retry;
    case QMessageBox::Ok: return MsgAnswer::Ok;
    default: return EscapeAnswer(box.buttons);
    }
}

void QtMessages::Plain(const std::string& text) {
    // Short reports of a refused entry or file: a Russian caption and the
    // warning icon like the other boxes, not the program's Latin name.
    QMessageBox mb(QMessageBox::Warning, QStringLiteral("Предупреждение"), QString::fromStdString(text),
                   QMessageBox::Ok, main_);
    mb.setWindowModality(Qt::ApplicationModal);
    NameButtons(mb);
    FitCaption(mb);
    mb.exec();
}

void QtMessages::Beep() { QApplication::beep(); }

void QtMessages::RequestMainClose() {
    if (main_) QMetaObject::invokeMethod(main_.data(), "close", Qt::QueuedConnection);
}

}  // namespace tservice
