#include "TrendPanel.h"

#include <algorithm>
#include <cmath>

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QSaveFile>
#include <QValueAxis>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "Convert.h"
#include "Models.h"

namespace tservice {

namespace {

constexpr std::int64_t kFiveMinutes = 5 * 60 * 1000;
constexpr std::int64_t kHour = 60 * 60 * 1000;
constexpr std::int64_t kMinSpan = 10 * 1000;  // zooming stops at ten seconds

// Wheel zooms the time axis around the pointer, the middle button pans it,
// the pointer drives the cursor read-out; the left button draws a zoom band.
class TrendView final : public QChartView {
public:
    TrendView(QChart* chart, TrendPanel& panel) : QChartView(chart), panel_(panel) {
        setRubberBand(QChartView::HorizontalRubberBand);
        setMouseTracking(true);
        setRenderHint(QPainter::Antialiasing, false);
    }

protected:
    void wheelEvent(QWheelEvent* e) override {
        const double factor = e->angleDelta().y() > 0 ? 0.8 : 1.25;
        const QRectF plot = chart()->plotArea();
        const double at = std::clamp((e->position().x() - plot.left()) / std::max(plot.width(), 1.0), 0.0, 1.0);
        const TrendSpan v = panel_.Visible();
        const double span = std::max(static_cast<double>(v.to - v.from) * factor, static_cast<double>(kMinSpan));
        const double centre = v.from + (v.to - v.from) * at;
        auto* axis = static_cast<QDateTimeAxis*>(chart()->axes(Qt::Horizontal).value(0));
        axis->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(centre - span * at)),
                       QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(centre + span * (1 - at))));
        e->accept();
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::MiddleButton) {
            panFrom_ = e->position().x();
            panning_ = true;
            e->accept();
            return;
        }
        QChartView::mousePressEvent(e);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (panning_) {
            chart()->scroll(panFrom_ - e->position().x(), 0);
            panFrom_ = e->position().x();
        }
        if (!chart()->series().isEmpty()) {
            const QPointF value = chart()->mapToValue(e->position(), chart()->series().first());
            panel_.ShowCursor(static_cast<std::int64_t>(value.x()));
        }
        QChartView::mouseMoveEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::MiddleButton) {
            panning_ = false;
            e->accept();
            return;
        }
        QChartView::mouseReleaseEvent(e);
    }

private:
    TrendPanel& panel_;
    bool panning_ = false;
    double panFrom_ = 0;
};

// Chart points; a run of equal values (a setpoint) keeps only its ends.
QList<QPointF> ToPoints(const std::vector<TrendPoint>& points) {
    QList<QPointF> out;
    out.reserve(static_cast<qsizetype>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) {
        const float v = points[i].value;
        if (i > 0 && i + 1 < points.size() && points[i - 1].value == v && points[i + 1].value == v) continue;
        out.append(QPointF(static_cast<double>(points[i].timeMs), v));
    }
    return out;
}

void Widen(const QList<QPointF>& points, double& low, double& high) {
    for (const QPointF& p : points) {
        low = std::min(low, p.y());
        high = std::max(high, p.y());
    }
}

QLineSeries* MakeLine(QChart* chart, const QString& name, const QColor& colour, Qt::PenStyle style, int width) {
    auto* line = new QLineSeries(chart);
    line->setName(name);
    line->setPen(QPen(colour, width, style));
    chart->addSeries(line);
    return line;
}

QAreaSeries* MakeArea(QChart* chart, const QString& name, const QColor& colour) {
    auto* area = new QAreaSeries(new QLineSeries(chart), new QLineSeries(chart));
    area->setName(name);
    area->setColor(colour);
    area->setPen(Qt::NoPen);
    chart->addSeries(area);
    return area;
}

}  // namespace

