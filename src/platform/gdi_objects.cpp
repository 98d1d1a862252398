// Pens, brushes, fonts and bitmaps, and the conversions at the Qt edge.
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <algorithm>
#include <memory>
#include <unordered_map>

#include "platform/dc.h"
#include "platform/gdi_internal.h"
#include "platform/qt_internal.h"
#include "platform/window_internal.h"

namespace plat {
namespace detail {
namespace {

std::unordered_map<Hgdi, std::unique_ptr<GdiObject>> g_objects;
Hgdi g_nextObject = 0;
Hgdi g_stock[18] = {};

Hgdi AddObject(std::unique_ptr<GdiObject> obj) {
    const Hgdi h = ++g_nextObject;
    g_objects.emplace(h, std::move(obj));
    return h;
}

Hgdi MakeStockBrush(ColourRef c, bool null) {
    auto o = std::make_unique<GdiObject>();
    o->Kind = GdiKind::Brush;
    o->Stock = true;
    o->Colour = c;
    o->NullBrush = null;
    return AddObject(std::move(o));
}

Hgdi MakeStockPen(ColourRef c, int style) {
    auto o = std::make_unique<GdiObject>();
    o->Kind = GdiKind::Pen;
    o->Stock = true;
    o->Colour = c;
    o->PenStyle = style;
    return AddObject(std::move(o));
}

QString FamilyFor(const char16_t* face) {
    const QString f = face != nullptr ? ToQString(face).trimmed() : QString();
    const QString k = f.toLower();
    if (k.isEmpty() || k == "microsoft sans serif" || k == "ms sans serif" || k == "ms shell dlg" ||
        k == "ms shell dlg 2" || k == "tahoma" || k == "arial" || k == "segoe ui" || k == "system")
        return QStringLiteral("Liberation Sans");
    if (k == "courier new" || k == "courier" || k == "consolas" || k == "lucida console")
        return QStringLiteral("Liberation Mono");
    if (k == "times new roman" || k == "times") return QStringLiteral("Liberation Serif");
    return f;
}

Hgdi MakeFont(int32_t height, int32_t weight, const QString& family, bool italic, bool underline, bool stock) {
    auto o = std::make_unique<GdiObject>();
    o->Kind = GdiKind::Font;
    o->Stock = stock;
    o->RequestedHeight = height;
    o->Weight = weight <= 0 ? kWeightNormal : std::clamp(weight, 1, 1000);
    o->Italic = italic;
    o->Underline = underline;
    o->Family = family;
    return AddObject(std::move(o));
}

// Chooses the pixel size whose ascent + descent fits the requested cell height
// (a negative height asks for the character height itself, as pixel size).
void Resolve(GdiObject* o) {
    if (o->Resolved || QGuiApplication::instance() == nullptr) return;
    QFont f(o->Family);
    f.setWeight(static_cast<QFont::Weight>(o->Weight));
    f.setItalic(o->Italic);
    f.setUnderline(o->Underline);
    f.setStyleStrategy(static_cast<QFont::StyleStrategy>(QFont::NoAntialias | QFont::PreferMatch));
    f.setKerning(false);
    int32_t cell = o->RequestedHeight;
    if (cell == 0) cell = 16;
    int px = 1;
    if (cell < 0) {
        px = std::max(1, -cell);
        f.setPixelSize(px);
        QFontMetrics m(f);
        cell = m.ascent() + m.descent();
    } else {
        for (px = cell; px > 1; --px) {
            f.setPixelSize(px);
            QFontMetrics m(f);
            if (m.ascent() + m.descent() <= cell) break;
        }
        f.setPixelSize(px);
    }
    QFontMetrics m(f);
    o->Font = f;
    o->Metrics.Height = cell;
    o->Metrics.Ascent = std::min(m.ascent(), cell);
    o->Metrics.Descent = cell - o->Metrics.Ascent;
    o->Metrics.InternalLeading = std::max(0, cell - px);
    o->Metrics.ExternalLeading = 0;
    o->Metrics.AverageCharWidth = m.horizontalAdvance(QLatin1Char('x'));
    o->Metrics.MaxCharWidth = m.maxWidth();
    o->Metrics.Weight = o->Weight;
    o->Resolved = true;
}

void EnsureStock() {
    if (g_stock[kWhiteBrush] != 0) return;
    g_stock[kWhiteBrush] = MakeStockBrush(0xFFFFFF, false);
    g_stock[kLightGreyBrush] = MakeStockBrush(0xC0C0C0, false);
    g_stock[kGreyBrush] = MakeStockBrush(0x808080, false);
    g_stock[kDarkGreyBrush] = MakeStockBrush(0x404040, false);
    g_stock[kBlackBrush] = MakeStockBrush(0x000000, false);
    g_stock[kNullBrush] = MakeStockBrush(0x000000, true);
    g_stock[kWhitePen] = MakeStockPen(0xFFFFFF, kPenSolid);
    g_stock[kBlackPen] = MakeStockPen(0x000000, kPenSolid);
    g_stock[kNullPen] = MakeStockPen(0x000000, kPenNull);
    // The default font of a window context: a bold sans serif with a 16-pixel cell.
    g_stock[kSystemFont] = MakeFont(16, kWeightBold, QStringLiteral("Liberation Sans"), false, false, true);
    g_stock[kDefaultGuiFont] = MakeFont(14, kWeightNormal, QStringLiteral("Liberation Sans"), false, false, true);
}

void Destroy(Hgdi h) { g_objects.erase(h); }

}  // namespace

void InitStockObjects() { EnsureStock(); }

GdiObject* FindObject(Hgdi h) {
    EnsureStock();
    auto it = g_objects.find(h);
    return it == g_objects.end() ? nullptr : it->second.get();
}

Hfont SystemFont() {
    EnsureStock();
    return g_stock[kSystemFont];
}

GdiObject* ResolvedFont(Hfont h) {
    GdiObject* o = FindObject(h);
    if (o == nullptr || o->Kind != GdiKind::Font) o = FindObject(SystemFont());
    Resolve(o);
    return o;
}

void Select(Hgdi h) {
    if (GdiObject* o = FindObject(h)) ++o->SelectedCount;
}

void Unselect(Hgdi h) {
    GdiObject* o = FindObject(h);
    if (o == nullptr) return;
    if (o->SelectedCount > 0) --o->SelectedCount;
    if (o->SelectedCount == 0 && o->DeletePending) Destroy(h);
}

Hbitmap AdoptBitmapImage(QImage image) {
    auto o = std::make_unique<GdiObject>();
    o->Kind = GdiKind::Bitmap;
    o->Image = std::move(image);
    return AddObject(std::move(o));
}

Hbitmap CreatePrivateBitmap() {
    auto o = std::make_unique<GdiObject>();
    o->Kind = GdiKind::Bitmap;
    o->Image = QImage(1, 1, QImage::Format_RGB32);
    o->Image.fill(ToRgb(0xFFFFFF));
    return AddObject(std::move(o));
}

QRgb ToRgb(ColourRef c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
ColourRef FromRgb(QRgb c) { return Rgb(static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)), static_cast<uint8_t>(qBlue(c))); }

}  // namespace detail

