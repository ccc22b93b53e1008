#include "JournalWindow.h"

#include "Protocol.h"

#include <QColor>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "FilePath.h"
#include "Journal.h"
#include "JournalChain.h"
#include "Models.h"

namespace tservice {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString ChangesText(const JournalEntry& e) {
    QStringList lines;
    for (const FieldChange& c : e.changes) lines << Q(ChangeLine(c) + AsFoundNote(c));
    return lines.isEmpty() ? QStringLiteral("без изменений") : lines.join('\n');
}

}  // namespace

TFormJournal::TFormJournal(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormJournal"));
    setWindowTitle(QStringLiteral("Журнал изменений"));
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Устр. №"), this));
    CBoxUstr = new QComboBox(this);
    CBoxUstr->addItem(QStringLiteral("все"));
    for (int n = 1; n <= kLineSize; ++n) CBoxUstr->addItem(QString::number(n));
    top->addWidget(CBoxUstr);
    top->addStretch();
    GridJournal = new QTableWidget(0, 5, this);
    GridJournal->setHorizontalHeaderLabels({QStringLiteral("Время"), QStringLiteral("Порт"), QStringLiteral("Устройство"),
                                            QStringLiteral("Прибор"), QStringLiteral("Изменения")});
    GridJournal->horizontalHeader()->setStretchLastSection(true);
    // Time and device label on one line each; the changes wrap in the rest.
    int column = 0;
    for (const int width : {140, 100, 90, 300}) GridJournal->setColumnWidth(column++, width);
    GridJournal->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LabInfo = new QLabel(this);
    LabVerdict = new QLabel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(GridJournal);
    layout->addWidget(LabInfo);
    layout->addWidget(LabVerdict);
    resize(980, 420);
    connect(CBoxUstr, &QComboBox::activated, this, [this] { CBoxUstrClick(); });
}

void TFormJournal::ShowJournal(const QString& path) {
    path_ = path;
    CBoxUstrClick();
}

void TFormJournal::CBoxUstrClick() {
    GridJournal->setRowCount(0);
    LabVerdict->clear();
    if (path_.isEmpty()) {
        LabInfo->setText(QStringLiteral("Журнал изменений не ведется"));
        return;
    }
    const JournalContents j = ReadJournal(path_, CBoxUstr->currentIndex());
    LabInfo->setText(Q(j.error.empty() ? PathShown(path_) + JournalReadNote(j) : j.error));
    const ChainVerdict verdict = PathExists(path_) ? VerifyJournalFile(path_) : ChainVerdict{};
    const bool broken = verdict.fault != ChainFault::None;
    LabVerdict->setText(Q(VerdictText(verdict)));
    LabVerdict->setStyleSheet(broken ? QStringLiteral("color: red") : QString());
    GridJournal->setRowCount(static_cast<int>(j.entries.size()));
    int row = 0;
    for (auto e = j.entries.rbegin(); e != j.entries.rend(); ++e, ++row) {
        QString device = QString::number(e->deviceBefore);
        if (e->deviceAfter != e->deviceBefore) device += " → " + QString::number(e->deviceAfter);
        const QStringList cells{e->time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), Q(e->port), device,
                                Q(e->model != 0 ? PanelText(e->model, e->version) : e->modelName), ChangesText(*e)};
        for (int col = 0; col < cells.size(); ++col) {
            auto* item = new QTableWidgetItem(cells[col]);
            GridJournal->setItem(row, col, item);
            if (broken && e->line == verdict.line) {
                item->setBackground(QColor(255, 200, 200));
                item->setToolTip(LabVerdict->text());
                GridJournal->scrollToItem(item);
            }
        }
    }
    GridJournal->resizeRowsToContents();
}

}  // namespace tservice
