// Internal records of drawing objects and device contexts.
#pragma once
#include <QFont>
#include <QImage>
#include <QRegion>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/dc.h"

// Pixel loops over bitmap images. Images are touched by the window thread
// alone, and the race detector's per-pixel bookkeeping would make a map
// redraw a hundred times slower in the threaded tests; it checks everything
// around these loops as before.
#if defined(__SANITIZE_THREAD__)
#define OSTRIMA_PIXEL_LOOP __attribute__((no_sanitize("thread")))
#else
#define OSTRIMA_PIXEL_LOOP
#endif

namespace plat::detail {

enum class GdiKind { Pen, Brush, Font, Bitmap };

// Drawing coordinates come from the system's arithmetic on readings and
// positions, so they may lie anywhere in the 32-bit range. Before they meet
// any width, height or loop they are pulled in to this bound, far outside
// every image (at most 16384 pixels), so that no sum overflows and no loop
// walks billions of pixels nobody sees. What lands inside an image is unchanged.
constexpr int64_t kCoordLimit = int64_t{1} << 24;
inline int32_t ClampCoord(int64_t v) { return static_cast<int32_t>(std::clamp(v, -kCoordLimit, kCoordLimit)); }
// The box from (l, t) to (r, b), right and bottom excluded, corners clamped;
// empty when r <= l or b <= t.
inline QRect BoxOf(int64_t l, int64_t t, int64_t r, int64_t b) {
    const int32_t x0 = ClampCoord(l), y0 = ClampCoord(t), x1 = ClampCoord(r), y1 = ClampCoord(b);
    if (x1 <= x0 || y1 <= y0) return QRect();
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

struct GdiObject {
    GdiKind Kind = GdiKind::Pen;
    bool Stock = false;
    int SelectedCount = 0;       // contexts holding it
    bool DeletePending = false;  // deleted while selected: goes when deselected
    // pens and brushes
    int PenStyle = kPenSolid;    // kPenNull for a null pen
    int32_t Width = 1;
    ColourRef Colour = 0;
    bool NullBrush = false;
    // fonts
    int32_t RequestedHeight = 16;
    int32_t Weight = kWeightNormal;
    bool Italic = false;
    bool Underline = false;
    QString Family;
    bool Resolved = false;       // pixel size chosen and metrics measured (needs the application)
    QFont Font;
    TextMetrics Metrics;
    // bitmaps
    QImage Image;
};

GdiObject* FindObject(Hgdi h);
// A font ready for drawing and measuring (the system font for 0 / unknown).
GdiObject* ResolvedFont(Hfont h);
Hfont SystemFont();
void Unselect(Hgdi h);  // a context let go of the object
void Select(Hgdi h);
// A bitmap object holding `image` (RGB32).
Hbitmap AdoptBitmapImage(QImage image);
// A private 1 x 1 bitmap for a new memory context.
Hbitmap CreatePrivateBitmap();
// An image (RGB32 or Indexed8) whose pixels come from the tile pool
// (pixel_pool.cpp): given back to the system when the last bitmap of its
// chunk goes. The pixels are not set.
QImage PooledImage(int32_t width, int32_t height, QImage::Format format);

// The palette of the 8-bit bitmaps: a map tile's pixels are indices into
// this one table, a quarter of the memory and of the filling of RGB32 words.
// A colour gets an entry the first time a tile is filled or drawn with it,
// and an entry never changes, so an index once handed out stays right.
// -1 when all 256 entries are taken.
int PaletteIndex(QRgb colour);
QRgb PaletteColour(uint8_t index);
// An Indexed8 image turned into RGB32 of the same colours: for a colour the
// palette cannot take, or a context drawing into the bitmap. Its pixels move
// (BitmapPixelMoves counts it).
void PromoteToRgb32(QImage* image);

enum class DcTarget { None, Window, Bitmap, Image };

struct DcRecord {
    DcTarget Target = DcTarget::None;
    Hwnd Window = 0;
    QImage* External = nullptr;
    bool HasClip = false;
    QRegion Clip;               // target coordinates
    Hpen Pen = 0;
    Hbrush Brush = 0;
    Hfont Font = 0;
    Hbitmap Bitmap = 0;         // memory contexts
    Hbitmap OwnBitmap = 0;      // the private 1 x 1 bitmap of a memory context
    ColourRef TextColour = 0x000000;
    ColourRef BackColour = 0xFFFFFF;
    int BackMode = kOpaque;
    Point Position;
};

DcRecord* FindDc(Hdc dc);
// The image a context draws into; an 8-bit bitmap becomes RGB32 first.
QImage* TargetImage(DcRecord* dc);
// The image a block transfer reads, as it is (8-bit bitmaps stay so).
QImage* SourceImage(DcRecord* dc);
// The rectangles drawing may touch: the image bounds within the clip.
std::vector<QRect> ClipRects(DcRecord* dc, QImage* image);
QRegion ClipRegion(DcRecord* dc, QImage* image);
// The pixels of row y whose centres lie inside the ellipse inscribed in the
// box [l, r) x [t, b); false when the row has none.
bool EllipseSpan(double l, double t, double r, double b, int y, int* x0, int* x1);

// Shows a change of a window context on screen.
void Touched(DcRecord* dc, const QRect& area);

}  // namespace plat::detail
