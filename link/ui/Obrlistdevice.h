#pragma once
// TFormDevice, "Список подключенных устройств": which device numbers answer
// the identification request, and which model each one is.
#include <string>
#include <vector>

#include <QDialog>

#include <functional>

#include "Comportclass.h"
#include "FindSettings.h"
#include "Scan.h"
#include "UiSupport.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace tservice {

class TFormDevice : public QDialog {
    Q_OBJECT
public:
    // link must outlive the dialog; messages reports port failures.
    TFormDevice(TComPortClass& link, IMessages& messages, QWidget* parent = nullptr);

    QLabel* LabelNu = nullptr;
    QComboBox* CBoxUstr = nullptr;
    QPushButton* Button1 = nullptr;
    QTableWidget* StringGrid1 = nullptr;  // 2 columns; its header is row 0
    QProgressBar* ProgressBar1 = nullptr;  // 0..max, one step per address
    QLabel* LabAddress = nullptr;          // "адрес N из M" during a scan; after it the doubtful numbers
    QPushButton* ButStop = nullptr;        // "Стоп": the one control acting during a scan
    QCheckBox* ChBoxFast = nullptr;  // "Быстрый поиск": answer timeout from the rate
    QPushButton* ButLine = nullptr;  // "Линия": the found devices in the line overview
    QPushButton* ButFind = nullptr;  // "Поиск настроек линии"
    QPushButton* ButTake = nullptr;  // "Взять настройки": the found framing into the port settings
    QLabel* LabFraming = nullptr;    // the framing the last search found, or that none did
    bool HasFraming = false;         // the last search found a framing
    LineFraming FoundFraming;
    // Takes a found framing into the port settings and reopens the port (set
    // by the main window; ButTake does nothing while empty).
    std::function<void(const LineFraming&)> TakeFraming;
    int ScanRow = 0;
    std::vector<FoundDevice> Found;  // the last scan's devices, ascending

    // Result of a showing closed by "Линия".
    static constexpr int kLineResult = 2;

    ModalRunner RunModal = ExecModal;
    // Shows the dialog modally; it keeps its grid and choice between showings.
    int ShowModal();

    // Writes the two heading cells.
    void FormCreate();
    // "Обновить": scans numbers 1 to the chosen maximum and lists who answered;
    // nothing without a chosen maximum. Returns when the scan ends. With
    // ChBoxFast checked the scan waits for answers only as the rate needs.
    void Button1Click();
    // "Стоп": the scan ends after the exchange in progress; what was found
    // stays listed.
    void ButStopClick();
    // "Поиск настроек линии": the fast scan of 1 to the chosen maximum (32
    // when none) at every framing the port dialog offers, until one finds
    // any; lists them and the framing. "Стоп" ends it after the exchange.
    void ButFindClick();
    // "Взять настройки": TakeFraming(FoundFraming).
    void ButTakeClick();
    // "Линия": the dialog closes with kLineResult.
    void ButLineClick();
    // Text of a grid cell as in the original string grid: row 0 is the heading.
    std::string Cell(int col, int row) const;

protected:
    // The close box during a scan acts as "Стоп"; otherwise it closes.
    void closeEvent(QCloseEvent* event) override;

private:
    void SetCell(int col, int row, const std::string& text);
    void ShowProgress(int done, int max);
    void ShowScanControls(bool shown);
    void ClearGrid();
    void List(const FoundDevice& device);

    TComPortClass& link_;
    IMessages& messages_;
    bool stopAsked_ = false;
    bool scanning_ = false;
};

}  // namespace tservice
