#pragma once

// Short single-line texts drawn from glyphs looked up once: a gauge's value
// lines change at every repaint, and shaping them anew each time costs more
// than all the rest of the picture. Latin digits, signs and letters need no
// shaping across characters, so each character's glyph and advance are
// looked up alone, and a line is drawn as one run of those glyphs placed by
// their advances. A character the font has no glyph for sends its line
// through ordinary text drawing instead.

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>

class QPainter;
class QRect;

namespace volmar::viewer {

class GlyphLine {
public:
    explicit GlyphLine(const QFont& font);

    qreal width(const QString& text);
    // The text centred horizontally on the bottom line of `r`, in the
    // painter's pen colour.
    void drawCentredAtBottom(QPainter& p, const QRect& r, const QString& text);

private:
    struct Glyph {
        quint32 index = 0; // 0: the font has none
        qreal advance = 0;
    };
    const Glyph& glyph(QChar c);

    QFont m_font;
    QFontMetricsF m_metrics;
    QRawFont m_raw;
    QHash<QChar, Glyph> m_glyphs;
};

} // namespace volmar::viewer
