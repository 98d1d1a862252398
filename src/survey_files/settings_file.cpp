#include "survey_files/settings_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <string>

#include "log_screen/curve_grid.h"
#include "platform/message_box.h"
#include "survey_files/block_reader.h"
#include "survey_files/settings_derived.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

// Longest line the save writes: a "%f" of the largest double, its sign
// included, is 317 characters; the data folder takes at most 260.
constexpr int kLongestSavedLine = 317;
constexpr size_t kLineBytes = 512;  // holds the longest line and tells a longer one
// A file of 79 such lines stays far below this; anything bigger is not a
// settings file (a log or an image saved under its name) and is not read.
constexpr int64_t kLargestSettingsFile = 1024 * 1024;

constexpr double kNoLimit = std::numeric_limits<double>::max();
constexpr double kAboveZero = std::numeric_limits<double>::min();  // smallest positive double
constexpr double kColourMax = 0xFFFFFF;                              // 0x00BBGGRR
constexpr double kInt32Max = std::numeric_limits<int32_t>::max();
constexpr double kInt32Min = std::numeric_limits<int32_t>::min();

// The built-in values, for a line that is missing or out of range.
constexpr ProgramSettingsRecord kProgramDefaults{};
constexpr SystemSetupRecord kSystemDefaults{};
constexpr ArrayGeometryRecord kArrayDefaults{};
constexpr GpsPortSetupRecord kGpsPortDefaults{};
constexpr GpsWarningMaskRecord kMaskDefaults{};
constexpr SurveyParametersRecord kSurveyDefaults{};
constexpr MapDisplayOptionsRecord kMapDefaults{};
constexpr ProfileDisplayOptionsRecord kProfileDefaults{};
constexpr ReadingsScaleRecord kScaleDefaults{};
constexpr SpeedBarRecord kSpeedDefaults{};
constexpr AudioOptionsRecord kAudioDefaults{};
constexpr BackgroundFileOptionsRecord kBackgroundDefaults{};

// ---------------------------------------------------------------------------
// Derivations made as the file is read, after the line whose value they need.

void CheckReadingsScale() {
    if (!(ReadingsScale.Maximum > ReadingsScale.Minimum)) ReadingsScale.Maximum = ReadingsScale.Minimum + 100.0;
    // Near the limits of a double "+ 100" changes nothing, and a span past the
    // largest double has no pixel scale: back to the built-in scale.
    if (!(ReadingsScale.Maximum > ReadingsScale.Minimum) ||
        !std::isfinite(ReadingsScale.Maximum - ReadingsScale.Minimum)) {
        ReadingsScale.Minimum = kScaleDefaults.Minimum;
        ReadingsScale.Maximum = kScaleDefaults.Maximum;
    }
}

void AfterConsoleTypes() { DeriveConsoleCounts(); }

void AfterReadingsScale() {
    CheckReadingsScale();
    DeriveScalePixels();
    ComputeCurveGrid();
    ComputeDecayGrid();
}

void AfterStationIncrement() { SurveyParameters.CurrentStation = SurveyParameters.StartStation; }

void AfterCursorSize() { UpdateCursorSize(); }

void AfterCursorBand() { DeriveCursorBandPixels(); }

// Values whose range depends on another line.
void CheckDependentValues() {
    if (BackgroundFileOptions.EastingColumn == BackgroundFileOptions.NorthingColumn) {
        BackgroundFileOptions.EastingColumn = kBackgroundDefaults.EastingColumn;
        BackgroundFileOptions.NorthingColumn = kBackgroundDefaults.NorthingColumn;
    }
    // With consoles the GPS is only off or on; the averaging modes are for
    // surveys without consoles.
    if (SystemSetup.ConsoleCount > 0 && GpsPortSetup.InputMode > 1) {
        GpsPortSetup.InputMode = kGpsPortDefaults.InputMode;
    }
    // A leading sensor the array does not have becomes the array centre, as
    // the system dialog does.
    int sensors = 0;
    for (int i = 0; i < SystemSetup.ConsoleCount && i < kMaxConsoles; ++i) sensors += SystemSetup.ConsoleSensorCount[i];
    if (SystemSetup.LeadingPoint > sensors) SystemSetup.LeadingPoint = 0;
}

void AfterLastLine() {
    CheckDependentValues();
    DeriveArrayGeometry();
}

// ---------------------------------------------------------------------------
// The lines of the file after the version line, in file order.

enum class LineKind { Int, Colour, Real, Text };