TrendPanel::TrendPanel(IMessages& messages, QWidget* parent)
    : QDockWidget(QStringLiteral("Тренд"), parent), messages_(messages) {
    setObjectName(QStringLiteral("TrendPanel"));
    WallClock = [] { return QDateTime::currentMSecsSinceEpoch(); };
    AskFileName = [this](const QString& caption, const QString& filters, QString* chosen) {
        return QFileDialog::getSaveFileName(this, caption, QString(), filters, chosen);
    };
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QWidget(body);
    CreateButtons(bar);
    layout->addWidget(bar);
    CreateChart();
    layout->addWidget(ChartView, 1);
    setWidget(body);
    ShowSeriesLabel();
    Redraw();
    // Samples arriving while hidden are drawn when the panel is shown.
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool shown) {
        if (shown) Redraw();
    });
}

void TrendPanel::CreateButtons(QWidget* bar) {
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    auto button = [&](const QString& text, const char* name, void (TrendPanel::*handler)()) {
        auto* b = new QPushButton(text, bar);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        row->addWidget(b);
        return b;
    };
    But5Min = button(QStringLiteral("5 мин"), "But5Min", &TrendPanel::But5MinClick);
    But1H = button(QStringLiteral("1 ч"), "But1H", &TrendPanel::But1HClick);
    ButAll = button(QStringLiteral("Всё"), "ButAll", &TrendPanel::ButAllClick);
    // Long texts must not widen the window: they are cut at the panel's edge.
    LabSeries = new QLabel(bar);
    LabSeries->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(LabSeries, 1);
    LabCursor = new QLabel(bar);
    LabCursor->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LabCursor->setMinimumWidth(200);
    row->addWidget(LabCursor);
    ButCsv = button(QStringLiteral("Сохранить CSV…"), "ButCsv", &TrendPanel::ButCsvClick);
    ButPng = button(QStringLiteral("Сохранить PNG…"), "ButPng", &TrendPanel::ButPngClick);
}

void TrendPanel::CreateChart() {
    Chart = new QChart();
    Chart->legend()->setAlignment(Qt::AlignBottom);
    Chart->setMargins(QMargins(4, 4, 4, 4));
    Chart->setLocale(QLocale(QLocale::Russian, QLocale::Russia));  // decimal commas on the axes
    Chart->setLocalizeNumbers(true);
    AlarmArea = MakeArea(Chart, QStringLiteral("Нарушение"), QColor(255, 0, 0, 50));
    OverflowArea = MakeArea(Chart, QStringLiteral("Переполнение"), QColor(128, 0, 255, 50));
    UstLine1 = MakeLine(Chart, QStringLiteral("Уставка 1"), QColor(0, 128, 128), Qt::DashLine, 1);
    UstLine2 = MakeLine(Chart, QStringLiteral("Уставка 2"), QColor(0, 0, 128), Qt::DashLine, 1);
    RangeMarks = MakeLine(Chart, QStringLiteral("Смена диапазона"), QColor(255, 128, 0), Qt::DotLine, 2);
    ColdLine = MakeLine(Chart, QStringLiteral("Тхс"), QColor(0, 150, 0), Qt::SolidLine, 1);
    ValueLine = MakeLine(Chart, QStringLiteral("Значение"), QColor(200, 0, 0), Qt::SolidLine, 2);

    AxisTime = new QDateTimeAxis(Chart);
    AxisTime->setFormat(QStringLiteral("hh:mm:ss"));
    AxisTime->setTickCount(7);
    AxisValue = new QValueAxis(Chart);
    AxisCold = new QValueAxis(Chart);
    AxisCold->setTitleText(QStringLiteral("Тхс, °С"));
    Chart->addAxis(AxisTime, Qt::AlignBottom);
    Chart->addAxis(AxisValue, Qt::AlignLeft);
    Chart->addAxis(AxisCold, Qt::AlignRight);
    for (QAbstractSeries* s : Chart->series()) {
        s->attachAxis(AxisTime);
        s->attachAxis(s == ColdLine ? AxisCold : AxisValue);
    }
    ChartView = new TrendView(Chart, *this);
    ChartView->setObjectName(QStringLiteral("ChartView"));
    ChartView->setMinimumSize(360, 160);
    connect(AxisTime, &QDateTimeAxis::rangeChanged, this, [this] { AxisTimeRangeChanged(); });
}

