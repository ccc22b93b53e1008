#include "Obrlistdevice.h"

#include "BusyPump.h"
#include "Models.h"
#include "Scan.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <algorithm>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QFontMetrics>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

namespace tservice {

namespace {

constexpr int kGridRows = kLineSize;

}  // namespace

TFormDevice::TFormDevice(TComPortClass& link, IMessages& messages, QWidget* parent)
    : QDialog(parent), link_(link), messages_(messages) {
    setWindowTitle(QStringLiteral("Список подключенных устройств"));
    LabelNu = new QLabel(QStringLiteral("Макс. № устр. "), this);
    LabelNu->setGeometry(10, 12, 100, 22);
    CBoxUstr = new QComboBox(this);
    for (int n = 1; n <= kGridRows; ++n) CBoxUstr->addItem(QString::number(n));
    CBoxUstr->setCurrentIndex(-1);
    CBoxUstr->setGeometry(110, 10, 60, 24);
    Button1 = new QPushButton(QStringLiteral("Обновить"), this);
    Button1->setGeometry(180, 8, 100, 28);
    StringGrid1 = new QTableWidget(kGridRows, 2, this);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setDefaultSectionSize(20);
    StringGrid1->horizontalHeader()->setFixedHeight(22);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FormCreate();
    // At least the widths of old, and the headings whole.
    const QFontMetrics metrics(StringGrid1->horizontalHeader()->font());
    const int pad = 16;
    StringGrid1->setColumnWidth(0, std::max(87, metrics.horizontalAdvance(QStringLiteral(" № устройства")) + pad));
    StringGrid1->setColumnWidth(1, std::max(100, metrics.horizontalAdvance(QStringLiteral("Тип устройства")) + pad));
    const int gridWidth = StringGrid1->columnWidth(0) + StringGrid1->columnWidth(1) +
                          StringGrid1->verticalScrollBar()->sizeHint().width() + 2 * StringGrid1->frameWidth();
    // Wide enough for the caption in a window manager's title bar.
    const int width = std::max(330, gridWidth);
    StringGrid1->setGeometry(10, 44, width, 392);
    StringGrid1->horizontalHeader()->setStretchLastSection(true);
    LabAddress = new QLabel(this);
    LabAddress->setGeometry(10, 442, width, 20);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(10, 466, width - 90, 24);
    ProgressBar1->setTextVisible(false);
    ButStop = new QPushButton(QStringLiteral("Стоп"), this);
    ButStop->setGeometry(width - 70, 464, 80, 28);
    BusyPump::ActsWhileBusy(ButStop);
    BusyPump::ClosesWhileBusy(this);
    ChBoxFast = new QCheckBox(QStringLiteral("Быстрый поиск"), this);
    ChBoxFast->setGeometry(10, 498, width - 90, 22);
    ButLine = new QPushButton(QStringLiteral("Линия"), this);
    ButLine->setGeometry(width - 70, 496, 80, 28);
    ButFind = new QPushButton(QStringLiteral("Поиск настроек линии"), this);
    ButFind->setGeometry(10, 530, 180, 28);
    ButTake = new QPushButton(QStringLiteral("Взять настройки"), this);
    ButTake->setGeometry(width - 130, 530, 140, 28);
    ButTake->setEnabled(false);
    LabFraming = new QLabel(this);
    LabFraming->setGeometry(10, 562, width, 20);
    ShowScanControls(false);
    setFixedSize(width + 20, 590);
    connect(Button1, &QPushButton::clicked, this, &TFormDevice::Button1Click);
    connect(ButStop, &QPushButton::clicked, this, &TFormDevice::ButStopClick);
    connect(ButLine, &QPushButton::clicked, this, &TFormDevice::ButLineClick);
    connect(ButFind, &QPushButton::clicked, this, &TFormDevice::ButFindClick);
    connect(ButTake, &QPushButton::clicked, this, &TFormDevice::ButTakeClick);
}

int TFormDevice::ShowModal() { return RunModal(*this); }

void TFormDevice::FormCreate() {
    StringGrid1->setHorizontalHeaderLabels({QStringLiteral(" № устройства"), QStringLiteral("Тип устройства")});
}

void TFormDevice::ShowScanControls(bool shown) {
    LabAddress->setVisible(shown);
    ProgressBar1->setVisible(shown);
    ButStop->setVisible(shown);
}

void TFormDevice::ShowProgress(int done, int max) {
    ProgressBar1->setValue(done);
    if (done < max)
        LabAddress->setText(QStringLiteral("адрес %1 из %2").arg(done + 1).arg(max));
}

void TFormDevice::ButStopClick() { stopAsked_ = true; }

void TFormDevice::closeEvent(QCloseEvent* event) {
    if (!scanning_) {
        QDialog::closeEvent(event);
        return;
    }
    stopAsked_ = true;
    event->ignore();
}

void TFormDevice::SetCell(int col, int row, const std::string& text) {
    if (row < 1 || row > kGridRows || col < 0 || col > 1) return;
    StringGrid1->setItem(row - 1, col, new QTableWidgetItem(QString::fromStdString(text)));
}

std::string TFormDevice::Cell(int col, int row) const {
    if (col < 0 || col > 1 || row < 0 || row > kGridRows) return {};
    const QTableWidgetItem* item =
        row == 0 ? StringGrid1->horizontalHeaderItem(col) : StringGrid1->item(row - 1, col);
    return item != nullptr ? item->text().toStdString() : std::string{};
}

void TFormDevice::ClearGrid() {
    for (int row = 1; row <= kGridRows; ++row) {
        SetCell(0, row, "");
        SetCell(1, row, "");
    }
    ScanRow = 0;
    Found.clear();
}

void TFormDevice::List(const FoundDevice& device) {
    SetCell(0, ScanRow + 1, std::to_string(device.number));
    SetCell(1, ScanRow + 1, ModelName(device.model));
    ++ScanRow;
    Found.push_back(device);
}

void TFormDevice::Button1Click() {
    if (CBoxUstr->currentText().isEmpty()) return;
    ClearGrid();
    const int maxNumber = std::min(CBoxUstr->currentText().toInt(), kGridRows);
    ProgressBar1->setRange(0, maxNumber);
    stopAsked_ = false;
    ShowProgress(0, maxNumber);
    ShowScanControls(true);
    scanning_ = true;
    // Rows are filled as devices answer, so a port lost in the middle of the
    // scan leaves those found before it listed.
    const auto list = [this](const FoundDevice& device) { List(device); };
    // The bar counts the addresses done: the one before index is.
    const auto step = [this, maxNumber](int index) {
        ShowProgress(index, maxNumber);
        repaint();
    };
    int done = maxNumber;
    std::string missed;
    try {
        const auto stop = [this, &done] {
            // Asked before the next address: the one before it is done.
            if (stopAsked_) done = ProgressBar1->value() + 1;
            return stopAsked_;
        };
        const ScanResult result = ChBoxFast->isChecked() ? FastScanLine(link_, maxNumber, 0, step, list, stop)
                                                         : ScanLine(link_, maxNumber, step, list, stop);
        ProgressBar1->setValue(result.stopCode != 0 ? result.stopIndex + 1 : done);
        // A second look may have found a device after higher ones: the rows
        // follow the ascending result.
        ScanRow = 0;
        Found.clear();
        for (const FoundDevice& d : result.found) list(d);
        missed = DoubtfulText(result);
        if (result.stopCode != 0) {
            StringGrid1->repaint();
            link_.ShowLinkError(result.stopIndex, result.stopCode);
        }
    } catch (const PortError& e) {
        messages_.Show(PortErrorBox(e));
    }
    scanning_ = false;
    ShowScanControls(false);
    if (!missed.empty()) {
        LabAddress->setText(QString::fromStdString(missed));
        LabAddress->show();
    }
}

void TFormDevice::ButFindClick() {
    const int maxNumber = CBoxUstr->currentText().isEmpty() ? kGridRows : CBoxUstr->currentText().toInt();
    ClearGrid();
    HasFraming = false;
    ButTake->setEnabled(false);
    stopAsked_ = false;
    const int total = static_cast<int>(OfferedFramings().size());
    ProgressBar1->setRange(0, total);
    ShowScanControls(true);
    const auto step = [this](int n, int count, const LineFraming& f) {
        ProgressBar1->setValue(n);
        LabAddress->setText(QStringLiteral("настройка %1 из %2: %3").arg(n + 1).arg(count).arg(
            QString::fromStdString(FramingText(f))));
        repaint();
    };
    try {
        const FindResult r = FindLineSettings(link_, std::min(maxNumber, kGridRows), false, step,
                                              [this] { return stopAsked_; });
        ProgressBar1->setValue(total);
        if (!r.found.empty()) {
            FoundFraming = r.found.front().framing;
            HasFraming = true;
            for (const FoundDevice& d : r.found.front().found) List(d);
        }
        LabFraming->setText(HasFraming ? QStringLiteral("найдено при: ") + QString::fromStdString(FramingText(FoundFraming))
                            : r.stopped ? QStringLiteral("поиск остановлен")
                                        : QStringLiteral("ни при одной настройке устройства не ответили"));
        if (r.stopCode > 0) link_.ShowLinkError(0, r.stopCode);
    } catch (const PortError& e) {
        messages_.Show(PortErrorBox(e));
    }
    ButTake->setEnabled(HasFraming && TakeFraming != nullptr);
    ShowScanControls(false);
}

void TFormDevice::ButTakeClick() {
    if (HasFraming && TakeFraming) TakeFraming(FoundFraming);
}

void TFormDevice::ButLineClick() { done(kLineResult); }

}  // namespace tservice