struct SettingsLine {
    LineKind Kind;
    int32_t* Int;
    Colour* Col;
    double* Real;
    char16_t* Text;
    size_t TextChars;               // capacity without the terminator
    const char16_t* TextDefault;
    double BuiltIn;                 // numeric kinds
    double Lo, Hi;                  // accepted values, inclusive
    void (*After)();                // derivation that needs this line's value
};

constexpr SettingsLine IntLine(int32_t& field, int32_t builtIn, double lo, double hi, void (*after)() = nullptr) {
    return {LineKind::Int, &field, nullptr, nullptr, nullptr, 0, nullptr, static_cast<double>(builtIn), lo, hi, after};
}
constexpr SettingsLine ColourLine(Colour& field, Colour builtIn) {
    return {LineKind::Colour, nullptr, &field, nullptr, nullptr, 0, nullptr, static_cast<double>(builtIn), 0, kColourMax, nullptr};
}
constexpr SettingsLine RealLine(double& field, double builtIn, double lo = -kNoLimit, double hi = kNoLimit,
                                void (*after)() = nullptr) {
    return {LineKind::Real, nullptr, nullptr, &field, nullptr, 0, nullptr, builtIn, lo, hi, after};
}
constexpr SettingsLine TextLine(char16_t* field, size_t chars, const char16_t* builtIn) {
    return {LineKind::Text, nullptr, nullptr, nullptr, field, chars, builtIn, 0, 0, 0, nullptr};
}

