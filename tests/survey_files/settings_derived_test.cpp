// The array's sensor counts, width and swath derived from the settings (the
// cursor sizes, cursor band and plot scales are checked as the settings file
// derives them).
#include <gtest/gtest.h>

#include <array>

#include "support/test_env.h"
#include "survey_files/settings_derived.h"
#include "survey_files/survey_model.h"

using SettingsDerivedTest = OstrimaTest;

struct ArrayCase {
    const char* what;
    int consoles;
    std::array<int32_t, kMaxConsoles> types;
    double unitSep, consoleSep, antennaX;
    int displayUnits;
    int dual;
    double minSep, width, left, right;
};

const ArrayCase kArrayCases[] = {
    {"built-in array: width 2 x 1.0 + 3 x 1.0, swath 3.0 each side",
     3, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 1.0, 1.0, 2.5, 0, 3, 1.0, 5.0, 3.0, 3.0},
    {"one two-sensor console: margin 0.25 whatever the separations",
     1, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 2.0, 3.0, 0.5, 0, 1, 2.0, 2.0, 0.75, 1.75},
    {"one one-sensor console has no width",
     1, {0, 1, 1, 1, 1, 1, 1, 1, 1}, 1.0, 1.0, 0.0, 0, 0, 1.0, 0.0, 0.25, 0.25},
    {"mixed consoles: margin half the smaller separation",
     3, {1, 0, 1, 0, 0, 0, 0, 0, 0}, 0.5, 1.0, 1.5, 0, 2, 0.5, 3.0, 1.75, 1.75},
    {"console separation smaller than unit separation",
     2, {1, 1, 0, 0, 0, 0, 0, 0, 0}, 2.0, 0.5, 2.0, 0, 2, 0.5, 4.5, 2.25, 2.75},
    {"types beyond the console count are not counted",
     2, {0, 1, 1, 1, 1, 1, 1, 1, 1}, 1.0, 1.0, 0.0, 0, 1, 1.0, 2.0, 0.5, 2.5},
    {"feet: swath copies divided by 0.3048",
     3, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 1.0, 1.0, 2.5, 1, 3, 1.0, 5.0, 3.0, 3.0},
    {"US survey feet divide by 0.3048 too",
     3, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 1.0, 1.0, 2.5, 2, 3, 1.0, 5.0, 3.0, 3.0},
};

TEST_F(SettingsDerivedTest, ArrayWidthAndSwathFollowTheConsoles) {
    for (const ArrayCase& c : kArrayCases) {
        SCOPED_TRACE(c.what);
        ResetSurveyModel();
        SystemSetup.ConsoleCount = c.consoles;
        SystemSetup.ConsoleType = c.types;
        SystemSetup.DisplayUnits = c.displayUnits;
        ArrayGeometry.UnitSeparation = c.unitSep;
        ArrayGeometry.ConsoleSeparation = c.consoleSep;
        ArrayGeometry.GpsAntennaOffsetX = c.antennaX;
        DeriveConsoleCounts();
        DeriveArrayGeometry();
        EXPECT_EQ(SystemSetup.DualConsoleCount, c.dual);
        for (int i = 0; i < c.consoles; ++i) EXPECT_EQ(SystemSetup.ConsoleSensorCount[i], c.types[i] == 1 ? 2 : 1);
        EXPECT_DOUBLE_EQ(ArrayGeometry.MinSeparation, c.minSep);
        EXPECT_DOUBLE_EQ(ArrayGeometry.ArrayWidth, c.width);
        EXPECT_DOUBLE_EQ(ArrayGeometry.SwathLeft, c.left);
        EXPECT_DOUBLE_EQ(ArrayGeometry.SwathRight, c.right);
        EXPECT_DOUBLE_EQ(ArrayGeometry.SwathLeft2, c.left);
        EXPECT_DOUBLE_EQ(ArrayGeometry.SwathRight2, c.right);
        const double unit = c.displayUnits > 0 ? 0.3048 : 1.0;
        EXPECT_DOUBLE_EQ(ArrayGeometry.MapSwathLeft, c.left / unit);
        EXPECT_DOUBLE_EQ(ArrayGeometry.MapSwathRight, c.right / unit);
        EXPECT_DOUBLE_EQ(ArrayGeometry.MapSwathLeft2, c.left / unit);
        EXPECT_DOUBLE_EQ(ArrayGeometry.MapSwathRight2, c.right / unit);
    }
}
