// Lines, rectangles, ellipses and text, pixel by pixel and without
// antialiasing, so that what the system computes in pixels is what appears.
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "platform/dc.h"
#include "platform/gdi_internal.h"
#include "platform/qt_internal.h"
#include "platform/text_shapes.h"
#include "platform/window_internal.h"

namespace plat {
namespace detail {
namespace {

// Writes pixels through a context's clip and remembers what it touched. A
// thin line plots pixel by pixel: the rows are addressed from the image's
// bits taken once, and the touched box grows by comparisons, not by a
// rectangle union per pixel.
class Plotter {
public:
    explicit Plotter(DcRecord* dc) : dc_(dc), img_(TargetImage(dc)) {
        if (img_ == nullptr) return;
        clips_ = ClipRects(dc, img_);
        bits_ = img_->bits();  // detaches once, as the first scanLine would
        stride_ = img_->bytesPerLine();
    }
    ~Plotter() {
        if (img_ != nullptr && left_ <= right_) Touched(dc_, QRect(QPoint(left_, top_), QPoint(right_, bottom_)));
    }
    bool Ready() const { return img_ != nullptr; }
    void Plot(int x, int y, QRgb c) {
        for (const QRect& r : clips_) {
            if (r.contains(x, y)) {
                Row(y)[x] = c;
                Touch(x, x, y);
                return;
            }
        }
    }
    void Span(int64_t y, int64_t x0, int64_t x1, QRgb c) {  // x0..x1 inclusive
        if (x1 < x0) return;
        for (const QRect& r : clips_) {
            if (y < r.top() || y > r.bottom()) continue;
            const int a = static_cast<int>(std::max<int64_t>(x0, r.left()));
            const int b = static_cast<int>(std::min<int64_t>(x1, r.right()));
            if (a > b) continue;
            QRgb* line = Row(static_cast<int>(y));
            std::fill(line + a, line + b + 1, c);
            Touch(a, b, static_cast<int>(y));
        }
    }
    void Box(int64_t l, int64_t t, int64_t r, int64_t b, QRgb c) {  // inclusive corners
        const int64_t last = std::min<int64_t>(b, img_->height() - 1);
        for (int64_t y = std::max<int64_t>(t, 0); y <= last; ++y) Span(y, l, r, c);
    }
    // The image rows from `top` up to but excluding `bottom`.
    int64_t FirstRow(int64_t top) const { return std::max<int64_t>(top, 0); }
    int64_t EndRow(int64_t bottom) const { return std::min<int64_t>(bottom, img_->height()); }

private:
    QRgb* Row(int y) const { return reinterpret_cast<QRgb*>(bits_ + stride_ * y); }
    void Touch(int a, int b, int y) {  // pixels a..b of row y
        left_ = std::min(left_, a);
        right_ = std::max(right_, b);
        top_ = std::min(top_, y);
        bottom_ = std::max(bottom_, y);
    }