constexpr SettingsLine kSettingsLines[] = {
    TextLine(ProgramSettings.DataFolder, kDataFolderChars, kProgramDefaults.DataFolder),       // 2
    IntLine(SystemSetup.ConsoleCount, kSystemDefaults.ConsoleCount, 0, kMaxConsoles),          // 3 (0: no console)
    IntLine(SystemSetup.HeaderCode, kSystemDefaults.HeaderCode, 0, 8),                         // 4 written + 1 as one digit
    IntLine(SystemSetup.ConsoleType[0], kSystemDefaults.ConsoleType[0], 0, 1),                 // 5..13 0 one sensor, 1 two
    IntLine(SystemSetup.ConsoleType[1], kSystemDefaults.ConsoleType[1], 0, 1),
    IntLine(SystemSetup.ConsoleType[2], kSystemDefaults.ConsoleType[2], 0, 1),
    IntLine(SystemSetup.ConsoleType[3], kSystemDefaults.ConsoleType[3], 0, 1),
    IntLine(SystemSetup.ConsoleType[4], kSystemDefaults.ConsoleType[4], 0, 1),
    IntLine(SystemSetup.ConsoleType[5], kSystemDefaults.ConsoleType[5], 0, 1),
    IntLine(SystemSetup.ConsoleType[6], kSystemDefaults.ConsoleType[6], 0, 1),
    IntLine(SystemSetup.ConsoleType[7], kSystemDefaults.ConsoleType[7], 0, 1),
    IntLine(SystemSetup.ConsoleType[8], kSystemDefaults.ConsoleType[8], 0, 1, AfterConsoleTypes),
    IntLine(SystemSetup.LeadingPoint, kSystemDefaults.LeadingPoint, 0, kMaxSensors),           // 14 0 centre, n sensor n
    IntLine(SystemSetup.DisplayUnits, kSystemDefaults.DisplayUnits, 0, 2),                     // 15 m, ft, US ft
    IntLine(SystemSetup.SpeedUnits, kSystemDefaults.SpeedUnits, 0, 3),                         // 16 m/s, ft/s, km/h, mph
    IntLine(SystemSetup.ConsolePort[0], kSystemDefaults.ConsolePort[0], 0, 47),                // 17..25 COM(n+1)
    IntLine(SystemSetup.ConsolePort[1], kSystemDefaults.ConsolePort[1], 0, 47),
    IntLine(SystemSetup.ConsolePort[2], kSystemDefaults.ConsolePort[2], 0, 47),
    IntLine(SystemSetup.ConsolePort[3], kSystemDefaults.ConsolePort[3], 0, 47),
    IntLine(SystemSetup.ConsolePort[4], kSystemDefaults.ConsolePort[4], 0, 47),
    IntLine(SystemSetup.ConsolePort[5], kSystemDefaults.ConsolePort[5], 0, 47),
    IntLine(SystemSetup.ConsolePort[6], kSystemDefaults.ConsolePort[6], 0, 47),
    IntLine(SystemSetup.ConsolePort[7], kSystemDefaults.ConsolePort[7], 0, 47),
    IntLine(SystemSetup.ConsolePort[8], kSystemDefaults.ConsolePort[8], 0, 47),
    IntLine(AudioOptions.Ticks, kAudioDefaults.Ticks, 0, 1),                                   // 26
    IntLine(AudioOptions.DisconnectionAlarm, kAudioDefaults.DisconnectionAlarm, 0, 1),         // 27
    IntLine(AudioOptions.GpsMaskWarning, kAudioDefaults.GpsMaskWarning, 0, 1),                 // 28
    IntLine(SystemSetup.PauseKey, kSystemDefaults.PauseKey, 0, 3),                             // 29 any, Enter, Space, P
    IntLine(ProfileDisplayOptions.Visible[0], kProfileDefaults.Visible[0], 0, 1),              // 30 left curve
    IntLine(ProfileDisplayOptions.Visible[1], kProfileDefaults.Visible[1], 0, 1),              // 31 right curve
    IntLine(ProfileDisplayOptions.Thickness[0], kProfileDefaults.Thickness[0], 1, 4),          // 32 pen width px
    IntLine(ProfileDisplayOptions.Thickness[1], kProfileDefaults.Thickness[1], 1, 4),          // 33
    ColourLine(ProfileDisplayOptions.Color[0], kProfileDefaults.Color[0]),                     // 34
    ColourLine(ProfileDisplayOptions.Color[1], kProfileDefaults.Color[1]),                     // 35
    RealLine(ReadingsScale.Minimum, kScaleDefaults.Minimum),                                   // 36
    RealLine(ReadingsScale.Maximum, kScaleDefaults.Maximum, -kNoLimit, kNoLimit, AfterReadingsScale),  // 37
    RealLine(SpeedBar.Scale, kSpeedDefaults.Scale, kAboveZero),                                // 38 above the bar's 0
    IntLine(GpsPortSetup.InputMode, kGpsPortDefaults.InputMode, 0, 6),                         // 39
    IntLine(GpsPortSetup.DataFormat, kGpsPortDefaults.DataFormat, 0, 8),                       // 40
    IntLine(GpsPortSetup.Port, kGpsPortDefaults.Port, 0, 47),                                  // 41 COM(n+1)
    IntLine(GpsPortSetup.BaudRate, kGpsPortDefaults.BaudRate, 0, 5),                           // 42 4800..115200
    IntLine(GpsPortSetup.DataBits, kGpsPortDefaults.DataBits, 0, 1),                           // 43 seven, eight
    IntLine(GpsPortSetup.Parity, kGpsPortDefaults.Parity, 0, 2),                               // 44 none, even, odd
    IntLine(GpsPortSetup.StopBits, kGpsPortDefaults.StopBits, 0, 1),                           // 45 one, two
    IntLine(ArrayGeometry.ArrayUnits, kArrayDefaults.ArrayUnits, 0, 3),                        // 46 m, cm, ft, in
    RealLine(ArrayGeometry.UnitSeparation, kArrayDefaults.UnitSeparation),                     // 47 metres
    RealLine(ArrayGeometry.ConsoleSeparation, kArrayDefaults.ConsoleSeparation),               // 48
    RealLine(ArrayGeometry.GpsAntennaOffsetX, kArrayDefaults.GpsAntennaOffsetX),               // 49
    RealLine(ArrayGeometry.GpsAntennaOffsetY, kArrayDefaults.GpsAntennaOffsetY),               // 50
    TextLine(SurveyParameters.LineName, kLineNameChars, kSurveyDefaults.LineName),             // 51
    RealLine(SurveyParameters.LineIncrement, kSurveyDefaults.LineIncrement),                   // 52
    IntLine(SurveyParameters.LineSequence, kSurveyDefaults.LineSequence, 0, 1),                // 53 Alternate, One Way
    IntLine(SurveyParameters.LineDirection, kSurveyDefaults.LineDirection, 0, 3),              // 54 W, S, N, E
    RealLine(SurveyParameters.StartStation, kSurveyDefaults.StartStation),                     // 55
    RealLine(SurveyParameters.StationIncrement, kSurveyDefaults.StationIncrement, -kNoLimit, kNoLimit,
             AfterStationIncrement),                                                           // 56
    IntLine(MapDisplayOptions.CursorSize, kMapDefaults.CursorSize, 0, 5, AfterCursorSize),     // 57
    IntLine(MapDisplayOptions.PositionSize, kMapDefaults.PositionSize, 0, 5),                  // 58
    IntLine(ProgramSettings.SpareInteger, kProgramDefaults.SpareInteger, kInt32Min, kInt32Max),  // 59
    ColourLine(MapDisplayOptions.CursorColor, kMapDefaults.CursorColor),                       // 60
    ColourLine(MapDisplayOptions.PositionColor, kMapDefaults.PositionColor),                   // 61
    IntLine(MapDisplayOptions.DisplayType, kMapDefaults.DisplayType, 0, 1),                    // 62 positions, colour map
    IntLine(MapDisplayOptions.GridType, kMapDefaults.GridType, 0, 1),                          // 63 grid, parallel lines
    RealLine(MapDisplayOptions.GridInterval, kMapDefaults.GridInterval, 0.5),                  // 64 display units
    RealLine(MapDisplayOptions.LinesAngle, kMapDefaults.LinesAngle, -90.0, 90.0),              // 65 degrees
    IntLine(MapDisplayOptions.MapSize, kMapDefaults.MapSize, 1, kInt32Max),                    // 66 display units
    IntLine(MapDisplayOptions.CursorBand, kMapDefaults.CursorBand, 0, 6, AfterCursorBand),     // 67 10..40 %
    IntLine(GpsWarningMask.Warning, kMaskDefaults.Warning, 0, 1),                              // 68
    IntLine(GpsWarningMask.MinQuality, kMaskDefaults.MinQuality, 0, 4),                        // 69
    IntLine(GpsWarningMask.MinSatellites, kMaskDefaults.MinSatellites, 3, 12),                 // 70
    RealLine(GpsWarningMask.MaxDilution, kMaskDefaults.MaxDilution),                           // 71
    RealLine(ProgramSettings.SpareReal, kProgramDefaults.SpareReal),                           // 72
    IntLine(SystemSetup.CoordinatesDisplay, kSystemDefaults.CoordinatesDisplay, 0, 3),         // 73
    IntLine(BackgroundFileOptions.FileType, kBackgroundDefaults.FileType, 0, 1),               // 74
    IntLine(BackgroundFileOptions.DisplayStyle, kBackgroundDefaults.DisplayStyle, 0, 3),       // 75
    IntLine(BackgroundFileOptions.CoordinatesType, kBackgroundDefaults.CoordinatesType, 0, 3),  // 76
    IntLine(BackgroundFileOptions.EastingColumn, kBackgroundDefaults.EastingColumn, 0, 23),    // 77
    IntLine(BackgroundFileOptions.NorthingColumn, kBackgroundDefaults.NorthingColumn, 0, 23),  // 78
    IntLine(BackgroundFileOptions.ColumnDelimiter, kBackgroundDefaults.ColumnDelimiter, 0, 3, AfterLastLine),  // 79
};
static_assert(std::size(kSettingsLines) == kSettingsLineCount - 1, "one row per line after the version");

