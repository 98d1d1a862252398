// Device contexts: targets, state, selection, clipping, fills and block
// transfers. Lines, shapes and text are in draw.cpp.
#include "platform/dc.h"

#include <QPainter>
#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "platform/gdi_internal.h"
#include "platform/qt_internal.h"
#include "platform/window_internal.h"

namespace plat {
namespace detail {
namespace {

std::unordered_map<Hdc, std::unique_ptr<DcRecord>> g_dcs;
Hdc g_nextDc = 0;

Hdc AddDc(std::unique_ptr<DcRecord> dc) {
    dc->Pen = GetStockObject(kBlackPen);
    dc->Brush = GetStockObject(kWhiteBrush);
    dc->Font = SystemFont();
    Select(dc->Pen);
    Select(dc->Brush);
    Select(dc->Font);
    const Hdc h = ++g_nextDc;
    g_dcs.emplace(h, std::move(dc));
    return h;
}

void DropDc(Hdc h) {
    auto it = g_dcs.find(h);
    if (it == g_dcs.end()) return;
    std::unique_ptr<DcRecord> dc = std::move(it->second);
    g_dcs.erase(it);
    Unselect(dc->Pen);
    Unselect(dc->Brush);
    Unselect(dc->Font);
    if (dc->Bitmap != 0) Unselect(dc->Bitmap);
    if (dc->OwnBitmap != 0) DeleteObject(dc->OwnBitmap);
}

}  // namespace

DcRecord* FindDc(Hdc dc) {
    auto it = g_dcs.find(dc);
    return it == g_dcs.end() ? nullptr : it->second.get();
}

QImage* TargetImage(DcRecord* dc) {
    QImage* image = SourceImage(dc);
    if (image != nullptr && image->format() == QImage::Format_Indexed8) PromoteToRgb32(image);
    return image;
}

QImage* SourceImage(DcRecord* dc) {
    switch (dc->Target) {
        case DcTarget::Window: {
            WindowRecord* rec = Find(dc->Window);
            return rec != nullptr && rec->Kind == ControlKind::Canvas ? &rec->Image : nullptr;
        }
        case DcTarget::Bitmap: {
            GdiObject* o = FindObject(dc->Bitmap);
            return o != nullptr && o->Kind == GdiKind::Bitmap ? &o->Image : nullptr;
        }
        case DcTarget::Image:
            return dc->External;
        case DcTarget::None:
            break;
    }
    return nullptr;
}

QRegion ClipRegion(DcRecord* dc, QImage* image) {
    QRegion r(image->rect());
    if (dc->HasClip) r &= dc->Clip;
    return r;
}

std::vector<QRect> ClipRects(DcRecord* dc, QImage* image) {
    if (!dc->HasClip) return {image->rect()};
    const QRegion r = ClipRegion(dc, image);
    return std::vector<QRect>(r.begin(), r.end());
}

void Touched(DcRecord* dc, const QRect& area) {
    if (dc->Target == DcTarget::Window) RequestScreenUpdate(dc->Window, area);
}

Hdc CreateWindowDC(Hwnd hwnd, const QRegion* clip) {
    auto dc = std::make_unique<DcRecord>();
    dc->Target = DcTarget::Window;
    dc->Window = hwnd;
    if (clip != nullptr) {
        dc->HasClip = true;
        dc->Clip = *clip;
    }
    return AddDc(std::move(dc));
}

void ForgetWindowDCs(Hwnd hwnd) {
    for (auto& kv : g_dcs)
        if (kv.second->Target == DcTarget::Window && kv.second->Window == hwnd) kv.second->Target = DcTarget::None;
}

void FillRegionWithBrush(Hdc h, const QRegion& region, Hbrush brush) {
    DcRecord* dc = FindDc(h);
    GdiObject* b = FindObject(brush);
    if (dc == nullptr || b == nullptr || b->Kind != GdiKind::Brush || b->NullBrush) return;
    QImage* img = TargetImage(dc);
    if (img == nullptr) return;
    const QRegion area = ClipRegion(dc, img) & region;
    const QRgb c = ToRgb(b->Colour);
    for (const QRect& r : area) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img->scanLine(y));
            std::fill(line + r.left(), line + r.right() + 1, c);
        }
    }
    Touched(dc, area.boundingRect());
}

}  // namespace detail

using namespace detail;

// ---------------------------------------------------------------------------
// Contexts

