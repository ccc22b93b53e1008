#pragma once
// The dockable "Журнал обмена": every exchange on the line as it happens
// (time, device, command, result, summary), the raw frames and full decoding
// of the selected one below, a filter by device and by failure, pause, clear,
// copy and saving as text or CSV. It records the exchanges only while shown;
// its "Статистика" tab counts them from its construction on, shown or not.
#include <functional>

#include <QDockWidget>

#include "Clock.h"
#include "Comportclass.h"
#include "LineDecode.h"
#include "LineStats.h"
#include "Messages.h"
#include "Trace.h"
#include "TraceModel.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeView;

namespace tservice {

class StatsTab;

class TracePanel final : public QDockWidget {
    Q_OBJECT
public:
    // port, link, clock and messages are not owned; they must outlive the
    // panel, or Detach must come before they go.
    TracePanel(TracingPort& port, TComPortClass& link, IClock& clock, IMessages& messages, QWidget* parent = nullptr);
    ~TracePanel() override;

    // Starts or stops watching the line (the panel's view action drives it).
    void Listen(bool on);
    bool Listening() const { return listening_; }
    // Stops watching the port and the link for good (statistics included).
    void Detach();
    // The line statistics (the window resets them when it opens the port).
    LineStats& Stats() { return stats_; }

    // Asks where to save (csv: a CSV file, else text); empty: cancelled.
    std::function<QString(bool csv)> AskSaveName;

    // Handlers.
    void CBoxUstrChange();
    void ChBoxErrorsClick();
    void BtnClearClick();
    void BtnCopyClick();
    void BtnSaveTextClick() { Save(false); }
    void BtnSaveCsvClick() { Save(true); }
    void TableSelect();

    TraceModel Model;
    TraceFilter Filter;  // between Model and Table only while a filter is set
    QComboBox* CBoxUstr = nullptr;    // "все", 1..32
    QCheckBox* ChBoxErrors = nullptr; // "только ошибки"
    QPushButton* BtnPause = nullptr;  // toggle: exchanges are not added while down
    QPushButton* BtnClear = nullptr;
    QPushButton* BtnCopy = nullptr;
    QPushButton* BtnSaveText = nullptr;
    QPushButton* BtnSaveCsv = nullptr;
    QTreeView* Table = nullptr;
    QPlainTextEdit* MemoDetails = nullptr;
    QTabWidget* Tabs = nullptr;   // "Обмен", "Статистика"
    StatsTab* TabStats = nullptr;

private:
    void Take(const ExchangeRecord& record);
    void ShowModel(QAbstractItemModel* model);
    void ApplyFilter();
    const TraceRow& RowAt(int viewRow) const;  // row of the table as shown
    void Save(bool csv);
    std::vector<const TraceRow*> ShownRows(bool selectedOnly) const;

    TracingPort& port_;
    TComPortClass& link_;
    IClock& clock_;
    IMessages& messages_;
    LineDecoder decoder_;
    ExchangeRecorder recorder_;
    LineStats stats_;
    ObserverFanout watchers_;
    std::int64_t offsetMs_ = 0;
    bool listening_ = false;
    bool attached_ = false;
};

}  // namespace tservice