// ---------------------------------------------------------------------------
// Conversions. Numbers are written and read the same way whatever the
// locale: integers in decimal, reals with a decimal point and six decimals.

// Blanks an editor may leave around a value: spaces, tabs and a stray CR (a
// CR LF line end saved again as CR CR LF).
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool OnlyBlanks(const char* s) {
    while (IsBlank(*s)) ++s;
    return *s == 0;
}

// Drops from the end of a text what an editor leaves and the program never
// writes: a stray CR or a tab, and blanks after a folder's final separator.
// Other spaces are kept, for the operator may have typed them in a name.
void TrimEditorBlanks(char* text) {
    size_t n = std::strlen(text);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\t')) text[--n] = 0;
    size_t end = n;
    while (end > 0 && IsBlank(text[end - 1])) --end;
    if (end > 0 && (text[end - 1] == '\\' || text[end - 1] == '/')) text[end] = 0;
}

// A whole line holding one decimal integer (blanks around it allowed).
bool ParseInteger(const char* s, long& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s, &end, 10);
    if (end == s || errno == ERANGE || !OnlyBlanks(end)) return false;
    out = v;
    return true;
}

// A whole line holding one finite real (blanks around it allowed).
bool ParseReal(const char* s, double& out) {
    while (IsBlank(*s)) ++s;
    if (*s == '+' && s[1] != '-') ++s;
    const char* end = s + std::strlen(s);
    double v = 0.0;
    const auto [stop, ec] = std::from_chars(s, end, v);
    if (ec != std::errc{} || !OnlyBlanks(stop) || !std::isfinite(v)) return false;
    out = v;
    return true;
}