void TrendPanel::AddReading(const DeviceImage& image, int device, const std::string& port) {
    if (!series_.Continues(image.Tip, device, port) || series_.Empty()) {
        series_.Start(image.Tip, device, port);
        follow_ = true;
        ShowSeriesLabel();
    }
    series_.Append(MakeTrendSample(image, WallClock()));
    if (follow_ && isVisible()) Redraw();
}

void TrendPanel::ShowSeriesLabel() {
    if (series_.Model() == 0) {
        LabSeries->setText(QStringLiteral("нет данных"));
        return;
    }
    LabSeries->setText(QStringLiteral("устройство %1, %2, %3")
                           .arg(series_.Device())
                           .arg(QString::fromStdString(ModelName(series_.Model())),
                                QString::fromStdString(series_.Port())));
    AxisValue->setTitleText(QString::fromStdString(TrendUnit(series_.Model())));
}

void TrendPanel::SetWindow(Window window) {
    window_ = window;
    follow_ = true;
    Redraw();
}

TrendSpan TrendPanel::Follow() const {
    const auto& s = series_.Samples();
    const std::int64_t last = s.empty() ? WallClock() : s.back().timeMs;
    switch (window_) {
    case Window::FiveMinutes: return {last - kFiveMinutes, last};
    case Window::Hour: return {last - kHour, last};
    case Window::All: break;
    }
    const std::int64_t first = s.empty() ? last : s.front().timeMs;
    return {first, std::max(last, first + kMinSpan)};
}

void TrendPanel::AxisTimeRangeChanged() {
    if (updating_) return;
    follow_ = false;
    visible_ = {AxisTime->min().toMSecsSinceEpoch(), AxisTime->max().toMSecsSinceEpoch()};
    Redraw();
}

void TrendPanel::Redraw() {
    updating_ = true;
    if (follow_) visible_ = Follow();
    const auto& s = series_.Samples();
    const TrendSpan v = visible_;
    const int columns = std::max(static_cast<int>(Chart->plotArea().width()), 200);
    const QList<QPointF> value = ToPoints(DecimateTrend(s, &TrendSample::value, v.from, v.to, columns));
    const QList<QPointF> ust1 = ToPoints(DecimateTrend(s, &TrendSample::setpoint1, v.from, v.to, columns));
    const QList<QPointF> ust2 = ToPoints(DecimateTrend(s, &TrendSample::setpoint2, v.from, v.to, columns));
    const QList<QPointF> cold = ToPoints(DecimateTrend(s, &TrendSample::cold, v.from, v.to, columns));
    double low = HUGE_VAL, high = -HUGE_VAL;
    for (const auto* points : {&value, &ust1, &ust2}) Widen(*points, low, high);
    if (low > high) low = 0, high = 1;
    const double margin = std::max((high - low) * 0.05, 0.5);
    AxisValue->setRange(low - margin, high + margin);
    AxisValue->applyNiceNumbers();
    low = AxisValue->min();
    high = AxisValue->max();
    // Axes before points: the series are laid out once for the new window.
    AxisTime->setFormat(v.to - v.from > 20 * kHour ? QStringLiteral("dd.MM hh:mm") : QStringLiteral("hh:mm:ss"));
    AxisTime->setRange(QDateTime::fromMSecsSinceEpoch(v.from), QDateTime::fromMSecsSinceEpoch(v.to));
    ValueLine->replace(value);
    UstLine1->replace(ust1);
    UstLine2->replace(ust2);
    ColdLine->replace(cold);
    const std::int64_t pixelMs = std::max<std::int64_t>((v.to - v.from) / columns, 1);
    DrawSpans(AlarmArea, kAlarmBits, low, high, pixelMs);
    DrawSpans(OverflowArea, kOverflowBits, low, high, pixelMs);
    DrawMarks(low, high);
    const bool hasCold = RulesFor(series_.Model(), 0).hasColdJunction;
    AxisCold->setVisible(hasCold);
    ColdLine->setVisible(hasCold);
    if (hasCold) {
        double cLow = HUGE_VAL, cHigh = -HUGE_VAL;
        Widen(cold, cLow, cHigh);
        if (cLow > cHigh) cLow = 0, cHigh = 100;
        AxisCold->setRange(cLow - 1, cHigh + 1);
        AxisCold->applyNiceNumbers();
    }
    updating_ = false;
}

