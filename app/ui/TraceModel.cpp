#include "TraceModel.h"

#include <QColor>
#include <QTimer>

#include "Comportclass.h"

namespace tservice {

namespace {

std::string Join(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) {
        if (!s.empty()) s += '\n';
        s += l;
    }
    return s;
}

std::string Quoted(const std::string& field) {
    std::string s = "\"";
    for (char c : field) {
        if (c == '"') s += '"';
        s += c;
    }
    return s + '"';
}

}  // namespace

TraceRow MakeTraceRow(LineDecoder& decoder, const ExchangeRecord& r, std::int64_t offsetMs) {
    TraceRow row;
    row.timeOfDayMs = r.startMs + offsetMs;
    row.device = r.deviceIndex + 1;
    row.cmd = r.cmd;
    row.result = r.result;
    const Bytes8* request = r.tries.empty() ? nullptr : &r.tries.back().request;
    row.command = request != nullptr && request->size() >= 4
                      ? CommandName(r.cmd, request->data() + 2, static_cast<int>(request->size()) - 4)
                      : CommandName(r.cmd, nullptr, 0);
    FrameText words = decoder.Exchange(r);
    row.summary = std::move(words.summary);
    row.details = Join(words.details);
    return row;
}

std::string TraceText(const std::vector<const TraceRow*>& rows) {
    std::string s;
    for (const TraceRow* r : rows) {
        s += TimeOfDayText(r->timeOfDayMs) + "  устройство " + std::to_string(r->device) + "  " + r->command + "  " +
             ResultText(r->result) + "  " + r->summary + '\n';
        std::size_t from = 0;
        while (from < r->details.size()) {
            const std::size_t to = std::min(r->details.find('\n', from), r->details.size());
            s += "    " + r->details.substr(from, to - from) + '\n';
            from = to + 1;
        }
    }
    return s;
}

std::string TraceCsv(const std::vector<const TraceRow*>& rows) {
    std::string s = "время;устройство;команда;код;результат;содержание;подробно\n";
    for (const TraceRow* r : rows) {
        s += TimeOfDayText(r->timeOfDayMs) + ';' + std::to_string(r->device) + ';' + Quoted(r->command) + ';' +
             std::to_string(r->result) + ';' + Quoted(ResultText(r->result)) + ';' + Quoted(r->summary) + ';' +
             Quoted(r->details) + '\n';
    }
    return s;
}

TraceModel::TraceModel(QObject* parent, int capacity) : QAbstractTableModel(parent), capacity_(capacity) {}

void TraceModel::Add(TraceRow row) {
    pending_.push_back(std::move(row));
    if (static_cast<int>(pending_.size()) > capacity_) pending_.pop_front();
    if (!flushQueued_) {
        // Rows join the table (and the view repaints) a few times a second,
        // not once per exchange: a back-to-back round is not slowed by it.
        flushQueued_ = true;
        QTimer::singleShot(kTraceFlushMs, this, [this] { Flush(); });
    }
}

void TraceModel::Flush() {
    flushQueued_ = false;
    if (pending_.empty()) return;
    const int incoming = static_cast<int>(pending_.size());
    const int drop = std::min(static_cast<int>(rows_.size()), static_cast<int>(rows_.size()) + incoming - capacity_);
    if (drop > 0) {
        beginRemoveRows({}, 0, drop - 1);
        rows_.erase(rows_.begin(), rows_.begin() + drop);
        endRemoveRows();
    }
    const int at = static_cast<int>(rows_.size());
    beginInsertRows({}, at, at + incoming - 1);
    for (TraceRow& r : pending_) rows_.push_back(std::move(r));
    pending_.clear();
    endInsertRows();
}

void TraceModel::Clear() {
    beginResetModel();
    rows_.clear();
    pending_.clear();
    endResetModel();
}

int TraceModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TraceModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColCount; }

QVariant TraceModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const TraceRow& r = Row(index.row());
    if (role == Qt::ForegroundRole && r.result != kOk) return QColor(0xC0, 0x00, 0x00);
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case ColTime: return QString::fromStdString(TimeOfDayText(r.timeOfDayMs));
        case ColDevice: return r.device;
        case ColCommand: return QString::fromStdString(r.command);
        case ColResult: return QString::fromStdString(ResultText(r.result));
        case ColSummary: return QString::fromStdString(r.summary);
        default: return {};
    }
}

QVariant TraceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kNames[ColCount] = {"Время", "Устройство", "Команда", "Результат", "Содержание"};
    return section >= 0 && section < ColCount ? QString::fromUtf8(kNames[section]) : QVariant();
}

void TraceFilter::SetDevice(int device) {
    device_ = device;
    invalidateRowsFilter();
}

void TraceFilter::SetErrorsOnly(bool on) {
    errorsOnly_ = on;
    invalidateRowsFilter();
}

bool TraceFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const auto* model = static_cast<const TraceModel*>(sourceModel());
    const TraceRow& r = model->Row(sourceRow);
    return (device_ == 0 || r.device == device_) && (!errorsOnly_ || r.result != kOk);
}

}  // namespace tservice