using namespace detail;

// ---------------------------------------------------------------------------
// Conversions

QString ToQString(const char16_t* text, int32_t length) {
    if (text == nullptr) return QString();
    if (length < 0) {
        length = 0;
        while (text[length] != 0) ++length;
    }
    return QString::fromUtf16(text, length);
}

std::u16string FromQString(const QString& text) { return text.toStdU16String(); }

QColor ToQColor(ColourRef colour) { return QColor(ToRgb(colour)); }
ColourRef FromQColor(const QColor& colour) { return FromRgb(colour.rgb()); }

QFont QFontOf(Hfont font) { return ResolvedFont(font)->Font; }

// ---------------------------------------------------------------------------
// Objects

Hpen CreatePen(int style, int32_t width, ColourRef colour) {
    auto o = std::make_unique<GdiObject>();
    o->Kind = GdiKind::Pen;
    o->PenStyle = (style == kPenDash || style == kPenDot || style == kPenNull) ? style : kPenSolid;
    o->Width = std::max(1, width);
    o->Colour = colour & 0xFFFFFF;
    return AddObject(std::move(o));
}

Hbrush CreateSolidBrush(ColourRef colour) {
    auto o = std::make_unique<GdiObject>();
    o->Kind = GdiKind::Brush;
    o->Colour = colour & 0xFFFFFF;
    return AddObject(std::move(o));
}

Hfont CreateFont(int32_t height, int32_t weight, const char16_t* face, bool italic, bool underline) {
    return MakeFont(height, weight, FamilyFor(face), italic, underline, false);
}

// Letters squeezed from a wider face merge at these sizes; a face drawn for
// small cells keeps them apart.
Hfont CreateCondensedFont(int32_t height, int32_t weight) {
    const QString terminus = QStringLiteral("Terminus");
    const bool installed = QGuiApplication::instance() != nullptr && QFontDatabase::hasFamily(terminus);
    return MakeFont(height, weight, installed ? terminus : FamilyFor(nullptr), false, false, false);
}

Hgdi GetStockObject(int which) {
    EnsureStock();
    if (which < 0 || which >= static_cast<int>(sizeof g_stock / sizeof g_stock[0])) return 0;
    return g_stock[which];
}

bool DeleteObject(Hgdi object) {
    GdiObject* o = FindObject(object);
    if (o == nullptr) return false;
    if (o->Stock) return true;
    if (o->SelectedCount > 0) {
        o->DeletePending = true;
        return true;
    }
    Destroy(object);
    return true;
}

ColourRef BrushColour(Hbrush brush) {
    GdiObject* o = FindObject(brush);
    if (o == nullptr || o->Kind != GdiKind::Brush || o->NullBrush) return 0;
    return o->Colour;
}

bool GetBitmapSize(Hbitmap bitmap, Size* out) {
    GdiObject* o = FindObject(bitmap);
    if (o == nullptr || o->Kind != GdiKind::Bitmap || out == nullptr) return false;
    *out = Size{o->Image.width(), o->Image.height()};
    return true;
}

Hbitmap CreateCompatibleBitmap(Hdc, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return 0;
    auto o = std::make_unique<GdiObject>();
    o->Kind = GdiKind::Bitmap;
    o->Image = QImage(width, height, QImage::Format_RGB32);
    if (o->Image.isNull()) return 0;
    o->Image.fill(ToRgb(0x000000));
    return AddObject(std::move(o));
}

bool GetTextMetrics(Hdc dc, TextMetrics* out) {
    DcRecord* d = FindDc(dc);
    if (d == nullptr || out == nullptr) return false;
    *out = ResolvedFont(d->Font)->Metrics;
    return true;
}

}  // namespace plat