void TrendPanel::DrawSpans(QAreaSeries* area, std::uint8_t mask, double low, double high, std::int64_t gapMs) {
    QList<QPointF> upper;
    const TrendSpan v = visible_;
    for (const TrendSpan& span : TrendIntervals(series_.Samples(), mask, v.from, v.to, gapMs)) {
        const double a = static_cast<double>(span.from), b = static_cast<double>(std::max(span.to, span.from + gapMs));
        upper << QPointF(a, low) << QPointF(a, high) << QPointF(b, high) << QPointF(b, low);
    }
    area->upperSeries()->replace(upper);
    area->lowerSeries()->replace(upper.isEmpty() ? QList<QPointF>{}
                                                 : QList<QPointF>{{upper.first().x(), low}, {upper.last().x(), low}});
}

void TrendPanel::DrawMarks(double low, double high) {
    // One polyline: up and down again at each change, along the axis between.
    QList<QPointF> marks;
    const auto& s = series_.Samples();
    for (const std::size_t i : TrendRangeChanges(s)) {
        const double t = static_cast<double>(s[i].timeMs);
        if (s[i].timeMs < visible_.from || s[i].timeMs > visible_.to) continue;
        marks << QPointF(t, low) << QPointF(t, high) << QPointF(t, low);
    }
    RangeMarks->replace(marks);
}

void TrendPanel::ShowCursor(std::int64_t timeMs) {
    const auto& s = series_.Samples();
    const long i = NearestTrendSample(s, timeMs);
    if (i < 0) {
        LabCursor->clear();
        return;
    }
    const TrendSample& sample = s[static_cast<std::size_t>(i)];
    const bool tev = IsTev(series_.Model());
    QString text = QDateTime::fromMSecsSinceEpoch(sample.timeMs).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")) +
                   QStringLiteral("   ") + QString::fromStdString(FormatFixed(sample.value, 5, tev ? 2 : 3)) +
                   QLatin1Char(' ') + QString::fromStdString(TrendUnit(series_.Model()));
    if (!std::isnan(sample.cold))
        text += QStringLiteral("   Тхс ") + QString::fromStdString(FormatFixed(sample.cold, 5, 2)) + QStringLiteral(" °С");
    LabCursor->setText(text);
}

bool TrendPanel::SaveCsv(const QString& path, CsvStyle style) {
    const std::string text = "\xEF\xBB\xBF" + TrendCsv(series_, style);  // BOM: spreadsheets take it as UTF-8
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text.data(), static_cast<qint64>(text.size())) ==
                                               static_cast<qint64>(text.size()) && file.commit())
        return true;
    messages_.Show({"Файл " + path.toStdString() + " не записан:\n" + file.errorString().toStdString(), "Ошибка",
                    MsgIcon::Error, MsgButtons::Ok, MsgAnswer::Ok});
    return false;
}

bool TrendPanel::SavePng(const QString& path) {
    if (ChartView->grab().save(path, "PNG")) return true;
    messages_.Show({"Файл " + path.toStdString() + " не записан", "Ошибка", MsgIcon::Error, MsgButtons::Ok,
                    MsgAnswer::Ok});
    return false;
}

void TrendPanel::ButCsvClick() {
    const QString semicolon = QStringLiteral("CSV, точка с запятой и десятичная запятая (*.csv)");
    const QString comma = QStringLiteral("CSV, запятая и десятичная точка (*.csv)");
    QString chosen = semicolon;
    QString path = AskFileName(QStringLiteral("Сохранить тренд"), semicolon + QStringLiteral(";;") + comma, &chosen);
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) path += QStringLiteral(".csv");
    SaveCsv(path, chosen == comma ? CsvStyle::Comma : CsvStyle::Semicolon);
}

void TrendPanel::ButPngClick() {
    QString chosen;
    QString path = AskFileName(QStringLiteral("Сохранить график"), QStringLiteral("PNG (*.png)"), &chosen);
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) path += QStringLiteral(".png");
    SavePng(path);
}

}  // namespace tservice
