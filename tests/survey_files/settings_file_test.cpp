// The settings file: its bytes, loading and saving, and what a damaged, old,
// unreadable or missing file does.
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/files.h"
#include "support/test_env.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"

namespace {

using Lines = std::vector<std::string>;

// The file a program with built-in values writes, line by line.
const Lines kBuiltInLines = {
    "2.16", "C:\\", "3", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1",  // 1-13
    "1", "0", "0", "3", "0", "2", "3", "4", "5", "6", "7", "8",             // 14-25
    "1", "1", "1", "0", "1", "1", "2", "3", "16711680", "65280",            // 26-35
    "0.000000", "500.000000", "5.000000",                                   // 36-38
    "1", "0", "1", "1", "1", "0", "0", "0",                                 // 39-46
    "1.000000", "1.000000", "2.500000", "0.500000", "1",                    // 47-51
    "1.000000", "0", "1", "0.000000", "1.000000",                           // 52-56
    "3", "4", "3", "0", "16711680", "1", "0", "5.000000", "-60.000000",     // 57-65
    "40", "1", "1", "1", "5", "4.000000", "5.000000", "0",                  // 66-73
    "0", "1", "1", "0", "1", "0",                                           // 74-79
};

// A value other than the built-in one on every line, all valid together.
const Lines kOtherLines = {
    "2.16", "E:\\Data\\Site 7\\", "9", "0",
    "1", "0", "1", "1", "0", "1", "1", "0", "1",                            // 6 two-sensor consoles, 15 sensors
    "12", "2", "3",
    "10", "11", "12", "13", "14", "15", "16", "17", "47",
    "0", "0", "0", "3", "0", "0", "4", "1", "255", "16777215",
    "-250.500000", "750.250000", "12.500000",
    "0", "8", "46", "5", "0", "2", "1", "3",
    "0.750000", "1.250000", "3.125000", "-0.400000", "ABCDEFGHIJK",
    "-2.000000", "1", "3", "100.000000", "-0.500000",
    "5", "0", "-7", "12345", "0", "0", "1", "0.500000", "90.000000",
    "250", "6", "0", "4", "12", "1.500000", "-3.250000", "3",
    "1", "3", "0", "23", "22", "3",
};

std::string Join(const Lines& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\r\n";
    return s;
}

void ExpectOtherValues() {
    EXPECT_EQ(std::u16string(ProgramSettings.DataFolder), u"E:\\Data\\Site 7\\");
    EXPECT_EQ(SystemSetup.ConsoleCount, 9);
    EXPECT_EQ(SystemSetup.HeaderCode, 0);
    EXPECT_EQ(SystemSetup.ConsoleType, (std::array<int32_t, 9>{1, 0, 1, 1, 0, 1, 1, 0, 1}));
    EXPECT_EQ(SystemSetup.LeadingPoint, 12);
    EXPECT_EQ(SystemSetup.DisplayUnits, 2);
    EXPECT_EQ(SystemSetup.SpeedUnits, 3);
    EXPECT_EQ(SystemSetup.ConsolePort, (std::array<int32_t, 9>{10, 11, 12, 13, 14, 15, 16, 17, 47}));
    EXPECT_EQ(AudioOptions.Ticks, 0);
    EXPECT_EQ(AudioOptions.DisconnectionAlarm, 0);
    EXPECT_EQ(AudioOptions.GpsMaskWarning, 0);
    EXPECT_EQ(SystemSetup.PauseKey, 3);
    EXPECT_EQ(ProfileDisplayOptions.Visible, (std::array<int32_t, 2>{0, 0}));
    EXPECT_EQ(ProfileDisplayOptions.Thickness, (std::array<int32_t, 2>{4, 1}));
    EXPECT_EQ(ProfileDisplayOptions.Color, (std::array<Colour, 2>{0x0000FF, 0xFFFFFF}));
    EXPECT_EQ(ReadingsScale.Minimum, -250.5);
    EXPECT_EQ(ReadingsScale.Maximum, 750.25);
    EXPECT_EQ(SpeedBar.Scale, 12.5);
    EXPECT_EQ(GpsPortSetup.InputMode, 0);
    EXPECT_EQ(GpsPortSetup.DataFormat, 8);
    EXPECT_EQ(GpsPortSetup.Port, 46);
    EXPECT_EQ(GpsPortSetup.BaudRate, 5);
    EXPECT_EQ(GpsPortSetup.DataBits, 0);
    EXPECT_EQ(GpsPortSetup.Parity, 2);
    EXPECT_EQ(GpsPortSetup.StopBits, 1);
    EXPECT_EQ(ArrayGeometry.ArrayUnits, 3);
    EXPECT_EQ(ArrayGeometry.UnitSeparation, 0.75);
    EXPECT_EQ(ArrayGeometry.ConsoleSeparation, 1.25);
    EXPECT_EQ(ArrayGeometry.GpsAntennaOffsetX, 3.125);
    EXPECT_EQ(ArrayGeometry.GpsAntennaOffsetY, -0.4);
    EXPECT_EQ(std::u16string(SurveyParameters.LineName), u"ABCDEFGHIJK");
    EXPECT_EQ(SurveyParameters.LineIncrement, -2.0);
    EXPECT_EQ(SurveyParameters.LineSequence, 1);
    EXPECT_EQ(SurveyParameters.LineDirection, 3);
    EXPECT_EQ(SurveyParameters.StartStation, 100.0);
    EXPECT_EQ(SurveyParameters.StationIncrement, -0.5);
    EXPECT_EQ(MapDisplayOptions.CursorSize, 5);
    EXPECT_EQ(MapDisplayOptions.PositionSize, 0);
    EXPECT_EQ(ProgramSettings.SpareInteger, -7);
    EXPECT_EQ(MapDisplayOptions.CursorColor, 12345u);
    EXPECT_EQ(MapDisplayOptions.PositionColor, 0u);
    EXPECT_EQ(MapDisplayOptions.DisplayType, 0);
    EXPECT_EQ(MapDisplayOptions.GridType, 1);
    EXPECT_EQ(MapDisplayOptions.GridInterval, 0.5);
    EXPECT_EQ(MapDisplayOptions.LinesAngle, 90.0);
    EXPECT_EQ(MapDisplayOptions.MapSize, 250);
    EXPECT_EQ(MapDisplayOptions.CursorBand, 6);
    EXPECT_EQ(GpsWarningMask.Warning, 0);
    EXPECT_EQ(GpsWarningMask.MinQuality, 4);
    EXPECT_EQ(GpsWarningMask.MinSatellites, 12);
    EXPECT_EQ(GpsWarningMask.MaxDilution, 1.5);
    EXPECT_EQ(ProgramSettings.SpareReal, -3.25);
    EXPECT_EQ(SystemSetup.CoordinatesDisplay, 3);
    EXPECT_EQ(BackgroundFileOptions.FileType, 1);
    EXPECT_EQ(BackgroundFileOptions.DisplayStyle, 3);
    EXPECT_EQ(BackgroundFileOptions.CoordinatesType, 0);
    EXPECT_EQ(BackgroundFileOptions.EastingColumn, 23);
    EXPECT_EQ(BackgroundFileOptions.NorthingColumn, 22);
    EXPECT_EQ(BackgroundFileOptions.ColumnDelimiter, 3);
}

class SettingsFileTest : public OstrimaTest {
protected:
    std::string Folder() const { return root_ + "/config/Brevant/Ostrima"; }
    std::string Path() const { return Folder() + "/OSTRMAWIN.INI"; }
    std::string TempPath() const { return Path() + ".tmp"; }
    void MakeFolder() { ASSERT_TRUE(plat::PrepareProgramFolders()); }
    bool Exists(const std::string& p) const {
        struct stat st {};
        return stat(p.c_str(), &st) == 0;
    }
};

}  // namespace

