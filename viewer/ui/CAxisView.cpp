#include "CAxisView.h"

#include "Art.h"
#include "CCalibrationDlg.h"
#include "Commands.h"
#include "PercentDialogs.h"
#include "Prompts.h"
#include "volmar/viewer/AxisEdits.h"
#include "volmar/viewer/Gauge.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>

namespace volmar::viewer {

namespace {

QRect toQRect(const PixelRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

} // namespace

CAxisView::CAxisView(std::unique_ptr<CAxisDoc> doc, Commands& commands, Prompts& prompts,
                     QWidget* parent)
    : QWidget(parent), m_doc(std::move(doc)), m_commands(commands), m_prompts(prompts) {
    setObjectName("CAxisView");
    const QString title = QString::fromStdString(m_doc->title());
    setWindowTitle(title);
    setWindowIcon(toolbarIcon(kImageAxisWindow));
    setAccessibleName(title);
    setFocusPolicy(Qt::StrongFocus);
    // Every paint covers the whole client area: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Arial at 10 points (fontconfig picks its nearest when it is missing).
    m_font = font();
    m_font.setFamily("Arial");
    m_font.setStyleStrategy(QFont::PreferAntialias);
    m_font.setPixelSize(10 * logicalDpiY() / 72);
    m_lineHeight = QFontMetrics(m_font).height();
    m_lines = GlyphLine(m_font);
    // Room for the title, the scale with its marker and limits, and the
    // value line without one covering another.
    setMinimumSize(160, 2 * (2 * m_lineHeight + 12));
    m_snapshot = m_doc->snapshot();
}

void CAxisView::showSnapshot(const AxisSnapshot& snapshot) {
    if (snapshot.value == m_snapshot.value && snapshot.raw == m_snapshot.raw) {
        return;
    }
    // Only what moves is drawn again: the markers where they were and where
    // they go, and the glyphs of the value texts that changed. The rest of
    // the picture stays as it is.
    GaugeLayout next = layout(snapshot);
    const GaugeLayout& shown = shownLayout();
    QRegion changed;
    for (const PixelRect& r : movingMarkers(shown)) {
        changed += toQRect(r);
    }
    for (const PixelRect& r : movingMarkers(next)) {
        changed += toQRect(r);
    }
    changed += m_lines.changes(toQRect(next.valueTextRect), QString::fromStdString(shown.valueText),
                               QString::fromStdString(next.valueText));
    if (next.raw) {
        changed += m_lines.changes(toQRect(next.rawTextRect), QString::fromStdString(shown.rawText),
                                   QString::fromStdString(next.rawText));
    }
    m_snapshot = snapshot;
    m_shown = std::move(next);
    update(changed);
}

void CAxisView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_width = width();
    m_height = height();
    m_shownValid = false;
}

const GaugeLayout& CAxisView::shownLayout() {
    if (!m_shownValid) {
        m_shown = layout(m_snapshot);
        m_shownValid = true;
    }
    return m_shown;
}

GaugeLayout CAxisView::layout(const AxisSnapshot& snapshot) const {
    GaugeInput in;
    in.width = m_width;
    in.height = m_height;
    in.lineHeight = m_lineHeight;
    in.rangeMin = m_doc->rangeMin();
    in.rangeMax = m_doc->rangeMax();
    in.value = snapshot.value;
    in.showRaw = m_rawView && m_doc->isAxis();
    in.hidMin = m_doc->hidLogicalMin();
    in.hidMax = m_doc->hidLogicalMax();
    in.raw = snapshot.raw;
    return layoutGauge(in);
}

void CAxisView::drawStill(QPainter& p, const GaugeLayout& g) const {
    p.fillRect(QRect(0, 0, m_width, m_height), palette().window());
    p.setFont(m_font);
    // The text colour: black on a light desktop, light on a dark one.
    const QColor ink = palette().color(QPalette::WindowText);
    p.setPen(QPen(ink, 1));
    p.drawText(QRect(0, 0, m_width, m_height), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
               QString::fromStdString(m_doc->title()));
    p.drawLine(g.scaleLeft, g.scaleY, g.scaleRight, g.scaleY);
    for (int x : g.tickX) {
        p.drawLine(x, g.tickTop, x, g.tickBottom);
    }
    if (g.raw) {
        p.setPen(QColor(255, 0, 0));
        const QRect hid = toQRect(g.hidLimitsRect);
        p.drawText(hid, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   QString::fromStdString(g.hidMinText));
        p.drawText(hid, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine,
                   QString::fromStdString(g.hidMaxText));
        p.setPen(ink);
    }
    const QRect limits = toQRect(g.limitsRect);
    p.drawText(limits, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
               QString::fromStdString(g.minText));
    p.drawText(limits, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine,
               QString::fromStdString(g.maxText));
}

void CAxisView::drawMoving(QPainter& p, const GaugeLayout& g, const QRegion& area) {
    const QColor ink = palette().color(QPalette::WindowText);
    p.setPen(ink);
    m_lines.drawCentredAtBottom(p, toQRect(g.valueTextRect), QString::fromStdString(g.valueText),
                                area);
    p.drawImage(g.valueMarkerX, g.valueMarkerY, valueMarker(ink.rgb()));
    if (g.raw) {
        p.setPen(QColor(255, 0, 0));
        m_lines.drawCentredAtBottom(p, toQRect(g.rawTextRect), QString::fromStdString(g.rawText),
                                    area);
        p.drawImage(g.rawMarkerX, g.rawMarkerY, rawMarker());
    }
}

void CAxisView::paintEvent(QPaintEvent* event) {
    ++m_paints;
    if (m_width <= 0 || m_height <= 0) {
        return;
    }
    const GaugeLayout& g = shownLayout();
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = QSize(m_width, m_height) * ratio;
    if (m_still.size() != pixels || m_stillRaw != g.raw) {
        m_still = QPixmap(pixels);
        m_still.setDevicePixelRatio(ratio);
        QPainter still(&m_still);
        drawStill(still, g);
        m_stillRaw = g.raw;
    }
    // The still picture under the moving parts, copied where they were and
    // are (the whole window after a resize or exposure).
    QPainter p(this);
    for (const QRect& area : event->region()) {
        p.drawPixmap(area, m_still,
                     QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio));
    }
    drawMoving(p, g, event->region());
}