// A real as the save writes it ("%f": six decimals) and reads it back.
// Values are kept so rounded and checked against their range only then, so
// that whatever the loader took survives a save and the next load unchanged
// (a speed scale of 0.0000004 would be saved as 0 and refused on the next
// start; two scale limits 0.0000002 apart would be saved equal).
double SavedReal(double value) {
    char text[kLineBytes];
    const auto [stop, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    double back = value;
    if (ec == std::errc{}) std::from_chars(text, stop, back);
    return back;
}

// Stores one line's text into its field; `text` null when the file ended
// before this line. A value that is missing, not a number or out of range
// gives the field its built-in value.
void StoreLine(const SettingsLine& line, const char* text) {
    long n = 0;
    double r = 0.0;
    switch (line.Kind) {
        case LineKind::Int:
            *line.Int = text != nullptr && ParseInteger(text, n) && n >= line.Lo && n <= line.Hi
                            ? static_cast<int32_t>(n)
                            : static_cast<int32_t>(line.BuiltIn);
            break;
        case LineKind::Colour:
            *line.Col = text != nullptr && ParseInteger(text, n) && n >= line.Lo && n <= line.Hi
                            ? static_cast<Colour>(n)
                            : static_cast<Colour>(line.BuiltIn);
            break;
        case LineKind::Real:
            if (text != nullptr && ParseReal(text, r)) {
                r = SavedReal(r);
                *line.Real = r >= line.Lo && r <= line.Hi ? r : line.BuiltIn;
            } else {
                *line.Real = line.BuiltIn;
            }
            break;
        case LineKind::Text:
            if (text != nullptr) {
                // Cut to the field first, so that what is kept is what the
                // next save writes and the next load reads back unchanged.
                char kept[kLineBytes];
                std::snprintf(kept, sizeof kept, "%s", text);
                if (std::strlen(kept) > line.TextChars) kept[line.TextChars] = 0;
                TrimEditorBlanks(kept);
                NarrowToWideUnsigned(kept, line.Text, line.TextChars + 1);
            } else {
                size_t i = 0;
                for (; i < line.TextChars && line.TextDefault[i] != 0; ++i) line.Text[i] = line.TextDefault[i];
                line.Text[i] = 0;
            }
            break;
    }
}

// One line's value and CR LF into `out`; the length, or 0 when it does not fit.
size_t FormatLine(const SettingsLine& line, char* out, size_t capacity) {
    int n = -1;
    switch (line.Kind) {
        case LineKind::Int:
            n = std::snprintf(out, capacity, "%d", static_cast<int>(*line.Int));
            break;
        case LineKind::Colour:
            n = std::snprintf(out, capacity, "%ld", static_cast<long>(*line.Col));
            break;
        case LineKind::Real: {
            // "%f" without the locale's decimal separator.
            const auto [stop, ec] = std::to_chars(out, out + capacity - 1, *line.Real, std::chars_format::fixed, 6);
            if (ec != std::errc{}) return 0;
            *stop = 0;
            n = static_cast<int>(stop - out);
            break;
        }
        case LineKind::Text:
            if (capacity < line.TextChars + 1) return 0;
            WideToNarrow(line.Text, out, line.TextChars + 1);
            n = static_cast<int>(std::strlen(out));
            break;
    }
    if (n < 0 || static_cast<size_t>(n) + 3 > capacity) return 0;
    out[n] = '\r';
    out[n + 1] = '\n';
    out[n + 2] = 0;
    return static_cast<size_t>(n) + 2;
}

bool WriteBytes(plat::FileHandle file, const char* bytes, size_t n) {
    return n > 0 && plat::WriteFile(file, bytes, n) == static_cast<int64_t>(n);
}

// Lines 2..79 from `reader`; a line past the end of the file takes its
// built-in value. A last line without its line end is read as written: an
// editor often saves a file so, and a save of ours never leaves one cut
// short (it is renamed into place only once whole).
void ReadSettingsLines(BlockReader& reader) {
    char text[kLineBytes];
    bool ended = false;
    for (const SettingsLine& line : kSettingsLines) {
        if (!ended) ended = ReadBlockLine(reader, text, sizeof text) < 0;
        StoreLine(line, ended ? nullptr : text);
        if (line.After != nullptr) line.After();
    }
}

// True when the open file could be one the save wrote, by its size and the
// length of every line. Checked before a value is taken, so a file that is
// something else leaves every value in memory as it was.
bool FitsSettingsFile(plat::FileHandle file, BlockReader& reader) {
    const int64_t size = plat::FileSize(file);
    if (size < 0 || size > kLargestSettingsFile) return false;
    StartBlockReader(reader, file, 0);
    char text[kLineBytes];
    int n = 0;
    while ((n = ReadBlockLine(reader, text, sizeof text)) >= 0) {
        // A file still growing is read no further than the largest size.
        if (n > kLongestSavedLine || reader.NextOffset > kLargestSettingsFile) return false;
    }
    return true;
}

// Where the settings are read and written: the file a link at the settings
// path leads to (so a save replaces it and the link stays), else the
// settings path itself; the temporary and the kept-aside names lie beside it.
constexpr size_t kPathChars = 4096;
struct SettingsPlace {
    char16_t File[kPathChars];
    char16_t Temp[kPathChars + 8];
    bool Followed;  // File is where a link (or the settings file itself) at the settings path leads
};

void FindSettingsPlace(SettingsPlace& place) {
    place.Followed = plat::FollowLinks(kSettingsFilePath, place.File, std::size(place.File));
    if (!place.Followed) {
        std::char_traits<char16_t>::copy(place.File, kSettingsFilePath,
                                         std::char_traits<char16_t>::length(kSettingsFilePath) + 1);
    }
    const size_t n = std::char_traits<char16_t>::length(place.File);
    std::char_traits<char16_t>::copy(place.Temp, place.File, n);
    std::char_traits<char16_t>::copy(place.Temp + n, kSettingsTempSuffix,
                                     std::char_traits<char16_t>::length(kSettingsTempSuffix) + 1);
}

// Why the last load or save fell short, for TellSettingsResult.
struct SettingsTrouble {
    bool Saving = false;                 // the last call was a save
    bool SaveFailed = false;
    char SaveWhy[128] = "";              // plain words ending "could not be saved: ..."
    char16_t KeptAs[kPathChars + 8] = u"";  // a file not understood was renamed to this; "" none
    char16_t LeftAt[kPathChars] = u"";   // a file not understood could not be renamed aside; "" none
    char KeepWhy[128] = "";              // and why not, in plain words
    char16_t LinkedTo[kPathChars] = u""; // a load could not make the file where a link leads; "" none
};
SettingsTrouble g_trouble;

// The words a load's trouble was last told in. A load failing the same way
// again (the logging screen loads once more at start) is not told again.
char16_t g_toldAtLoad[kPathChars + 512] = u"";

// Records a failed save and its reason; false, for the caller to return.
bool SaveFailed(const char* why) {
    g_trouble.SaveFailed = true;
    std::snprintf(g_trouble.SaveWhy, sizeof g_trouble.SaveWhy, "%s", why);
    return false;
}

// The whole file into the temporary file, then renamed over the settings
// file; a failure removes the temporary and leaves the old file as it was.
// Something other than a file in its place (a folder, a FIFO, a link to a
// device) is the operator's: it is left as it is and nothing is saved.
bool SaveSettingsFile(const SettingsPlace& place) {
    if (plat::KindOfPath(place.File) == plat::PathKind::Other) {
        return SaveFailed("something other than a file has its name");
    }
    const plat::FileHandle file = plat::OpenFile(place.Temp, plat::FileOpen::CreateTruncateWrite);
    if (file == plat::kInvalidFile) return SaveFailed(plat::FileErrorWords(plat::LastFileError()));
    char version[16];
    const int n = std::snprintf(version, sizeof version, "%s\r\n", kSettingsVersion);
    // During map review the size in force is the review's zoom; the file
    // keeps the live size, which the end of review restores.
    const int32_t mapSizeInForce = MapDisplayOptions.MapSize;
    if (LogScreenState.ReviewMode == 1) MapDisplayOptions.MapSize = MapDisplayOptions.SavedMapSize;
    // Who may read the file is the operator's choice: the new one takes the
    // old one's permissions before a byte is written into it.
    bool ok = plat::CopyPermissions(place.File, file) && n > 0 &&
              WriteBytes(file, version, static_cast<size_t>(n)) && WriteSettingsFile(file);
    MapDisplayOptions.MapSize = mapSizeInForce;
    // The first step that failed gives the reason; the later ones may only echo it.
    int error = ok ? 0 : plat::LastFileError();
    ok = plat::FlushFile(file) && ok;
    if (!ok && error == 0) error = plat::LastFileError();
    ok = plat::CloseFile(file) && ok;
    if (!ok && error == 0) error = plat::LastFileError();
    ok = ok && plat::RenameFile(place.Temp, place.File);
    if (!ok && error == 0) error = plat::LastFileError();
    if (!ok) {
        plat::DeleteFile(place.Temp);
        return SaveFailed(plat::FileErrorWords(error));
    }
    return true;
}

// The first line, a UTF-8 byte order mark and blanks around it aside, is
// this program's version.
bool IsOurVersionLine(const char* line) {
    if (std::strncmp(line, "\xEF\xBB\xBF", 3) == 0) line += 3;
    while (IsBlank(*line)) ++line;
    const size_t n = std::strlen(kSettingsVersion);
    return std::strncmp(line, kSettingsVersion, n) == 0 && OnlyBlanks(line + n);
}

// Records that a file not understood stays where it is, and why; false, for
// the caller to return.
bool KeepAsideFailed(const SettingsPlace& place, const char* why) {
    std::char_traits<char16_t>::copy(g_trouble.LeftAt, place.File, std::char_traits<char16_t>::length(place.File) + 1);
    std::snprintf(g_trouble.KeepWhy, sizeof g_trouble.KeepWhy, "%s", why);
    return false;
}

// Renames a file not understood to the first free name "<its name>.<n>"
// beside it; never replaces a file. False when it could not be kept, the
// reason kept for the message.
bool KeepAside(const SettingsPlace& place) {
    char16_t name[std::size(g_trouble.KeptAs)];
    const size_t length = std::char_traits<char16_t>::length(place.File);
    for (int n = 1; n <= 99; ++n) {
        char digits[8];
        const int d = std::snprintf(digits, sizeof digits, ".%d", n);
        std::char_traits<char16_t>::copy(name, place.File, length);
        for (int i = 0; i <= d; ++i) name[length + static_cast<size_t>(i)] = static_cast<char16_t>(digits[i]);
        if (plat::FileExists(name)) continue;
        if (plat::RenameFileNoReplace(place.File, name)) {
            std::char_traits<char16_t>::copy(g_trouble.KeptAs, name, length + static_cast<size_t>(d) + 1);
            return true;
        }
        const int error = plat::LastFileError();
        // Refused, not taken in between.
        if (!plat::FileExists(name)) return KeepAsideFailed(place, plat::FileErrorWords(error));
    }
    return KeepAsideFailed(place, "every name from \".1\" to \".99\" beside it is taken");
}

// `mayWrite` false: a file that would be made, kept aside or replaced is
// left as it is, and memory keeps its values.
int LoadSettingsFile(const SettingsPlace& place, bool mayWrite = true) {
    const plat::FileHandle file = plat::OpenFile(place.File, plat::FileOpen::ExistingReadOnly);
    if (file == plat::kInvalidFile) {
        if (!mayWrite) return kSettingsFailed;
        // Only a file that is not there is made anew; one that is there but
        // cannot be read (no permission, a folder, FIFO or device in its
        // place) is the operator's to mend, and overwriting it would lose it.
        if (plat::KindOfPath(place.File) != plat::PathKind::Missing) return kSettingsFailed;
        if (SaveSettingsFile(place)) return kSettingsDone;
        // A link made to a place that is not there (a removable disk not
        // plugged in) stays for when it is, and the operator is told; a
        // missing settings folder is not told.
        if (place.Followed) {
            std::char_traits<char16_t>::copy(g_trouble.LinkedTo, place.File,
                                             std::char_traits<char16_t>::length(place.File) + 1);
        }
        return kSettingsFailed;
    }
    if (plat::FileSize(file) == 0) {
        // Nothing to keep: written afresh like a missing one.
        plat::CloseFile(file);
        if (!mayWrite) return kSettingsFailed;
        return SaveSettingsFile(place) ? kSettingsDone : kSettingsFailed;
    }
    // 64 KiB: kept off the stack of whichever thread loads.
    const auto reader = std::make_unique<BlockReader>();
    char first[kLineBytes];
    bool ours = FitsSettingsFile(file, *reader);
    if (ours) {
        StartBlockReader(*reader, file, 0);
        ours = ReadBlockLine(*reader, first, sizeof first) >= 0 && IsOurVersionLine(first);
    }
    if (ours) {
        ReadSettingsLines(*reader);
        plat::CloseFile(file);
        return kSettingsDone;
    }
    // Another version, or not a settings file at all: kept for the operator
    // under another name, then replaced by the values in memory. One that
    // cannot be kept is left as it is, and the operator told so.
    plat::CloseFile(file);
    if (!mayWrite || !KeepAside(place)) return kSettingsFailed;
    SaveSettingsFile(place);
    return kSettingsKeptAside;
}

// Appends 8-bit text (Latin-1) to `out`, cut at its capacity.
void Append(char16_t* out, size_t capacity, const char* text) {
    size_t at = std::char_traits<char16_t>::length(out);
    for (; *text != 0 && at + 1 < capacity; ++text) out[at++] = static_cast<unsigned char>(*text);
    out[at] = 0;
}

void Append(char16_t* out, size_t capacity, const char16_t* text) {
    size_t at = std::char_traits<char16_t>::length(out);
    for (; *text != 0 && at + 1 < capacity; ++text) out[at++] = *text;
    out[at] = 0;
}

// A load that left a file not understood where it was, or could not make
// the file where a link leads, in plain words into `text`; false when the
// load had neither to tell.
bool DescribeLoadTrouble(char16_t* text, size_t capacity) {
    char line[192];
    if (g_trouble.LeftAt[0] != 0) {
        Append(text, capacity, "The settings file could not be understood. It is left as it is at\r\n");
        Append(text, capacity, g_trouble.LeftAt);
        std::snprintf(line, sizeof line, "\r\nbecause it could not be kept aside: %s.", g_trouble.KeepWhy);
    } else if (g_trouble.LinkedTo[0] != 0 && g_trouble.SaveFailed) {
        Append(text, capacity, "The settings file is a link to\r\n");
        Append(text, capacity, g_trouble.LinkedTo);
        std::snprintf(line, sizeof line, "\r\nwhere it could not be made: %s.", g_trouble.SaveWhy);
    } else {
        return false;
    }
    Append(text, capacity, line);
    Append(text, capacity, "\r\nDefault settings are used.");
    return true;
}

}  // namespace

