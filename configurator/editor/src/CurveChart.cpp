#include "volmar/editor/CurveChart.h"

#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include <cmath>

namespace volmar::editor {

namespace {

// The pens: identity blue, curve red, markers silver.
const QColor kIdentity(0, 0, 255);
const QColor kCurve(255, 0, 0);
const QColor kMarker(192, 192, 192);
const QColor kCursor(0, 128, 0);

} // namespace

// The chart goes to the view's constructor: a view made without one makes a
// chart of its own, which setChart() would leave to nobody.
CurveChart::CurveChart(QWidget* parent) : QChartView(new QChart, parent), m_chart(chart()) {
    setObjectName("CurveVisual");
    setAccessibleName(tr("Response curve"));
    m_chart->legend()->hide();
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_chart->setBackgroundRoundness(0);
    m_x = new QValueAxis(m_chart);
    m_y = new QValueAxis(m_chart);
    for (QValueAxis* axis : {m_x, m_y}) {
        axis->setLabelFormat("%d");
        axis->setTickCount(5);
    }
    m_chart->addAxis(m_x, Qt::AlignBottom);
    m_chart->addAxis(m_y, Qt::AlignLeft);
    // Markers first, so both lines are drawn over them.
    for (QLineSeries*& marker : m_markers) {
        marker = addLine(kMarker, 1);
    }
    m_cursor = addLine(kCursor, 1, Qt::DashLine);
    m_identity = addLine(kIdentity, 1);
    m_curve = addLine(kCurve, 2);
    setRenderHint(QPainter::Antialiasing, false);
    connect(m_chart, &QChart::plotAreaChanged, this, &CurveChart::plotAreaChanged);
    setRange(kDefaultCurveRange);
}

QLineSeries* CurveChart::addLine(const QColor& colour, int width, Qt::PenStyle style) {
    auto* series = new QLineSeries(m_chart);
    QPen pen(colour, width, style);
    series->setPen(pen);
    m_chart->addSeries(series);
    series->attachAxis(m_x);
    series->attachAxis(m_y);
    return series;
}

void CurveChart::plot(QLineSeries& series, const std::vector<int>& ys) {
    plotPoints(ys, m_columns, m_kept);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(m_kept.size()));
    for (const PlotPoint& p : m_kept) {
        points.append(QPointF(p.x, p.y));
    }
    series.replace(points);
}

void CurveChart::setRange(int range) {
    if (range == m_range) {
        return;
    }
    m_range = range;
    m_x->setRange(0, range);
    m_y->setRange(0, range);
    // The identity has a value for every x, as the curve has.
    m_identityValues.resize(static_cast<std::size_t>(range) + 1);
    for (int x = 0; x <= range; ++x) {
        m_identityValues[static_cast<std::size_t>(x)] = x;
    }
    plot(*m_identity, m_identityValues);
    const auto at = curveMarkers(range);
    for (std::size_t i = 0; i < m_markers.size(); ++i) {
        m_markers[i]->replace({QPointF(at[i], 0), QPointF(at[i], range)});
    }
}

void CurveChart::plotAreaChanged() {
    const int columns =
        static_cast<int>(std::ceil(m_chart->plotArea().width() * devicePixelRatioF()));
    if (columns == m_columns) {
        return;
    }
    m_columns = columns;
    plot(*m_identity, m_identityValues);
    plot(*m_curve, m_values);
}

void CurveChart::draw(const std::vector<int>& outputs, int cursor) {
    if (outputs.empty()) {
        return;
    }
    setRange(static_cast<int>(outputs.size()) - 1);
    m_values = outputs;
    plot(*m_curve, m_values);
    moveCursor(cursor);
}

void CurveChart::moveCursor(int cursor) {
    if (cursor >= 0 && cursor <= m_range) {
        m_cursor->replace({QPointF(cursor, 0), QPointF(cursor, m_range)});
    } else {
        m_cursor->clear();
    }
}

} // namespace volmar::editor