    DcRecord* dc_;
    QImage* img_;
    std::vector<QRect> clips_;
    uchar* bits_ = nullptr;
    qsizetype stride_ = 0;
    // Inclusive bounds of the touched pixels; left_ > right_ while none.
    int left_ = std::numeric_limits<int>::max(), top_ = std::numeric_limits<int>::max();
    int right_ = std::numeric_limits<int>::min(), bottom_ = std::numeric_limits<int>::min();
};

bool PatternOn(int style, int step) {
    switch (style) {
        case kPenDash: return step % 24 < 18;
        case kPenDot: return step % 6 < 3;
        default: return true;
    }
}

// Lines longer than this cannot lie inside any image: they are cut to the
// image first (see ClipLongLine) instead of being walked pixel by pixel.
constexpr int64_t kLongLine = int64_t{1} << 16;

bool IsLong(const QPoint& a, const QPoint& b) {
    return std::abs(int64_t{b.x()} - a.x()) > kLongLine || std::abs(int64_t{b.y()} - a.y()) > kLongLine;
}

// Cuts the segment a-b to the image grown by `margin` pixels on every side
// (Liang-Barsky); false when nothing of it is left. The ends that were cut
// lie outside the image, so the end-pixel rule shows no difference.
bool ClipLongLine(const QImage& img, int margin, QPoint* a, QPoint* b) {
    const double x0 = a->x(), y0 = a->y(), dx = double(b->x()) - x0, dy = double(b->y()) - y0;
    const double lo[2] = {-double(margin), -double(margin)};
    const double hi[2] = {double(img.width()) + margin, double(img.height()) + margin};
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - lo[0], hi[0] - x0, y0 - lo[1], hi[1] - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const QPoint from(static_cast<int>(std::lround(x0 + t0 * dx)), static_cast<int>(std::lround(y0 + t0 * dy)));
    const QPoint to(static_cast<int>(std::lround(x0 + t1 * dx)), static_cast<int>(std::lround(y0 + t1 * dy)));
    *a = from;
    *b = to;
    return true;
}

// A one-pixel line from (x0, y0) towards (x1, y1), leaving out the end pixel.
void ThinLine(Plotter& p, int x0, int y0, int x1, int y1, QRgb c, int style, int* step) {
    const int64_t dx = std::abs(int64_t{x1} - x0), dy = -std::abs(int64_t{y1} - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int64_t err = dx + dy;
    int x = x0, y = y0;
    while (x != x1 || y != y1) {
        if (PatternOn(style, (*step)++)) p.Plot(x, y, c);
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

// Wide pens: round ends and joins, as a geometric pen draws them. A line
// that runs far beyond the image is drawn segment by segment, each cut to
// the image (round caps make the same joins).
void WideLines(DcRecord* dc, const GdiObject* pen, const std::vector<QPoint>& pts) {
    QImage* img = TargetImage(dc);
    if (img == nullptr || pts.size() < 2) return;
    for (size_t i = 1; i < pts.size(); ++i) {
        if (!IsLong(pts[i - 1], pts[i])) continue;
        const int margin = std::min(pen->Width, 1 << 14) + 2;
        for (size_t k = 1; k < pts.size(); ++k) {
            QPoint a = pts[k - 1], b = pts[k];
            if (ClipLongLine(*img, margin, &a, &b)) WideLines(dc, pen, {a, b});
        }
        return;
    }
    QPainterPath path(QPointF(pts[0].x() + 0.5, pts[0].y() + 0.5));
    for (size_t i = 1; i < pts.size(); ++i) path.lineTo(pts[i].x() + 0.5, pts[i].y() + 0.5);
    {
        QPainter painter(img);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setClipRegion(ClipRegion(dc, img));
        painter.setPen(QPen(ToQColor(pen->Colour), pen->Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    const int grow = pen->Width / 2 + 2;
    Touched(dc, path.boundingRect().toAlignedRect().adjusted(-grow, -grow, grow, grow));
}

void DrawLines(DcRecord* dc, const std::vector<QPoint>& pts) {
    GdiObject* pen = FindObject(dc->Pen);
    if (pen == nullptr || pen->PenStyle == kPenNull || pts.size() < 2) return;
    if (pen->Width > 1) {
        WideLines(dc, pen, pts);
        return;
    }
    Plotter p(dc);
    if (!p.Ready()) return;
    const QRgb c = ToRgb(pen->Colour);
    int step = 0;
    for (size_t i = 1; i < pts.size(); ++i) {
        QPoint a = pts[i - 1], b = pts[i];
        if (IsLong(a, b) && !ClipLongLine(*TargetImage(dc), 2, &a, &b)) continue;
        ThinLine(p, a.x(), a.y(), b.x(), b.y(), c, pen->PenStyle, &step);
    }
}

void Normalise(int32_t* l, int32_t* t, int32_t* r, int32_t* b) {
    if (*l > *r) std::swap(*l, *r);
    if (*t > *b) std::swap(*t, *b);
}

// Removes the "&" markers of a label: "&&" is "&", "&x" is x.
QString StripPrefix(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&') && i + 1 < s.size()) {
            ++i;
        } else if (s[i] == QLatin1Char('&')) {
            continue;
        }
        out += s[i];
    }
    return out;
}

// The advance of a text in a font: kept with its shape when it is kept.
int TextWidth(const GdiObject* f, const QString& s) {
    if (const ShapedText* shaped = ShapeText(f->Font, s)) return shaped->Width;
    return QFontMetrics(f->Font).horizontalAdvance(s);
}

// Texts drawn while a test records them.
bool g_recordTexts = false;
std::vector<test::DrawnText> g_drawnTexts;
constexpr size_t kMaxDrawnTexts = 4096;

void RecordText(const DcRecord* dc, const QString& s, int x, int y, int width, const GdiObject* f, const QRect* clip) {
    if (g_drawnTexts.size() >= kMaxDrawnTexts) g_drawnTexts.erase(g_drawnTexts.begin());
    test::DrawnText t;
    t.Window = dc->Target == DcTarget::Window ? dc->Window : 0;
    t.Text = FromQString(s);
    t.Font = dc->Font;
    t.Cell = Rect{x, y, ClampCoord(int64_t{x} + width), ClampCoord(int64_t{y} + f->Metrics.Height)};
    t.Ascent = f->Metrics.Ascent;
    t.Clipped = clip != nullptr;
    if (clip != nullptr) t.Clip = Rect{clip->left(), clip->top(), clip->right() + 1, clip->bottom() + 1};
    g_drawnTexts.push_back(std::move(t));
}

// The letters of a text: its trailing blanks are not drawn.
QString Letters(QString s) {
    while (!s.isEmpty() && s.back() == QLatin1Char(' ')) s.chop(1);
    return s;
}

// The text cut at its end to what fits `width` followed by an ellipsis; as
// it is when its letters fit. Nothing fits: the ellipsis alone, clipped.
QString Elided(const GdiObject* f, const QString& s, int64_t width) {
    if (TextWidth(f, Letters(s)) <= width) return s;
    const QString dots(QChar(0x2026));
    for (qsizetype n = Letters(s).size() - 1; n > 0; --n) {
        QString cut = Letters(s.left(n));
        if (!cut.isEmpty() && cut.back().isHighSurrogate()) cut.chop(1);
        if (TextWidth(f, cut + dots) <= width) return cut + dots;
    }
    return dots;
}

// Draws one run of text with its cell's top-left corner at (x, y).
void PaintText(DcRecord* dc, int64_t atX, int64_t atY, const QString& s, const QRect* clip, bool fillCell) {
    QImage* img = TargetImage(dc);
    if (img == nullptr) return;
    const int x = ClampCoord(atX), y = ClampCoord(atY);
    GdiObject* f = ResolvedFont(dc->Font);
    const ShapedText* shaped = ShapeText(f->Font, s);
    const int width = shaped != nullptr ? shaped->Width : QFontMetrics(f->Font).horizontalAdvance(s);
    if (g_recordTexts) RecordText(dc, s, x, y, width, f, clip);
    QRegion region = ClipRegion(dc, img);
    if (clip != nullptr) region &= *clip;
    const QRect cell(x, y, width, f->Metrics.Height);
    {
        QPainter painter(img);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        if (region.rectCount() == 1) {
            painter.setClipRect(region.boundingRect());  // the usual case, and cheaper than a region
        } else {
            painter.setClipRegion(region);
        }
        if (fillCell) painter.fillRect(cell, ToQColor(dc->BackColour));
        painter.setFont(f->Font);
        painter.setPen(ToQColor(dc->TextColour));
        const QPoint baseline(x, y + f->Metrics.Ascent);
        if (shaped != nullptr) {
            for (const QGlyphRun& run : shaped->Runs) painter.drawGlyphRun(baseline, run);
        } else {
            painter.drawText(baseline, s);
        }
    }
    Touched(dc, cell.adjusted(-2, 0, 2, 0) & region.boundingRect());
}

}  // namespace

// The pixels of row y whose centres lie inside the ellipse inscribed in the
// box [l, r) x [t, b); false when the row has none.
bool EllipseSpan(double l, double t, double r, double b, int y, int* x0, int* x1) {
    const double a = (r - l) / 2.0, bb = (b - t) / 2.0;
    if (a <= 0 || bb <= 0) return false;
    const double cx = (l + r) / 2.0, cy = (t + b) / 2.0;
    const double dy = (y + 0.5 - cy) / bb;
    if (dy * dy > 1.0 + 1e-9) return false;
    const double half = a * std::sqrt(std::max(0.0, 1.0 - dy * dy));
    const double from = std::max(std::ceil(cx - half - 0.5 - 1e-9), l);
    const double to = std::min(std::floor(cx + half - 0.5 + 1e-9), r - 1);
    if (from > to) return false;
    *x0 = static_cast<int>(std::clamp(from, -2.0e9, 2.0e9));
    *x1 = static_cast<int>(std::clamp(to, -2.0e9, 2.0e9));
    return true;
}

}  // namespace detail

using namespace detail;

bool MoveTo(Hdc h, int32_t x, int32_t y, Point* previous) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr) return false;
    if (previous != nullptr) *previous = dc->Position;
    dc->Position = Point{x, y};
    return true;
}

bool LineTo(Hdc h, int32_t x, int32_t y) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr) return false;
    DrawLines(dc, {QPoint(dc->Position.X, dc->Position.Y), QPoint(x, y)});
    dc->Position = Point{x, y};
    return true;
}

bool Polyline(Hdc h, const Point* points, size_t count) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr || points == nullptr || count < 2) return false;
    std::vector<QPoint> pts;
    pts.reserve(count);
    for (size_t i = 0; i < count; ++i) pts.emplace_back(points[i].X, points[i].Y);
    DrawLines(dc, pts);
    return true;
}

