#pragma once

// An axis window: one axis or POV as a horizontal gauge (scale, ticks, the
// value marker, the value with its percentage of the range maximum and the
// range limits) and, on request, the raw value in red. It shows the snapshot
// the main window's refresh hands it and forwards the axis commands.

#include "GlyphLine.h"
#include "volmar/viewer/CAxisDoc.h"
#include "volmar/viewer/Gauge.h"

#include <QFont>
#include <QPixmap>
#include <QWidget>

#include <memory>

namespace volmar::viewer {

class Commands;
class Prompts;

class CAxisView : public QWidget {
    Q_OBJECT
public:
    CAxisView(std::unique_ptr<CAxisDoc> doc, Commands& commands, Prompts& prompts,
              QWidget* parent = nullptr);

    CAxisDoc& doc() const { return *m_doc; }

    // The values to show; repaints (without erasing) when they changed.
    void showSnapshot(const AxisSnapshot& snapshot);
    const AxisSnapshot& snapshot() const { return m_snapshot; }

    bool rawView() const { return m_rawView; }
    // Commands.
    void toggleRawView();
    void editDeadZone();
    void editSaturation();
    void editCalibration();

    int paintCount() const { return m_paints; }

signals:
    void commandsChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    GaugeLayout layout(const AxisSnapshot& snapshot) const;
    // The layout of the values shown, made again only after a change of
    // size or view: a refresh would otherwise lay out each gauge three
    // times.
    const GaugeLayout& shownLayout();
    // Title, scale, ticks and limits: drawn once per size and raw view.
    void drawStill(QPainter& p, const GaugeLayout& g) const;
    // The markers and the glyphs of the value texts that reach into `area`.
    void drawMoving(QPainter& p, const GaugeLayout& g, const QRegion& area);
    void reportWrite(input::HResult result);

    std::unique_ptr<CAxisDoc> m_doc;
    Commands& m_commands;
    Prompts& m_prompts;
    QFont m_font;
    GlyphLine m_lines{m_font};
    int m_lineHeight = 0;
    int m_width = 0;
    int m_height = 0;
    bool m_rawView = false;
    AxisSnapshot m_snapshot;
    GaugeLayout m_shown;
    bool m_shownValid = false;
    QPixmap m_still;
    bool m_stillRaw = false;
    int m_paints = 0;
};

} // namespace volmar::viewer
