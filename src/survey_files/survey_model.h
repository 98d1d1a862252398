// The shared records of the survey: settings, files, live state. Plain structs,
// one global instance each, read by every subsystem. Each field says its unit,
// range and who writes it. Settings records are owned by the window thread;
// reader threads only read them. Fields shared with reader threads outside the
// synchronous hand-over are atomics.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/files.h"

constexpr int kMaxConsoles = 9;        // consoles in an array
constexpr int kMaxSensors = 18;        // two sensors per console at most
constexpr int kDataFolderChars = 260;  // capacity of folder and path texts
constexpr int kLineNameChars = 11;     // capacity of the survey line name
constexpr int kSettingsLineCount = 79;

using Colour = uint32_t;               // 0x00BBGGRR

// ---------------------------------------------------------------------------
// Settings (stored in the settings file, one value per line; line numbers in
// brackets). Defaults are the built-in values that hold until the file is read.

struct ProgramSettingsRecord {
    char Version[8] = "2.16";                        // [1] constant format version
    char16_t DataFolder[kDataFolderChars + 1] = u"C:\\";  // [2] folder of the last data file, with its final separator
    int32_t SpareInteger = 3;                        // [59] read and written back only
    double SpareReal = 5.0;                          // [72] read and written back only
};

struct SystemSetupRecord {
    static constexpr int MaxConsoles = kMaxConsoles;
    int32_t ConsoleCount = 3;                        // [3] 1..9 (0: no console, data files are .PXY)
    int32_t HeaderCode = 1;                          // [4] header record 1 column 19 holds HeaderCode + 1
    std::array<int32_t, kMaxConsoles> ConsoleType{1, 1, 1, 1, 1, 1, 1, 1, 1};  // [5-13] 0 one sensor, 1 two sensors (L, R)
    int32_t LeadingPoint = 1;                        // [14] 0 array centre, n = sensor n (1..18)
    int32_t DisplayUnits = 0;                        // [15] 0 m, 1 ft, 2 US survey ft
    int32_t SpeedUnits = 0;                          // [16] 0 m/s, 1 ft/s, 2 km/h, 3 mph
    std::array<int32_t, kMaxConsoles> ConsolePort{3, 0, 2, 3, 4, 5, 6, 7, 8};  // [17-25] port index 0..47, COM(n+1)
    int32_t PauseKey = 0;                            // [29] 0 any key, 1 Enter, 2 Space, 3 P
    int32_t CoordinatesDisplay = 0;                  // [73] 0 geodetic, 1 UTM m, 2 UTM ft, 3 UTM US ft
    // derived
    int32_t DualConsoleCount = 0;                    // number of two-sensor consoles in the array
    std::array<int32_t, kMaxConsoles> ConsoleSensorCount{2, 2, 2, 2, 2, 2, 2, 2, 2};  // 1 or 2 per console
};

struct ArrayGeometryRecord {                         // lengths in metres
    int32_t ArrayUnits = 0;                          // [46] dialog unit: 0 m, 1 cm, 2 ft, 3 in
    double UnitSeparation = 1.0;                     // [47] between the two sensors of a two-sensor console
    double ConsoleSeparation = 1.0;                  // [48] between neighbouring consoles
    double GpsAntennaOffsetX = 2.5;                  // [49] cross-track, from the left end of the array
    double GpsAntennaOffsetY = 0.5;                  // [50] along-track, antenna to sensor line
    // derived
    double MinSeparation = 1.0;                      // smaller of the two separations
    double ArrayWidth = 0.0;                         // (ConsoleCount-1) x ConsoleSeparation + DualConsoleCount x UnitSeparation
    double SwathLeft = 0.0, SwathRight = 0.0;        // metres either side of the antenna, with margin
    double SwathLeft2 = 0.0, SwathRight2 = 0.0;
    double MapSwathLeft = 0.0, MapSwathRight = 0.0;  // the same in display units
    double MapSwathLeft2 = 0.0, MapSwathRight2 = 0.0;
};

struct GpsPortSetupRecord {
    int32_t InputMode = 1;                           // [39] 0 disabled; 1 enabled (no consoles: 1..6 averaging modes)
    int32_t DataFormat = 0;                          // [40] 0..8: GGA/GSA, GGA, POS, LLK, LLQ, GLL, GGK, RTS pseudo GGA, Pseudo GLL
    int32_t Port = 1;                                // [41] port index 0..47, COM(n+1)
    int32_t BaudRate = 1;                            // [42] 0..5: 4800, 9600, 19200, 38400, 57600, 115200
    int32_t DataBits = 1;                            // [43] 0 seven, 1 eight
    int32_t Parity = 0;                              // [44] 0 none, 1 even, 2 odd
    int32_t StopBits = 0;                            // [45] 0 one, 1 two
};

