#include "GlyphLine.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRect>

namespace volmar::viewer {

GlyphLine::GlyphLine(const QFont& font)
    : m_font(font), m_metrics(font), m_raw(QRawFont::fromFont(font)) {}

const GlyphLine::Glyph& GlyphLine::glyph(QChar c) {
    auto it = m_glyphs.find(c);
    if (it == m_glyphs.end()) {
        Glyph g;
        if (m_raw.isValid()) {
            const QList<quint32> indexes = m_raw.glyphIndexesForString(QString(c));
            g.index = indexes.size() == 1 ? indexes.front() : 0;
        }
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
    qreal x = r.left() + (r.width() - width(text)) / 2;
    const qreal top = r.top() + r.height() - m_metrics.height();
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(text.size());
    positions.reserve(text.size());
    for (QChar c : text) {
        const Glyph& g = glyph(c);
        if (g.index == 0 && !c.isSpace()) {
            // Not in this font: let text drawing find a font that has it.
            const QFont before = p.font();
            p.setFont(m_font);
            p.drawText(QRectF(r.left(), top, r.width(), m_metrics.height()),
                       Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
            p.setFont(before);
            return;
        }
        if (g.index != 0) {
            indexes.push_back(g.index);
            positions.push_back(QPointF(x, 0));
        }
        x += g.advance;
    }
    if (indexes.isEmpty()) {
        return;
    }
    QGlyphRun run;
    run.setRawFont(m_raw);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    // Glyph positions are on the base line.
    p.drawGlyphRun(QPointF(0, top + m_metrics.ascent()), run);
}

} // namespace volmar::viewer