TEST_F(SettingsFileTest, MissingFileIsWrittenWithTheBuiltInValues) {
    MakeFolder();
    EXPECT_TRUE(LoadSaveSettings(0));
    EXPECT_EQ(kBuiltInLines.size(), 79u);
    EXPECT_EQ(ReadWholeFile(Path()), Join(kBuiltInLines));
    EXPECT_FALSE(Exists(TempPath()));
    EXPECT_EQ(SystemSetup.ConsoleCount, 3);  // memory untouched
    // Saved again, the same bytes; loaded again, the data folder is still "C:\".
    EXPECT_TRUE(LoadSaveSettings(1));
    EXPECT_EQ(ReadWholeFile(Path()), Join(kBuiltInLines));
    EXPECT_TRUE(LoadSaveSettings(0));
    EXPECT_EQ(std::u16string(ProgramSettings.DataFolder), u"C:\\");
}

TEST_F(SettingsFileTest, EveryLineIsReadIntoItsFieldAndWrittenBackUnchanged) {
    MakeFolder();
    WriteWholeFile(Path(), Join(kOtherLines));
    EXPECT_TRUE(LoadSaveSettings(0));
    ExpectOtherValues();
    // Derived as the file was read.
    EXPECT_EQ(SystemSetup.DualConsoleCount, 6);
    EXPECT_DOUBLE_EQ(ReadingsScale.CurvePixelsPerUnit, 126.0 / 1000.75);
    EXPECT_DOUBLE_EQ(ReadingsScale.DecayPixelsPerUnit, 126.0 / 1000.75);
    EXPECT_DOUBLE_EQ(ReadingsScale.ColourStep, 1000.75 / 50);
    EXPECT_EQ(SurveyParameters.CurrentStation, 100.0);
    EXPECT_EQ(MapDisplayOptions.CursorHalfSize, 9);
    EXPECT_EQ(MapDisplayOptions.CursorOuterSize, 19);
    EXPECT_EQ(MapDisplayOptions.CursorBandPixels, 203);  // 40 % of 508
    EXPECT_DOUBLE_EQ(ArrayGeometry.ArrayWidth, 8 * 1.25 + 6 * 0.75);
    EXPECT_DOUBLE_EQ(ArrayGeometry.SwathLeft, 3.125 + 0.375);
    EXPECT_DOUBLE_EQ(ArrayGeometry.SwathRight, 14.5 - 3.125 + 0.375);
    EXPECT_DOUBLE_EQ(ArrayGeometry.MapSwathLeft, 3.5 / 0.3048);

    ResetSurveyModel();
    std::remove(Path().c_str());
    WriteWholeFile(Path(), Join(kOtherLines));
    ASSERT_TRUE(LoadSaveSettings(0));
    ASSERT_TRUE(LoadSaveSettings(1));
    EXPECT_EQ(ReadWholeFile(Path()), Join(kOtherLines));
}

