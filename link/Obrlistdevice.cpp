#include "Obrlistdevice.h"

#include "Scan.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

namespace tservice {

namespace {

constexpr int kGridRows = 32;
// Name of a model code as the list shows it; nothing for an unknown code.
std::string ModelText(int code) {
    switch (code) {
    case 100: return "ЛАДР";
    case 101: return "ТЕВ-ТС";
    case 102: return "ТЕВ-ТП";
    case 103: return "ОСКИ";
    default: return "";
    }
}

}  // namespace

TFormDevice::TFormDevice(TComPortClass& link, IMessages& messages, QWidget* parent)
    : QDialog(parent), link_(link), messages_(messages) {
    setWindowTitle(QStringLiteral("Список подключенных устройств"));
    setFixedSize(252, 494);
    LabelNu = new QLabel(QStringLiteral("Макс. № устр. "), this);
    LabelNu->setGeometry(10, 12, 90, 22);
    CBoxUstr = new QComboBox(this);
    for (int n = 1; n <= kGridRows; ++n) CBoxUstr->addItem(QString::number(n));
    CBoxUstr->setCurrentIndex(-1);
    CBoxUstr->setGeometry(100, 10, 54, 24);
    Button1 = new QPushButton(QStringLiteral("Обновить"), this);
    Button1->setGeometry(160, 8, 82, 28);
    StringGrid1 = new QTableWidget(kGridRows, 2, this);
    StringGrid1->setGeometry(10, 44, 232, 392);
    StringGrid1->setColumnWidth(0, 87);
    StringGrid1->setColumnWidth(1, 100);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setDefaultSectionSize(20);
    StringGrid1->horizontalHeader()->setFixedHeight(20);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(10, 442, 232, 18);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    ChBoxFast = new QCheckBox(QStringLiteral("Быстрый поиск"), this);
    ChBoxFast->setGeometry(10, 466, 232, 22);
    connect(Button1, &QPushButton::clicked, this, &TFormDevice::Button1Click);
    FormCreate();
}

int TFormDevice::ShowModal() { return RunModal(*this); }

void TFormDevice::FormCreate() {
    StringGrid1->setHorizontalHeaderLabels({QStringLiteral(" № устройства"), QStringLiteral("Тип устройства")});
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

void TFormDevice::Button1Click() {
    if (CBoxUstr->currentText().isEmpty()) return;
    for (int row = 1; row <= kGridRows; ++row) {
        SetCell(0, row, "");
        SetCell(1, row, "");
    }
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    ProgressBar1->repaint();
    const int maxNumber = CBoxUstr->currentText().toInt();
    ScanRow = 0;
    // Rows are filled as devices answer, so a port lost in the middle of the
    // scan leaves those found before it listed.
    const auto list = [this](const FoundDevice& device) {
        SetCell(0, ScanRow + 1, std::to_string(device.number));
        SetCell(1, ScanRow + 1, ModelText(device.model));
        ++ScanRow;
    };
    try {
        const auto step = [this](int) { StepIt(*ProgressBar1, 10); };
        const ScanResult result = ChBoxFast->isChecked() ? FastScanLine(link_, maxNumber, 0, step, list)
                                                         : ScanLine(link_, maxNumber, step, list);
        if (result.stopCode != 0) {
            StringGrid1->repaint();
            link_.ShowLinkError(result.stopIndex, result.stopCode);
        }
    } catch (const PortError& e) {
        messages_.Show(PortErrorBox(e));
    }
    ProgressBar1->hide();
}

}  // namespace tservice
