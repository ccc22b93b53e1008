// Menu "Сервис": the calibration check of the transmitter in hand.
#include <QMenuBar>

#include "Form1.h"
#include "Obrcheck.h"
#include "Workflow.h"

namespace tservice {

void TForm1::CreateCheckMenu() {
    MenuServis = new QMenu(QStringLiteral("С&ервис"), this);  // Alt+Е: Alt+С is "Справка"
    menuBar()->insertMenu(MenuVid->menuAction(), MenuServis);
    ACheck = MenuServis->addAction(QStringLiteral("Проверка"), this, [this] { CheckClick(); });
}

void TForm1::CheckClick() {
    HandlerScope scope(*this);
    if (!LastReading.Vvod) {
        messages_.Show(WriteRefusalBox(WriteStage::NoData));
        return;
    }
    // The check reads the measurement itself; polling would only interleave.
    StopPolling();
    if (FormCheck == nullptr) FormCheck = new TFormCheck(Link, Link.Clock(), messages_, this);
    if (!FormCheck->Start(LastReading, NuCur, JournalPath)) return;
    FormCheck->show();
    FormCheck->raise();
}

}  // namespace tservice