TEST_F(SettingsFileTest, LatinOneTextsSurviveAndControlCharactersCannotSplitALine) {
    MakeFolder();
    std::u16string name = u"Feld\u00E9\tA";
    std::copy(name.begin(), name.end(), SurveyParameters.LineName);
    SurveyParameters.LineName[name.size()] = 0;
    ASSERT_TRUE(LoadSaveSettings(1));
    Lines expected = kBuiltInLines;
    expected[50] = "Feld\xE9?A";
    EXPECT_EQ(ReadWholeFile(Path()), Join(expected));
    ResetSurveyModel();
    ASSERT_TRUE(LoadSaveSettings(0));
    EXPECT_EQ(std::u16string(SurveyParameters.LineName), u"Feld\u00E9?A");
}

TEST_F(SettingsFileTest, AnotherVersionIsReplacedByTheValuesInMemory) {
    MakeFolder();
    Lines old = kOtherLines;
    old[0] = "2.15";
    WriteWholeFile(Path(), Join(old));
    SystemSetup.ConsoleCount = 4;
    EXPECT_TRUE(LoadSaveSettings(0));
    EXPECT_EQ(SystemSetup.ConsoleCount, 4);
    EXPECT_EQ(SystemSetup.HeaderCode, 1);
    Lines expected = kBuiltInLines;
    expected[2] = "4";
    EXPECT_EQ(ReadWholeFile(Path()), Join(expected));
}

TEST_F(SettingsFileTest, ShortFileGivesEachMissingLineItsBuiltInValue) {
    MakeFolder();
    Lines part(kOtherLines.begin(), kOtherLines.begin() + 20);  // up to the 4th console port
    const std::string bytes = Join(part) + "99";               // and a line without its LF
    WriteWholeFile(Path(), bytes);
    SystemSetup.ConsolePort[4] = 30;
    MapDisplayOptions.MapSize = 7;
    EXPECT_TRUE(LoadSaveSettings(0));
    EXPECT_EQ(SystemSetup.ConsolePort[3], 13);
    EXPECT_EQ(SystemSetup.ConsolePort[4], 4);  // not "99", not the line before, not memory
    EXPECT_EQ(SystemSetup.ConsolePort[8], 8);
    EXPECT_EQ(MapDisplayOptions.MapSize, 40);
    EXPECT_EQ(BackgroundFileOptions.NorthingColumn, 1);
    EXPECT_EQ(SystemSetup.DualConsoleCount, 6);
    EXPECT_DOUBLE_EQ(ArrayGeometry.ArrayWidth, 8 * 1.0 + 6 * 1.0);  // derived after the last line all the same
    EXPECT_EQ(ReadWholeFile(Path()), bytes);                         // the file is left as it is
}

