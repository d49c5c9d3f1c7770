#pragma once

// Short single-line texts drawn from glyphs looked up once: a gauge's value
// lines change at every repaint, and shaping them anew each time costs more
// than all the rest of the picture. Latin digits, signs and letters need no
// shaping across characters, so each character's glyph, advance and ink are
// looked up alone, and a line is drawn as one run of those glyphs placed by
// their advances. A character the font has no glyph for sends its line
// through ordinary text drawing instead.
//
// Between two values of a line most characters stay where they were (digits
// share one advance): only the glyphs that differ need drawing again.

#include <QFont>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRegion>

#include <array>
#include <vector>

class QPainter;
class QRect;

namespace volmar::viewer {

class GlyphLine {
public:
    explicit GlyphLine(const QFont& font);

    qreal width(const QString& text);
    // The text centred horizontally on the bottom line of `r`, in the
    // painter's pen colour; only glyphs whose ink reaches into `area`.
    void drawCentredAtBottom(QPainter& p, const QRect& r, const QString& text, const QRegion& area);
    // Where the line at the bottom of `r` must be drawn again when `before`
    // becomes `after`: the ink of every glyph that went, came or moved.
    QRegion changes(const QRect& r, const QString& before, const QString& after);

private:
    struct Glyph {
        bool known = false;
        quint32 index = 0; // 0: the font has none
        qreal advance = 0;
        // The outline's box from the pen position on the base line.
        qreal inkLeft = 0;
        qreal inkRight = 0;
        qreal inkTop = 0;
        qreal inkBottom = 0;
    };
    struct Placed {
        QChar c;
        qreal x = 0;
        Glyph glyph; // a copy: looking up another may move the hashed ones
    };
    const Glyph& glyph(QChar c);
    // Each character with its pen position; false when one has no glyph.
    bool place(const QRect& r, const QString& text, std::vector<Placed>& out);
    // The base line of a line at the bottom of `r`.
    qreal baseLine(const QRect& r) const;
    // The pixels a glyph's drawing may touch.
    QRect ink(const Placed& g, qreal baseLine) const;

    QFont m_font;
    QRawFont m_raw;
    qreal m_height = 0;
    qreal m_ascent = 0;
    // Looked up once per character: Latin ones in a table, others hashed.
    std::array<Glyph, 128> m_latin{};
    QHash<QChar, Glyph> m_others;
    // Scratch lists, kept between calls so that a repaint allocates nothing.
    std::vector<Placed> m_was;
    std::vector<Placed> m_now;
    QList<quint32> m_indexes;
    QList<QPointF> m_positions;
};

} // namespace volmar::viewer
