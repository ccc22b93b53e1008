#include "StatsTab.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tservice {

namespace {

QString Ms(int ms) { return ms < 0 ? QStringLiteral("—") : QString::number(ms); }

}  // namespace

QString FailedShareText(const DeviceStats* d) {
    if (d == nullptr || d->tries == 0) return QStringLiteral("—");
    return QString::number(100.0 * d->FailedShare(), 'f', 1).replace(QLatin1Char('.'), QLatin1Char(',')) +
           QStringLiteral(" %");
}

StatsTab::StatsTab(LineStats& stats, QWidget* parent) : QWidget(parent), stats_(stats) {
    const QStringList heads{QStringLiteral("№"),        QStringLiteral("обменов"),   QStringLiteral("попыток"),
                            QStringLiteral("нет ответа"), QStringLiteral("неполных"), QStringLiteral("CRC"),
                            QStringLiteral("чужой ответ"), QStringLiteral("исключений"), QStringLiteral("ответ мин, мс"),
                            QStringLiteral("медиана, мс"), QStringLiteral("макс, мс"),  QStringLiteral("неудачных")};
    GridStat = new QTableWidget(0, static_cast<int>(heads.size()), this);
    GridStat->setHorizontalHeaderLabels(heads);
    GridStat->verticalHeader()->hide();
    GridStat->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridStat->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    BtnReset = new QPushButton(QStringLiteral("Сбросить"), this);
    LabMark = new QLabel(QStringLiteral("красным - неудачных попыток больше %1 %").arg(kFailedShareMark * 100), this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(LabMark);
    bar->addStretch();
    bar->addWidget(BtnReset);
    auto* column = new QVBoxLayout(this);
    column->addLayout(bar);
    column->addWidget(GridStat);
    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (isVisible()) Refresh();
    });
    timer_->start();
    connect(BtnReset, &QPushButton::clicked, this, [this] { BtnResetClick(); });
}

void StatsTab::BtnResetClick() {
    stats_.Reset();
    Refresh();
}

void StatsTab::Refresh() {
    const std::vector<DeviceStats> all = stats_.Devices();
    GridStat->setRowCount(static_cast<int>(all.size()) + (all.empty() ? 0 : 1));
    for (std::size_t i = 0; i < all.size(); ++i) ShowRow(static_cast<int>(i), QString::number(all[i].device), all[i]);
    if (!all.empty()) ShowRow(static_cast<int>(all.size()), QStringLiteral("всего"), stats_.Total());
}

void StatsTab::ShowRow(int row, const QString& name, const DeviceStats& d) {
    const QStringList texts{name,
                            QString::number(d.exchanges),
                            QString::number(d.tries),
                            QString::number(d.noAnswer),
                            QString::number(d.incomplete),
                            QString::number(d.crcErrors),
                            QString::number(d.badHeader),
                            QString::number(d.exceptions),
                            Ms(d.MinMs()),
                            Ms(d.MedianMs()),
                            Ms(d.MaxMs()),
                            FailedShareText(&d)};
    for (int c = 0; c < texts.size(); ++c) {
        auto* item = new QTableWidgetItem(texts[c]);
        if (d.Marked()) item->setForeground(QColor(0xFF, 0x00, 0x00));
        GridStat->setItem(row, c, item);
    }
}

}  // namespace tservice
