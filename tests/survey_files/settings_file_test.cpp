// The settings file: its bytes, loading and saving, and what a damaged, old,
// unreadable or missing file does.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <functional>
#include <linux/capability.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
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
    "2.16", "E:\\Donn\xE9" "es\\Site 7\\", "9", "0",
    "1", "0", "1", "1", "0", "1", "1", "0", "1",                            // 6 two-sensor consoles, 15 sensors
    "12", "2", "3",
    "10", "11", "12", "13", "14", "15", "16", "17", "47",
    "0", "0", "0", "3", "0", "0", "4", "1", "255", "16777215",
    "-250.500000", "750.250000", "12.500000",
    "0", "8", "46", "5", "0", "2", "1", "3",
    "0.750000", "1.250000", "3.125000", "-0.400000", "ABCDEFGHIJ\xC5",
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

// Every numeric setting in file order (lines 3-50 and 52-79), read straight
// from the records; the two texts (lines 2 and 51) are checked on their own.
std::vector<double> NumericSettings() {
    const SystemSetupRecord& s = SystemSetup;
    const ProfileDisplayOptionsRecord& p = ProfileDisplayOptions;
    const GpsPortSetupRecord& g = GpsPortSetup;
    const ArrayGeometryRecord& a = ArrayGeometry;
    const SurveyParametersRecord& sp = SurveyParameters;
    const MapDisplayOptionsRecord& m = MapDisplayOptions;
    const GpsWarningMaskRecord& w = GpsWarningMask;
    const BackgroundFileOptionsRecord& b = BackgroundFileOptions;
    std::vector<double> v = {double(s.ConsoleCount), double(s.HeaderCode)};
    v.insert(v.end(), s.ConsoleType.begin(), s.ConsoleType.end());
    v.insert(v.end(), {double(s.LeadingPoint), double(s.DisplayUnits), double(s.SpeedUnits)});
    v.insert(v.end(), s.ConsolePort.begin(), s.ConsolePort.end());
    v.insert(v.end(), {double(AudioOptions.Ticks), double(AudioOptions.DisconnectionAlarm),
                       double(AudioOptions.GpsMaskWarning), double(s.PauseKey), double(p.Visible[0]),
                       double(p.Visible[1]), double(p.Thickness[0]), double(p.Thickness[1]), double(p.Color[0]),
                       double(p.Color[1]), ReadingsScale.Minimum, ReadingsScale.Maximum, SpeedBar.Scale,
                       double(g.InputMode), double(g.DataFormat), double(g.Port), double(g.BaudRate),
                       double(g.DataBits), double(g.Parity), double(g.StopBits), double(a.ArrayUnits),
                       a.UnitSeparation, a.ConsoleSeparation, a.GpsAntennaOffsetX, a.GpsAntennaOffsetY});
    v.insert(v.end(), {sp.LineIncrement, double(sp.LineSequence), double(sp.LineDirection), sp.StartStation,
                       sp.StationIncrement, double(m.CursorSize), double(m.PositionSize),
                       double(ProgramSettings.SpareInteger), double(m.CursorColor), double(m.PositionColor),
                       double(m.DisplayType), double(m.GridType), m.GridInterval, m.LinesAngle, double(m.MapSize),
                       double(m.CursorBand), double(w.Warning), double(w.MinQuality), double(w.MinSatellites),
                       w.MaxDilution, ProgramSettings.SpareReal, double(s.CoordinatesDisplay), double(b.FileType),
                       double(b.DisplayStyle), double(b.CoordinatesType), double(b.EastingColumn),
                       double(b.NorthingColumn), double(b.ColumnDelimiter)});
    return v;
}

// The value of file line `line` (1-based, numeric lines only) in the records.
double Setting(int line) { return NumericSettings().at(static_cast<size_t>(line < 51 ? line - 3 : line - 4)); }

// An 8-bit text as the 16-bit text it stands for (Latin-1).
std::u16string Latin1(const std::string& s) {
    std::u16string w;
    for (const char c : s) w += static_cast<char16_t>(static_cast<unsigned char>(c));
    return w;
}

