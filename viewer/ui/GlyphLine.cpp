#include "GlyphLine.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QRect>

#include <cmath>

namespace volmar::viewer {

namespace {

// Hinting and the placement of glyphs on whole or partial pixels may move
// a drawn glyph a little from its outline.
constexpr int kInkSlack = 1;

} // namespace

GlyphLine::GlyphLine(const QFont& font) : m_font(font), m_raw(QRawFont::fromFont(font)) {
    const QFontMetricsF metrics(font);
    m_height = metrics.height();
    m_ascent = metrics.ascent();
}

const GlyphLine::Glyph& GlyphLine::glyph(QChar c) {
    Glyph* g = nullptr;
    if (c.unicode() < m_latin.size()) {
        g = &m_latin[c.unicode()];
    } else {
        g = &m_others[c];
    }
    if (!g->known) {
        g->known = true;
        if (m_raw.isValid()) {
            const QList<quint32> indexes = m_raw.glyphIndexesForString(QString(c));
            g->index = indexes.size() == 1 ? indexes.front() : 0;
        }
        g->advance = QFontMetricsF(m_font).horizontalAdvance(c);
        if (g->index != 0) {
            const QRectF outline = m_raw.boundingRect(g->index);
            g->inkLeft = outline.left();
            g->inkRight = outline.right();
            g->inkTop = outline.top();
            g->inkBottom = outline.bottom();
        }
    }
    return *g;
}

qreal GlyphLine::width(const QString& text) {
    qreal w = 0;
    for (QChar c : text) {
        w += glyph(c).advance;
    }
    return w;
}

bool GlyphLine::place(const QRect& r, const QString& text, std::vector<Placed>& out) {
    out.clear();
    qreal x = r.left() + (r.width() - width(text)) / 2;
    bool all = true;
    for (QChar c : text) {
        const Glyph& g = glyph(c);
        all = all && (g.index != 0 || c.isSpace());
        out.push_back({c, x, g});
        x += g.advance;
    }
    return all;
}

qreal GlyphLine::baseLine(const QRect& r) const {
    return r.top() + r.height() - m_height + m_ascent;
}

QRect GlyphLine::ink(const Placed& g, qreal baseLine) const {
    const Glyph& o = g.glyph;
    if (o.inkRight <= o.inkLeft || o.inkBottom <= o.inkTop) {
        return {}; // nothing drawn (a space)
    }
    return QRect(QPoint(static_cast<int>(std::floor(g.x + o.inkLeft)) - kInkSlack,
                        static_cast<int>(std::floor(baseLine + o.inkTop)) - kInkSlack),
                 QPoint(static_cast<int>(std::ceil(g.x + o.inkRight)) + kInkSlack,
                        static_cast<int>(std::ceil(baseLine + o.inkBottom)) + kInkSlack));
}

QRegion GlyphLine::changes(const QRect& r, const QString& before, const QString& after) {
    if (!place(r, before, m_was) || !place(r, after, m_now)) {
        // The whole line, one pixel more above it for antialiased edges.
        const int top = static_cast<int>(std::floor(r.top() + r.height() - m_height)) - 1;
        return QRect(QPoint(r.left(), top), r.bottomRight());
    }
    const qreal base = baseLine(r);
    // A glyph that kept its character and place is drawn as it was; the
    // two lists are in pen order, so the kept ones are found by merging.
    QRegion changed;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < m_was.size() || j < m_now.size()) {
        if (i < m_was.size() && j < m_now.size() && m_was[i].x == m_now[j].x) {
            if (m_was[i].c != m_now[j].c) {
                changed += ink(m_was[i], base).united(ink(m_now[j], base));
            }
            ++i;
            ++j;
        } else if (j >= m_now.size() || (i < m_was.size() && m_was[i].x < m_now[j].x)) {
            changed += ink(m_was[i++], base);
        } else {
            changed += ink(m_now[j++], base);
        }
    }
    return changed;
}

void GlyphLine::drawCentredAtBottom(QPainter& p, const QRect& r, const QString& text,
                                    const QRegion& area) {
    const qreal top = r.top() + r.height() - m_height;
    if (!place(r, text, m_now)) {
        // Not all in this font: let text drawing find a font that has it.
        const QFont before = p.font();
        p.setFont(m_font);
        p.drawText(QRectF(r.left(), top, r.width(), m_height),
                   Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
        p.setFont(before);
        return;
    }
    const qreal base = baseLine(r);
    m_indexes.clear();
    m_positions.clear();
    for (const Placed& g : m_now) {
        if (g.glyph.index != 0 && area.intersects(ink(g, base))) {
            m_indexes.push_back(g.glyph.index);
            m_positions.push_back(QPointF(g.x, 0));
        }
    }
    if (m_indexes.isEmpty()) {
        return;
    }
    QGlyphRun run;
    run.setRawFont(m_raw);
    run.setGlyphIndexes(m_indexes);
    run.setPositions(m_positions);
    // Glyph positions are on the base line.
    p.drawGlyphRun(QPointF(0, base), run);
}

} // namespace volmar::viewer
