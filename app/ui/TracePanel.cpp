#include "TracePanel.h"

#include "StatsTab.h"

#include <set>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace tservice {

TracePanel::TracePanel(TracingPort& port, TComPortClass& link, IClock& clock, IMessages& messages, QWidget* parent)
    : QDockWidget(QStringLiteral("Журнал обмена"), parent),
      Model(this),
      Filter(this),
      port_(port),
      link_(link),
      clock_(clock),
      messages_(messages),
      recorder_([this](const ExchangeRecord& r) { Take(r); }) {
    setObjectName(QStringLiteral("TracePanel"));
    AskSaveName = [this](bool csv) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить журнал обмена"), QString(),
                                            csv ? QStringLiteral("CSV (*.csv)") : QStringLiteral("Текст (*.txt)"));
    };
    auto* body = new QWidget(this);
    auto* bar = new QHBoxLayout;
    CBoxUstr = new QComboBox(body);
    CBoxUstr->addItem(QStringLiteral("все"));
    for (int n = 1; n <= kLineSize; ++n) CBoxUstr->addItem(QString::number(n));
    ChBoxErrors = new QCheckBox(QStringLiteral("только ошибки"), body);
    BtnPause = new QPushButton(QStringLiteral("Пауза"), body);
    BtnPause->setCheckable(true);
    BtnClear = new QPushButton(QStringLiteral("Очистить"), body);
    BtnCopy = new QPushButton(QStringLiteral("Копировать"), body);
    BtnSaveText = new QPushButton(QStringLiteral("Сохранить текст"), body);
    BtnSaveCsv = new QPushButton(QStringLiteral("Сохранить CSV"), body);
    bar->addWidget(CBoxUstr);
    bar->addWidget(ChBoxErrors);
    bar->addStretch();
    for (QPushButton* b : {BtnPause, BtnClear, BtnCopy, BtnSaveText, BtnSaveCsv}) bar->addWidget(b);

    Table = new QTreeView(body);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A flat list of equal rows: no per-row header or height to keep for
    // 10 000 rows.
    Table->setRootIsDecorated(false);
    Table->setUniformRowHeights(true);
    Table->setItemsExpandable(false);
    MemoDetails = new QPlainTextEdit(body);
    MemoDetails->setReadOnly(true);
    auto* split = new QSplitter(Qt::Vertical, body);
    split->addWidget(Table);
    split->addWidget(MemoDetails);
    auto* column = new QVBoxLayout(body);
    column->addLayout(bar);
    column->addWidget(split);
    Tabs = new QTabWidget(this);
    Tabs->addTab(body, QStringLiteral("Обмен"));
    TabStats = new StatsTab(stats_, Tabs);
    Tabs->addTab(TabStats, QStringLiteral("Статистика"));
    connect(Tabs, &QTabWidget::currentChanged, this, [this] { TabStats->Refresh(); });
    setWidget(Tabs);
    watchers_.Add(&stats_);
    port_.SetObserver(&watchers_);
    link_.SetObserver(&watchers_);
    attached_ = true;

    connect(CBoxUstr, &QComboBox::currentIndexChanged, this, [this] { CBoxUstrChange(); });
    connect(ChBoxErrors, &QCheckBox::toggled, this, [this] { ChBoxErrorsClick(); });
    connect(BtnClear, &QPushButton::clicked, this, [this] { BtnClearClick(); });
    connect(BtnCopy, &QPushButton::clicked, this, [this] { BtnCopyClick(); });
    connect(BtnSaveText, &QPushButton::clicked, this, [this] { BtnSaveTextClick(); });
    connect(BtnSaveCsv, &QPushButton::clicked, this, [this] { BtnSaveCsvClick(); });
    ShowModel(&Model);
    // Wide enough for the longest command name and result.
    const int widths[TraceModel::ColCount] = {96, 90, 250, 150, 300};
    for (int c = 0; c < TraceModel::ColCount; ++c) Table->header()->resizeSection(c, widths[c]);
    connect(toggleViewAction(), &QAction::toggled, this, [this](bool on) { Listen(on); });
}

