#include "Obrline.h"

#include "StatsTab.h"

#include <algorithm>
#include <numeric>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QSaveFile>
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include "BusyPump.h"
#include "LineBackup.h"

namespace tservice {

namespace {

constexpr int kMaxNumber = kLineSize;

// Counts a handler of the window at work for its lifetime.
class Busy {
public:
    explicit Busy(int& counter) : counter_(counter) { ++counter_; }
    ~Busy() { --counter_; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    int& counter_;
};

QPushButton* MakeButton(QWidget* parent, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    return b;
}

// Column widths in pixels, in the order of LineColumns(), then the failed
// tries' share. The window is kWidth wide on a 1024 px screen, where the grid
// scrolls to its last columns; a wider screen shows them all. Longer texts
// are cut with "…" and shown whole in the cell's tooltip.
constexpr int kColumnWidths[] = {28, 160, 68, 84, 76, 76, 78, 120, 140, 72, 110, 130};
constexpr int kWidth = 1008;
// The window manager's frame and a little room beside it.
constexpr int kScreenSlack = 16;

}  // namespace

TFormLine::TFormLine(TComPortClass& link, IMessages& messages, QWidget* parent)
    : QDialog(parent), link_(link), messages_(messages) {
    setWindowTitle(QStringLiteral("Линия"));
    resize(kWidth, 520);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(CreateTop());
    layout->addWidget(CreateGrid());
    TimerPoll = new QTimer(this);
    TimerPoll->setInterval(0);
    TimeOfDay = [] { return static_cast<std::int64_t>(QTime::currentTime().msecsSinceStartOfDay()); };
    ChooseDir = [this] {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("Каталог для файлов параметров")).toStdString();
    };
    ChooseCsv = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Экспорт CSV"), QStringLiteral("линия.csv"),
                                            QStringLiteral("CSV (*.csv);;Все файлы (*)"))
            .toStdString();
    };
    round_ = std::make_unique<LineRound>(std::vector<FoundDevice>{}, [this] { return TimeOfDay(); });

    connect(ButScan, &QPushButton::clicked, this, [this] { ButScanClick(); });
    connect(ButPoll, &QPushButton::clicked, this, [this] { ButPollClick(); });
    connect(ButSaveAll, &QPushButton::clicked, this, [this] { ButSaveAllClick(); });
    connect(ButCsv, &QPushButton::clicked, this, [this] { ButCsvClick(); });
    connect(TimerPoll, &QTimer::timeout, this, [this] { TimerPollTimer(); });
    connect(GridLine, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { GridLineDblClick(row); });
}

QHBoxLayout* TFormLine::CreateTop() {
    LabelNu = new QLabel(QStringLiteral("Макс. № устр. "), this);
    CBoxUstr = new QComboBox(this);
    for (int n = 1; n <= kMaxNumber; ++n) CBoxUstr->addItem(QString::number(n));
    CBoxUstr->setCurrentIndex(kMaxNumber - 1);
    ButScan = MakeButton(this, QStringLiteral("Обновить"));
    ChBoxFast = new QCheckBox(QStringLiteral("Быстрый поиск"), this);
    ButPoll = MakeButton(this, QStringLiteral("Пуск и остановка опроса"));
    LabPoll = new QLabel(QStringLiteral("идет опрос"), this);
    LabPoll->setStyleSheet(QStringLiteral("color: red; font-weight: bold"));
    LabPoll->setMinimumWidth(90);
    QSizePolicy keep = LabPoll->sizePolicy();
    keep.setRetainSizeWhenHidden(true);  // the buttons stay put when it hides
    LabPoll->setSizePolicy(keep);
    LabPoll->hide();
    ButSaveAll = MakeButton(this, QStringLiteral("Сохранить все"));
    ButCsv = MakeButton(this, QStringLiteral("Экспорт CSV"));
    auto* top = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{LabelNu, CBoxUstr, ButScan, ChBoxFast, ButPoll, LabPoll, ButSaveAll, ButCsv})
        top->addWidget(w);
    top->addStretch();
    return top;
}

