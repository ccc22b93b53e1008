#include "ChangesPanel.h"

#include <QListWidget>
#include <QTimer>

#include "Changes.h"
#include "DeviceImage.h"

namespace tservice {

TChangesPanel::TChangesPanel(const DeviceImage& lastRead, const DeviceImage& image, QWidget* parent)
    : QDockWidget(QStringLiteral("Изменения"), parent), lastRead_(lastRead), image_(image) {
    setObjectName(QStringLiteral("ChangesPanel"));
    ListChanges = new QListWidget(this);
    ListChanges->setObjectName(QStringLiteral("ListChanges"));
    setWidget(ListChanges);
    timer_ = new QTimer(this);
    timer_->setInterval(300);
    connect(timer_, &QTimer::timeout, this, &TChangesPanel::Refresh);
    timer_->start();
}

void TChangesPanel::Refresh() {
    const bool changed = image_.Vvod && lastRead_.Vvod && image_.Izmen;
    QByteArray state(reinterpret_cast<const char*>(image_.Baza.data()), kMaxParamLen + 1);
    state.append(reinterpret_cast<const char*>(lastRead_.Baza.data()), kMaxParamLen + 1);
    state += changed ? '1' : '0';
    state.append(reinterpret_cast<const char*>(&image_.TMin), sizeof image_.TMin);
    state.append(reinterpret_cast<const char*>(&image_.TMax), sizeof image_.TMax);
    if (state == shown_) return;
    shown_ = state;
    ListChanges->clear();
    if (!changed || lastRead_.Tip != image_.Tip) return;
    for (const FieldChange& c : EngineeringChanges(lastRead_, image_))
        ListChanges->addItem(QString::fromStdString(ChangeLine(c)));
}

}  // namespace tservice