namespace {
struct BadLine {
    int line;            // 1-based
    const char* text;
    double expected;
    double (*field)();
};

const BadLine kBadLines[] = {
    {3, "10", 3, [] { return double(SystemSetup.ConsoleCount); }},
    {3, "-1", 3, [] { return double(SystemSetup.ConsoleCount); }},
    {3, "99999999999999999999", 3, [] { return double(SystemSetup.ConsoleCount); }},
    {3, "4294967298", 3, [] { return double(SystemSetup.ConsoleCount); }},  // 2^32 + 2
    {3, "", 3, [] { return double(SystemSetup.ConsoleCount); }},
    {3, "2abc", 3, [] { return double(SystemSetup.ConsoleCount); }},
    {3, "  2 ", 2, [] { return double(SystemSetup.ConsoleCount); }},          // blanks are fine
    {4, "9", 1, [] { return double(SystemSetup.HeaderCode); }},
    {6, "2", 1, [] { return double(SystemSetup.ConsoleType[1]); }},
    {14, "19", 1, [] { return double(SystemSetup.LeadingPoint); }},
    {15, "3", 0, [] { return double(SystemSetup.DisplayUnits); }},
    {17, "48", 3, [] { return double(SystemSetup.ConsolePort[0]); }},
    {32, "0", 2, [] { return double(ProfileDisplayOptions.Thickness[0]); }},
    {33, "5", 3, [] { return double(ProfileDisplayOptions.Thickness[1]); }},
    {34, "16777216", 0xFF0000, [] { return double(ProfileDisplayOptions.Color[0]); }},
    {35, "-1", 0x00FF00, [] { return double(ProfileDisplayOptions.Color[1]); }},
    {36, "nan", 0, [] { return ReadingsScale.Minimum; }},
    {36, "1,5", 0, [] { return ReadingsScale.Minimum; }},
    {37, "inf", 500, [] { return ReadingsScale.Maximum; }},
    {37, "1e999", 500, [] { return ReadingsScale.Maximum; }},
    {38, "0.000000", 5, [] { return SpeedBar.Scale; }},
    {38, "-1.0", 5, [] { return SpeedBar.Scale; }},
    {40, "9", 0, [] { return double(GpsPortSetup.DataFormat); }},
    {42, "6", 1, [] { return double(GpsPortSetup.BaudRate); }},
    {39, "3", 1, [] { return double(GpsPortSetup.InputMode); }},              // averaging needs no consoles
    {47, "-nan", 1, [] { return ArrayGeometry.UnitSeparation; }},
    {49, "+2.75", 2.75, [] { return ArrayGeometry.GpsAntennaOffsetX; }},
    {49, "+-2.75", 2.5, [] { return ArrayGeometry.GpsAntennaOffsetX; }},
    {57, "6", 3, [] { return double(MapDisplayOptions.CursorSize); }},
    {58, "-1", 4, [] { return double(MapDisplayOptions.PositionSize); }},
    {64, "0.4", 5, [] { return MapDisplayOptions.GridInterval; }},
    {65, "90.5", -60, [] { return MapDisplayOptions.LinesAngle; }},
    {66, "0", 40, [] { return double(MapDisplayOptions.MapSize); }},
    {66, "2147483648", 40, [] { return double(MapDisplayOptions.MapSize); }},
    {67, "7", 1, [] { return double(MapDisplayOptions.CursorBand); }},
    {70, "2", 5, [] { return double(GpsWarningMask.MinSatellites); }},
    {70, "13", 5, [] { return double(GpsWarningMask.MinSatellites); }},
    {71, "INF", 4, [] { return GpsWarningMask.MaxDilution; }},
    {77, "24", 0, [] { return double(BackgroundFileOptions.EastingColumn); }},
    {78, "0", 1, [] { return double(BackgroundFileOptions.NorthingColumn); }},  // same as the easting column
    {79, "4", 0, [] { return double(BackgroundFileOptions.ColumnDelimiter); }},
};
}  // namespace