// The records hold exactly what `lines` say, each value on its own line.
void ExpectSettingsOf(const Lines& lines) {
    ASSERT_EQ(NumericSettings().size(), 76u);
    EXPECT_EQ(std::u16string(ProgramSettings.DataFolder), Latin1(lines[1]));
    EXPECT_EQ(std::u16string(SurveyParameters.LineName), Latin1(lines[50]));
    for (int line = 3; line <= kSettingsLineCount; ++line) {
        if (line == 51) continue;
        EXPECT_EQ(Setting(line), std::strtod(lines[line - 1].c_str(), nullptr)) << "line " << line;
    }
}

// Root passes every permission bit. While this lives, the thread gives up the
// capabilities that override them (and takes them back after), so a folder
// without write permission, or a file without read permission, refuses root
// as it refuses an operator. Nothing changes for anyone else.
class PermissionBitsHold {
public:
    PermissionBitsHold() {
        if (syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        lowered_ = syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~PermissionBitsHold() {
        if (lowered_) syscall(SYS_capset, &header_, saved_);
    }
    PermissionBitsHold(const PermissionBitsHold&) = delete;
    PermissionBitsHold& operator=(const PermissionBitsHold&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool lowered_ = false;
};

// Whether this thread may do `mode` (R_OK, W_OK) to `path` as things stand.
bool Permitted(const std::string& path, int mode) { return faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0; }

class SettingsFileTest : public OstrimaTest {
protected:
    std::string Folder() const { return root_ + "/config/Brevant/Ostrima"; }
    std::string Path() const { return Folder() + "/OSTRMAWIN.INI"; }
    std::string TempPath() const { return Path() + ".tmp"; }
    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::PrepareProgramFolders());
    }
    bool Exists(const std::string& p) const {
        struct stat st {};
        return stat(p.c_str(), &st) == 0;
    }
};

}  // namespace

TEST_F(SettingsFileTest, MissingFileIsWrittenWithTheBuiltInValues) {
    EXPECT_TRUE(LoadSaveSettings(0));
    EXPECT_EQ(kBuiltInLines.size(), 79u);
    EXPECT_EQ(ReadWholeFile(Path()), Join(kBuiltInLines));
    EXPECT_FALSE(Exists(TempPath()));
    ExpectSettingsOf(kBuiltInLines);
    SystemSetup.ConsoleCount = 0;  // loaded again: "C:\" is still "C:\", the count comes back
    EXPECT_TRUE(LoadSaveSettings(0));
    ExpectSettingsOf(kBuiltInLines);
}

TEST_F(SettingsFileTest, EveryLineIsReadIntoItsFieldAndWrittenBackUnchanged) {
    WriteWholeFile(Path(), Join(kOtherLines));
    EXPECT_TRUE(LoadSaveSettings(0));
    ExpectSettingsOf(kOtherLines);
    // Derived as the file was read.
    EXPECT_EQ(SystemSetup.DualConsoleCount, 6);
    EXPECT_DOUBLE_EQ(ReadingsScale.CurvePixelsPerUnit, 126.0 / 1000.75);
    EXPECT_DOUBLE_EQ(ReadingsScale.DecayPixelsPerUnit, 126.0 / 1000.75);
    EXPECT_DOUBLE_EQ(ReadingsScale.ColourStep, 1000.75 / 50);
    EXPECT_EQ(SurveyParameters.CurrentStation, 100.0);
    EXPECT_EQ(MapDisplayOptions.CursorHalfSize, 9);      // cursor size 5 is drawn larger: not 8 and 17
    EXPECT_EQ(MapDisplayOptions.CursorOuterSize, 19);
    EXPECT_EQ(MapDisplayOptions.CursorBandPixels, 203);  // 40 % of 508 = 203.2, truncated
    EXPECT_DOUBLE_EQ(ArrayGeometry.ArrayWidth, 8 * 1.25 + 6 * 0.75);
    EXPECT_DOUBLE_EQ(ArrayGeometry.MapSwathLeft, (3.125 + 0.375) / 0.3048);

    ASSERT_TRUE(LoadSaveSettings(1));
    EXPECT_EQ(ReadWholeFile(Path()), Join(kOtherLines));
}

