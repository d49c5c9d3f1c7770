#include "volmar/editor/CurveChart.h"

#include "volmar/core/Curves.h"

#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

namespace volmar::editor {

namespace {

// The pens: identity blue, curve red, markers silver.
const QColor kIdentity(0, 0, 255);
const QColor kCurve(255, 0, 0);
const QColor kMarker(192, 192, 192);
const QColor kCursor(0, 128, 0);

} // namespace

CurveChart::CurveChart(QWidget* parent) : QChartView(parent), m_chart(new QChart) {
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
    setChart(m_chart);
    setRenderHint(QPainter::Antialiasing, false);
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

void CurveChart::setRange(int range) {
    if (range == m_range) {
        return;
    }
    m_range = range;
    m_x->setRange(0, range);
    m_y->setRange(0, range);
    // The identity line has a value for every x, as the curve does.
    m_points.resize(range + 1);
    for (int x = 0; x <= range; ++x) {
        m_points[x] = QPointF(x, x);
    }
    m_identity->replace(m_points);
    const auto at = curveMarkers(range);
    for (std::size_t i = 0; i < m_markers.size(); ++i) {
        m_markers[i]->replace({QPointF(at[i], 0), QPointF(at[i], range)});
    }
}

void CurveChart::draw(const std::vector<int>& outputs, int cursor) {
    if (outputs.empty()) {
        return;
    }
    setRange(static_cast<int>(outputs.size()) - 1);
    m_points.resize(static_cast<qsizetype>(outputs.size()));
    for (qsizetype x = 0; x < m_points.size(); ++x) {
        m_points[x] = QPointF(static_cast<qreal>(x), outputs[static_cast<std::size_t>(x)]);
    }
    m_curve->replace(m_points);
    if (cursor >= 0 && cursor <= m_range) {
        m_cursor->replace({QPointF(cursor, 0), QPointF(cursor, m_range)});
    } else {
        m_cursor->clear();
    }
}

} // namespace volmar::editor
