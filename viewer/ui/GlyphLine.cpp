#include "GlyphLine.h"

#include <QPainter>
#include <QRect>

namespace volmar::viewer {

GlyphLine::GlyphLine(const QFont& font) : m_font(font), m_metrics(font) {}

const GlyphLine::Glyph& GlyphLine::glyph(QChar c) {
    auto it = m_glyphs.find(c);
    if (it == m_glyphs.end()) {
        Glyph g;
        g.text.setText(QString(c));
        g.text.setTextFormat(Qt::PlainText);
        g.text.setPerformanceHint(QStaticText::AggressiveCaching);
        g.text.prepare(QTransform(), m_font);
        g.advance = m_metrics.horizontalAdvance(c);
        it = m_glyphs.insert(c, g);
    }
    return *it;
}

qreal GlyphLine::width(const QString& text) {
    qreal w = 0;
    for (QChar c : text) {
        w += glyph(c).advance;
    }
    return w;
}

void GlyphLine::drawCentredAtBottom(QPainter& p, const QRect& r, const QString& text) {
    const QFont before = p.font();
    p.setFont(m_font);
    qreal x = r.left() + (r.width() - width(text)) / 2;
    const qreal top = r.top() + r.height() - m_metrics.height();
    for (QChar c : text) {
        const Glyph& g = glyph(c);
        p.drawStaticText(QPointF(x, top), g.text);
        x += g.advance;
    }
    p.setFont(before);
}

} // namespace volmar::viewer
