#pragma once
// TFormLine, "Линия": every transmitter a scan found, one row each, kept live
// by a round that reads their measurement blocks one exchange at a time. It
// writes nothing; a row picked (double-click or Enter) is handed to the main
// window, which reads that transmitter.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "Comportclass.h"
#include "LineRound.h"
#include "UiSupport.h"

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace tservice {

class LineStats;

class TFormLine : public QDialog {
    Q_OBJECT
public:
    // link and messages are not owned and must outlive the window.
    TFormLine(TComPortClass& link, IMessages& messages, QWidget* parent = nullptr);
    ~TFormLine() override;

    QLabel* LabelNu = nullptr;
    QComboBox* CBoxUstr = nullptr;       // highest number "Обновить" tries
    QPushButton* ButScan = nullptr;      // "Обновить"
    QCheckBox* ChBoxFast = nullptr;      // "Быстрый поиск": answer timeout from the rate
    QPushButton* ButPoll = nullptr;      // "Пуск и остановка опроса"
    QLabel* LabPoll = nullptr;           // "идет опрос", shown while polling
    QPushButton* ButSaveAll = nullptr;   // "Сохранить все"
    QPushButton* ButCsv = nullptr;       // "Экспорт CSV"
    QTableWidget* GridLine = nullptr;    // one row per device, LineColumns() and the failed tries' share
    const LineStats* Stats = nullptr;  // not owned; the share column stays "—" without it
    QTimer* TimerPoll = nullptr;         // interval 0: the next step as soon as the line is free

    ModalRunner RunModal = ExecModal;
    // Where "Сохранить все" and "Экспорт CSV" go; "" means the operator
    // cancelled. Tests put their own in.
    std::function<std::string()> ChooseDir;
    std::function<std::string()> ChooseCsv;
    // Time of day in ms for the last good answer.
    std::function<std::int64_t()> TimeOfDay;

    // The devices listed (a scan's result, ascending); polling stops and
    // every row starts unread.
    void SetDevices(const std::vector<FoundDevice>& found);
    // Shows the window modally; polling is stopped when it closes. Returns
    // the device number (1..32) the operator picked, 0 for none.
    int ShowModal();
    const LineRound& Round() const { return *round_; }

    // "Обновить": scans numbers 1 to the chosen maximum (fast with ChBoxFast)
    // and lists who answered.
    void ButScanClick();
    // Starts or stops the round; LabPoll shows it.
    void ButPollClick();
    // One step of the round; skipped while a handler of this window is at work.
    void TimerPollTimer();
    // Every listed device read afresh and saved into a chosen directory, with
    // a summary of what was saved and what failed.
    void ButSaveAllClick();
    // The table as a CSV file.
    void ButCsvClick();
    // A row picked: polling stops and the window closes handing its number on.
    void GridLineDblClick(int row);

    bool Polling() const;
    void StopPolling();
    // The texts of the table as shown (row-major).
    std::vector<std::vector<std::string>> Rows() const;

    // Before the first showing: as wide as every column needs, within the
    // screen and at least 1008 px.
    void setVisible(bool visible) override;

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHBoxLayout* CreateTop();
    QTableWidget* CreateGrid();
    void ShowRow(int index);
    void ShowAllRows();
    // A failure of the line itself (port closed, 132..135) or of the port:
    // polling stops and the operator is told once.
    void LineFailed(int deviceIndex, int code);

    TComPortClass& link_;
    IMessages& messages_;
    std::unique_ptr<LineRound> round_;
    int chosen_ = 0;
    int busy_ = 0;         // a handler (or its message box) is at work
    bool stepping_ = false;  // an exchange of the round is under way
    bool sized_ = false;     // the first showing chose the width
};

}  // namespace tservice