QTableWidget* TFormLine::CreateGrid() {
    const auto& columns = LineColumns();
    GridLine = new QTableWidget(0, static_cast<int>(columns.size()) + 1, this);
    QStringList heads;
    for (const auto& c : columns) heads << QString::fromStdString(c);
    heads << QStringLiteral("неудачных попыток");
    GridLine->setHorizontalHeaderLabels(heads);
    GridLine->verticalHeader()->hide();
    GridLine->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridLine->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridLine->setSelectionMode(QAbstractItemView::SingleSelection);
    GridLine->setTextElideMode(Qt::ElideRight);
    GridLine->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    GridLine->horizontalHeader()->setStretchLastSection(true);
    GridLine->horizontalHeader()->setTextElideMode(Qt::ElideRight);
    GridLine->installEventFilter(this);
    for (int c = 0; c < static_cast<int>(std::size(kColumnWidths)); ++c) GridLine->setColumnWidth(c, kColumnWidths[c]);
    return GridLine;
}

TFormLine::~TFormLine() = default;

void TFormLine::SetDevices(const std::vector<FoundDevice>& found) {
    StopPolling();
    round_ = std::make_unique<LineRound>(found, [this] { return TimeOfDay(); });
    GridLine->setRowCount(static_cast<int>(found.size()));
    ShowAllRows();
}

void TFormLine::setVisible(bool visible) {
    // Sized before the first showing, so the dialog is placed at its own width.
    if (visible && !sized_) {
        sized_ = true;
        const QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
        const int room = s != nullptr ? s->availableGeometry().width() - kScreenSlack : kWidth;
        const int columns = std::accumulate(std::begin(kColumnWidths), std::end(kColumnWidths), 0);
        const int around = 2 * (layout()->contentsMargins().left() + GridLine->frameWidth()) +
                           style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        resize(std::min(columns + around, std::max(kWidth, room)), height());
    }
    QDialog::setVisible(visible);
}

int TFormLine::ShowModal() {
    chosen_ = 0;
    RunModal(*this);
    StopPolling();
    return chosen_;
}

void TFormLine::done(int result) {
    StopPolling();
    QDialog::done(result);
}

bool TFormLine::Polling() const { return TimerPoll->isActive(); }

void TFormLine::StopPolling() {
    TimerPoll->stop();
    LabPoll->hide();
}

void TFormLine::ButPollClick() {
    if (Polling()) {
        StopPolling();
        return;
    }
    if (round_->Devices().empty()) return;
    TimerPoll->start();
    LabPoll->show();
}

void TFormLine::TimerPollTimer() {
    // An exchange never starts inside another, nor under this window's own
    // message boxes and file dialogs.
    if (busy_ > 0 || stepping_) return;
    // The operator's clicks and keys of the last exchange come first: one of
    // them may stop the round or close the window.
    const bool polling = Polling();
    BusyPump::DeliverHeld();
    if (polling && !Polling()) return;
    stepping_ = true;
    RoundStep step;
    try {
        BusyPump::Yielding yielding;
        step = round_->Step(link_);
    } catch (const PortError& e) {
        stepping_ = false;
        StopPolling();
        ShowAllRows();
        Busy b(busy_);
        messages_.Show(PortErrorBox(e));
        return;
    }
    stepping_ = false;
    if (step.device < 0) {
        StopPolling();
        return;
    }
    ShowRow(step.device);
    if (LineRound::LineFailure(step.code)) LineFailed(step.device, step.code);
}

void TFormLine::LineFailed(int deviceIndex, int code) {
    StopPolling();
    Busy b(busy_);
    link_.ShowLinkError(round_->Devices()[static_cast<std::size_t>(deviceIndex)].number - 1, code);
}