struct GpsWarningMaskRecord {
    int32_t Warning = 1;                             // [68] 0 off, 1 on
    int32_t MinQuality = 1;                          // [69] 0 raw .. 4 RTK 5
    int32_t MinSatellites = 5;                       // [70] 3..12
    double MaxDilution = 4.0;                        // [71] highest accepted dilution of precision
};

struct SurveyParametersRecord {
    char16_t LineName[kLineNameChars + 1] = u"1";    // [51] name or number of the current line
    double LineIncrement = 1.0;                      // [52] added to the line number for the next line
    int32_t LineSequence = 0;                        // [53] 0 Alternate, 1 One Way
    int32_t LineDirection = 1;                       // [54] 0 W, 1 S, 2 N, 3 E (Alternate: d -> 3 - d)
    double StartStation = 0.0;                       // [55] station of a line's first reading
    double StationIncrement = 1.0;                   // [56] signed step per console-1 reading
    double CurrentStation = 0.0;                     // run time; StartStation when a line begins
};

struct MapDisplayOptionsRecord {
    int32_t CursorSize = 3;                          // [57] 0..5
    int32_t PositionSize = 4;                        // [58] 0..3 dots, 4 swath bar 1 px, 5 swath bar 2 px
    Colour CursorColor = 0x000000;                   // [60] cursor cross
    Colour PositionColor = 0xFF0000;                 // [61] position marks and swath bars (blue)
    int32_t DisplayType = 1;                         // [62] 0 sensor positions, 1 colour map of amplitude
    int32_t GridType = 0;                            // [63] 0 basic grid, 1 parallel lines
    double GridInterval = 5.0;                       // [64] display units, at least 0.5
    double LinesAngle = -60.0;                       // [65] degrees -90..90
    int32_t MapSize = 40;                            // [66] ground width of the map window, display units, >= 1
    int32_t CursorBand = 1;                          // [67] auto-scroll band (10 + 5 x n) % of the map width
    // derived
    int32_t CursorHalfSize = 6;                      // CursorSize + 3 (CursorSize 5: 9)
    int32_t CursorOuterSize = 13;                    // 2 x CursorSize + 7 (CursorSize 5: 19)
    int32_t CursorBandPixels = 76;                   // (CursorBand x 5 + 10) % of the tile width
    double MapPixelsPerUnit = 0.0;                   // tile width / MapSize
    uint32_t ChangeFlags = 0;                        // what the last display dialog changed (bit set)
};

struct ProfileDisplayOptionsRecord {                 // index 0 left sensor, 1 right sensor
    std::array<int32_t, 2> Visible{1, 1};            // [30-31] 1 the curve is drawn
    std::array<int32_t, 2> Thickness{2, 3};          // [32-33] pen width 1..4 px
    std::array<Colour, 2> Color{0xFF0000, 0x00FF00};  // [34-35] blue, green
};

struct ReadingsScaleRecord {
    double Minimum = 0.0;                            // [36] bottom of the scale, origin of the colour scale
    double Maximum = 500.0;                          // [37] top of the scale
    // derived
    double CurvePixelsPerUnit = 0.252;               // curve window height / (Maximum - Minimum)
    double DecayPixelsPerUnit = 0.252;               // bar window height / (Maximum - Minimum)
    double ColourStep = 0.0;                         // (Maximum - Minimum) / 50
};

struct SpeedBarRecord {
    double Scale = 5.0;                              // [38] top of the speed bar, speed units
    static constexpr double Minimum = 0.0;
    double PixelsPerUnit = 104.0;                    // derived: bar length / (Scale - Minimum)
};

struct AudioOptionsRecord {                          // 0 off, 1 on
    int32_t Ticks = 1;                               // [26] tick with every 4th console-1 record while logging
    int32_t DisconnectionAlarm = 1;                  // [27] ring when a console or the GPS stops sending
    int32_t GpsMaskWarning = 1;                      // [28] warning sound while the mask is not met
};

