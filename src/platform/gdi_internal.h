// Internal records of drawing objects and device contexts.
#pragma once
#include <QFont>
#include <QImage>
#include <QRegion>
#include <vector>

#include "platform/dc.h"

namespace plat::detail {

enum class GdiKind { Pen, Brush, Font, Bitmap };

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
// A private 1 x 1 bitmap for a new memory context.
Hbitmap CreatePrivateBitmap();

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
QImage* TargetImage(DcRecord* dc);
// The rectangles drawing may touch: the image bounds within the clip.
std::vector<QRect> ClipRects(DcRecord* dc, QImage* image);
QRegion ClipRegion(DcRecord* dc, QImage* image);
// Shows a change of a window context on screen.
void Touched(DcRecord* dc, const QRect& area);

}  // namespace plat::detail
