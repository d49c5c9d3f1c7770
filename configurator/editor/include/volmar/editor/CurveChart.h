#pragma once

// The response-curve chart CurveVisual: the identity line (blue) and the
// drawn curve (red) over the range 0..M, silver markers at the centre and
// the quarter points, and the cursor where the chosen axis's live value is.
// It only draws what it is given; the outputs come from the core's curve
// arithmetic. Up to 16384 outputs meet a plot a few hundred pixels wide:
// the lines get the points that decide each pixel column (plotPoints), so
// a redraw costs what the screen can show, not what the range holds.

#include "volmar/core/Curves.h"

#include <QChartView>
#include <QList>
#include <QPointF>

#include <array>
#include <vector>

class QLineSeries;
class QValueAxis;

namespace volmar::editor {

class CurveChart : public QChartView {
    Q_OBJECT
public:
    explicit CurveChart(QWidget* parent = nullptr);

    // Draws y = outputs[x] for x = 0..M (M = outputs.size() - 1), the markers
    // of that range and the cursor line at x = `cursor` (none outside 0..M).
    void draw(const std::vector<int>& outputs, int cursor);
    // Only the cursor line, at x = `cursor` (none outside 0..M).
    void moveCursor(int cursor);

    int range() const { return m_range; }
    // The outputs drawn, one for every x of the range.
    const std::vector<int>& values() const { return m_values; }
    const QLineSeries& identity() const { return *m_identity; }
    const QLineSeries& curve() const { return *m_curve; }
    const QLineSeries& cursor() const { return *m_cursor; }
    const std::array<QLineSeries*, 3>& markers() const { return m_markers; }

private:
    QLineSeries* addLine(const QColor& colour, int width, Qt::PenStyle style = Qt::SolidLine);
    void setRange(int range);
    // The lines again, for the plot's present width.
    void plot(QLineSeries& series, const std::vector<int>& ys);
    void plotAreaChanged();

    QChart* m_chart;
    QValueAxis* m_x;
    QValueAxis* m_y;
    QLineSeries* m_identity;
    QLineSeries* m_curve;
    QLineSeries* m_cursor;
    std::array<QLineSeries*, 3> m_markers{};
    std::vector<int> m_values;
    std::vector<int> m_identityValues;
    std::vector<PlotPoint> m_kept;
    int m_range = -1;
    int m_columns = 0;
};

} // namespace volmar::editor