TracePanel::~TracePanel() { Detach(); }

void TracePanel::Detach() {
    Listen(false);
    if (!attached_) return;
    port_.SetObserver(nullptr);
    link_.SetObserver(nullptr);
    attached_ = false;
}

void TracePanel::Listen(bool on) {
    if (on == listening_) return;
    listening_ = on;
    if (on) watchers_.Add(&recorder_);
    else watchers_.Remove(&recorder_);
    if (on) offsetMs_ = TimeOfDayOffsetMs(clock_);
}

void TracePanel::Take(const ExchangeRecord& record) {
    // Decoded even while paused, so what follows is shown in the right units.
    TraceRow row = MakeTraceRow(decoder_, record, offsetMs_);
    if (!BtnPause->isChecked()) Model.Add(std::move(row));
}

void TracePanel::ShowModel(QAbstractItemModel* model) {
    if (Table->model() == model) return;
    Table->setModel(model);
    connect(Table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { TableSelect(); });
    MemoDetails->clear();
}

void TracePanel::ApplyFilter() {
    Filter.SetDevice(CBoxUstr->currentIndex());
    Filter.SetErrorsOnly(ChBoxErrors->isChecked());
    // The filter re-maps all its rows at every change of the ring, so it
    // listens only while it filters something.
    const bool active = CBoxUstr->currentIndex() != 0 || ChBoxErrors->isChecked();
    if (active && Filter.sourceModel() == nullptr) Filter.setSourceModel(&Model);
    ShowModel(active ? static_cast<QAbstractItemModel*>(&Filter) : &Model);
    if (!active) Filter.setSourceModel(nullptr);
}

const TraceRow& TracePanel::RowAt(int viewRow) const {
    if (Table->model() == &Filter) return Model.Row(Filter.mapToSource(Filter.index(viewRow, 0)).row());
    return Model.Row(viewRow);
}

void TracePanel::CBoxUstrChange() { ApplyFilter(); }

void TracePanel::ChBoxErrorsClick() { ApplyFilter(); }

void TracePanel::BtnClearClick() {
    Model.Clear();
    MemoDetails->clear();
}

std::vector<const TraceRow*> TracePanel::ShownRows(bool selectedOnly) const {
    std::set<int> picked;
    if (selectedOnly)
        for (const QModelIndex& i : Table->selectionModel()->selectedRows()) picked.insert(i.row());
    std::vector<const TraceRow*> rows;
    for (int r = 0; r < Table->model()->rowCount(); ++r) {
        if (selectedOnly && picked.count(r) == 0) continue;
        rows.push_back(&RowAt(r));
    }
    return rows;
}

void TracePanel::BtnCopyClick() {
    const auto rows = ShownRows(true);
    if (!rows.empty()) QApplication::clipboard()->setText(QString::fromStdString(TraceText(rows)));
}

void TracePanel::Save(bool csv) {
    const QString path = AskSaveName ? AskSaveName(csv) : QString();
    if (path.isEmpty()) return;
    const auto rows = ShownRows(false);
    const std::string text = csv ? TraceCsv(rows) : TraceText(rows);
    QSaveFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) &&
                    file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) &&
                    file.commit();
    if (!ok) {
        messages_.Show(MsgBox{"Файл " + path.toStdString() + " не удается записать: " + file.errorString().toStdString(),
                              "Ошибка", MsgIcon::Error, MsgButtons::Ok, MsgAnswer::Ok});
    }
}

void TracePanel::TableSelect() {
    const QModelIndexList picked = Table->selectionModel()->selectedRows();
    if (picked.isEmpty()) {
        MemoDetails->clear();
        return;
    }
    const TraceRow& r = RowAt(picked.front().row());
    MemoDetails->setPlainText(QString::fromStdString(r.details));
}

}  // namespace tservice