void CAxisView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = m_commands.axisContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CAxisView::toggleRawView() {
    m_rawView = !m_rawView;
    m_shownValid = false;
    update();
    emit commandsChanged();
}

void CAxisView::reportWrite(input::HResult result) {
    if (input::failed(result)) {
        m_prompts.message(this, "Inspecta", QString::fromStdString(setPropertyError(result)),
                          Prompts::Icon::Warning);
    }
}

void CAxisView::editDeadZone() {
    CDeadZoneDlg dialog(m_prompts, percentShown(m_doc->deadZone()), this);
    if (m_prompts.runDialog(dialog) == QDialog::Accepted) {
        reportWrite(m_doc->setDeadZone(propertyFromPercent(dialog.percent())));
    }
}

void CAxisView::editSaturation() {
    CSaturationDlg dialog(m_prompts, percentShown(m_doc->saturation()), this);
    if (m_prompts.runDialog(dialog) == QDialog::Accepted) {
        reportWrite(m_doc->setSaturation(propertyFromPercent(dialog.percent())));
    }
}

void CAxisView::editCalibration() {
    const input::PropCalibration& c = m_doc->calibration();
    CCalibrationDlg dialog(m_prompts, {c.min, c.center, c.max}, m_doc->hidLogicalMin(),
                           m_doc->hidLogicalMax(), this);
    if (m_prompts.runDialog(dialog) == QDialog::Accepted) {
        const CalibrationFields f = dialog.fields();
        reportWrite(m_doc->setCalibration(static_cast<std::int32_t>(f.min),
                                          static_cast<std::int32_t>(f.center),
                                          static_cast<std::int32_t>(f.max)));
    }
}

} // namespace volmar::viewer