void TFormLine::ButScanClick() {
    Busy b(busy_);
    StopPolling();
    std::vector<FoundDevice> found;
    try {
        const auto keep = [&found](const FoundDevice& d) { found.push_back(d); };
        const int max = CBoxUstr->currentIndex() + 1;
        const ScanResult r = ChBoxFast->isChecked() ? FastScanLine(link_, max, 0, {}, keep)
                                                    : ScanLine(link_, max, {}, keep);
        SetDevices(found);
        if (r.stopCode != 0) link_.ShowLinkError(r.stopIndex, r.stopCode);
    } catch (const PortError& e) {
        SetDevices(found);
        messages_.Show(PortErrorBox(e));
    }
}

void TFormLine::ButSaveAllClick() {
    Busy b(busy_);
    StopPolling();
    std::vector<FoundDevice> found;
    for (const LineDevice& d : round_->Devices()) found.push_back({d.number, d.model});
    if (found.empty()) return;
    const std::string dir = ChooseDir ? ChooseDir() : std::string{};
    if (dir.empty()) return;
    std::vector<BackupEntry> entries;
    try {
        entries = BackupLine(link_, found, dir);
    } catch (const PortError& e) {
        messages_.Show(PortErrorBox(e));
        return;
    }
    const bool all = std::all_of(entries.begin(), entries.end(), [](const BackupEntry& e) { return e.error.empty(); });
    MsgBox box;
    box.text = BackupSummary(entries);
    box.caption = all ? "Подтверждение" : "Предупреждение";
    box.icon = all ? MsgIcon::Information : MsgIcon::Warning;
    messages_.Show(box);
}

void TFormLine::ButCsvClick() {
    Busy b(busy_);
    const std::string path = ChooseCsv ? ChooseCsv() : std::string{};
    if (path.empty()) return;
    QSaveFile f(QString::fromStdString(path));
    const std::string csv = LineCsv(Rows());
    if (!f.open(QIODevice::WriteOnly) || f.write(csv.data(), static_cast<qint64>(csv.size())) < 0 || !f.commit())
        messages_.Plain("Файл " + path + " не удается записать");
}

void TFormLine::GridLineDblClick(int row) {
    if (row < 0 || row >= static_cast<int>(round_->Devices().size())) return;
    StopPolling();
    chosen_ = round_->Devices()[static_cast<std::size_t>(row)].number;
    accept();
}

bool TFormLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == GridLine && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            GridLineDblClick(GridLine->currentRow());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormLine::ShowRow(int index) {
    const LineDevice& d = round_->Devices()[static_cast<std::size_t>(index)];
    const std::vector<std::string> texts = LineRowTexts(d);
    const bool failed = d.silent || !d.refusal.empty();
    const bool alarmed = LineRowAlarmed(d);
    const int stateColumn = 7;
    for (int c = 0; c < static_cast<int>(texts.size()); ++c) {
        const QString text = QString::fromStdString(texts[static_cast<std::size_t>(c)]);
        auto* item = new QTableWidgetItem(text);
        item->setToolTip(text);  // whole, where the column cuts it
        if (failed) item->setForeground(QColor(0xFF, 0x00, 0x00));
        if (c == stateColumn && !failed) {
            // As the main window shows it: red for an alarm or an overflow.
            item->setForeground(alarmed ? QColor(0xFF, 0x00, 0x00) : QColor(0x00, 0x80, 0x80));
            if (alarmed) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
        }
        GridLine->setItem(index, c, item);
    }
    const DeviceStats* stats = Stats != nullptr ? Stats->Device(d.number) : nullptr;
    auto* share = new QTableWidgetItem(FailedShareText(stats));
    if (stats != nullptr && stats->Marked()) share->setForeground(QColor(0xFF, 0x00, 0x00));
    GridLine->setItem(index, static_cast<int>(texts.size()), share);
}

void TFormLine::ShowAllRows() {
    for (int i = 0; i < static_cast<int>(round_->Devices().size()); ++i) ShowRow(i);
}

std::vector<std::vector<std::string>> TFormLine::Rows() const {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < GridLine->rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < GridLine->columnCount(); ++c) {
            const QTableWidgetItem* item = GridLine->item(r, c);
            row.push_back(item ? item->text().toStdString() : std::string{});
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace tservice