bool Rectangle(Hdc h, int32_t l, int32_t t, int32_t r, int32_t b) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr) return false;
    Normalise(&l, &t, &r, &b);
    if (r <= l || b <= t) return true;
    Plotter p(dc);
    if (!p.Ready()) return true;
    GdiObject* pen = FindObject(dc->Pen);
    GdiObject* brush = FindObject(dc->Brush);
    // In 64 bits: the corners may be anywhere in the 32-bit range.
    const int64_t L = l, T = t, R = r, B = b;
    int64_t w = (pen == nullptr || pen->PenStyle == kPenNull) ? 0 : pen->Width;
    w = std::min(w, std::max(R - L, B - T));
    if (brush != nullptr && !brush->NullBrush && R - L > 2 * w && B - T > 2 * w)
        p.Box(L + w, T + w, R - w - 1, B - w - 1, ToRgb(brush->Colour));
    if (w > 0) {
        const QRgb c = ToRgb(pen->Colour);
        p.Box(L, T, R - 1, std::min(B - 1, T + w - 1), c);              // top
        p.Box(L, std::max(T, B - w), R - 1, B - 1, c);                  // bottom
        p.Box(L, T, std::min(R - 1, L + w - 1), B - 1, c);              // left
        p.Box(std::max(L, R - w), T, R - 1, B - 1, c);                  // right
    }
    return true;
}

