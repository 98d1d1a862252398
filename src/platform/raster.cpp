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

// The pixels of an image, addressed directly: the rasteriser writes many
// pixels per call and must not pay a function call for each row.
// P is the pixel: QRgb words, or uint8_t palette indices.
template <typename P>
struct Pixels {
    P* Bits;
    int64_t Stride;  // pixels per row
    int64_t Width, Height;
    explicit Pixels(QImage* img)
        : Bits(reinterpret_cast<P*>(img->bits())),
          Stride(img->bytesPerLine() / static_cast<qsizetype>(sizeof(P))),
          Width(img->width()),
          Height(img->height()) {}
    explicit Pixels(const RasterTarget& t)
        : Bits(static_cast<P*>(t.Pixels)), Stride(t.Stride), Width(t.Width), Height(t.Height) {}
};

// A square from lo to hi around (cx, cy), cut to the image.
template <typename P>
OSTRIMA_PIXEL_LOOP inline void Stamp(const Pixels<P>& px, int64_t cx, int64_t cy, int lo, int hi, P c) {
    int64_t x0 = cx + lo, x1 = cx + hi, y0 = cy + lo, y1 = cy + hi;
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 >= px.Width) x1 = px.Width - 1;
    if (y1 >= px.Height) y1 = px.Height - 1;
    for (int64_t y = y0; y <= y1; ++y) {
        P* row = px.Bits + y * px.Stride;
        for (int64_t x = x0; x <= x1; ++x) row[x] = c;
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

// A w x w square with W known when compiling (the map's 1, 2 and 3 pixel
// pens); squares that reach past the edge are cut there.
template <int W, typename P>
OSTRIMA_PIXEL_LOOP inline void StampFixed(const Pixels<P>& px, int64_t cx, int64_t cy, P c) {
    constexpr int lo = -(W - 1) / 2;
    const int64_t x0 = cx + lo, y0 = cy + lo;
    if (x0 >= 0 && y0 >= 0 && x0 + W <= px.Width && y0 + W <= px.Height) {
        P* p = px.Bits + y0 * px.Stride + x0;
        for (int r = 0; r < W; ++r, p += px.Stride)
            for (int q = 0; q < W; ++q) p[q] = c;
    } else {
        Stamp(px, cx, cy, lo, W / 2, c);
    }
}

// The walk of one line over the steps first..last (see the top of the file).
struct LineWalk {
    int64_t First, Last;
    int64_t MajStart, MinStart;
    int MajDir, MinDir;
    bool XMajor;
    int64_t M, TwoN, Off, Rem;
    int64_t MinLow, MinHigh;  // minor coordinates whose square reaches the image
};

template <int W, typename P>
OSTRIMA_PIXEL_LOOP void WalkLine(const Pixels<P>& px, LineWalk w, int lo, int hi, P c) {
    for (int64_t i = w.First; i <= w.Last; ++i) {
        const int64_t maj = w.MajStart + w.MajDir * i, mn = w.MinStart + w.MinDir * w.Off;
        if (mn >= w.MinLow && mn <= w.MinHigh) {
            const int64_t x = w.XMajor ? maj : mn, y = w.XMajor ? mn : maj;
            if constexpr (W > 0) StampFixed<W>(px, x, y, c);
            else Stamp(px, x, y, lo, hi, c);
        } else if ((w.MinDir > 0) == (mn > w.MinHigh)) {
            break;  // moving away from the image on the minor axis: nothing more inside
        }
        w.Rem += 2 * w.M;
        if (w.Rem >= w.TwoN) {
            w.Rem -= w.TwoN;
            ++w.Off;
        }
    }
}

// (a x b + c) / d for a line's step arithmetic, in 64 bits when it cannot
// overflow them (every map tile line), else in 128.
int64_t MulAddDiv(int64_t a, int64_t b, int64_t c, int64_t d, int64_t* remainder) {
    if (a >= 0 && a < (int64_t{1} << 30) && b >= 0 && b < (int64_t{1} << 31) && c >= 0 && c < (int64_t{1} << 60)) {
        const int64_t num = a * b + c;
        *remainder = num % d;
        return num / d;
    }
    const __int128 num = static_cast<__int128>(a) * b + c;
    *remainder = static_cast<int64_t>(num % d);
    return static_cast<int64_t>(num / d);
}

// The squares of a whole walk lying inside the image, walked by address: each
// step moves `major` bytes, and `minor` more when the remainder passes 2n.
template <int W, typename P>
OSTRIMA_PIXEL_LOOP void WalkInside(const Pixels<P>& px, P* at, int64_t major, int64_t minor, const LineWalk& w, P c) {
    int64_t rem = w.Rem;
    for (int64_t i = w.First; i <= w.Last; ++i) {
        P* p = at;
        for (int r = 0; r < W; ++r, p += px.Stride)
            for (int q = 0; q < W; ++q) p[q] = c;
        at += major;
        rem += 2 * w.M;
        if (rem >= w.TwoN) {
            rem -= w.TwoN;
            at += minor;
        }
    }
}

// Walks the line by address when every square of it lies inside the image
// (most lines of a map tile); false, and nothing drawn, when some square
// reaches past an edge.
template <typename P>
OSTRIMA_PIXEL_LOOP bool WalkWhollyInside(const Pixels<P>& px, const LineWalk& w, int width, int lo, int hi, P c) {
    int64_t unused = 0;
    const int64_t offLast = w.Off + MulAddDiv(2 * (w.Last - w.First), w.M, w.Rem, w.TwoN, &unused);
    const int64_t majA = w.MajStart + w.MajDir * w.First, majB = w.MajStart + w.MajDir * w.Last;
    const int64_t mnA = w.MinStart + w.MinDir * w.Off, mnB = w.MinStart + w.MinDir * offLast;
    const int64_t majSize = w.XMajor ? px.Width : px.Height, minSize = w.XMajor ? px.Height : px.Width;
    if (std::min(majA, majB) + lo < 0 || std::max(majA, majB) + hi >= majSize || std::min(mnA, mnB) + lo < 0 ||
        std::max(mnA, mnB) + hi >= minSize)
        return false;
    const int64_t x = (w.XMajor ? majA : mnA) + lo, y = (w.XMajor ? mnA : majA) + lo;
    P* at = px.Bits + y * px.Stride + x;
    const int64_t major = w.MajDir * (w.XMajor ? 1 : px.Stride), minor = w.MinDir * (w.XMajor ? px.Stride : 1);
    switch (width) {
        case 1: WalkInside<1>(px, at, major, minor, w, c); return true;
        case 2: WalkInside<2>(px, at, major, minor, w, c); return true;
        case 3: WalkInside<3>(px, at, major, minor, w, c); return true;
        default: return false;
    }
}

}  // namespace

