#include "Obrnastr.h"

#include <algorithm>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tservice {

TUpDown::TUpDown(QWidget* parent) : QSpinBox(parent) {
    setRange(1, 100);
    setSingleStep(1);
    setWrapping(false);
    lineEdit()->setReadOnly(true);
}

TFormNastr::TFormNastr(TComPortClass& link, QWidget* parent) : QDialog(parent), link_(link) {
    setWindowTitle(QStringLiteral("Настройка параметров обмена"));
    setFixedSize(std::max(300, TitleFitWidth(*this, windowTitle())), 160);
    Label1 = new QLabel(QStringLiteral("Задержка после переключ на передачу"), this);
    Label1->setGeometry(12, 14, 276, 20);
    UpDown1 = new TUpDown(this);
    UpDown1->setGeometry(12, 38, 80, 24);
    Edit1 = UpDown1->Edit();
    auto* unit = new QLabel(QStringLiteral("мс"), this);
    unit->setGeometry(98, 38, 30, 24);
    Label2 = new QLabel(QStringLiteral("Повторы на 1 этапе"), this);
    Label2->setGeometry(12, 70, 130, 20);
    CBoxPovt1 = new QComboBox(this);
    CBoxPovt1->addItems({QStringLiteral("1"), QStringLiteral("5")});
    CBoxPovt1->setGeometry(150, 70, 60, 22);
    Label3 = new QLabel(QStringLiteral("Повторы на 2-м этапе"), this);
    Label3->setGeometry(12, 96, 130, 20);
    CBoxPovt2 = new QComboBox(this);
    CBoxPovt2->addItems({QStringLiteral("1"), QStringLiteral("10")});
    CBoxPovt2->setGeometry(150, 96, 60, 22);
    for (QWidget* w : {static_cast<QWidget*>(Label2), static_cast<QWidget*>(CBoxPovt1),
                       static_cast<QWidget*>(Label3), static_cast<QWidget*>(CBoxPovt2)})
        w->hide();
    LabEcho = new QLabel(QStringLiteral("Эхо адаптера:"), this);
    LabEcho->setGeometry(12, 72, 110, 22);
    LabEcho->setToolTip(QStringLiteral("Адаптер слышит свой запрос: \"авто\" узнает это по первой идентификации"));
    CBoxEcho = new QComboBox(this);
    CBoxEcho->addItems({QStringLiteral("нет"), QStringLiteral("есть"), QStringLiteral("авто")});
    CBoxEcho->setGeometry(126, 72, 80, 22);
    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setGeometry(208, 118, 80, 28);
    OK->setDefault(true);
    connect(OK, &QPushButton::clicked, this, &TFormNastr::OKClick);
    FormCreate();
}

int TFormNastr::ShowModal() { return RunModal(*this); }

void TFormNastr::FormCreate() {
    SavedPovt1 = 1;
    SavedPovt2 = 1;
    SavedDelay = link_.GetDelayOut();
    CBoxPovt1->setCurrentIndex(SavedPovt1);
    CBoxPovt2->setCurrentIndex(SavedPovt2);
    UpDown1->setValue(SavedDelay);
    SavedEcho = 2;
    CBoxEcho->setCurrentIndex(SavedEcho);
}

EchoMode TFormNastr::ChosenEcho() const {
    switch (SavedEcho) {
    case 0: return EchoMode::Off;
    case 1: return EchoMode::On;
    default: return EchoMode::Auto;
    }
}

void TFormNastr::OKClick() {
    SavedEcho = CBoxEcho->currentIndex();
    SavedPovt1 = CBoxPovt1->currentIndex();
    SavedPovt2 = CBoxPovt2->currentIndex();
    SavedDelay = UpDown1->value();
    done(QDialog::Accepted);
}

void TFormNastr::done(int result) {
    if (result != QDialog::Accepted) {
        CBoxPovt1->setCurrentIndex(SavedPovt1);
        CBoxPovt2->setCurrentIndex(SavedPovt2);
        UpDown1->setValue(SavedDelay);
        CBoxEcho->setCurrentIndex(SavedEcho);
    }
    QDialog::done(result);
}

}  // namespace tservice