Hdc GetDC(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || rec->Kind != ControlKind::Canvas) return 0;
    return CreateWindowDC(hwnd, nullptr);
}

bool ReleaseDC(Hwnd, Hdc dc) {
    if (FindDc(dc) == nullptr) return false;
    DropDc(dc);
    return true;
}

Hdc BeginPaint(Hwnd hwnd, PaintInfo* info) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || rec->Kind != ControlKind::Canvas) return 0;
    ++rec->BeginPaintCount;
    const QRegion area = rec->Invalid;
    const bool erase = rec->EraseNeeded;
    rec->Invalid = QRegion();
    rec->EraseNeeded = false;
    const Hdc dc = CreateWindowDC(hwnd, &area);
    bool stillToErase = false;
    if (erase) stillToErase = CallProc(hwnd, kMsgEraseBackground, static_cast<WParam>(dc), 0) == 0;
    if (info != nullptr) {
        info->Dc = dc;
        info->Erase = stillToErase;
        const QRect b = area.boundingRect();
        info->Paint = Rect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    }
    return dc;
}

bool EndPaint(Hwnd hwnd, const PaintInfo* info) {
    if (info == nullptr) return false;
    RequestScreenUpdate(hwnd, BoxOf(info->Paint.Left, info->Paint.Top, info->Paint.Right, info->Paint.Bottom));
    return ReleaseDC(hwnd, info->Dc);
}

Hdc CreateCompatibleDC(Hdc) {
    auto dc = std::make_unique<DcRecord>();
    dc->Target = DcTarget::Bitmap;
    dc->OwnBitmap = CreatePrivateBitmap();
    dc->Bitmap = dc->OwnBitmap;
    Select(dc->Bitmap);
    return AddDc(std::move(dc));
}

Hdc CreateImageDC(QImage* image) {
    if (image == nullptr) return 0;
    auto dc = std::make_unique<DcRecord>();
    dc->Target = DcTarget::Image;
    dc->External = image;
    return AddDc(std::move(dc));
}

bool DeleteDC(Hdc dc) {
    if (FindDc(dc) == nullptr) return false;
    DropDc(dc);
    return true;
}

Hgdi SelectObject(Hdc h, Hgdi object) {
    DcRecord* dc = FindDc(h);
    GdiObject* o = FindObject(object);
    if (dc == nullptr || o == nullptr || o->DeletePending) return 0;
    Hgdi* slot = nullptr;
    switch (o->Kind) {
        case GdiKind::Pen: slot = &dc->Pen; break;
        case GdiKind::Brush: slot = &dc->Brush; break;
        case GdiKind::Font: slot = &dc->Font; break;
        case GdiKind::Bitmap:
            if (dc->Target != DcTarget::Bitmap) return 0;  // only memory contexts hold bitmaps
            if (o->SelectedCount > 0 && dc->Bitmap != object) return 0;  // one context at a time
            slot = &dc->Bitmap;
            break;
    }
    const Hgdi previous = *slot;
    if (previous == object) return previous;
    Select(object);
    *slot = object;
    Unselect(previous);
    return previous;
}

ColourRef SetTextColour(Hdc h, ColourRef colour) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr) return 0xFFFFFFFF;
    const ColourRef old = dc->TextColour;
    dc->TextColour = colour & 0xFFFFFF;
    return old;
}

ColourRef GetTextColour(Hdc h) {
    DcRecord* dc = FindDc(h);
    return dc != nullptr ? dc->TextColour : 0xFFFFFFFF;
}

ColourRef SetBackgroundColour(Hdc h, ColourRef colour) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr) return 0xFFFFFFFF;
    const ColourRef old = dc->BackColour;
    dc->BackColour = colour & 0xFFFFFF;
    return old;
}

ColourRef GetBackgroundColour(Hdc h) {
    DcRecord* dc = FindDc(h);
    return dc != nullptr ? dc->BackColour : 0xFFFFFFFF;
}

int SetBackgroundMode(Hdc h, int mode) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr || (mode != kTransparent && mode != kOpaque)) return 0;
    const int old = dc->BackMode;
    dc->BackMode = mode;
    return old;
}

int GetBackgroundMode(Hdc h) {
    DcRecord* dc = FindDc(h);
    return dc != nullptr ? dc->BackMode : 0;
}

