#include "log_screen/panel_objects.h"

#include <array>
#include <cstdint>

#include "platform/dc.h"
#include "survey_files/survey_model.h"

namespace {

// 0x00BBGGRR, from blue-violet through blue, cyan, green, yellow and red to magenta.
constexpr std::array<Colour, ColourScaleRecord::ColourMaxIndex + 1> kColourTable{
    0xFF0020, 0xFF0018, 0xFF0010, 0xFF0008, 0xFF0000, 0xFF1000, 0xFF4000, 0xFF6000, 0xFF6F00, 0xFF8800,
    0xFFA000, 0xFFC000, 0xFFE000, 0xFFFF00, 0xE0FF00, 0xC0FF00, 0xA0FF00, 0x80FF00, 0x60FF00, 0x20FF00,
    0x10FF00, 0x08FF00, 0x00FF00, 0x00FF10, 0x00FF20, 0x00FF40, 0x00FF60, 0x00FF80, 0x00FFA0, 0x00FFE0,
    0x00FFF0, 0x00FFFF, 0x00F2FF, 0x00E0FF, 0x00C4FF, 0x00A0FF, 0x0088FF, 0x006EFF, 0x0060FF, 0x0050FF,
    0x0040FF, 0x0020FF, 0x0000FF, 0x0800FF, 0x1000FF, 0x2000FF, 0x4000FF, 0x6000FF, 0x8000FF, 0xFF00FF,
};

constexpr Colour kLightGrey = 0xC0C0C0;
constexpr Colour kDarkGrey = 0x404040;
constexpr Colour kGrey = 0xA0A0A0;
constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kGreen = 0x00FF00;
constexpr Colour kRed = 0x0000FF;
constexpr Colour kBlue = 0xFF0000;

plat::Hpen SolidPen(int width, Colour colour) { return plat::CreatePen(plat::kPenSolid, width, colour); }

int ClampedThickness(int32_t thickness) {
    if (thickness < 1) return 1;
    if (thickness > 4) return 4;
    return thickness;
}

}  // namespace

uint32_t ColourScaleColour(int index) {
    if (index < 0) index = 0;
    if (index > ColourScale.ColourMaxIndex) index = ColourScale.ColourMaxIndex;
    return kColourTable[static_cast<size_t>(index)];
}

void CreateFixedPens() {
    GdiObjects.GridPenWide = SolidPen(2, kLightGrey);
    GdiObjects.GridPen = SolidPen(1, kLightGrey);
    GdiObjects.GridBrush = plat::CreateSolidBrush(kLightGrey);
    GdiObjects.DarkPen = SolidPen(1, kDarkGrey);
    GdiObjects.GreyPen = SolidPen(1, kGrey);
    GdiObjects.GreyBrush = plat::CreateSolidBrush(kGrey);
    GdiObjects.WhitePen = SolidPen(1, kWhite);
    GdiObjects.WhiteBrush = plat::CreateSolidBrush(kWhite);
    GdiObjects.GreenPen = SolidPen(1, kGreen);
    GdiObjects.GreenBrush = plat::CreateSolidBrush(kGreen);
    GdiObjects.RedPen = SolidPen(1, kRed);
    GdiObjects.RedBrush = plat::CreateSolidBrush(kRed);
    GdiObjects.BluePen = SolidPen(1, kBlue);
    GdiObjects.BlueBrush = plat::CreateSolidBrush(kBlue);
    GdiObjects.PanelBrush = plat::CreateSolidBrush(plat::GetSystemColour(plat::kColourButtonFace));
}

void CreateColourScalePens() {
    for (int i = 0; i <= ColourScale.ColourMaxIndex; ++i) {
        const auto k = static_cast<size_t>(i);
        ColourScale.ColourPens[k] = SolidPen(2, kColourTable[k]);
        ColourScale.ColourBrushes[k] = plat::CreateSolidBrush(kColourTable[k]);
    }
}

void CreateProfilePens(int recreate) {
    for (size_t c = 0; c < 2; ++c) {
        if (recreate == 1) {
            plat::DeleteObject(GdiObjects.ProfilePens[c]);
            plat::DeleteObject(GdiObjects.ProfileBarPens[c]);
            plat::DeleteObject(GdiObjects.ProfileBrushes[c]);
        }
        const Colour colour = ProfileDisplayOptions.Color[c];
        GdiObjects.ProfilePens[c] = SolidPen(ClampedThickness(ProfileDisplayOptions.Thickness[c]), colour);
        GdiObjects.ProfileBarPens[c] = SolidPen(1, colour);
        GdiObjects.ProfileBrushes[c] = plat::CreateSolidBrush(colour);
    }
}