TEST_F(SettingsFileTest, ValueOutOfRangeOrNotANumberTakesItsBuiltInValue) {
    MakeFolder();
    for (const BadLine& c : kBadLines) {
        SCOPED_TRACE(std::to_string(c.line) + ": \"" + c.text + "\"");
        // Memory holds another value first, to tell the built-in value from it.
        WriteWholeFile(Path(), Join(kOtherLines));
        ASSERT_TRUE(LoadSaveSettings(0));
        Lines lines = kBuiltInLines;
        lines[c.line - 1] = c.text;
        WriteWholeFile(Path(), Join(lines));
        ASSERT_TRUE(LoadSaveSettings(0));
        EXPECT_EQ(c.field(), c.expected);
    }
}

TEST_F(SettingsFileTest, ReadingsScaleMaximumNotAboveMinimumIsMendedBeforeTheScalesAreDerived) {
    MakeFolder();
    struct { const char* min; const char* max; double wantMin, wantMax; } cases[] = {
        {"600.0", "500.0", 600, 700},
        {"100.0", "100.0", 100, 200},
        {"1e308", "1e308", 0, 500},        // + 100 is lost in the rounding
        {"-1e308", "1e308", 0, 500},       // the span is no finite number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.min);
        Lines lines = kBuiltInLines;
        lines[35] = c.min;
        lines[36] = c.max;
        WriteWholeFile(Path(), Join(lines));
        ASSERT_TRUE(LoadSaveSettings(0));
        EXPECT_EQ(ReadingsScale.Minimum, c.wantMin);
        EXPECT_EQ(ReadingsScale.Maximum, c.wantMax);
        EXPECT_DOUBLE_EQ(ReadingsScale.CurvePixelsPerUnit, 126.0 / (c.wantMax - c.wantMin));
    }
}

TEST_F(SettingsFileTest, OverlongLinesAreCutWithoutShiftingTheNextLines) {
    MakeFolder();
    Lines lines = kBuiltInLines;
    lines[1] = std::string(300, 'D');
    lines[2] = "5";
    lines[50] = "LINE-NAME-TOO-LONG";
    lines[51] = std::string(2000, '0') + "7";  // cut to its first digits: 0
    WriteWholeFile(Path(), Join(lines));
    ASSERT_TRUE(LoadSaveSettings(0));
    EXPECT_EQ(std::u16string(ProgramSettings.DataFolder), std::u16string(260, u'D'));
    EXPECT_EQ(SystemSetup.ConsoleCount, 5);
    EXPECT_EQ(std::u16string(SurveyParameters.LineName), u"LINE-NAME-T");
    EXPECT_EQ(SurveyParameters.LineIncrement, 0.0);
    EXPECT_EQ(SurveyParameters.LineSequence, 0);
}

TEST_F(SettingsFileTest, GarbageNeverCrashesAndLeavesEveryValueUsable) {
    MakeFolder();
    uint32_t seed = 12345;
    for (int round = 0; round < 200; ++round) {
        std::string bytes = "2.16\r\n";
        const int length = round * 13 % 1500;
        for (int i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            const char pool[] = {'\r', '\n', '\0', '-', '.', '5', 'e', '\xff', ' ', '9'};
            const uint32_t r = seed >> 16;
            bytes += (r & 1) ? pool[r % sizeof pool] : static_cast<char>(r);
        }
        WriteWholeFile(Path(), bytes);
        ResetSurveyModel();
        ASSERT_TRUE(LoadSaveSettings(0));
        EXPECT_GE(SystemSetup.ConsoleCount, 0);
        EXPECT_LE(SystemSetup.ConsoleCount, 9);
        EXPECT_GT(ReadingsScale.Maximum, ReadingsScale.Minimum);
        EXPECT_TRUE(std::isfinite(ReadingsScale.CurvePixelsPerUnit));
        EXPECT_GE(MapDisplayOptions.MapSize, 1);
        EXPECT_NE(BackgroundFileOptions.EastingColumn, BackgroundFileOptions.NorthingColumn);
        EXPECT_LE(SystemSetup.LeadingPoint, 18);
        EXPECT_LE(MapDisplayOptions.CursorHalfSize, 9);
    }
}

