// Shaped texts kept for drawing again. Shaping a text (finding its glyphs and
// their places) costs more than drawing it, and the live screen measures and
// draws the same short texts over and over: a reading is measured to be
// right-aligned and then drawn, a panel value is drawn again unchanged. A
// text is shaped once per font and kept in a bounded cache.
#pragma once
#include <QFont>
#include <QGlyphRun>
#include <QList>
#include <QString>

namespace plat::detail {

struct ShapedText {
    int Width = 0;            // the advance QFontMetrics::horizontalAdvance gives
    QList<QGlyphRun> Runs;    // glyph positions with the baseline at y = 0
};

// The shaped form of `text` in `font`, or null for a text that is drawn the
// plain way (anything but printable ASCII, a decorated font, a long text).
// The pointer is good until the next call.
const ShapedText* ShapeText(const QFont& font, const QString& text);

// Entries the cache holds at most; when it is full it starts afresh.
constexpr int kShapedTextLimit = 512;

namespace test_hooks {
int ShapedTextCount();  // entries held now
}

}  // namespace plat::detail