QRgb g_palette[256] = {};
int g_paletteSize = 0;
uint64_t g_pixelMoves = 0;

int PaletteIndex(QRgb colour) {
    colour |= 0xFF000000u;
    for (int i = 0; i < g_paletteSize; ++i)
        if (g_palette[i] == colour) return i;
    if (g_paletteSize == 256) return -1;
    g_palette[g_paletteSize] = colour;
    return g_paletteSize++;
}

QRgb PaletteColour(uint8_t index) { return g_palette[index]; }

void PromoteToRgb32(QImage* image) {
    if (image->format() != QImage::Format_Indexed8) return;
    QImage wide(image->width(), image->height(), QImage::Format_RGB32);
    if (wide.isNull()) return;
    for (int y = 0; y < image->height(); ++y) {
        const uchar* from = image->constScanLine(y);
        auto* to = reinterpret_cast<QRgb*>(wide.scanLine(y));
        for (int x = 0; x < image->width(); ++x) to[x] = g_palette[from[x]];
    }
    *image = std::move(wide);
    ++g_pixelMoves;
}

namespace {

template <typename P>
void DrawLine(const RasterTarget& target, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int w, P c) {
    const int lo = -(w - 1) / 2, hi = w / 2;
    const Pixels<P> px(target);
    const int64_t dx = int64_t{x2} - x1, dy = int64_t{y2} - y1;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const int64_t n = std::max(adx, ady);
    if (n == 0) return;
    const bool xMajor = adx >= ady;
    const int64_t majStart = xMajor ? x1 : y1, minStart = xMajor ? y1 : x1;
    const int majDir = (xMajor ? dx : dy) < 0 ? -1 : 1, minDir = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const int64_t m = xMajor ? ady : adx;
    // Centres whose square reaches the image.
    const int64_t majSize = xMajor ? px.Width : px.Height, minSize = xMajor ? px.Height : px.Width;
    int64_t first, last;
    if (!StepRange(majStart, majDir, n, -hi, majSize - 1 - lo, &first, &last)) return;
    // Minor offset and remainder at the first step: num = 2 i m + n.
    const int64_t twoN = 2 * n;
    int64_t rem = 0;
    const int64_t off = MulAddDiv(2 * first, m, n, twoN, &rem);
    const LineWalk walk{first, last, majStart, minStart, majDir, minDir, xMajor, m, twoN, off, rem, -hi, minSize - 1 - lo};
    if (WalkWhollyInside(px, walk, w, lo, hi, c)) return;
    switch (w) {
        case 1: WalkLine<1>(px, walk, lo, hi, c); break;
        case 2: WalkLine<2>(px, walk, lo, hi, c); break;
        case 3: WalkLine<3>(px, walk, lo, hi, c); break;
        default: WalkLine<0>(px, walk, lo, hi, c); break;
    }
}

template <typename P>
void DrawEllipse(QImage* img, int32_t l, int32_t t, int32_t r, int32_t b, int w, bool fill, P penColour, P brushColour) {
    const double L = l, T = t, R = r, B = b;
    const Pixels<P> px(img);
    auto span = [&](int y, int64_t x0, int64_t x1, P c) {
        x0 = std::max<int64_t>(x0, 0);
        x1 = std::min<int64_t>(x1, px.Width - 1);
        if (x0 > x1) return;
        P* line = px.Bits + y * px.Stride;
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
}

}  // namespace
}  // namespace detail