TEST_F(SettingsFileTest, WithoutItsFolderNothingIsReadOrWrittenAndNothingIsCreated) {
    SystemSetup.ConsoleCount = 6;
    EXPECT_FALSE(LoadSaveSettings(0));
    EXPECT_EQ(SystemSetup.ConsoleCount, 6);
    EXPECT_FALSE(LoadSaveSettings(1));
    EXPECT_FALSE(Exists(root_ + "/config/Brevant"));
}

TEST_F(SettingsFileTest, FileThatCannotBeReadIsLeftAlone) {
    MakeFolder();
    // A folder where the file should be.
    ASSERT_EQ(mkdir(Path().c_str(), 0755), 0);
    EXPECT_FALSE(LoadSaveSettings(0));
    struct stat st {};
    ASSERT_EQ(stat(Path().c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    ASSERT_EQ(rmdir(Path().c_str()), 0);

    // A file without read permission.
    WriteWholeFile(Path(), Join(kOtherLines));
    ASSERT_EQ(chmod(Path().c_str(), 0200), 0);
    if (access(Path().c_str(), R_OK) == 0) GTEST_SKIP() << "running with the right to read any file";
    SystemSetup.ConsoleCount = 2;
    EXPECT_FALSE(LoadSaveSettings(0));
    EXPECT_EQ(SystemSetup.ConsoleCount, 2);
    ASSERT_EQ(chmod(Path().c_str(), 0644), 0);
    EXPECT_EQ(ReadWholeFile(Path()), Join(kOtherLines));
}

TEST_F(SettingsFileTest, FailedSaveKeepsTheOldFileAndRemovesTheTemporary) {
    MakeFolder();
    WriteWholeFile(Path(), Join(kOtherLines));
    SystemSetup.ConsoleCount = 1;

    // The disk refuses after 100 bytes.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = LoadSaveSettings(1);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadWholeFile(Path()), Join(kOtherLines));
    EXPECT_FALSE(Exists(TempPath()));

    // The temporary cannot be made at all.
    ASSERT_EQ(mkdir(TempPath().c_str(), 0755), 0);
    EXPECT_FALSE(LoadSaveSettings(1));
    EXPECT_EQ(ReadWholeFile(Path()), Join(kOtherLines));
    ASSERT_EQ(rmdir(TempPath().c_str()), 0);

    EXPECT_TRUE(LoadSaveSettings(1));
    EXPECT_EQ(ReadWholeFile(Path()).substr(0, 9), "2.16\r\nC:\\");
}

TEST_F(SettingsFileTest, LoadStartsFromTheStartFolder) {
    MakeFolder();
    const std::string start = root_ + "/start";
    ASSERT_EQ(mkdir(start.c_str(), 0755), 0);
    const std::u16string start16(start.begin(), start.end());
    std::copy(start16.begin(), start16.end(), ScreenWindows.StartDirectory);
    ScreenWindows.StartDirectory[start16.size()] = 0;
    ASSERT_TRUE(LoadSaveSettings(0));
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(cwd), start);
}

TEST_F(SettingsFileTest, CommaDecimalLocaleChangesNothingWrittenOrRead) {
    MakeFolder();
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "de_DE@euro", "fr_FR.UTF-8", "fr_FR.utf8"};
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    bool comma = false;
    for (const char* n : names) {
        if (std::setlocale(LC_NUMERIC, n) != nullptr && std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
            comma = true;
            break;
        }
    }
    if (!comma) {
        std::setlocale(LC_NUMERIC, before.c_str());
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    const bool saved = LoadSaveSettings(1);
    const std::string written = ReadWholeFile(Path());
    Lines lines = kBuiltInLines;
    lines[48] = "2.75";
    lines[47] = "2,75";
    WriteWholeFile(Path(), Join(lines));
    const bool loaded = LoadSaveSettings(0);
    std::setlocale(LC_NUMERIC, before.c_str());
    EXPECT_TRUE(saved);
    EXPECT_EQ(written, Join(kBuiltInLines));
    EXPECT_TRUE(loaded);
    EXPECT_EQ(ArrayGeometry.GpsAntennaOffsetX, 2.75);
    EXPECT_EQ(ArrayGeometry.ConsoleSeparation, 1.0);  // "2,75" is no number here
}
