// The status bar of the main window: port, device, unwritten changes.
#include <QLabel>
#include <QStatusBar>

#include "Form1.h"

namespace tservice {

namespace {

QString ParityWord(char parity) {
    switch (parity) {
    case 'O': return QStringLiteral("нечет");
    case 'E': return QStringLiteral("чет");
    default: return QStringLiteral("нет");
    }
}

}  // namespace

void TForm1::CreateStatus() {
    StatusPort = new QLabel(this);
    StatusDevice = new QLabel(this);
    StatusChanged = new QLabel(this);
    MakeRedBold(StatusChanged);
    statusBar()->addWidget(StatusPort);
    statusBar()->addWidget(StatusDevice);
    statusBar()->addWidget(StatusChanged);
    StatusPort->setObjectName(QStringLiteral("StatusPort"));
    StatusDevice->setObjectName(QStringLiteral("StatusDevice"));
    StatusChanged->setObjectName(QStringLiteral("StatusChanged"));
}

void TForm1::ShowStatus() {
    const QString name = QString::fromStdString(Link.PortName);
    if (Link.PortOpen()) {
        portChosen_ = true;
        StatusPort->setText(QStringLiteral("Порт %1: %2 бит/с, четность %3, стоп. биты %4")
                                .arg(name, QString::fromStdString(Link.BaudText), ParityWord(Link.ParityChar),
                                     QString::fromStdString(Link.StopText)));
    } else {
        // The default name is no choice of the operator's.
        StatusPort->setText(portChosen_ ? QStringLiteral("Порт %1 закрыт").arg(name) : QStringLiteral("Порт не выбран"));
    }
    StatusDevice->setText(QStringLiteral("устройство %1").arg(NuCur + 1));
    StatusChanged->setText(Image.Izmen != 0 ? QStringLiteral("изменено, не записано") : QString());
}

}  // namespace tservice
