// What the tests of the live displays share: the panel fonts, pens and
// brushes made as the main window makes them, pixel helpers over window
// images, and a text check that compares a drawn text with the same text
// drawn into a scratch window, pixel by pixel. DisplayTest adds the four
// array window classes and a stand-in logging screen whose paint is the
// status panel's.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "log_screen/curve_grid.h"
#include "log_screen/numbers_window.h"
#include "log_screen/panel_objects.h"
#include "log_screen/profile_windows.h"
#include "log_screen/status_panel.h"
#include "platform/dc.h"
#include "platform/window.h"
#include "support/test_env.h"
#include "survey_files/survey_model.h"

namespace display_test {

constexpr plat::ColourRef kWhite = 0xFFFFFF;
constexpr plat::ColourRef kBlack = 0x000000;
constexpr plat::ColourRef kPanel = 0xF0F0F0;      // button face
constexpr plat::ColourRef kGrid = 0xC0C0C0;
constexpr plat::ColourRef kRed = 0x0000FF;
constexpr plat::ColourRef kGreen = 0x00FF00;
constexpr plat::ColourRef kBlue = 0xFF0000;
constexpr plat::ColourRef kLeftCurve = 0xFF0000;  // the default profile colours
constexpr plat::ColourRef kRightCurve = 0x00FF00;

// Fonts, pens and brushes of the panel and the profiles, 1-pixel curves.
inline void MakePanelObjects() {
    GdiObjects.HeadingFont = plat::CreateFont(20, 200, u"Microsoft Sans Serif");
    GdiObjects.TextFont = plat::CreateFont(14, plat::kWeightNormal, u"Microsoft Sans Serif");
    GdiObjects.CondensedFont = plat::CreateCondensedFont(12, plat::kWeightNormal);
    GdiObjects.BoldFont = plat::CreateFont(14, plat::kWeightBold, u"Microsoft Sans Serif");
    CreateFixedPens();
    CreateColourScalePens();
    ProfileDisplayOptions.Thickness = {1, 1};
    CreateProfilePens(0);
}

// A rectangle's left, top, right and bottom, to compare in one expectation.
inline std::array<int32_t, 4> Edges(const plat::Rect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

inline plat::LResult PlainProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DefaultWindowProc(hwnd, message, w, l);
}

inline std::vector<uint32_t> Image(plat::Hwnd w) {
    std::vector<uint32_t> pixels(4096 * 1024);
    int32_t width = 0, height = 0;
    EXPECT_TRUE(plat::test::ReadWindowImage(w, pixels.data(), pixels.size(), &width, &height));
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    return pixels;
}

inline int Count(plat::Hwnd w, const plat::Rect& r, plat::ColourRef c) {
    int n = 0;
    for (int32_t y = r.Top; y < r.Bottom; ++y) {
        for (int32_t x = r.Left; x < r.Right; ++x) n += plat::test::WindowPixel(w, x, y) == c ? 1 : 0;
    }
    return n;
}
inline int CountNot(plat::Hwnd w, const plat::Rect& r, plat::ColourRef c) {
    return (r.Right - r.Left) * (r.Bottom - r.Top) - Count(w, r, c);
}
// Rows of column x that hold colour c.
inline std::vector<int32_t> RowsOf(plat::Hwnd w, int32_t x, int32_t height, plat::ColourRef c) {
    std::vector<int32_t> rows;
    for (int32_t y = 0; y < height; ++y) {
        if (plat::test::WindowPixel(w, x, y) == c) rows.push_back(y);
    }
    return rows;
}

inline plat::Hwnd Scratch(int32_t width, int32_t height) {
    plat::WindowClass scratch;
    scratch.Name = u"DisplayTestScratch";
    scratch.Proc = PlainProc;
    plat::RegisterWindowClass(scratch);  // once per test: the windows' reset forgets the classes
    return plat::CreateWindow(u"DisplayTestScratch", u"", 0, 0, 0, width, height, 0, 0);
}

inline int32_t Width(const char16_t* text, plat::Hfont font) {
    const plat::Hwnd w = Scratch(50, 50);
    const plat::Hdc dc = plat::GetDC(w);
    plat::SelectObject(dc, font);
    plat::Size size;
    plat::GetTextExtent(dc, text, -1, &size);
    plat::ReleaseDC(w, dc);
    plat::DestroyWindow(w);
    return size.Cx;
}

// Whether `area` of window `w` shows exactly `text` drawn at (x, y) in
// `font` and `colour` on `background`, clipped to `area`.
inline ::testing::AssertionResult ShowsText(plat::Hwnd w, const plat::Rect& area, int32_t x, int32_t y,
                                            const char16_t* text, plat::Hfont font, plat::ColourRef colour,
                                            plat::ColourRef background) {
    plat::Rect client;
    plat::GetClientRect(w, &client);
    const plat::Hwnd ref = Scratch(client.Right + 2 * plat::kFrameWidth, client.Bottom + 2 * plat::kFrameWidth);
    const plat::Hdc dc = plat::GetDC(ref);
    const plat::Hbrush brush = plat::CreateSolidBrush(background);
    plat::FillRect(dc, area, brush);
    plat::DeleteObject(brush);
    plat::SelectObject(dc, font);
    plat::SetTextColour(dc, colour);
    plat::SetBackgroundMode(dc, plat::kTransparent);
    plat::ExtTextOut(dc, x, y, plat::kTextClipped, &area, text);
    plat::ReleaseDC(ref, dc);
    int differ = 0;
    int inked = 0;
    for (int32_t py = area.Top; py < area.Bottom; ++py) {
        for (int32_t px = area.Left; px < area.Right; ++px) {
            const uint32_t want = plat::test::WindowPixel(ref, px, py);
            differ += plat::test::WindowPixel(w, px, py) != want ? 1 : 0;
            inked += want != background ? 1 : 0;
        }
    }
    plat::DestroyWindow(ref);
    if (inked == 0) return ::testing::AssertionFailure() << "the reference text left no ink";
    if (differ != 0) return ::testing::AssertionFailure() << differ << " pixels differ from the text";
    return ::testing::AssertionSuccess();
}

inline plat::LResult ScreenStandInProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    static constexpr plat::MessageHandler kTable[] = {{plat::kMsgPaint, PaintStatusPanel}};
    return plat::DispatchFromTable(kTable, hwnd, message, w, l);
}

class DisplayTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::StartApplication());
        plat::test::ResetWindows();
        MakePanelObjects();
        ASSERT_EQ(RegisterCurveWndClass(), 0);
        ASSERT_EQ(RegisterDecayWndClass(), 0);
        ASSERT_EQ(RegisterNumbersWndClass(), 0);
        ASSERT_EQ(RegisterSpeedWndClass(), 0);
        plat::WindowClass screen;
        screen.Name = u"DisplayTestScreen";
        screen.Proc = ScreenStandInProc;
        screen.Background = plat::CreateSolidBrush(kPanel);
        ASSERT_TRUE(plat::RegisterWindowClass(screen));
    }
    void TearDown() override {
        plat::test::ResetWindows();
        OstrimaTest::TearDown();
    }

    // A top-level stand-in for the logging screen with the given client size.
    static plat::Hwnd MakeScreen(int32_t width, int32_t height) {
        const plat::Hwnd w = plat::CreateWindow(u"DisplayTestScreen", u"", plat::kStyleVisible, 0, 0,
                                                width + 2 * plat::kFrameWidth, height + 2 * plat::kFrameWidth, 0, 0);
        EXPECT_NE(w, 0);
        return w;
    }
    // A bordered, shown child of one of the array classes.
    static plat::Hwnd MakeChild(plat::Hwnd parent, const char16_t* cls, int32_t x, int32_t y, int32_t width,
                                int32_t height) {
        const plat::Hwnd w = plat::CreateWindow(cls, u"", plat::kStyleChild | plat::kStyleVisible | plat::kStyleBorder,
                                                x, y, width, height, parent, 0);
        EXPECT_NE(w, 0);
        return w;
    }
    // Paints everything that is invalid now.
    static void Repaint(plat::Hwnd w) {
        plat::InvalidateRect(w, nullptr, true);
        plat::UpdateWindow(w);
    }
};

}  // namespace display_test
