// The start screen: the settings summary's texts, and a few pixels of the
// array drawing.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "shell/shell_fixture.h"
#include "shell/start_screen.h"
#include "survey_files/settings_derived.h"

namespace {

using StartScreenSummary = ShellTest;

TEST_F(StartScreenSummary, TextsFollowTheSettings) {
    struct Case {
        const char* What;
        void (*Set)();
        std::array<const char16_t*, kSummaryRows> Left, Right;
    };
    const Case cases[] = {
        {"built-in", [] {},
         {u"1.00 m", u"1.00 m", u"1", u"1.00 m", u"0.000 m", u"1.000 m"},
         {u"3", u"Grad601-2", u"6", u"any key", u"Enabled", u"GGA/GSA"}},
        {"one single console, cm, US feet, no GPS",
         [] {
             SystemSetup.ConsoleCount = 1;
             SystemSetup.ConsoleType[0] = 0;
             ArrayGeometry.ArrayUnits = 1;
             SystemSetup.DisplayUnits = 2;
             SystemSetup.PauseKey = 3;
             SurveyParameters.StartStation = -2.5;
             GpsPortSetup.InputMode = 0;
         },
         {u"100.00 cm", u"N/A", u"1", u"1.00 USft", u"-2.500 USft", u"1.000 USft"},
         {u"1", u"Grad601-1", u"1", u"<P>", u"Disabled", u"N/A"}},
        {"mixed types, feet, inches",
         [] {
             SystemSetup.ConsoleType[1] = 0;
             SystemSetup.DisplayUnits = 1;
             ArrayGeometry.ArrayUnits = 3;
             ArrayGeometry.UnitSeparation = 0.0254;
             SystemSetup.PauseKey = 1;
             GpsPortSetup.DataFormat = 8;
         },
         {u"39.37 in", u"1.00 in", u"1", u"1.00 ft", u"0.000 ft", u"1.000 ft"},
         {u"3", u"Mixed", u"5", u"<Enter>", u"Enabled", u"Pseudo GLL"}},
        {"no console, averaging GPS of the total station",
         [] {
             SystemSetup.ConsoleCount = 0;
             GpsPortSetup.InputMode = 4;
             GpsPortSetup.DataFormat = 7;
             ArrayGeometry.ArrayUnits = 2;
             SystemSetup.PauseKey = 2;
         },
         {u"3.28 ft", u"N/A", u"N/A", u"N/A", u"N/A", u"N/A"},
         {u"0", u"N/A", u"0", u"<Space Bar>", u"Average 5", u"Leica TPS"}},
        {"no console, GPS on", [] {
             SystemSetup.ConsoleCount = 0;
             SystemSetup.PauseKey = 9;  // not a key the file allows: shown as nothing
         },
         {u"1.00 m", u"N/A", u"N/A", u"N/A", u"N/A", u"N/A"},
         {u"0", u"N/A", u"0", u"", u"Auto", u"GGA/GSA"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ResetSurveyModel();
        c.Set();
        DeriveConsoleCounts();
        const SettingsSummary s = FormatSettingsSummary();
        for (size_t row = 0; row < kSummaryRows; ++row) {
            EXPECT_EQ(std::u16string(s.Left[row].data()), c.Left[row]) << "left row " << row + 1;
            EXPECT_EQ(std::u16string(s.Right[row].data()), c.Right[row]) << "right row " << row + 1;
        }
    }
}

// One single-sensor console, the antenna 0.5 m ahead: on a 1018 x 733
// client the drawing area is 778 x 443 from (20, 280), the scale
// 443 x 0.7 / 0.5 = 620.2 pixels per metre, the sensor at (409, 657) with a
// radius of 62, the antenna 310 pixels above it. The leading-point cross sits
// on the sensor also for "Array Center" and for a sensor the array lacks.
TEST_F(StartScreenSummary, ArrayDrawingPixels) {
    const plat::Hwnd main = OpenMainWindow(1920, 1080);
    ASSERT_NE(main, 0);
    const auto near = [main](int32_t x, int32_t y, uint32_t colour) {
        for (int32_t dy = -1; dy <= 1; ++dy) {
            for (int32_t dx = -1; dx <= 1; ++dx) {
                if (plat::test::WindowPixel(main, x + dx, y + dy) == colour) return true;
            }
        }
        return false;
    };
    const auto paint = [main] {
        plat::InvalidateRect(main, nullptr, true);
        plat::UpdateWindow(main);
    };
    SystemSetup.ConsoleCount = 1;
    SystemSetup.ConsoleType[0] = 0;
    ArrayGeometry.GpsAntennaOffsetX = 0.0;
    DeriveConsoleCounts();
    for (const int32_t leading : {1, 0, 7}) {
        SCOPED_TRACE(leading);
        SystemSetup.LeadingPoint = leading;
        paint();
        EXPECT_TRUE(near(409 - 62, 657, 0x0000FF)) << "the sensor circle, red";
        EXPECT_TRUE(near(409 + 20, 657, 0xFF0000)) << "the leading-point cross, blue";
        EXPECT_EQ(plat::test::WindowPixel(main, 409, 347), 0xFFFFFFu) << "inside the antenna, white";
        EXPECT_TRUE(near(409 - 63, 347, 0x000000)) << "the antenna's outline, radius 63 to stay below the title";
        EXPECT_TRUE(near(20 + 38, 280 + 200, 0xFFFFFF)) << "the direction of travel";
    }
    // Separations that overflow the width leave no scale: no sensor, no cross.
    SystemSetup.ConsoleCount = 9;
    ArrayGeometry.ConsoleSeparation = 1e308;
    DeriveConsoleCounts();
    paint();
    int32_t width = 0, height = 0;
    std::vector<uint32_t> image(1018 * 733);
    ASSERT_TRUE(plat::test::ReadWindowImage(main, image.data(), image.size(), &width, &height));
    for (int32_t y = 281; y < height - 11; ++y) {
        for (int32_t x = 21; x < width - 221; ++x) {
            const uint32_t p = image[static_cast<size_t>(y * width + x)];
            ASSERT_NE(p, 0x0000FFu) << x << "," << y;
            ASSERT_NE(p, 0xFF0000u) << x << "," << y;
        }
    }
}

}  // namespace
