#pragma once

// Short single-line texts drawn from characters laid out once: a gauge's
// value lines change at every repaint, and shaping them anew each time
// costs more than all the rest of the picture. Latin digits, signs and
// letters need no shaping across characters, so each is laid out alone and
// placed by its advance.

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QStaticText>

class QPainter;
class QRect;

namespace volmar::viewer {

class GlyphLine {
public:
    explicit GlyphLine(const QFont& font);

    qreal width(const QString& text);
    // The text centred horizontally on the bottom line of `r`.
    void drawCentredAtBottom(QPainter& p, const QRect& r, const QString& text);

private:
    struct Glyph {
        QStaticText text;
        qreal advance = 0;
    };
    const Glyph& glyph(QChar c);

    QFont m_font;
    QFontMetricsF m_metrics;
    QHash<QChar, Glyph> m_glyphs;
};

} // namespace volmar::viewer