using namespace detail;

uint64_t BitmapPixelMoves() { return g_pixelMoves; }

bool GetRasterTarget(Hbitmap bitmap, RasterTarget* out) {
    QImage* img = BitmapImage(bitmap);
    if (img == nullptr || out == nullptr) return false;
    if (img->format() == QImage::Format_Indexed8) {
        const Pixels<uint8_t> px(img);
        *out = RasterTarget{bitmap, px.Bits, px.Stride, static_cast<int32_t>(px.Width), static_cast<int32_t>(px.Height), 1};
        return true;
    }
    if (img->format() != QImage::Format_RGB32) *img = img->convertToFormat(QImage::Format_RGB32);
    const Pixels<QRgb> px(img);
    *out = RasterTarget{bitmap, px.Bits, px.Stride, static_cast<int32_t>(px.Width), static_cast<int32_t>(px.Height), 4};
    return true;
}

bool GetRasterInk(Hpen pen, RasterInk* out) {
    GdiObject* p = FindObject(pen);
    if (p == nullptr || p->Kind != GdiKind::Pen || out == nullptr) return false;
    out->Pixel = ToRgb(p->Colour);
    out->Width = p->PenStyle == kPenNull ? 0 : std::clamp(p->Width, 1, 64);
    out->Index = out->Width > 0 ? PaletteIndex(out->Pixel) : -1;
    return true;
}

bool RasterLine(Hbitmap bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Hpen pen) {
    RasterInk ink;
    RasterTarget target;
    if (!GetRasterInk(pen, &ink) || !GetRasterTarget(bitmap, &target)) return false;
    RasterLineOn(target, x1, y1, x2, y2, ink);
    return true;
}

void RasterLineOn(const RasterTarget& target, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const RasterInk& ink) {
    if (ink.Width <= 0 || target.Pixels == nullptr) return;
    if (target.Depth == 4) {
        DrawLine<QRgb>(target, x1, y1, x2, y2, ink.Width, ink.Pixel);
    } else if (ink.Index >= 0) {
        DrawLine<uint8_t>(target, x1, y1, x2, y2, ink.Width, static_cast<uint8_t>(ink.Index));
    } else if (QImage* img = BitmapImage(target.Bitmap)) {
        // A colour the palette cannot take: the bitmap becomes RGB32.
        PromoteToRgb32(img);
        RasterTarget wide;
        if (GetRasterTarget(target.Bitmap, &wide)) DrawLine<QRgb>(wide, x1, y1, x2, y2, ink.Width, ink.Pixel);
    }
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
    if (img->format() == QImage::Format_Indexed8) {
        const int pi = w > 0 ? PaletteIndex(penColour) : 0, bi = fill ? PaletteIndex(brushColour) : 0;
        if (pi >= 0 && bi >= 0) {
            DrawEllipse<uint8_t>(img, l, t, r, b, w, fill, static_cast<uint8_t>(pi), static_cast<uint8_t>(bi));
            return true;
        }
        PromoteToRgb32(img);
    }
    if (img->format() != QImage::Format_RGB32) *img = img->convertToFormat(QImage::Format_RGB32);
    DrawEllipse<QRgb>(img, l, t, r, b, w, fill, penColour, brushColour);
    return true;
}

Hbitmap CreateFilledBitmap(int32_t width, int32_t height, ColourRef colour) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return 0;
    const int index = PaletteIndex(ToRgb(colour));
    QImage image = PooledImage(width, height, index >= 0 ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (image.isNull()) return 0;
    image.fill(index >= 0 ? static_cast<uint>(index) : ToRgb(colour));
    return AdoptBitmapImage(std::move(image));
}

int32_t PenWidth(Hpen pen) {
    GdiObject* p = FindObject(pen);
    if (p == nullptr || p->Kind != GdiKind::Pen || p->PenStyle == kPenNull) return 0;
    return p->Width;
}

bool FillBitmap(Hbitmap bitmap, ColourRef colour) {
    QImage* img = BitmapImage(bitmap);
    if (img == nullptr) return false;
    if (img->format() == QImage::Format_Indexed8) {
        const int index = PaletteIndex(ToRgb(colour));
        if (index >= 0) {
            img->fill(static_cast<uint>(index));
            return true;
        }
        PromoteToRgb32(img);
    }
    img->fill(ToRgb(colour));
    return true;
}

ColourRef GetBitmapPixel(Hbitmap bitmap, int32_t x, int32_t y) {
    QImage* img = BitmapImage(bitmap);
    if (img == nullptr || x < 0 || y < 0 || x >= img->width() || y >= img->height()) return 0xFFFFFFFF;
    if (img->format() == QImage::Format_Indexed8) return FromRgb(g_palette[img->constScanLine(y)[x]]);
    return FromRgb(reinterpret_cast<const QRgb*>(img->constScanLine(y))[x]);
}

}  // namespace plat
