#pragma once
// TrendPanel: the dockable "Тренд" panel. The measured value of the current
// transmitter over time against its two setpoints, shaded where an alarm or
// an overflow bit was set, range changes marked, the cold junction on a second
// axis for ТЕВ-ТП; zoom, pan, a cursor read-out, CSV and PNG export.
#include <cstdint>
#include <functional>
#include <string>

#include <QDockWidget>

#include "DeviceImage.h"
#include "Messages.h"
#include "Trend.h"

class QAreaSeries;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;

namespace tservice {

class TrendPanel : public QDockWidget {
    Q_OBJECT
public:
    // messages is not owned and must outlive the panel.
    explicit TrendPanel(IMessages& messages, QWidget* parent = nullptr);

    // Time the samples are stamped with: ms since 1970 UTC (tests and the
    // screenshot mode give their own).
    std::function<std::int64_t()> WallClock;
    // The save dialog: caption, name filters, the chosen filter out; "" when
    // cancelled.
    std::function<QString(const QString& caption, const QString& filters, QString* chosen)> AskFileName;

    // A complete reading of device 1..32 on port (TMin/TMax applied): one
    // sample; another transmitter starts a new series.
    void AddReading(const DeviceImage& image, int device, const std::string& port);
    const TrendSeries& Series() const { return series_; }

    // Visible time window, following the newest sample until the operator
    // zooms or pans.
    enum class Window { FiveMinutes, Hour, All };
    void SetWindow(Window window);
    // The visible span, ms since 1970 UTC.
    TrendSpan Visible() const { return visible_; }
    // Shows the visible window again, decimated to the plot's pixel width.
    void Redraw();
    // Cursor read-out for a time (ms): the nearest sample's time and value.
    void ShowCursor(std::int64_t timeMs);

    // Exports; false after the error message (file untouched on a failed
    // CSV: written to a temporary file first).
    bool SaveCsv(const QString& path, CsvStyle style);
    bool SavePng(const QString& path);

    // Handlers.
    void But5MinClick() { SetWindow(Window::FiveMinutes); }
    void But1HClick() { SetWindow(Window::Hour); }
    void ButAllClick() { SetWindow(Window::All); }
    void ButCsvClick();
    void ButPngClick();
    // The operator zoomed or panned the time axis.
    void AxisTimeRangeChanged();

    QChartView* ChartView = nullptr;
    QChart* Chart = nullptr;
    QLineSeries* ValueLine = nullptr;
    QLineSeries* UstLine1 = nullptr;
    QLineSeries* UstLine2 = nullptr;
    QLineSeries* ColdLine = nullptr;
    QLineSeries* RangeMarks = nullptr;
    QAreaSeries* AlarmArea = nullptr;
    QAreaSeries* OverflowArea = nullptr;
    QDateTimeAxis* AxisTime = nullptr;
    QValueAxis* AxisValue = nullptr;
    QValueAxis* AxisCold = nullptr;
    QPushButton* But5Min = nullptr;
    QPushButton* But1H = nullptr;
    QPushButton* ButAll = nullptr;
    QPushButton* ButCsv = nullptr;
    QPushButton* ButPng = nullptr;
    QLabel* LabSeries = nullptr;
    QLabel* LabCursor = nullptr;

private:
    void CreateChart();
    void CreateButtons(QWidget* bar);
    TrendSpan Follow() const;
    void DrawSpans(QAreaSeries* area, std::uint8_t mask, double low, double high, std::int64_t gapMs);
    void DrawMarks(double low, double high);
    void ShowSeriesLabel();

    IMessages& messages_;
    TrendSeries series_;
    Window window_ = Window::FiveMinutes;
    bool follow_ = true;
    bool updating_ = false;
    TrendSpan visible_;
};

}  // namespace tservice
