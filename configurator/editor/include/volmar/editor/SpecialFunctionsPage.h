#pragma once

// The special-functions page TabOSI_SF: the response-curve chart with its
// cursor, the six curves (nine points and the symmetrical box each), the
// zoom rows, the axis-to-button rows and the double-throttle group.
// Clicking a point of curve K makes K the drawn curve, whose nine points are
// highlighted. The chart is redrawn when what it shows changed.

#include "volmar/core/Curves.h"
#include "volmar/editor/ConfigPage.h"

#include <array>
#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace volmar::editor {

class CurveChart;

class SpecialFunctionsPage : public ConfigPage {
    Q_OBJECT
public:
    explicit SpecialFunctionsPage(ConfigEditor& editor, QWidget* parent = nullptr);

    void refresh(const ConfigState& state) override;

    // CurveVisualRefrash: draws the drawn curve over the range of the cursor
    // axis and shows the curve's output at the cursor.
    void CurveVisualRefrash();
    // osi_K_curve_Click: curve K (1..6) becomes the drawn curve.
    void selectCurve(int curve);
    int drawnCurve() const { return m_drawn; }

    // For the live monitor: the entry of CurveVisualAxis (0 "--", 1.."16");
    // only entries 1..8 name an axis.
    int cursorAxis() const;
    // For the live monitor, while this page is shown and the cursor axis has
    // new data: its value text and its processed value as the cursor
    // position. The chart shows it as CurveVisualRefrash would.
    void showCursorValue(const QString& valueText, int position);

    CurveChart& chart() { return *m_chart; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildChart();
    QWidget* buildCurves();
    QWidget* buildThrottle();
    void highlight(int curve);
    // CurveVisualAxisValueFixed: the drawn curve's output at the cursor.
    void showCursorOutput(int cursor, int range);

    // What the chart shows; it is drawn again only when this changes.
    struct Drawn {
        CurvePoints points{};
        bool symmetrical = false;
        int range = 0;
        int cursor = 0;
        int curve = 0;
        bool operator==(const Drawn&) const = default;
    };
    Drawn wanted(const ConfigState& state) const;

    std::array<std::array<QSpinBox*, kCurvePoints>, kCurveCount> m_points{};
    CurveChart* m_chart = nullptr;
    QComboBox* m_cursorAxis = nullptr;
    QLineEdit* m_cursorValue = nullptr;
    QLineEdit* m_cursorFixed = nullptr;
    int m_drawn = 1;
    int m_highlighted = 0;
    int m_cursor = 0; // the chart's cursor position
    std::optional<Drawn> m_shown;
    std::vector<int> m_outputs;
};

} // namespace volmar::editor