bool Ellipse(Hdc h, int32_t l, int32_t t, int32_t r, int32_t b) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr) return false;
    Normalise(&l, &t, &r, &b);
    if (r <= l || b <= t) return true;
    Plotter p(dc);
    if (!p.Ready()) return true;
    GdiObject* pen = FindObject(dc->Pen);
    GdiObject* brush = FindObject(dc->Brush);
    const int w = (pen == nullptr || pen->PenStyle == kPenNull) ? 0 : pen->Width;
    const bool fill = brush != nullptr && !brush->NullBrush;
    const QRgb penColour = w > 0 ? ToRgb(pen->Colour) : 0;
    const QRgb brushColour = fill ? ToRgb(brush->Colour) : 0;
    const double L = l, T = t, R = r, B = b;  // no int sums: the box may span the whole range
    for (int64_t row = p.FirstRow(t); row < p.EndRow(b); ++row) {
        const int y = static_cast<int>(row);
        int o0, o1;
        if (!EllipseSpan(L, T, R, B, y, &o0, &o1)) continue;
        int i0 = 0, i1 = -1;
        const bool inner = EllipseSpan(L + w, T + w, R - w, B - w, y, &i0, &i1);
        if (w == 0) {
            if (fill) p.Span(y, o0, o1, brushColour);
            continue;
        }
        if (!inner) {
            p.Span(y, o0, o1, penColour);
            continue;
        }
        p.Span(y, o0, i0 - 1, penColour);
        p.Span(y, i1 + 1, o1, penColour);
        if (fill) p.Span(y, i0, i1, brushColour);
    }
    return true;
}

bool TextOut(Hdc h, int32_t x, int32_t y, const char16_t* text, int32_t length) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr || text == nullptr) return false;
    PaintText(dc, x, y, ToQString(text, length), nullptr, dc->BackMode == kOpaque);
    return true;
}

bool ExtTextOut(Hdc h, int32_t x, int32_t y, uint32_t options, const Rect* rect, const char16_t* text,
                int32_t length) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr) return false;
    QRect box;
    if (rect != nullptr) box = BoxOf(rect->Left, rect->Top, rect->Right, rect->Bottom);
    if ((options & kTextOpaque) != 0 && rect != nullptr && !box.isEmpty()) {
        QImage* img = TargetImage(dc);
        if (img != nullptr) {
            Plotter p(dc);
            p.Box(box.left(), box.top(), box.right(), box.bottom(), ToRgb(dc->BackColour));
        }
    }
    if (text == nullptr) return true;
    const bool clipped = (options & kTextClipped) != 0 && rect != nullptr;
    if (clipped && box.isEmpty()) return true;
    PaintText(dc, x, y, ToQString(text, length), clipped ? &box : nullptr,
              dc->BackMode == kOpaque && (options & kTextOpaque) == 0);
    return true;
}