bool IntersectClipRect(Hdc h, const Rect& rect) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr) return false;
    const QRect r = BoxOf(rect.Left, rect.Top, rect.Right, rect.Bottom);
    if (dc->HasClip) {
        dc->Clip &= r;
    } else {
        dc->Clip = QRegion(r);
        dc->HasClip = true;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Fills and pixels

bool FillRect(Hdc dc, const Rect& rect, Hbrush brush) {
    if (FindDc(dc) == nullptr) return false;
    const QRect box = BoxOf(rect.Left, rect.Top, rect.Right, rect.Bottom);
    if (!box.isEmpty()) FillRegionWithBrush(dc, QRegion(box), brush);
    return true;
}

bool FrameRect(Hdc dc, const Rect& rect, Hbrush brush) {
    if (FindDc(dc) == nullptr) return false;
    const QRect box = BoxOf(rect.Left, rect.Top, rect.Right, rect.Bottom);
    if (box.isEmpty()) return true;
    QRegion frame(box);
    if (box.width() > 2 && box.height() > 2) frame -= QRegion(box.adjusted(1, 1, -1, -1));
    FillRegionWithBrush(dc, frame, brush);
    return true;
}

bool DrawFocusRect(Hdc h, const Rect& rect) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr) return false;
    QImage* img = TargetImage(dc);
    if (img == nullptr) return true;
    const QRegion clip = ClipRegion(dc, img);
    auto invert = [&](int x, int y) {
        if (((x + y) & 1) != 0 || !clip.contains(QPoint(x, y))) return;
        auto* p = reinterpret_cast<QRgb*>(img->scanLine(y)) + x;
        *p = (*p ^ 0x00FFFFFFu) | 0xFF000000u;
    };
    if (int64_t{rect.Right} <= rect.Left || int64_t{rect.Bottom} <= rect.Top) return true;
    // Edges beyond the image are pulled in to just outside it: the pixels
    // that can be seen, and their dot pattern, stay the same.
    const auto near = [](int64_t v, int size) { return static_cast<int>(std::clamp<int64_t>(v, -2, int64_t{size} + 1)); };
    const int l = near(rect.Left, img->width()), t = near(rect.Top, img->height());
    const int r = near(int64_t{rect.Right} - 1, img->width()), b = near(int64_t{rect.Bottom} - 1, img->height());
    for (int x = l; x <= r; ++x) {
        invert(x, t);
        if (b != t) invert(x, b);
    }
    for (int y = t + 1; y < b; ++y) {
        invert(l, y);
        if (r != l) invert(r, y);
    }
    Touched(dc, QRect(l, t, r - l + 1, b - t + 1));
    return true;
}

bool PatBlt(Hdc h, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t operation) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr) return false;
    // A negative extent reaches back from (x, y).
    const int64_t x0 = std::min<int64_t>(x, int64_t{x} + width), x1 = std::max<int64_t>(x, int64_t{x} + width);
    const int64_t y0 = std::min<int64_t>(y, int64_t{y} + height), y1 = std::max<int64_t>(y, int64_t{y} + height);
    QImage* img = TargetImage(dc);
    const QRect box = BoxOf(x0, y0, x1, y1);
    if (img == nullptr || box.isEmpty()) return true;
    const QRegion area = ClipRegion(dc, img) & box;
    QRgb fill = 0;
    bool invert = false;
    switch (operation) {
        case kWhiteness: fill = ToRgb(0xFFFFFF); break;
        case kBlackness: fill = ToRgb(0x000000); break;
        case kPatCopy: {
            GdiObject* b = FindObject(dc->Brush);
            if (b == nullptr || b->NullBrush) return true;
            fill = ToRgb(b->Colour);
            break;
        }
        case 0x00550009:  // destination inverted
            invert = true;
            break;
        default:
            return false;
    }
    for (const QRect& r : area) {
        for (int yy = r.top(); yy <= r.bottom(); ++yy) {
            auto* line = reinterpret_cast<QRgb*>(img->scanLine(yy));
            for (int xx = r.left(); xx <= r.right(); ++xx) line[xx] = invert ? ((line[xx] ^ 0x00FFFFFFu) | 0xFF000000u) : fill;
        }
    }
    Touched(dc, area.boundingRect());
    return true;
}