TEST_F(SettingsFileTest, AnotherVersionIsReplacedByTheValuesInMemory) {
    Lines old = kOtherLines;
    old[0] = "2.15";
    WriteWholeFile(Path(), Join(old));
    SystemSetup.ConsoleCount = 4;
    EXPECT_TRUE(LoadSaveSettings(0));
    Lines expected = kBuiltInLines;
    expected[2] = "4";
    ExpectSettingsOf(expected);
    EXPECT_EQ(ReadWholeFile(Path()), Join(expected));
}

TEST_F(SettingsFileTest, ShortFileGivesEachMissingLineItsBuiltInValue) {
    Lines part(kOtherLines.begin(), kOtherLines.begin() + 20);  // up to the 4th console port
    const std::string bytes = Join(part) + "9";                // and a line without its LF
    WriteWholeFile(Path(), bytes);
    SystemSetup.ConsolePort[5] = 30;
    EXPECT_TRUE(LoadSaveSettings(0));
    Lines expected = kBuiltInLines;  // not the line before, not memory
    std::copy(part.begin(), part.end(), expected.begin());
    expected[20] = "9";              // the last line is read as written
    ExpectSettingsOf(expected);
    EXPECT_EQ(SystemSetup.DualConsoleCount, 6);
    EXPECT_DOUBLE_EQ(ArrayGeometry.ArrayWidth, 8 * 1.0 + 6 * 1.0);  // derived after the last line all the same
    EXPECT_EQ(ReadWholeFile(Path()), bytes);                         // the file is left as it is
}

TEST_F(SettingsFileTest, ValueOutOfRangeOrNotANumberTakesItsBuiltInValue) {
    const struct { int line; const char* text; double expected; } cases[] = {
        {3, "10", 3}, {3, "-1", 3}, {3, "99999999999999999999", 3}, {3, "4294967298", 3},  // 2^32 + 2
        {3, "", 3}, {3, "2abc", 3}, {3, "  2 ", 2},                                         // blanks are fine
        {4, "9", 1}, {6, "2", 1}, {14, "19", 1}, {14, "7", 0},        // a sensor the 3 consoles lack: centre
        {17, "48", 3}, {32, "0", 2}, {34, "16777216", 0xFF0000}, {35, "-1", 0x00FF00},
        {36, "nan", 0}, {36, "1,5", 0}, {37, "inf", 500}, {37, "1e999", 500}, {38, "0.000000", 5},
        {38, "1e-7", 5}, {38, "0.0000004", 5}, {38, "0.000001", 0.000001},  // the save writes six decimals
        {38, "0.0000006", 0.000001}, {49, "2.1234564", 2.123456},            // kept as it will be saved
        {39, "3", 1},                                                  // averaging needs no consoles
        {40, "9", 0}, {47, "-nan", 1}, {49, "+2.75", 2.75}, {49, "+-2.75", 2.5}, {57, "6", 3},
        {64, "0.4", 5}, {65, "90.5", -60}, {66, "0", 40}, {66, "2147483648", 40}, {70, "13", 5},
        {71, "INF", 4}, {77, "24", 0}, {78, "0", 1},                   // the same column as the easting
        {79, "4", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.line) + ": \"" + c.text + "\"");
        // Memory holds another value first, to tell the built-in value from it.
        WriteWholeFile(Path(), Join(kOtherLines));
        ASSERT_TRUE(LoadSaveSettings(0));
        Lines lines = kBuiltInLines;
        lines[c.line - 1] = c.text;
        WriteWholeFile(Path(), Join(lines));
        ASSERT_TRUE(LoadSaveSettings(0));
        EXPECT_EQ(Setting(c.line), c.expected);
        // What the loader took survives a save and the next load.
        ASSERT_TRUE(LoadSaveSettings(1));
        ASSERT_TRUE(LoadSaveSettings(0));
        EXPECT_EQ(Setting(c.line), c.expected) << "after a save and a reload";
    }
}