int32_t DrawText(Hdc h, const char16_t* text, int32_t length, Rect* rect, uint32_t format) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr || text == nullptr || rect == nullptr) return 0;
    QString s = ToQString(text, length);
    if ((format & kDrawTextNoPrefix) == 0) s = StripPrefix(s);
    GdiObject* f = ResolvedFont(dc->Font);
    const int lineHeight = f->Metrics.Height;
    QStringList lines;
    if (format & kDrawTextSingleLine) {
        s.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        lines << s;
    } else {
        s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        lines = s.split(QLatin1Char('\n'));
    }
    int widest = 0;
    for (const QString& line : lines) widest = std::max(widest, TextWidth(f, line));
    const int total = lineHeight * static_cast<int>(lines.size());
    if (format & kDrawTextCalcRect) {
        rect->Right = ClampCoord(int64_t{rect->Left} + widest);
        rect->Bottom = ClampCoord(int64_t{rect->Top} + total);
        return total;
    }
    const QRect box = BoxOf(rect->Left, rect->Top, rect->Right, rect->Bottom);
    const int64_t boxWidth = int64_t{rect->Right} - rect->Left, boxHeight = int64_t{rect->Bottom} - rect->Top;
    int64_t y = rect->Top;
    if (format & kDrawTextSingleLine) {
        if (format & kDrawTextVCenter) y = rect->Top + (boxHeight - lineHeight) / 2;
        else if (format & kDrawTextBottom) y = int64_t{rect->Bottom} - lineHeight;
    }
    const bool clip = (format & kDrawTextNoClip) == 0;
    for (QString line : lines) {
        if ((format & kDrawTextEndEllipsis) != 0) line = Elided(f, line, boxWidth);
        const int w = TextWidth(f, line);
        int64_t x = rect->Left;
        if (format & kDrawTextCenter) x = rect->Left + (boxWidth - w) / 2;
        else if (format & kDrawTextRight) x = int64_t{rect->Right} - w;
        PaintText(dc, x, y, line, clip ? &box : nullptr, dc->BackMode == kOpaque);
        y += lineHeight;
    }
    return total;
}

Hfont DrawTextInFirstFit(Hdc h, const char16_t* text, const Rect& rect, const Hfont* fonts, size_t count) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr || text == nullptr || fonts == nullptr) return 0;
    const QString s = ToQString(text);
    const int64_t width = int64_t{rect.Right} - rect.Left;
    int baseline = -1;
    Hfont chosen = 0;
    for (size_t i = 0; i < count; ++i) {
        if (fonts[i] == 0 || FindObject(fonts[i]) == nullptr) continue;
        const GdiObject* f = ResolvedFont(fonts[i]);
        if (baseline < 0) baseline = f->Metrics.Ascent;
        chosen = fonts[i];
        if (TextWidth(f, Letters(s)) <= width) break;
    }
    if (chosen == 0) return 0;
    SelectObject(h, chosen);
    const GdiObject* f = ResolvedFont(chosen);
    const QRect box = BoxOf(rect.Left, rect.Top, rect.Right, rect.Bottom);
    if (box.isEmpty()) return chosen;
    PaintText(dc, rect.Left, int64_t{rect.Top} + baseline - f->Metrics.Ascent, Elided(f, s, width), &box,
              dc->BackMode == kOpaque);
    return chosen;
}

bool GetTextExtent(Hdc h, const char16_t* text, int32_t length, Size* out) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr || out == nullptr) return false;
    GdiObject* f = ResolvedFont(dc->Font);
    out->Cx = text != nullptr ? TextWidth(f, ToQString(text, length)) : 0;
    out->Cy = f->Metrics.Height;
    return true;
}

namespace test {

void RecordDrawnTexts(bool on) {
    g_recordTexts = on;
    g_drawnTexts.clear();
}

std::vector<DrawnText> DrawnTexts() { return g_drawnTexts; }

}  // namespace test
}  // namespace plat
