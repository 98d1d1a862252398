#include "platform/text_shapes.h"

#include <QFontMetrics>
#include <QHash>
#include <QTextLayout>
#include <cmath>

namespace plat::detail {
namespace {

struct ShapeKey {
    QFont Font;
    QString Text;
    bool operator==(const ShapeKey& o) const { return Text == o.Text && Font == o.Font; }
};

size_t qHash(const ShapeKey& k, size_t seed = 0) { return ::qHash(k.Text, seed) ^ ::qHash(k.Font, seed); }

// Drawing runs on the window thread alone, so the cache needs no lock.
QHash<ShapeKey, ShapedText>& Cache() {
    static QHash<ShapeKey, ShapedText> cache;
    return cache;
}

// Texts whose shaped form is the plain one: printable ASCII on one line, in
// a font without lines drawn through or under it, and short (panel values,
// readings, labels; a long text is seldom drawn twice).
bool Keepable(const QFont& font, const QString& text) {
    if (text.isEmpty() || text.size() > 64 || font.underline() || font.strikeOut() || font.overline()) return false;
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) return false;
    }
    return true;
}

ShapedText Shape(const QFont& font, const QString& text) {
    ShapedText out;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) line.setLineWidth(1.0e6);
    layout.endLayout();
    if (!line.isValid()) {
        out.Width = QFontMetrics(font).horizontalAdvance(text);
        return out;
    }
    out.Width = qRound(line.horizontalAdvance());
    // Positions come from the line's top; drawing places the baseline.
    const qreal ascent = line.y() + line.ascent();
    out.Runs = layout.glyphRuns();
    for (QGlyphRun& run : out.Runs) {
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions) p.ry() -= ascent;
        run.setPositions(positions);
    }
    return out;
}

}  // namespace

const ShapedText* ShapeText(const QFont& font, const QString& text) {
    if (!Keepable(font, text)) return nullptr;
    QHash<ShapeKey, ShapedText>& cache = Cache();
    ShapeKey key{font, text};
    auto it = cache.find(key);
    if (it != cache.end()) return &it.value();
    if (cache.size() >= kShapedTextLimit) cache.clear();
    return &cache.insert(key, Shape(font, text)).value();
}

namespace test_hooks {
int ShapedTextCount() { return static_cast<int>(Cache().size()); }
}  // namespace test_hooks

}  // namespace plat::detail