struct BackgroundFileOptionsRecord {
    int32_t FileType = 0;                            // [74] 0 survey data file, 1 column-delimited ASCII
    int32_t DisplayStyle = 1;                        // [75] 0 dots, 1 thin, 2 medium, 3 thick line
    int32_t CoordinatesType = 1;                     // [76] 0 WGS84, 1 UTM m, 2 UTM ft, 3 UTM US ft
    int32_t EastingColumn = 0;                       // [77] 0-based column 0..23
    int32_t NorthingColumn = 1;                      // [78] 0-based column, differs from EastingColumn
    int32_t ColumnDelimiter = 0;                     // [79] 0 space, 1 comma, 2 tab, 3 semicolon
};

extern ProgramSettingsRecord ProgramSettings;
extern SystemSetupRecord SystemSetup;
extern ArrayGeometryRecord ArrayGeometry;
extern GpsPortSetupRecord GpsPortSetup;
extern GpsWarningMaskRecord GpsWarningMask;
extern SurveyParametersRecord SurveyParameters;
extern MapDisplayOptionsRecord MapDisplayOptions;
extern ProfileDisplayOptionsRecord ProfileDisplayOptions;
extern ReadingsScaleRecord ReadingsScale;
extern SpeedBarRecord SpeedBar;
extern AudioOptionsRecord AudioOptions;
extern BackgroundFileOptionsRecord BackgroundFileOptions;

// ---------------------------------------------------------------------------
// The survey data file.

constexpr uint32_t kDataRecordLength = 27;           // 26 columns and LF
constexpr uint32_t kDataRecordLfIndex = 26;

struct DataFileStateRecord {
    plat::FileHandle DataFileHandle = plat::kInvalidFile;  // open data file; invalid whenever none is open (window thread opens/closes)
    std::mutex DataFileLock;                         // held around every write, open, close and reopen
    static constexpr uint32_t DataRecordLength = kDataRecordLength;
    static constexpr uint32_t DataRecordLfIndex = kDataRecordLfIndex;
    char16_t DataFilePath[kDataFolderChars + 1] = u"";     // full path chosen in "Create Data File"
    char DataFileBaseName[kDataFolderChars + 1] = "";      // file name up to its first '.', narrowed
    std::array<uint8_t, kMaxConsoles> ConsoleRecordTag{};  // first byte of each console's reading records
    std::atomic<uint32_t> RecordStartTick{0};        // tick of the last Go; earlier GPS sentences are not written
    std::atomic<int32_t> WriteError{0};              // sticky: a write failed or was short (the file was cut back)
    std::atomic<int32_t> WriteErrorShown{0};         // the operator has been told of WriteError
};
extern DataFileStateRecord DataFileState;

// ---------------------------------------------------------------------------
// Live state read by the file writers. Later subsystems extend these records.

struct GpsFixRecord {
    double FirstFixX = 0.0;                          // display units, X of the first valid fix (0 until then)
    double FirstFixY = 0.0;
    int32_t UtmZone = -9;                            // chosen by the first projected fix of the run, -9 = none
};
extern GpsFixRecord GpsFix;

struct ConsoleLinesRecord {
    std::array<std::atomic<int32_t>, kMaxConsoles> ConsoleConnBreak{};   // 1 while console i is silent (supervision)
    std::array<std::atomic<int32_t>, kMaxConsoles> ConsoleBreakLogged{}; // 1 once the break event was written
};
extern ConsoleLinesRecord ConsoleLines;

struct LogScreenStateRecord {
    std::atomic<int32_t> LoggingState{0};            // 0 Monitoring, -1 Stand By, 1 Logging (read by the GPS reader)
};
extern LogScreenStateRecord LogScreenState;

struct ScreenWindowsRecord {
    char16_t StartDirectory[kDataFolderChars + 1] = u"";   // the folder the program started in, with its separator
};
extern ScreenWindowsRecord ScreenWindows;

struct ScreenLayoutRecord {
    int32_t CurveWindowHeight = 126;                 // pixels (0.252 px per unit over the default 500)
    int32_t DecayWindowHeight = 126;
    int32_t SpeedBarLength = 520;
};
extern ScreenLayoutRecord ScreenLayout;

struct MapTilesRecord {
    // Tile size in pixels: the map window width less 2, set when the map is laid
    // out. 508 until then, which reproduces the built-in CursorBandPixels 76
    // (15 % of 508 = 76.2).
    int32_t TileWidth = 508;
};
extern MapTilesRecord MapTiles;

// Puts every record above back to its built-in values (program start, tests).
void ResetSurveyModel();