ColourRef SetPixel(Hdc h, int32_t x, int32_t y, ColourRef colour) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr) return 0xFFFFFFFF;
    QImage* img = TargetImage(dc);
    if (img == nullptr || !img->rect().contains(x, y)) return 0xFFFFFFFF;
    if (dc->HasClip && !dc->Clip.contains(QPoint(x, y))) return 0xFFFFFFFF;
    reinterpret_cast<QRgb*>(img->scanLine(y))[x] = ToRgb(colour);
    Touched(dc, QRect(x, y, 1, 1));
    return colour & 0xFFFFFF;
}

ColourRef GetPixel(Hdc h, int32_t x, int32_t y) {
    DcRecord* dc = FindDc(h);
    if (dc == nullptr) return 0xFFFFFFFF;
    QImage* img = TargetImage(dc);
    if (img == nullptr || !img->rect().contains(x, y)) return 0xFFFFFFFF;
    return FromRgb(reinterpret_cast<const QRgb*>(img->constScanLine(y))[x]);
}

// ---------------------------------------------------------------------------
// Block transfer

namespace {

// One loop per operation: the map composes whole windows this way.
OSTRIMA_PIXEL_LOOP void CombineRow(uint32_t operation, bool opaqueSource, QRgb* dl, const QRgb* sl, int n) {
    switch (operation) {
        case kSrcCopy:
            if (opaqueSource) {
                std::memcpy(dl, sl, sizeof(QRgb) * static_cast<size_t>(n));
            } else {
                for (int x = 0; x < n; ++x) dl[x] = sl[x] | 0xFF000000u;
            }
            break;
        case kSrcAnd:
            for (int x = 0; x < n; ++x) dl[x] = dl[x] & (sl[x] | 0xFF000000u);
            break;
        case kSrcPaint:
            for (int x = 0; x < n; ++x) dl[x] = dl[x] | sl[x] | 0xFF000000u;
            break;
        default:
            for (int x = 0; x < n; ++x) dl[x] = (dl[x] ^ (sl[x] | 0xFF000000u)) | 0xFF000000u;
            break;
    }
}

// The same from an 8-bit bitmap (a map tile): each pixel its palette colour.
// Most of a tile is white: eight white pixels at a time are copied as such,
// or left out of an AND, without looking them up (`white` is the white
// index repeated in every byte; `hasWhite` false when the palette has none).
OSTRIMA_PIXEL_LOOP void CombineIndexedRow(uint32_t operation, const QRgb* palette, bool hasWhite, uint64_t white,
                                          QRgb* dl, const uint8_t* sl, int n) {
    int x = 0;
    switch (operation) {
        case kSrcCopy:
            for (; hasWhite && x + 8 <= n; x += 8) {
                uint64_t eight;
                std::memcpy(&eight, sl + x, sizeof eight);
                if (eight == white) {
                    std::fill(dl + x, dl + x + 8, 0xFFFFFFFFu);
                } else {
                    for (int i = x; i < x + 8; ++i) dl[i] = palette[sl[i]];
                }
            }
            for (; x < n; ++x) dl[x] = palette[sl[x]];
            break;
        case kSrcAnd:
            for (; hasWhite && x + 8 <= n; x += 8) {
                uint64_t eight;
                std::memcpy(&eight, sl + x, sizeof eight);
                if (eight != white)
                    for (int i = x; i < x + 8; ++i) dl[i] &= palette[sl[i]];
            }
            for (; x < n; ++x) dl[x] &= palette[sl[x]];
            break;
        case kSrcPaint:
            for (int x = 0; x < n; ++x) dl[x] |= palette[sl[x]];
            break;
        default:
            for (int x = 0; x < n; ++x) dl[x] = (dl[x] ^ palette[sl[x]]) | 0xFF000000u;
            break;
    }
}

// A copy within one image to the rectangle `to` from `to` moved by
// (offX, offY), done in place: rows are taken in the order that reads every
// source row before it is overwritten (from the top when the source lies
// below, from the bottom when it lies above), and each row moves with memmove,
// which allows the overlap within a row. What a scroll of a window costs is
// then one pass over the moved rows instead of a copy of the block and a
// second pass.
OSTRIMA_PIXEL_LOOP void ScrollWithinImage(QImage* image, const QRect& to, int offX, int offY) {
    uchar* bits = image->bits();  // detaches once; rows are addressed from it
    const qsizetype stride = image->bytesPerLine();
    const size_t bytes = sizeof(QRgb) * static_cast<size_t>(to.width());
    const auto row = [&](int y) {
        auto* dl = reinterpret_cast<QRgb*>(bits + stride * y) + to.left();
        const auto* sl = reinterpret_cast<const QRgb*>(bits + stride * (y + offY)) + to.left() + offX;
        std::memmove(dl, sl, bytes);
    };
    if (offY >= 0) {
        for (int y = to.top(); y <= to.bottom(); ++y) row(y);
    } else {
        for (int y = to.bottom(); y >= to.top(); --y) row(y);
    }
}

}  // namespace

