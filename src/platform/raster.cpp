// Lines and dots straight into a bitmap's pixels, for the map tiles: no
// painter is built per call and nothing outside the bitmap is walked.
//
// A line's pixels come from a closed form rather than a running error term,
// so the first pixel inside the bitmap is found at once and the pixels are
// the same wherever the walk starts: along the major axis step i (0 <= i < n,
// n the longer of |dx| and |dy|, the end pixel left out) the minor axis moves
// by floor((2 i m + n) / 2n) for a minor extent m, i.e. i m / n rounded with
// halves away from the start.
#include <QImage>
#include <algorithm>
#include <cstdint>

#include "platform/dc.h"
#include "platform/gdi_internal.h"
#include "platform/qt_internal.h"
#include "platform/window_internal.h"

namespace plat {
namespace detail {
namespace {

QImage* BitmapImage(Hbitmap bitmap) {
    GdiObject* o = FindObject(bitmap);
    if (o == nullptr || o->Kind != GdiKind::Bitmap || o->Image.isNull()) return nullptr;
    return &o->Image;
}

// A w x w square at (cx, cy), cut to the image.
void Stamp(QImage* img, int64_t cx, int64_t cy, int lo, int hi, QRgb c) {
    const int64_t x0 = std::max<int64_t>(cx + lo, 0), x1 = std::min<int64_t>(cx + hi, img->width() - 1);
    const int64_t y0 = std::max<int64_t>(cy + lo, 0), y1 = std::min<int64_t>(cy + hi, img->height() - 1);
    for (int64_t y = y0; y <= y1; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img->scanLine(static_cast<int>(y)));
        for (int64_t x = x0; x <= x1; ++x) line[x] = c;
    }
}

// The steps i in [0, n) whose major coordinate start + dir * i lies in [lo, hi].
bool StepRange(int64_t start, int dir, int64_t n, int64_t lo, int64_t hi, int64_t* first, int64_t* last) {
    int64_t a, b;
    if (dir > 0) {
        a = lo - start;
        b = hi - start;
    } else {
        a = start - hi;
        b = start - lo;
    }
    *first = std::max<int64_t>(a, 0);
    *last = std::min<int64_t>(b, n - 1);
    return *first <= *last;
}

}  // namespace
}  // namespace detail

using namespace detail;

bool RasterLine(Hbitmap bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Hpen pen) {
    QImage* img = BitmapImage(bitmap);
    GdiObject* p = FindObject(pen);
    if (img == nullptr || p == nullptr || p->Kind != GdiKind::Pen) return false;
    if (p->PenStyle == kPenNull) return true;
    const int w = std::clamp(p->Width, 1, 64);
    const int lo = -(w - 1) / 2, hi = w / 2;
    const QRgb c = ToRgb(p->Colour);
    const int64_t dx = int64_t{x2} - x1, dy = int64_t{y2} - y1;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const int64_t n = std::max(adx, ady);
    if (n == 0) return true;
    const bool xMajor = adx >= ady;
    const int64_t majStart = xMajor ? x1 : y1, minStart = xMajor ? y1 : x1;
    const int majDir = (xMajor ? dx : dy) < 0 ? -1 : 1, minDir = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const int64_t m = xMajor ? ady : adx;
    // Centres whose square reaches the image.
    const int64_t majSize = xMajor ? img->width() : img->height(), minSize = xMajor ? img->height() : img->width();
    int64_t first, last;
    if (!StepRange(majStart, majDir, n, -hi, majSize - 1 - lo, &first, &last)) return true;
    // Minor offset and remainder at the first step: num = 2 i m + n.
    const int64_t twoN = 2 * n;
    const __int128 num = static_cast<__int128>(2) * first * m + n;
    int64_t off = static_cast<int64_t>(num / twoN), rem = static_cast<int64_t>(num % twoN);
    for (int64_t i = first; i <= last; ++i) {
        const int64_t maj = majStart + majDir * i, mn = minStart + minDir * off;
        if (mn >= -hi && mn <= minSize - 1 - lo) {
            if (xMajor) Stamp(img, maj, mn, lo, hi, c);
            else Stamp(img, mn, maj, lo, hi, c);
        } else if ((minDir > 0) == (mn > minSize - 1 - lo)) {
            break;  // moving away from the image on the minor axis: nothing more inside
        }
        rem += 2 * m;
        if (rem >= twoN) {
            rem -= twoN;
            ++off;
        }
    }
    return true;
}

bool RasterEllipse(Hbitmap bitmap, int32_t l, int32_t t, int32_t r, int32_t b, Hpen pen, Hbrush brush) {
    QImage* img = BitmapImage(bitmap);
    if (img == nullptr) return false;
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    if (r <= l || b <= t) return true;
    GdiObject* p = FindObject(pen);
    GdiObject* br = FindObject(brush);
    const int w = (p == nullptr || p->Kind != GdiKind::Pen || p->PenStyle == kPenNull) ? 0 : p->Width;
    const bool fill = br != nullptr && br->Kind == GdiKind::Brush && !br->NullBrush;
    const QRgb penColour = w > 0 ? ToRgb(p->Colour) : 0, brushColour = fill ? ToRgb(br->Colour) : 0;
    const double L = l, T = t, R = r, B = b;
    const int width = img->width();
    auto span = [&](int y, int64_t x0, int64_t x1, QRgb c) {
        x0 = std::max<int64_t>(x0, 0);
        x1 = std::min<int64_t>(x1, width - 1);
        if (x0 > x1) return;
        auto* line = reinterpret_cast<QRgb*>(img->scanLine(y));
        std::fill(line + x0, line + x1 + 1, c);
    };
    const int64_t rowEnd = std::min<int64_t>(b, img->height());
    for (int64_t row = std::max<int64_t>(t, 0); row < rowEnd; ++row) {
        const int y = static_cast<int>(row);
        int o0, o1;
        if (!EllipseSpan(L, T, R, B, y, &o0, &o1)) continue;
        int i0 = 0, i1 = -1;
        const bool inner = EllipseSpan(L + w, T + w, R - w, B - w, y, &i0, &i1);
        if (w == 0) {
            if (fill) span(y, o0, o1, brushColour);
        } else if (!inner) {
            span(y, o0, o1, penColour);
        } else {
            span(y, o0, int64_t{i0} - 1, penColour);
            span(y, int64_t{i1} + 1, o1, penColour);
            if (fill) span(y, i0, i1, brushColour);
        }
    }
    return true;
}

int32_t PenWidth(Hpen pen) {
    GdiObject* p = FindObject(pen);
    if (p == nullptr || p->Kind != GdiKind::Pen || p->PenStyle == kPenNull) return 0;
    return p->Width;
}

bool FillBitmap(Hbitmap bitmap, ColourRef colour) {
    QImage* img = BitmapImage(bitmap);
    if (img == nullptr) return false;
    img->fill(ToRgb(colour));
    return true;
}

ColourRef GetBitmapPixel(Hbitmap bitmap, int32_t x, int32_t y) {
    QImage* img = BitmapImage(bitmap);
    if (img == nullptr || x < 0 || y < 0 || x >= img->width() || y >= img->height()) return 0xFFFFFFFF;
    return FromRgb(reinterpret_cast<const QRgb*>(img->constScanLine(y))[x]);
}

}  // namespace plat
