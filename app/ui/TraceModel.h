#pragma once
// The exchanges of the journal panel: a ring of the last 10 000 decoded
// exchanges as a table model, a filter by device and by failure, and the
// text and CSV forms the panel copies and saves.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include "LineDecode.h"

namespace tservice {

inline constexpr int kTraceCapacity = 10'000;
// Longest time (ms) a finished exchange waits before it shows in the table.
inline constexpr int kTraceFlushMs = 250;

struct TraceRow {
    std::int64_t timeOfDayMs = 0;
    int device = 0;          // 1..32
    std::uint8_t cmd = 0;
    int result = 0;          // link result code, kTracePortError
    std::string command;     // name
    std::string summary;     // one line
    std::string details;     // raw frames and the full decoding, '\n' between lines
};

// One row of the journal from a finished exchange; offsetMs maps the link's
// clock onto the time of day. decoder keeps what earlier exchanges told.
TraceRow MakeTraceRow(LineDecoder& decoder, const ExchangeRecord& record, std::int64_t offsetMs);

// Rows as plain text (a line per exchange, its details indented below) and as
// CSV (";" separated, quoted, a header line). UTF-8.
std::string TraceText(const std::vector<const TraceRow*>& rows);
std::string TraceCsv(const std::vector<const TraceRow*>& rows);

class TraceModel final : public QAbstractTableModel {
public:
    enum Column { ColTime, ColDevice, ColCommand, ColResult, ColSummary, ColCount };
    explicit TraceModel(QObject* parent = nullptr, int capacity = kTraceCapacity);

    // Queues a row; queued rows join the table together at the next Flush,
    // which the event loop runs at most kTraceFlushMs later, so the view and
    // the filter re-map and repaint once per batch, not once per exchange.
    void Add(TraceRow row);
    // Appends the queued rows; the oldest go when the ring is full.
    void Flush();
    void Clear();
    const TraceRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::deque<TraceRow> rows_;
    std::deque<TraceRow> pending_;
    int capacity_;
    bool flushQueued_ = false;
};

// Shows the rows of one device (0: all) and, when asked, failures only.
class TraceFilter final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetDevice(int device);
    void SetErrorsOnly(bool on);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    int device_ = 0;
    bool errorsOnly_ = false;
};

}  // namespace tservice