TEST_F(SettingsFileTest, ReadingsScaleMaximumNotAboveMinimumIsMendedBeforeTheScalesAreDerived) {
    const struct { const char* min; const char* max; double wantMin, wantMax; } cases[] = {
        {"600.0", "500.0", 600, 700},
        {"100.0", "100.0", 100, 200},
        {"1e308", "1e308", 0, 500},   // + 100 is lost in the rounding
        {"-1e308", "1e308", 0, 500},  // the span is no finite number
        {"0.0000001", "0.0000003", 0, 100},  // equal at the file's six decimals
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
    Lines lines = kBuiltInLines;
    lines[1] = std::string(300, 'D');
    lines[2] = "5";
    lines[50] = "LINE-NAME-TOO-LONG";
    lines[51] = std::string(316, '0') + "7";  // as long as a line the save writes: read whole
    WriteWholeFile(Path(), Join(lines));
    ASSERT_TRUE(LoadSaveSettings(0));
    EXPECT_EQ(std::u16string(ProgramSettings.DataFolder), std::u16string(260, u'D'));
    EXPECT_EQ(SystemSetup.ConsoleCount, 5);
    EXPECT_EQ(std::u16string(SurveyParameters.LineName), u"LINE-NAME-T");
    EXPECT_EQ(SurveyParameters.LineIncrement, 7.0);
    EXPECT_EQ(SurveyParameters.LineSequence, 0);
}

TEST_F(SettingsFileTest, GarbageNeverCrashesAndLeavesEveryValueUsable) {
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
    ASSERT_EQ(std::system(("rm -rf '" + root_ + "/config'").c_str()), 0);
    SystemSetup.ConsoleCount = 6;
    EXPECT_FALSE(LoadSaveSettings(0));
    EXPECT_EQ(SystemSetup.ConsoleCount, 6);
    EXPECT_FALSE(LoadSaveSettings(1));
    EXPECT_FALSE(Exists(root_ + "/config"));
}

TEST_F(SettingsFileTest, FileThatCannotBeReadIsLeftAlone) {
    ASSERT_EQ(mkdir(Path().c_str(), 0755), 0);  // a folder where the file should be
    EXPECT_FALSE(LoadSaveSettings(0));
    struct stat st {};
    ASSERT_EQ(stat(Path().c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    ASSERT_EQ(rmdir(Path().c_str()), 0);

    WriteWholeFile(Path(), Join(kOtherLines));  // a file without read permission
    ASSERT_EQ(chmod(Path().c_str(), 0200), 0);
    const PermissionBitsHold hold;
    ASSERT_FALSE(Permitted(Path(), R_OK));
    SystemSetup.ConsoleCount = 2;
    EXPECT_FALSE(LoadSaveSettings(0));
    EXPECT_EQ(SystemSetup.ConsoleCount, 2);
    ASSERT_EQ(chmod(Path().c_str(), 0644), 0);
    EXPECT_EQ(ReadWholeFile(Path()), Join(kOtherLines));
}

TEST_F(SettingsFileTest, WhatIsNotASettingsFileIsNeitherWaitedOnNorReadNorDestroyed) {
    // What stands at the path, told apart well enough to see it was left alone.
    const auto snapshot = [this] {
        struct stat st {};
        if (lstat(Path().c_str(), &st) != 0) return std::string("nothing");
        if (S_ISFIFO(st.st_mode)) return std::string("FIFO");
        if (S_ISDIR(st.st_mode)) return std::string("folder");
        if (S_ISLNK(st.st_mode)) {
            char target[256] = "";
            const ssize_t n = readlink(Path().c_str(), target, sizeof target - 1);
            return "link to " + std::string(target, n > 0 ? static_cast<size_t>(n) : 0);
        }
        return "file " + ReadWholeFile(Path());
    };
    Lines longLine = kOtherLines;
    longLine[51] = std::string(317, '0') + "7";  // one past the longest line the save writes
    std::string big = Join(kOtherLines);
    while (big.size() <= 2u << 20) big += "0\r\n";  // a settings file, then 2 MiB of lines
    struct Case {
        const char* what;
        std::function<void()> make;
        int loaded;     // LoadSaveSettings(0)
        bool replaced;  // a save writes a settings file in its place
    };
    const std::vector<Case> cases = {
        {"a FIFO", [this] { ASSERT_EQ(mkfifo(Path().c_str(), 0644), 0); }, kSettingsFailed, false},
        {"a link to an endless device", [this] { ASSERT_EQ(symlink("/dev/zero", Path().c_str()), 0); },
         kSettingsFailed, false},
        {"a folder", [this] { ASSERT_EQ(mkdir(Path().c_str(), 0755), 0); }, kSettingsFailed, false},
        {"a 2 MiB file", [&] { WriteWholeFile(Path(), big); }, kSettingsKeptAside, true},
        {"an over-long line", [&] { WriteWholeFile(Path(), Join(longLine)); }, kSettingsKeptAside, true},
        {"a settings file", [this] { WriteWholeFile(Path(), Join(kOtherLines)); }, kSettingsDone, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSurveyModel();
        c.make();
        const std::string before = snapshot();
        EXPECT_EQ(LoadSaveSettings(0), c.loaded);
        ExpectSettingsOf(c.loaded == kSettingsDone ? kOtherLines : kBuiltInLines);
        if (c.loaded == kSettingsKeptAside) {
            // Not read, but kept whole under another name.
            EXPECT_EQ("file " + ReadWholeFile(Path() + ".1"), before);
            std::filesystem::remove(Path() + ".1");
        } else {
            EXPECT_EQ(snapshot(), before);
        }
        // A later save, after a setup dialog's OK.
        EXPECT_EQ(LoadSaveSettings(1), c.replaced);
        EXPECT_EQ(snapshot(), c.replaced ? "file " + Join(c.loaded == kSettingsDone ? kOtherLines : kBuiltInLines)
                                         : before);
        EXPECT_FALSE(Exists(TempPath()));
        std::filesystem::remove(Path());
    }
}

TEST_F(SettingsFileTest, FailedSaveKeepsTheOldFileAndRemovesTheTemporary) {
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

    ASSERT_EQ(mkdir(TempPath().c_str(), 0755), 0);  // the temporary cannot be made at all
    EXPECT_FALSE(LoadSaveSettings(1));
    EXPECT_EQ(ReadWholeFile(Path()), Join(kOtherLines));
    ASSERT_EQ(rmdir(TempPath().c_str()), 0);
    EXPECT_TRUE(LoadSaveSettings(1));
    EXPECT_EQ(ReadWholeFile(Path()).substr(0, 9), "2.16\r\nC:\\");
}

TEST_F(SettingsFileTest, CommaDecimalLocaleChangesNothingWrittenOrRead) {
    // A locale whose decimal point is a comma, made here so that the test
    // never depends on which locales the machine has.
    WriteWholeFile(root_ + "/comma.def", "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\ngrouping 3;3\n"
                                         "END LC_NUMERIC\n");
    const std::string make = "localedef -c -i '" + root_ + "/comma.def' '" + root_ + "/xx_COMMA' >/dev/null 2>&1";
    if (std::system(make.c_str()) == -1) GTEST_SKIP() << "cannot run localedef";  // it warns of the categories left out
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    setenv("LOCPATH", root_.c_str(), 1);
    const bool comma = std::setlocale(LC_NUMERIC, "xx_COMMA") != nullptr && *std::localeconv()->decimal_point == ',';
    unsetenv("LOCPATH");
    if (!comma) GTEST_SKIP() << "no locale with a decimal comma could be made";

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

namespace {

// The boxes TellSettingsResult showed for `result`, each answered with OK.
std::vector<std::u16string> Told(int result) {
    plat::test::ClearRecordedMessageBoxes();
    plat::test::ScriptModal({plat::ModalKind::MessageBox, plat::kIdOk, u"", 0, {}});
    EXPECT_EQ(TellSettingsResult(0, result), result);
    std::vector<std::u16string> texts;
    for (const auto& box : plat::test::RecordedMessageBoxes()) {
        EXPECT_EQ(box.Title, u"WARNING");
        texts.push_back(box.Text);
    }
    if (texts.empty()) plat::test::ClearModalScript();  // the answer was not needed
    return texts;
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
    return s;
}

}  // namespace

// What an editor does to the file on saving it is read as the same file: the
// values are taken, the file is left as the editor wrote it, nobody is told.
TEST_F(SettingsFileTest, FileAnEditorSavedIsReadAsTheSameFile) {
    const std::string canonical = Join(kOtherLines);
    // Blanks after every value: a tab and spaces after numbers, spaces after
    // the data folder's final separator (the line name keeps its own).
    Lines blanks = kOtherLines;
    for (size_t i = 0; i < blanks.size(); ++i) {
        if (i != 50) blanks[i] += i % 2 == 0 ? " \t " : "  ";
    }
    const struct { const char* what; std::string bytes; } cases[] = {
        {"UTF-8 byte order mark", "\xEF\xBB\xBF" + canonical},
        {"blank after the version", Replace(canonical, "2.16\r\n", "2.16 \r\n")},
        {"tab after the version", Replace(canonical, "2.16\r\n", "2.16\t\r\n")},
        {"blanks after every value", Join(blanks)},
        {"LF line ends", Replace(canonical, "\r\n", "\n")},
        {"CR CR LF line ends", Replace(canonical, "\r\n", "\r\r\n")},
        {"all of them", "\xEF\xBB\xBF" + Replace(Join(blanks), "\r\n", "\n")},
        {"no line end after the last line", canonical.substr(0, canonical.size() - 2)},
        {"a CR alone after the last line", canonical.substr(0, canonical.size() - 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSurveyModel();
        WriteWholeFile(Path(), c.bytes);
        const int result = LoadSaveSettings(0);
        EXPECT_EQ(result, kSettingsDone);
        ExpectSettingsOf(kOtherLines);
        EXPECT_EQ(ReadWholeFile(Path()), c.bytes);
        EXPECT_TRUE(Told(result).empty());
        ASSERT_EQ(LoadSaveSettings(1), kSettingsDone);
        EXPECT_EQ(ReadWholeFile(Path()), canonical);
    }
}

// A file still not understood is renamed aside to a name nothing has, the
// values in memory take its place, and the operator is told once, with the
// name. An empty file holds nothing to keep: it is written afresh untold.
TEST_F(SettingsFileTest, FileNotUnderstoodIsKeptUnderAFreeNameAndToldOnce) {
    Lines old = kOtherLines;
    old[0] = "2.15";
    const std::string utf16 = std::string("\xFF\xFE" "2\0.\0" "1\0" "6\0\r\0\n\0", 14);  // "2.16" as UTF-16
    const struct { const char* what; std::string bytes; const char* taken; const char* keptAs; } cases[] = {
        {"another version", Join(old), nullptr, ".1"},
        {"UTF-16 text", utf16 + Join(kOtherLines), nullptr, ".1"},
        {"version only in a later line", "\r\n" + Join(kOtherLines), nullptr, ".1"},
        {"the first free name taken", Join(old), ".1", ".2"},
        {"empty", "", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(Folder());
        ASSERT_TRUE(plat::PrepareProgramFolders());
        if (c.taken != nullptr) WriteWholeFile(Path() + c.taken, "the operator's own");
        WriteWholeFile(Path(), c.bytes);
        SystemSetup.ConsoleCount = 4;  // the value in memory goes into the new file
        const int result = LoadSaveSettings(0);
        Lines expected = kBuiltInLines;
        expected[2] = "4";
        EXPECT_EQ(ReadWholeFile(Path()), Join(expected));
        const std::vector<std::u16string> told = Told(result);
        if (c.keptAs == nullptr) {
            EXPECT_EQ(result, kSettingsDone);
            EXPECT_TRUE(told.empty());
        } else {
            EXPECT_EQ(result, kSettingsKeptAside);
            EXPECT_EQ(ReadWholeFile(Path() + c.keptAs), c.bytes);
            const std::string kept = Path() + c.keptAs;
            EXPECT_EQ(told, std::vector<std::u16string>{u"The settings file could not be understood. It is kept as\r\n" +
                                                        Latin1(kept) + u"\r\nDefault settings are used."});
        }
        if (c.taken != nullptr) {
            EXPECT_EQ(ReadWholeFile(Path() + c.taken), "the operator's own");
        }
        // Loaded again (the logging screen does at its creation): nothing more to tell.
        EXPECT_EQ(LoadSaveSettings(0), kSettingsDone);
        EXPECT_TRUE(Told(kSettingsDone).empty());
    }
}

// A save that fails says so, and why; the old file stays as it was and no
// temporary is left. A load that merely could not write is not told.
TEST_F(SettingsFileTest, FailedSaveIsToldWithItsReasonAndKeepsTheOldFile) {
    const struct { const char* what; std::function<void()> make; const char16_t* why; } cases[] = {
        {"disk full at once", [] { plat::test::FailFileWritesAfter(0); }, u"the disk is full"},
        {"disk full mid-way", [] { plat::test::FailFileWritesAfter(100); }, u"the disk is full"},
        {"folder gone", [this] { std::filesystem::remove_all(Folder()); }, u"its folder does not exist"},
        {"a folder in the file's place", [this] {
             std::filesystem::remove(Path());
             std::filesystem::create_directory(Path());
         }, u"something other than a file has its name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(Folder());
        ASSERT_TRUE(plat::PrepareProgramFolders());
        WriteWholeFile(Path(), Join(kOtherLines));
        ResetSurveyModel();
        c.make();
        const std::string before = ReadWholeFile(Path());
        const int result = LoadSaveSettings(1);
        plat::test::FailFileWritesAfter(-1);
        EXPECT_EQ(result, kSettingsFailed);
        EXPECT_EQ(Told(result), std::vector<std::u16string>{u"The settings could not be saved: " + std::u16string(c.why) +
                                                            u".\r\nThe changes hold only until the program ends."});
        EXPECT_EQ(ReadWholeFile(Path()), before);
        EXPECT_FALSE(Exists(TempPath()));
    }
    std::filesystem::remove_all(Folder());
    EXPECT_EQ(LoadSaveSettings(0), kSettingsFailed);  // nothing to read, nothing could be written
    EXPECT_TRUE(Told(kSettingsFailed).empty());
}

// A settings file that is a link to a file elsewhere: saves replace the
// target the same safe way and the link stays; a target not understood is
// kept aside next to it.
TEST_F(SettingsFileTest, LinkToAFileIsSavedThroughAndKept) {
    const std::string elsewhere = root_ + "/survey-kit";
    std::filesystem::create_directory(elsewhere);
    const std::string target = elsewhere + "/site.ini";
    for (const std::string& link : {target, std::string("../../../survey-kit/site.ini")}) {
        SCOPED_TRACE(link);
        std::filesystem::remove(Path());
        WriteWholeFile(target, Join(kOtherLines));
        ASSERT_EQ(symlink(link.c_str(), Path().c_str()), 0);
        ResetSurveyModel();
        ASSERT_EQ(LoadSaveSettings(0), kSettingsDone);
        ExpectSettingsOf(kOtherLines);
        SystemSetup.ConsoleCount = 8;
        ASSERT_EQ(LoadSaveSettings(1), kSettingsDone);
        EXPECT_TRUE(std::filesystem::is_symlink(Path()));
        EXPECT_EQ(std::filesystem::read_symlink(Path()).string(), link);
        Lines expected = kOtherLines;
        expected[2] = "8";
        EXPECT_EQ(ReadWholeFile(target), Join(expected));
        EXPECT_FALSE(Exists(TempPath()));
        EXPECT_FALSE(Exists(target + ".tmp"));
    }
    WriteWholeFile(target, "2.15\r\n");
    EXPECT_EQ(LoadSaveSettings(0), kSettingsKeptAside);
    EXPECT_EQ(Told(kSettingsKeptAside).size(), 1u);
    EXPECT_TRUE(std::filesystem::is_symlink(Path()));
    EXPECT_EQ(ReadWholeFile(target + ".1"), "2.15\r\n");
    EXPECT_EQ(ReadWholeFile(target).substr(0, 6), "2.16\r\n");
}

// What a link or the folder's permissions leave in the way. A link to a file
// not made yet is followed and the file made there, the link kept; a link
// into a folder that is not there, and a file not understood that cannot be
// kept aside, are left as they are and told once (the logging screen's load
// at start says nothing more). A save keeps the file's permissions.
TEST_F(SettingsFileTest, WhatALinkOrPermissionsLeaveIsKeptAndToldOnce) {
    const PermissionBitsHold hold;
    const std::string kit = root_ + "/survey-kit";
    const std::string unplugged = root_ + "/unplugged/site.ini";
    const auto linkStays = [this](const std::string& to) {
        EXPECT_TRUE(std::filesystem::is_symlink(Path()));
        std::error_code notALink;
        EXPECT_EQ(std::filesystem::read_symlink(Path(), notALink).string(), to);
    };
    const struct {
        const char* what;
        std::function<void()> make;
        int loaded;
        std::u16string told;  // by the first load; u"" nothing
        int saved;
        std::function<void()> check;  // after the loads and the save
    } cases[] = {
        {"a link to a file not made yet",
         [&] {
             std::filesystem::create_directory(kit);
             ASSERT_EQ(symlink("../../../survey-kit/site.ini", Path().c_str()), 0);
         },
         kSettingsDone, u"", kSettingsDone,
         [&] {
             linkStays("../../../survey-kit/site.ini");
             EXPECT_EQ(ReadWholeFile(kit + "/site.ini"), Join(kBuiltInLines));
             EXPECT_FALSE(Exists(kit + "/site.ini.tmp"));
         }},
        {"a link into a folder not there", [&] { ASSERT_EQ(symlink(unplugged.c_str(), Path().c_str()), 0); },
         kSettingsFailed,
         u"The settings file is a link to\r\n" + Latin1(unplugged) +
             u"\r\nwhere it could not be made: its folder does not exist.\r\nDefault settings are used.",
         kSettingsFailed,
         [&] {
             linkStays(unplugged);
             EXPECT_FALSE(Exists(root_ + "/unplugged"));
         }},
        {"a file not understood in a folder that cannot be written",
         [this] {
             WriteWholeFile(Path(), "2.15\r\n");
             ASSERT_EQ(chmod(Folder().c_str(), 0555), 0);
             ASSERT_FALSE(Permitted(Folder(), W_OK));
         },
         kSettingsFailed,
         u"The settings file could not be understood. It is left as it is at\r\n" + Latin1(Path()) +
             u"\r\nbecause it could not be kept aside: writing there is not permitted.\r\nDefault settings are used.",
         kSettingsFailed,
         [this] {
             ASSERT_EQ(chmod(Folder().c_str(), 0755), 0);
             EXPECT_EQ(ReadWholeFile(Path()), "2.15\r\n");
             EXPECT_FALSE(Exists(Path() + ".1"));
         }},
        {"a file only its owner may read",
         [this] {
             WriteWholeFile(Path(), Join(kOtherLines));
             ASSERT_EQ(chmod(Path().c_str(), 0600), 0);
         },
         kSettingsDone, u"", kSettingsDone,
         [this] {
             struct stat st {};
             ASSERT_EQ(stat(Path().c_str(), &st), 0);
             EXPECT_EQ(st.st_mode & 07777, 0600u);
             EXPECT_EQ(ReadWholeFile(Path()), Join(kOtherLines));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(Folder());
        ASSERT_TRUE(plat::PrepareProgramFolders());
        ResetSurveyModel();
        c.make();
        const int loaded = LoadSaveSettings(0);
        EXPECT_EQ(loaded, c.loaded);
        EXPECT_EQ(Told(loaded), c.told.empty() ? std::vector<std::u16string>{} : std::vector<std::u16string>{c.told});
        EXPECT_EQ(LoadSaveSettings(0), c.loaded);  // the logging screen's load
        EXPECT_TRUE(Told(c.loaded).empty());
        EXPECT_EQ(LoadSaveSettings(1), c.saved);
        EXPECT_FALSE(Exists(TempPath()));
        c.check();
    }
}