void ReadSettingsFile(plat::FileHandle file) {
    const auto reader = std::make_unique<BlockReader>();
    StartBlockReader(*reader, file, plat::SeekFile(file, 0, plat::SeekFrom::Current));
    ReadSettingsLines(*reader);
}

bool WriteSettingsFile(plat::FileHandle file) {
    char text[kLineBytes];
    for (const SettingsLine& line : kSettingsLines) {
        if (!WriteBytes(file, text, FormatLine(line, text, sizeof text))) return false;
    }
    return true;
}

int LoadSaveSettings(int save) {
    g_trouble = SettingsTrouble{};
    g_trouble.Saving = save != 0;
    if (ScreenWindows.StartDirectory[0] != 0) plat::SetCurrentFolder(ScreenWindows.StartDirectory);
    // 16 KiB of names: kept off the stack of whichever thread saves.
    const auto place = std::make_unique<SettingsPlace>();
    FindSettingsPlace(*place);
    if (save != 0) return SaveSettingsFile(*place) ? kSettingsDone : kSettingsFailed;
    const int result = LoadSettingsFile(*place);
    if (result != kSettingsFailed) g_toldAtLoad[0] = 0;  // a trouble that comes back is told anew
    return result;
}

bool ReadSettingsWithoutWriting() {
    g_trouble = SettingsTrouble{};
    if (ScreenWindows.StartDirectory[0] != 0) plat::SetCurrentFolder(ScreenWindows.StartDirectory);
    const auto place = std::make_unique<SettingsPlace>();
    FindSettingsPlace(*place);
    return LoadSettingsFile(*place, false) == kSettingsDone;
}

