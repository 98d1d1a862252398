// Lines, rectangles, ellipses and text, pixel by pixel and without
// antialiasing, so that what the system computes in pixels is what appears.
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/dc.h"
#include "platform/gdi_internal.h"
#include "platform/qt_internal.h"
#include "platform/window_internal.h"

namespace plat {
namespace detail {
namespace {

// Writes pixels through a context's clip and remembers what it touched.
class Plotter {
public:
    explicit Plotter(DcRecord* dc) : dc_(dc), img_(TargetImage(dc)) {
        if (img_ != nullptr) clips_ = ClipRects(dc, img_);
    }
    ~Plotter() {
        if (img_ != nullptr && !touched_.isEmpty()) Touched(dc_, touched_);
    }
    bool Ready() const { return img_ != nullptr; }
    void Plot(int x, int y, QRgb c) {
        for (const QRect& r : clips_) {
            if (r.contains(x, y)) {
                reinterpret_cast<QRgb*>(img_->scanLine(y))[x] = c;
                touched_ |= QRect(x, y, 1, 1);
                return;
            }
        }
    }
    void Span(int y, int x0, int x1, QRgb c) {  // x0..x1 inclusive
        if (x1 < x0) return;
        for (const QRect& r : clips_) {
            if (y < r.top() || y > r.bottom()) continue;
            const int a = std::max(x0, r.left()), b = std::min(x1, r.right());
            if (a > b) continue;
            auto* line = reinterpret_cast<QRgb*>(img_->scanLine(y));
            std::fill(line + a, line + b + 1, c);
            touched_ |= QRect(a, y, b - a + 1, 1);
        }
    }
    void Box(int l, int t, int r, int b, QRgb c) {  // inclusive corners
        for (int y = t; y <= b; ++y) Span(y, l, r, c);
    }

private:
    DcRecord* dc_;
    QImage* img_;
    std::vector<QRect> clips_;
    QRect touched_;
};

bool PatternOn(int style, int step) {
    switch (style) {
        case kPenDash: return step % 24 < 18;
        case kPenDot: return step % 6 < 3;
        default: return true;
    }
}

// A one-pixel line from (x0, y0) towards (x1, y1), leaving out the end pixel.
void ThinLine(Plotter& p, int x0, int y0, int x1, int y1, QRgb c, int style, int* step) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0, y = y0;
    while (x != x1 || y != y1) {
        if (PatternOn(style, (*step)++)) p.Plot(x, y, c);
        const int e2 = 2 * err;
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

// Wide pens: round ends and joins, as a geometric pen draws them.
void WideLines(DcRecord* dc, const GdiObject* pen, const std::vector<QPoint>& pts) {
    QImage* img = TargetImage(dc);
    if (img == nullptr || pts.size() < 2) return;
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
    for (size_t i = 1; i < pts.size(); ++i)
        ThinLine(p, pts[i - 1].x(), pts[i - 1].y(), pts[i].x(), pts[i].y(), c, pen->PenStyle, &step);
}

// The pixels of row y whose centres lie inside the ellipse inscribed in the
// box [l, r) x [t, b); false when the row has none.
bool EllipseSpan(double l, double t, double r, double b, int y, int* x0, int* x1) {
    const double a = (r - l) / 2.0, bb = (b - t) / 2.0;
    if (a <= 0 || bb <= 0) return false;
    const double cx = (l + r) / 2.0, cy = (t + b) / 2.0;
    const double dy = (y + 0.5 - cy) / bb;
    if (dy * dy > 1.0 + 1e-9) return false;
    const double half = a * std::sqrt(std::max(0.0, 1.0 - dy * dy));
    const int from = static_cast<int>(std::ceil(cx - half - 0.5 - 1e-9));
    const int to = static_cast<int>(std::floor(cx + half - 0.5 + 1e-9));
    *x0 = std::max(from, static_cast<int>(l));
    *x1 = std::min(to, static_cast<int>(r) - 1);
    return *x0 <= *x1;
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

// Draws one run of text with its cell's top-left corner at (x, y).
void PaintText(DcRecord* dc, int x, int y, const QString& s, const QRect* clip, bool fillCell) {
    QImage* img = TargetImage(dc);
    if (img == nullptr) return;
    GdiObject* f = ResolvedFont(dc->Font);
    QFontMetrics m(f->Font);
    const int width = m.horizontalAdvance(s);
    QRegion region = ClipRegion(dc, img);
    if (clip != nullptr) region &= *clip;
    const QRect cell(x, y, width, f->Metrics.Height);
    {
        QPainter painter(img);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setClipRegion(region);
        if (fillCell) painter.fillRect(cell, ToQColor(dc->BackColour));
        painter.setFont(f->Font);
        painter.setPen(ToQColor(dc->TextColour));
        painter.drawText(QPoint(x, y + f->Metrics.Ascent), s);
    }
    Touched(dc, cell.adjusted(-2, 0, 2, 0) & region.boundingRect());
}

}  // namespace
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
    int w = (pen == nullptr || pen->PenStyle == kPenNull) ? 0 : pen->Width;
    w = std::min(w, std::max(r - l, b - t));
    if (brush != nullptr && !brush->NullBrush && r - l > 2 * w && b - t > 2 * w)
        p.Box(l + w, t + w, r - w - 1, b - w - 1, ToRgb(brush->Colour));
    if (w > 0) {
        const QRgb c = ToRgb(pen->Colour);
        p.Box(l, t, r - 1, std::min(b - 1, t + w - 1), c);              // top
        p.Box(l, std::max(t, b - w), r - 1, b - 1, c);                  // bottom
        p.Box(l, t, std::min(r - 1, l + w - 1), b - 1, c);              // left
        p.Box(std::max(l, r - w), t, r - 1, b - 1, c);                  // right
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
    for (int y = t; y < b; ++y) {
        int o0, o1;
        if (!EllipseSpan(l, t, r, b, y, &o0, &o1)) continue;
        int i0 = 0, i1 = -1;
        const bool inner = EllipseSpan(l + w, t + w, r - w, b - w, y, &i0, &i1);
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
    if (rect != nullptr) box = QRect(rect->Left, rect->Top, rect->Right - rect->Left, rect->Bottom - rect->Top);
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
    QFontMetrics m(f->Font);
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
    for (const QString& line : lines) widest = std::max(widest, m.horizontalAdvance(line));
    const int total = lineHeight * static_cast<int>(lines.size());
    if (format & kDrawTextCalcRect) {
        rect->Right = rect->Left + widest;
        rect->Bottom = rect->Top + total;
        return total;
    }
    const QRect box(rect->Left, rect->Top, rect->Right - rect->Left, rect->Bottom - rect->Top);
    int y = rect->Top;
    if (format & kDrawTextSingleLine) {
        if (format & kDrawTextVCenter) y = rect->Top + (box.height() - lineHeight) / 2;
        else if (format & kDrawTextBottom) y = rect->Bottom - lineHeight;
    }
    const bool clip = (format & kDrawTextNoClip) == 0;
    for (const QString& line : lines) {
        const int w = m.horizontalAdvance(line);
        int x = rect->Left;
        if (format & kDrawTextCenter) x = rect->Left + (box.width() - w) / 2;
        else if (format & kDrawTextRight) x = rect->Right - w;
        PaintText(dc, x, y, line, clip ? &box : nullptr, dc->BackMode == kOpaque);
        y += lineHeight;
    }
    return total;
}

bool GetTextExtent(Hdc h, const char16_t* text, int32_t length, Size* out) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr || out == nullptr) return false;
    GdiObject* f = ResolvedFont(dc->Font);
    QFontMetrics m(f->Font);
    out->Cx = text != nullptr ? m.horizontalAdvance(ToQString(text, length)) : 0;
    out->Cy = f->Metrics.Height;
    return true;
}

}  // namespace plat