bool BitBlt(Hdc dest, int32_t x, int32_t y, int32_t width, int32_t height, Hdc source, int32_t sx, int32_t sy,
            uint32_t operation) {
    DcRecord* d = FindDc(dest);
    if (d == nullptr) return false;
    if (operation == kWhiteness || operation == kBlackness || operation == kPatCopy || operation == 0x00550009)
        return PatBlt(dest, x, y, width, height, operation);
    if (operation != kSrcCopy && operation != kSrcAnd && operation != kSrcPaint && operation != kSrcInvert) return false;
    DcRecord* s = FindDc(source);
    if (s == nullptr) return false;
    QImage* dimg = TargetImage(d);
    QImage* simg = SourceImage(s);
    if (dimg == nullptr || simg == nullptr || width <= 0 || height <= 0) return true;
    // Only the pixels that exist in the source and land in the destination
    // are transferred; worked out in 64 bits, as far-off offsets may come.
    const int64_t shiftX = int64_t{x} - sx, shiftY = int64_t{y} - sy;
    const int64_t fx0 = std::max<int64_t>({sx, 0, -shiftX}), fy0 = std::max<int64_t>({sy, 0, -shiftY});
    const int64_t fx1 = std::min<int64_t>({int64_t{sx} + width, simg->width(), dimg->width() - shiftX});
    const int64_t fy1 = std::min<int64_t>({int64_t{sy} + height, simg->height(), dimg->height() - shiftY});
    if (fx1 <= fx0 || fy1 <= fy0) return true;
    QRect from(static_cast<int>(fx0), static_cast<int>(fy0), static_cast<int>(fx1 - fx0), static_cast<int>(fy1 - fy0));
    const QRect to = from.translated(static_cast<int>(shiftX), static_cast<int>(shiftY));
    if (simg == dimg && operation == kSrcCopy && dimg->format() == QImage::Format_RGB32) {
        const QRegion area = ClipRegion(d, dimg) & to;
        if (area.rectCount() == 1) {
            ScrollWithinImage(dimg, area.boundingRect(), from.left() - to.left(), from.top() - to.top());
            Touched(d, area.boundingRect());
            return true;
        }
    }
    QImage copy;
    const QImage* src = simg;
    if (simg == dimg) {  // within one image: read the whole block before writing
        copy = simg->copy(from);
        src = &copy;
        from.moveTo(0, 0);
    }
    const int offX = from.left() - to.left(), offY = from.top() - to.top();
    // RGB32 pixels always carry an opaque alpha: a copy is a plain copy.
    const bool opaqueSource = src->format() == QImage::Format_RGB32;
    const bool indexed = src->format() == QImage::Format_Indexed8;
    QRgb palette[256];
    uint64_t white = 0;
    bool hasWhite = false;
    if (indexed) {
        for (int i = 0; i < 256; ++i) palette[i] = PaletteColour(static_cast<uint8_t>(i)) | 0xFF000000u;
        const int w = PaletteIndex(0xFFFFFFFFu);
        hasWhite = w >= 0;
        if (hasWhite) white = uint64_t{0x0101010101010101} * static_cast<uint64_t>(w);
    }
    const QRegion area = ClipRegion(d, dimg) & to;
    for (const QRect& r : area) {
        for (int yy = r.top(); yy <= r.bottom(); ++yy) {
            auto* dl = reinterpret_cast<QRgb*>(dimg->scanLine(yy));
            if (indexed) {
                CombineIndexedRow(operation, palette, hasWhite, white, dl + r.left(), src->constScanLine(yy + offY) + r.left() + offX, r.width());
                continue;
            }
            const auto* sl = reinterpret_cast<const QRgb*>(src->constScanLine(yy + offY));
            CombineRow(operation, opaqueSource, dl + r.left(), sl + r.left() + offX, r.width());
        }
    }
    Touched(d, area.boundingRect());
    return true;
}

}  // namespace plat
