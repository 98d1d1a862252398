#include "map/colour_bar.h"

#include <cstdio>
#include <iterator>

#include "platform/dc.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

constexpr int32_t kColours = ColourScaleRecord::ColourMaxIndex + 1;
constexpr int32_t kCell = 280 / kColours;              // 5
constexpr int32_t kScaleHeight = kColours * kCell;     // 250
constexpr int32_t kTop = (306 - kScaleHeight) / 2;     // 28
constexpr int32_t kBarLeft = 75;
constexpr int32_t kBarWidth = 20;

plat::LResult ColorBarOnCreate(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    plat::UpdateWindow(hwnd);
    return 0;
}

constexpr plat::MessageHandler kColorBarMessages[] = {
    {plat::kMsgCreate, ColorBarOnCreate},
    {plat::kMsgPaint, PaintColorBarWindow},
};

plat::LResult ColorBarWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DispatchFromTable(kColorBarMessages, hwnd, message, w, l);
}

void Line(plat::Hdc dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    plat::MoveTo(dc, x1, y1);
    plat::LineTo(dc, x2, y2);
}

}  // namespace

int RegisterColorBarWndClass() {
    plat::WindowClass cls;
    cls.Name = u"ColorBarWnd";
    cls.Proc = ColorBarWndProc;
    cls.Background = plat::GetStockObject(plat::kWhiteBrush);
    return plat::RegisterWindowClass(cls) ? 0 : 1;
}

plat::LResult PaintColorBarWindow(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    plat::PaintInfo ps;
    const plat::Hdc dc = plat::BeginPaint(hwnd, &ps);
    if (dc == 0) return 0;
    plat::SelectObject(dc, GdiObjects.WhiteBrush);
    plat::SetBackgroundMode(dc, plat::kTransparent);
    if (GdiObjects.TextFont != 0) plat::SelectObject(dc, GdiObjects.TextFont);
    plat::TextOut(dc, 18, 4, u"GRAD SCALE");
    if (GdiObjects.DarkPen != 0) plat::SelectObject(dc, GdiObjects.DarkPen);
    const int32_t x0 = kBarLeft, T = kTop, H = kScaleHeight, h = kCell, w = kBarWidth;
    const plat::Point frame[] = {{x0 - 1, T - 2}, {x0 - 1, T + H - 1}, {x0 + w, T + H - 1}, {x0 + w, T - 2}, {x0 - 1, T - 2}};
    plat::Polyline(dc, frame, std::size(frame));
    for (const int32_t y : {T + h, T + H - h, T + H / 2, T + H / 4, T + 3 * H / 4}) Line(dc, x0 - 12, y, x0 - 6, y);
    for (int32_t i = ColourScaleRecord::ColourMaxIndex; i >= 0; --i) {
        const auto k = static_cast<size_t>(i);
        if (ColourScale.ColourPens[k] != 0) plat::SelectObject(dc, ColourScale.ColourPens[k]);
        if (ColourScale.ColourBrushes[k] != 0) plat::SelectObject(dc, ColourScale.ColourBrushes[k]);
        plat::Rectangle(dc, x0 + 1, T + H - i * h, x0 + w, T + H - (i + 1) * h);
    }
    const double lo = ReadingsScale.Minimum, hi = ReadingsScale.Maximum;
    for (int k = 0; k <= 4; ++k) {
        const double value = lo + k * (hi - lo) / 4;
        int32_t y = T + H - (k * H) / 4;
        if (k == 0) y -= h;
        if (k == 4) y += h;
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", value);
        char16_t wide[32];
        NarrowToWide(text, wide, std::size(wide));
        plat::TextOut(dc, 5, y - 6, wide);
    }
    plat::EndPaint(hwnd, &ps);
    return 0;
}
