// API-READY
// Device contexts and drawing objects: pens, brushes, fonts, bitmaps.
//
// A device context draws at once into a window's backing image (GetDC, from
// any handler) or into a bitmap (a memory context); the window is repainted on
// screen afterwards. Pixel rules, without antialiasing:
//   - lines leave out their end pixel (LineTo, Polyline);
//   - Rectangle and Ellipse take corners in either order and cover the pixels
//     from left to right - 1 and top to bottom - 1; the pen draws the outline
//     inside those bounds, the brush fills what is inside the outline;
//   - FillRect covers left..right-1, top..bottom-1;
//   - text is placed by the top of its character cell.
// Window thread only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/window.h"

namespace plat {

// Pen styles
constexpr int kPenSolid = 0;
constexpr int kPenDash = 1;
constexpr int kPenDot = 2;
constexpr int kPenNull = 5;

// Stock objects
constexpr int kWhiteBrush = 0;
constexpr int kLightGreyBrush = 1;
constexpr int kGreyBrush = 2;
constexpr int kDarkGreyBrush = 3;
constexpr int kBlackBrush = 4;
constexpr int kNullBrush = 5;
constexpr int kWhitePen = 6;
constexpr int kBlackPen = 7;
constexpr int kNullPen = 8;
constexpr int kSystemFont = 13;      // the default font of a window context: cell height 16
constexpr int kDefaultGuiFont = 17;

// Background modes
constexpr int kTransparent = 1;
constexpr int kOpaque = 2;

// Block transfer operations (dest = f(dest, src))
constexpr uint32_t kSrcCopy = 0x00CC0020;
constexpr uint32_t kSrcPaint = 0x00EE0086;   // dest | src
constexpr uint32_t kSrcAnd = 0x008800C6;     // dest & src
constexpr uint32_t kSrcInvert = 0x00660046;  // dest ^ src
constexpr uint32_t kPatCopy = 0x00F00021;    // the selected brush
constexpr uint32_t kBlackness = 0x00000042;
constexpr uint32_t kWhiteness = 0x00FF0062;

// ExtTextOut options
constexpr uint32_t kTextOpaque = 0x0002;   // fill the rectangle with the background colour
constexpr uint32_t kTextClipped = 0x0004;  // clip the text to the rectangle

// DrawText formats
constexpr uint32_t kDrawTextLeft = 0x0000;
constexpr uint32_t kDrawTextCenter = 0x0001;
constexpr uint32_t kDrawTextRight = 0x0002;
constexpr uint32_t kDrawTextVCenter = 0x0004;
constexpr uint32_t kDrawTextBottom = 0x0008;
constexpr uint32_t kDrawTextSingleLine = 0x0020;
constexpr uint32_t kDrawTextNoClip = 0x0100;
constexpr uint32_t kDrawTextCalcRect = 0x0400;
constexpr uint32_t kDrawTextNoPrefix = 0x0800;  // otherwise "&x" underlines x and "&&" is "&"
// A line wider than the rectangle is cut so that it ends in "\u2026" inside
// it, never cut clean by the clip (trailing blanks are not counted).
constexpr uint32_t kDrawTextEndEllipsis = 0x8000;

// Font weights
constexpr int kWeightLight = 300;
constexpr int kWeightNormal = 400;
constexpr int kWeightSemiBold = 600;
constexpr int kWeightBold = 700;

struct TextMetrics {
    int32_t Height = 0;            // cell height = Ascent + Descent
    int32_t Ascent = 0;
    int32_t Descent = 0;
    int32_t InternalLeading = 0;
    int32_t ExternalLeading = 0;
    int32_t AverageCharWidth = 0;  // of "x"
    int32_t MaxCharWidth = 0;
    int32_t Weight = 0;
};

struct PaintInfo {
    Hdc Dc = 0;
    bool Erase = false;  // the background still needs erasing (the class has none)
    Rect Paint;          // bounding box of the region being painted
};

// ---------------------------------------------------------------------------
// Objects

Hpen CreatePen(int style, int32_t width, ColourRef colour);  // width 0 = 1 pixel
Hbrush CreateSolidBrush(ColourRef colour);
// `height` is the character cell height in pixels (ascent + descent);
// "Microsoft Sans Serif" and "MS Sans Serif" map to "Liberation Sans".
Hfont CreateFont(int32_t height, int32_t weight, const char16_t* face, bool italic = false,
                 bool underline = false);
// A face for short codes (line names) that must show whole, and legible, in
// a box too narrow for the text fonts: Terminus, a fixed-width face drawn for
// the screen, 6 pixels a character at its smallest cell of 12 pixels, every
// letter apart and digits as high as capitals (from fonts-terminus-otb).
// `height` is the cell height (12, 14, 16 ... pixels). Where Terminus is not
// installed, the sans serif at `height`.
Hfont CreateCondensedFont(int32_t height, int32_t weight);
Hgdi GetStockObject(int which);
// Deleting a stock object does nothing; an object selected into a context is
// deleted when it is deselected. False for an unknown handle.
bool DeleteObject(Hgdi object);
ColourRef BrushColour(Hbrush brush);  // 0 for a null or unknown brush
bool GetBitmapSize(Hbitmap bitmap, Size* out);

// ---------------------------------------------------------------------------
// Contexts

Hdc GetDC(Hwnd hwnd);                    // whole client area; release with ReleaseDC
bool ReleaseDC(Hwnd hwnd, Hdc dc);
Hdc BeginPaint(Hwnd hwnd, PaintInfo* info);  // clipped to the invalid region, which becomes valid
bool EndPaint(Hwnd hwnd, const PaintInfo* info);
// A memory context holding a 1 x 1 bitmap until one is selected; `like` may be 0.
Hdc CreateCompatibleDC(Hdc like);
bool DeleteDC(Hdc dc);
// A w x h bitmap (black) in the colour format of the windows.
Hbitmap CreateCompatibleBitmap(Hdc like, int32_t width, int32_t height);

// Selects a pen, brush, font or bitmap; returns the object it replaces of the
// same kind, 0 on failure.
Hgdi SelectObject(Hdc dc, Hgdi object);

ColourRef SetTextColour(Hdc dc, ColourRef colour);  // returns the previous one
ColourRef GetTextColour(Hdc dc);
ColourRef SetBackgroundColour(Hdc dc, ColourRef colour);
ColourRef GetBackgroundColour(Hdc dc);
int SetBackgroundMode(Hdc dc, int mode);  // kTransparent / kOpaque; returns the previous
int GetBackgroundMode(Hdc dc);

// Restricts drawing further to `rect` (context coordinates).
bool IntersectClipRect(Hdc dc, const Rect& rect);

// ---------------------------------------------------------------------------
// Drawing

bool MoveTo(Hdc dc, int32_t x, int32_t y, Point* previous = nullptr);
bool LineTo(Hdc dc, int32_t x, int32_t y);  // from the current position; end pixel left out
bool Polyline(Hdc dc, const Point* points, size_t count);
bool Rectangle(Hdc dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
bool Ellipse(Hdc dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
bool FillRect(Hdc dc, const Rect& rect, Hbrush brush);
bool FrameRect(Hdc dc, const Rect& rect, Hbrush brush);  // one-pixel frame inside rect
bool DrawFocusRect(Hdc dc, const Rect& rect);            // dotted, inverting; drawn twice it disappears
bool PatBlt(Hdc dc, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t operation);
ColourRef SetPixel(Hdc dc, int32_t x, int32_t y, ColourRef colour);
ColourRef GetPixel(Hdc dc, int32_t x, int32_t y);  // 0xFFFFFFFF outside

// dest (x, y, w, h) = op(dest, src at (sx, sy)). Works between any contexts,
// also within one (overlapping blocks are copied as if through a buffer).
bool BitBlt(Hdc dest, int32_t x, int32_t y, int32_t width, int32_t height, Hdc source, int32_t sx,
            int32_t sy, uint32_t operation);

// Text: `length` -1 = up to the terminator.
bool TextOut(Hdc dc, int32_t x, int32_t y, const char16_t* text, int32_t length = -1);
bool ExtTextOut(Hdc dc, int32_t x, int32_t y, uint32_t options, const Rect* rect, const char16_t* text,
                int32_t length = -1);
// Returns the height of the text drawn (with kDrawTextCalcRect: measures only
// and sets rect's right and bottom).
int32_t DrawText(Hdc dc, const char16_t* text, int32_t length, Rect* rect, uint32_t format);
bool GetTextExtent(Hdc dc, const char16_t* text, int32_t length, Size* out);
bool GetTextMetrics(Hdc dc, TextMetrics* out);
// A value in the first of `count` fonts (widest first) in which its letters
// (trailing blanks aside) fit the rectangle's width; when none does, in the
// last one, ending in an ellipsis. Drawn clipped to `rect`, at its left, on
// the baseline the first font has at its top, so a narrower face keeps the
// line of its neighbours. Null fonts are passed over. Leaves the font used
// selected and returns it (0 when nothing was drawn).
Hfont DrawTextInFirstFit(Hdc dc, const char16_t* text, const Rect& rect, const Hfont* fonts, size_t count);

// ---------------------------------------------------------------------------
// Rasteriser for bitmaps (map tiles): no painter, no context, clipped to the
// bitmap before the first pixel is worked out, so a line far longer than the
// bitmap costs no more than one across it. The pixels do not depend on where
// the bitmap lies: the same drawing moved by whole pixels gives the same
// pixels moved, so a drawing split over bitmaps side by side (each given the
// coordinates in its own frame) stitches into the drawing on one big bitmap.

// A bitmap's pixels and a pen's colour and width, looked up once for the
// many short lines of a map drawing. A target stays valid while its bitmap
// exists and is drawn into only through the rasteriser and FillBitmap.
// A target stays valid until its bitmap is deleted or BitmapPixelMoves()
// changes (an 8-bit bitmap turned RGB32 for a colour its palette lacks).
struct RasterTarget {
    Hbitmap Bitmap = 0;
    void* Pixels = nullptr;  // Depth 4: 0xAARRGGBB words; 1: palette indices
    int64_t Stride = 0;      // pixels per row
    int32_t Width = 0, Height = 0;
    int32_t Depth = 0;       // bytes per pixel
};
struct RasterInk {
    uint32_t Pixel = 0;      // the colour as an RGB32 word
    int32_t Index = -1;      // its palette index (-1: none, the palette is full)
    int32_t Width = 0;       // 0: a null pen, draws nothing
};
bool GetRasterTarget(Hbitmap bitmap, RasterTarget* out);
bool GetRasterInk(Hpen pen, RasterInk* out);
uint64_t BitmapPixelMoves();
// RasterLine on a target looked up before; the same pixels.
void RasterLineOn(const RasterTarget& target, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const RasterInk& ink);

// A line from (x1, y1) to (x2, y2), end pixel left out, in the pen's colour.
// A pen of width w stamps a w x w square at each pixel of the one-pixel line,
// from -(w - 1) / 2 to w / 2 around it (width 2: the pixel and its east,
// south and south-east neighbours), so sloping wide lines have no gaps. A
// null pen draws nothing. False for an unknown bitmap or pen.
bool RasterLine(Hbitmap bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Hpen pen);
// The ellipse of Ellipse (same pixels: box corners in either order, right
// and bottom left out, outline of the pen's width inside, brush inside that).
bool RasterEllipse(Hbitmap bitmap, int32_t left, int32_t top, int32_t right, int32_t bottom, Hpen pen,
                   Hbrush brush);
// A w x h bitmap filled with `colour` (a new map tile); 0 when it cannot be
// made. Its pixels are palette indices, one byte each (an RGB32 bitmap once
// the palette is full); every operation on it gives the pixels an RGB32
// bitmap would hold, and a context drawing into it makes it RGB32.
Hbitmap CreateFilledBitmap(int32_t width, int32_t height, ColourRef colour);
// The width of a pen in pixels; 0 for a null pen or an unknown handle.
int32_t PenWidth(Hpen pen);
// Every pixel of the bitmap in `colour`.
bool FillBitmap(Hbitmap bitmap, ColourRef colour);
// The colour of a pixel; 0xFFFFFFFF outside the bitmap or for an unknown one.
ColourRef GetBitmapPixel(Hbitmap bitmap, int32_t x, int32_t y);

// The pixel memory that CreateFilledBitmap's bitmaps hold: chunks mapped
// from the system for them and the bitmaps in them. Chunks hold bitmaps of
// one size; a chunk is given back to the system when its last bitmap is
// deleted. Disabled (all zero) where bitmaps use the general heap.
struct PixelPoolFigures {
    bool Enabled = false;
    int Chunks = 0;
    int64_t MappedBytes = 0;
    int Bitmaps = 0;
};
PixelPoolFigures GetPixelPoolFigures();

// ---------------------------------------------------------------------------
// Test hooks
namespace test {

// A text as drawn into a window or bitmap, after any ellipsis.
struct DrawnText {
    Hwnd Window = 0;        // the window whose image it went to; 0 for a bitmap
    std::u16string Text;
    Hfont Font = 0;         // as selected (0: the context's default font)
    Rect Cell;              // (x, y) to (x + advance, y + cell height)
    int32_t Ascent = 0;
    bool Clipped = false;   // drawn clipped to Clip
    Rect Clip;
};
// On: every text drawn from now on is recorded (an empty record to start).
void RecordDrawnTexts(bool on);
std::vector<DrawnText> DrawnTexts();

}  // namespace test
}  // namespace plat
