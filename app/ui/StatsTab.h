#pragma once
// The "Статистика" tab of the "Журнал обмена": per transmitter since the port
// was opened or "Сбросить", the exchanges, tries, failed tries by kind,
// exception answers and answer times; a transmitter whose share of failed
// tries is above kFailedShareMark is shown in red.
#include <QWidget>

#include "LineStats.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace tservice {

class StatsTab final : public QWidget {
    Q_OBJECT
public:
    // stats is not owned and must outlive the tab.
    explicit StatsTab(LineStats& stats, QWidget* parent = nullptr);

    // Shows the counts now (also every second while the tab is visible).
    void Refresh();
    // "Сбросить": forgets every count.
    void BtnResetClick();

    QTableWidget* GridStat = nullptr;  // one row per transmitter, then "всего"
    QPushButton* BtnReset = nullptr;
    QLabel* LabMark = nullptr;         // what a red row means

private:
    void ShowRow(int row, const QString& name, const DeviceStats& d);

    LineStats& stats_;
    QTimer* timer_ = nullptr;
};

// The share of failed tries as shown: "—" without tries, else "9,1 %".
QString FailedShareText(const DeviceStats* d);

}  // namespace tservice