int TellSettingsResult(plat::Hwnd owner, int result) {
    char16_t text[kPathChars + 512] = u"";
    if (result == kSettingsFailed && !g_trouble.Saving && DescribeLoadTrouble(text, std::size(text))) {
        g_trouble = SettingsTrouble{};
        const size_t n = std::char_traits<char16_t>::length(text) + 1;
        if (std::char_traits<char16_t>::compare(text, g_toldAtLoad, n) == 0) return result;  // told already
        std::char_traits<char16_t>::copy(g_toldAtLoad, text, n);
        plat::MessageBox(owner, text, u"WARNING", plat::MessageButtons::Ok, plat::MessageIcon::Warning);
        return result;
    }
    // Any other load that could not write a missing file is not told: the
    // values in memory stand, and the next save tells if it fails too.
    const bool keptAside = result == kSettingsKeptAside && g_trouble.KeptAs[0] != 0;
    const bool saveFailed = result == kSettingsFailed && g_trouble.Saving && g_trouble.SaveFailed;
    if (!keptAside && !saveFailed) return result;
    char line[192];
    if (keptAside) {
        Append(text, std::size(text), "The settings file could not be understood. It is kept as\r\n");
        Append(text, std::size(text), g_trouble.KeptAs);
        Append(text, std::size(text), "\r\nDefault settings are used.");
    }
    if (g_trouble.SaveFailed) {
        std::snprintf(line, sizeof line, "%sThe settings could not be saved: %s.", keptAside ? "\r\n" : "",
                      g_trouble.SaveWhy);
        Append(text, std::size(text), line);
        if (!keptAside) Append(text, std::size(text), "\r\nThe changes hold only until the program ends.");
    }
    g_trouble = SettingsTrouble{};  // told once
    plat::MessageBox(owner, text, u"WARNING", plat::MessageButtons::Ok, plat::MessageIcon::Warning);
    return result;
}
