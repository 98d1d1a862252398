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
#include "platform/serial_port.h"
#include "platform/window.h"

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
    // list texts of the GPS dialogs, indexed by the stored value
    static constexpr std::array<const char16_t*, 2> InputModeNamesConsoles{u"Disabled", u"Enabled"};
    static constexpr std::array<const char16_t*, 7> InputModeNamesGpsOnly{
        u"Disabled", u"Auto", u"Manual 1 rdg", u"Average 2 rdgs", u"Average 5 rdgs", u"Average 10 rdgs", u"Average 20 rdgs"};
    static constexpr std::array<const char16_t*, 9> DataFormatNames{
        u"GGA/GSA", u"GGA", u"POS", u"LLK", u"LLQ", u"GLL", u"GGK", u"RTS pseudo GGA", u"Pseudo GLL"};
    static constexpr std::array<const char16_t*, 6> BaudRateNames{u"4800", u"9600", u"19200", u"38400", u"57600", u"115200"};
    static constexpr std::array<const char16_t*, 3> ParityNames{u"No", u"Even", u"Odd"};
    static constexpr std::array<const char16_t*, 2> DataBitsNames{u"7", u"8"};
    static constexpr std::array<const char16_t*, 2> StopBitsNames{u"1", u"2"};
};

struct GpsWarningMaskRecord {
    int32_t Warning = 1;                             // [68] 0 off, 1 on
    int32_t MinQuality = 1;                          // [69] 0 raw .. 4 RTK 5
    int32_t MinSatellites = 5;                       // [70] 3..12
    double MaxDilution = 4.0;                        // [71] highest accepted dilution of precision
    // list texts of the GPS dialogs: quality by MinQuality, satellites by MinSatellites - 3
    static constexpr std::array<const char16_t*, 5> QualityNames{u"Raw (AGPS)", u"DGPS", u"RTK 3", u"RTK 4", u"RTK 5"};
    static constexpr std::array<const char16_t*, 10> SatelliteNames{u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"10", u"11", u"12"};
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
    static constexpr double PanFactor = 0.05;        // a pan moves (1 + PanFactor) x 10 % of the cursor band
    static constexpr double ZoomStep = 0.05;         // a zoom step scales the map size by 1 -/+ ZoomStep
    // derived
    int32_t CursorHalfSize = 6;                      // CursorSize + 3 (CursorSize 5: 9)
    int32_t CursorOuterSize = 13;                    // 2 x CursorSize + 7 (CursorSize 5: 19)
    int32_t CursorBandPixels = 76;                   // (CursorBand x 5 + 10) % of the tile width
    double MapPixelsPerUnit = 0.0;                   // tile width / MapSize
    int32_t LinesDirection = 0;                      // 0 basic grid, 1 lines at a positive angle, -1 negative, 2 angle 0
    double LinesSlope = 0.0;                         // dy/dx of the parallel lines, global pixels
    double GridPixelSpacing = 0.0;                   // pixels between grid lines (along y for sloping lines)
    uint32_t ChangeFlags = 0;                        // what the last display dialog changed (bit set)
    // --- logging screen: the live scale kept at every logging start (review and leaving restore it) ---
    int32_t SavedMapSize = 40;                       // MapSize when the logging screen opened
    double SavedMapPixelsPerUnit = 0.0;              // MapPixelsPerUnit when the logging screen opened
    int32_t SavedDisplayType = 1;                    // DisplayType when map review began (Exit Review restores it)
    // --- option dialogs: values at the opening of "MAPSCALE" (also map size and interval of "DISPLAYOPTIONS") ---
    double SavedGridInterval = 5.0;                  // GridInterval when the dialog opened
    int32_t SavedCursorBand = 1;                     // CursorBand when the dialog opened
    int32_t SavedCursorBandPixels = 76;              // CursorBandPixels when the dialog opened
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
    std::atomic<int32_t> RecordStarting{0};          // 1 from Go's state change until "$STARTED" is written:
                                                     //   no GPS sentence is written meanwhile
    std::atomic<int32_t> WriteError{0};              // a write failed or was short (the file was cut back); not yet told
    std::atomic<int32_t> WriteErrorShown{0};         // every error bit the operator was told of for this file
    int32_t FlushError = 0;                          // the system's reason for the last failed flush or close
                                                     //   (window thread)
    std::atomic<int32_t> WriteFailError{0};          // the system's reason for the last failed or short write
                                                     //   (any writer, under DataFileLock)
    int32_t OpenedExisting = 0;                      // 1 when File opened an existing file to append to: what it
                                                     //   held before is in the data file too (window thread)
    // --- the name watched while the file is open (window thread only) ---
    char16_t LostDataFilePath[kDataFolderChars + 1] = u"";  // the name that stopped naming the open file
    int32_t NameLoss = 0;                            // what became of it (DataFileNameState); 0 none yet
    int32_t RescuePending = 0;                       // 1 while the open file's records wait for a new file to go to
    plat::FileHandle RescueFileHandle = plat::kInvalidFile;  // the new file made for them, their copy still owed
    char16_t RescueFilePath[kDataFolderChars + 1] = u"";     // its path
    int32_t RescueFolder = 0;                        // which of the rescue's folders it is in (0 beside the name)
    int32_t RescueCopyTold = 0;                      // 1 once the operator is told the records go into that file
    plat::FileHandle KeptRescueHandle = plat::kInvalidFile;  // a rescue file no folder had room to finish: what
                                                     //   fitted of the records, in whole records, copied on into
                                                     //   once there is room (open, appended to)
    char16_t KeptRescuePath[kDataFolderChars + 1] = u"";     // its path
    int32_t KeptRescueFolder = 0;                    // which of the rescue's folders it is in
    int64_t KeptRescueBytes = 0;                     // the open file's first bytes it holds (whole records)
    int64_t LostFileBytes = 0;                       // the open file's size when that was last copied
    int32_t UnseenLooks = 0;                         // looks in a row that could not look at the name
    int32_t NameLookError = 0;                       // the system's reason for the last of them
    int64_t WrittenSize = 0;                         // bytes the open file should hold: its size when opened plus
                                                     //   every write since (under DataFileLock)
    int64_t ShortenedBytes = 0;                      // bytes of records found gone at the last such look
    int64_t ShortenedCutBytes = 0;                   // of what was left, the torn write at its end that look cut
                                                     //   away (0 none), so that later records follow whole ones
    char ShortenedCut[32] = "";                      // what that was: "record" (a partial one) or the run it began
    int32_t EndRefused = 0;                          // 1 from such a look on while what was left ends as no write
                                                     //   leaves a file: nothing more is written into it (under
                                                     //   DataFileLock; cleared when a data file is chosen)
    char EndRefusedWhy[96] = "";                     // why, one sentence for the operator
    // --- a file found shorter while another program may still be writing it (under DataFileLock) ---
    std::atomic<int32_t> SizeUnsettled{0};           // 1 from the look that found it shorter until its size has
                                                     //   held still and its end is judged: nothing goes into it
                                                     //   meanwhile, records are held to follow the judged end
    int64_t UnsettledSize = 0;                       // the size the last look found meanwhile
    uint32_t UnsettledTick = 0;                      // since when it has been that size
    int64_t HeldDroppedBytes = 0;                    // records that came meanwhile and could not be held or written
    int32_t StillWritten = 0;                        // 1 when the file was closed before its size held still
};
extern DataFileStateRecord DataFileState;

// ---------------------------------------------------------------------------
// Live state read by the file writers. Later subsystems extend these records.

struct GpsFixRecord {
    double FirstFixX = 0.0;                          // display units, X of the first valid fix (0 until then)
    double FirstFixY = 0.0;
    int32_t UtmZone = -9;                            // chosen by the first projected fix of the logging screen, -9 = none
    // --- GPS fix decoding (window thread only: the GPS sentence handler) ---
    int32_t FixValid = 1;                            // 1 = the latest selected sentence gave a usable position
    int32_t Satellites = 20;                         // of the latest sentence that carried them
    int32_t FixQuality = 10;                         // of the latest sentence that carried it (POS: received + 1)
    double Dop = -2.0;                               // dilution of the latest sentence carrying one; -2.0 = none yet
    int32_t BlinkPhase = '\\';                       // '/' or '\\': which indicator circle shows the state colour
    int32_t UtmZoneForced = -9;                      // zone of every projection once chosen; -9 = none yet (kept until
                                                     //   the logging screen opens again)
    int32_t UtmFrameForced = 0;                      // northing frame chosen with it: 1 north, -1 south (10000000 m); 0 = none
    double OriginLatitude = 0.0;                     // degrees, of the fix whose projection chose the zone
    double OriginLongitude = 0.0;
    double FirstFixLatitude = 0.0;                   // degrees, of the first valid fix (FirstFixX/Y) when projected
    double FirstFixLongitude = 0.0;                  //   from latitude and longitude; reprojected on a zone change
    double Latitude = 0.0, Longitude = 0.0;          // degrees, of the latest valid fix projected from latitude and
                                                     //   longitude: reprojected on a zone or frame change
    int32_t PositionValid = 0;                       // 1 from the first valid fix after the logging screen opened
    // --- GPS position processing (window thread only), display units ---
    double X = 0.0, Y = 0.0;                         // map X (easting) and Y (northing) of the latest valid fix
    double CurX = 0.0, CurY = 0.0;                   // the same, as the current end of the distance
    double PrevX = 0.0, PrevY = 0.0;                 // the previous valid fix (the origin at the first)
    double Time = 0.0, PrevTime = 0.0;               // time of day of the latest fix with a readable time and of the
                                                     //   next speed's start, seconds; -1.0 = none yet since the first fix
    double SpeedFromX = 0.0, SpeedFromY = 0.0;       // where the first fix stamped PrevTime was: the next speed's start
    double SpeedFromLatitude = 0.0;                  // degrees, of that fix (as Latitude, Longitude)
    double SpeedFromLongitude = 0.0;
    double Speed = 0.0;                              // display units per second
};
extern GpsFixRecord GpsFix;

// ---------------------------------------------------------------------------
// GPS road: the hand-over from the GPS reader and the selected sentence format.

constexpr int kGpsSentenceChars = 128;               // a sentence: 127 characters and a NUL
constexpr int kGpsWholeSentenceChars = 256;          // a received line as the data file takes it (at most 201 and a NUL)
constexpr int kGpsFormatItems = 8;                   // item entries of a format

struct GpsSentenceBufferRecord {
    // The last accepted sentence, "$" up to the character before the line
    // end, at most 127 characters. Written by the GPS reader only before it
    // hands a sentence over; read and emptied (first byte 0) by the sentence
    // handler while the reader waits in its send.
    char GpsLastSentence[kGpsSentenceChars] = {};
    // The same sentence whole, for its group in the data file: written with
    // GpsLastSentence, read by the handler, which writes the group of a fix
    // it records, and emptied with it.
    char GpsWholeSentence[kGpsWholeSentenceChars] = {};
    std::atomic<uint32_t> GpsSentenceTick{0};        // tick of the "$" of the current sentence (a line without "$": of its LF)
    std::atomic<int32_t> GpsLineReady{0};            // 1 after an accepted sentence, 0 after a rejected line (GPS monitor)
    char16_t GpsMonitorText[kGpsSentenceChars] = {}; // the GPS monitor's line, or "NO DATA": written by its reader before
                                                     // it sets GpsLineReady, read by the window only while that is 1
    char16_t GpsCommandText[100] = {};               // the command the GPS monitor sends (window thread)
    std::atomic<int32_t> GpsConnectionBroken{0};     // 1 while the watchdog handles a break (GPS thread writes)
};
extern GpsSentenceBufferRecord GpsSentenceBuffer;

struct GpsSentenceFormatRecord {
    // Filled by SetupGpsSentenceFields each time the logging screen opens,
    // before the GPS reader starts; read by the reader and the handler.
    int32_t DataFormat = -1;                         // the format in force, 0..8; -1 = none (nothing is selected)
    char GpsSentenceType[4] = "";                    // keyword of the selected sentence, e.g. "GGA"; "" = none
    int32_t GpsChecksumCheck = 1;                    // 1 = only sentences with a correct "*hh" are accepted
    int32_t GpsFieldCount = 0;                       // entries used below, 0..8
    std::array<int32_t, kGpsFormatItems> GpsFieldType{};    // item kind of entry i (gps_formats.h)
    std::array<int32_t, kGpsFormatItems> GpsFieldNumber{};  // field of entry i, the "$" word being field 1
    int32_t GpsTimeFieldNumber = 2;                  // field holding the time of day, hhmmss.ss
};
extern GpsSentenceFormatRecord GpsSentenceFormat;

struct ConsoleLinesRecord {
    std::array<std::atomic<int32_t>, kMaxConsoles> ConsoleConnBreak{};   // 1 while console i is silent (supervision)
    std::array<std::atomic<int32_t>, kMaxConsoles> ConsoleBreakLogged{}; // 1 once the break event was written
    // --- console road: the hand-over from the console readers ---
    // Slot i: the latest accepted line of console i, "$" up to the character
    // before the CR, NUL-terminated, at most 99 printable characters (a byte
    // that no reading holds, a NUL from a framing error above all, is kept as
    // '?'). Written by the reader only while no hand-over is pending; read
    // and emptied (first byte 0) by the handler while the reader waits in its
    // send.
    char ConsoleLine[kMaxConsoles][100] = {};
    std::array<std::atomic<uint32_t>, kMaxConsoles> ConsoleLineTick{};   // tick the line was accepted (reader; start of logging; supervision reads)
    std::array<uint32_t, kMaxConsoles> ConsoleLineWaitMs{};  // ms the last line taken waited in its hand-over, the window
                                                             //   thread (or the disk under it) busy: no silence of the
                                                             //   console (handler; start of logging; supervision reads)
    std::array<std::atomic<int32_t>, kMaxConsoles> ConsoleMinLineLength{};  // 7 two-sensor, 9 one-sensor; set by the reader at its start
    uint32_t ConsoleTimeoutMs = 1000;                // supervision period and the silence that counts as a break
    std::array<int32_t, kMaxConsoles> ReadingValid{};  // 1 while console i's bar shows a valid reading (window thread)
};
extern ConsoleLinesRecord ConsoleLines;

// The values of LogScreenState.LoggingState.
constexpr int kStateMonitoring = 0;
constexpr int kStateStandBy = -1;
constexpr int kStateLogging = 1;

struct LogScreenStateRecord {
    std::atomic<int32_t> LoggingState{0};            // 0 Monitoring, -1 Stand By, 1 Logging (read by the GPS reader)
    // --- logging screen's state machine (window thread only) ---
    int32_t UiIdle = 1;                              // 0 while a command with a dialog, chooser, menu or box runs
    int32_t MapOverflowState = 0;                    // 0 normal, 1 the track left the map, 2 Go refused until Map Size fits
    int32_t MapShown = 0;                            // 1 the map window is shown (GPS input); toggled by Toggle View
    int32_t ReviewMode = 0;                          // 1 during map review
};
extern LogScreenStateRecord LogScreenState;

// ---------------------------------------------------------------------------
// Logging screen: its buttons, and the map and bar state its start resets
// (window thread only).

struct ScreenButtonsRecord {                         // 0 = not created
    std::array<plat::Hwnd, 9> StartButtons{};        // start screen, ids 420..428 (main window)
    int32_t StartButtonIndex = 0;                    // start screen's keyboard highlight 0..8
    std::array<plat::Hwnd, 4> MonitoringButtons{};   // ids 460..463: "&File", "&Readings Scale", "E&xit", "&Menu"
    std::array<plat::Hwnd, 4> StandByButtons{};      // ids 460..463: "&Go", "&QLine", "E&xit", "&Menu"
    plat::Hwnd PauseButton = 0;                      // id 460: "P A U S E", shown while logging
    std::array<plat::Hwnd, 9> MapButtons{};          // ids 470..478: Left .. Exit Review
    int32_t LogButtonIndex = 0;                      // 0..3: the default (Enter) button of the set shown
    std::array<plat::Hwnd, 4> MonitorButtons{};      // GPS monitor, ids 750..753: "&Go", "&Pause", "&Send", "E&xit"
    int32_t MonitorButtonIndex = 1;                  // 0..3: the monitor's default (Enter) button
    int32_t MonitorRunning = 1;                      // 1 the monitor reads ("&Pause" shown), 0 paused ("&Go" shown)
};
extern ScreenButtonsRecord ScreenButtons;

// Map state the logging start and Go reset; the map extends it.
struct MapViewRecord {
    // --- the map's origin and the extent of the data, map units ---
    double MapOriginX = 0.0, MapOriginY = 0.0;       // the first valid fix: global pixel 0, 0
    double DataMinX = 0.0, DataMaxX = 0.0, DataMinY = 0.0, DataMaxY = 0.0;
    // --- live view (global pixels; tile and bitmap offset of the window's upper left corner) ---
    int32_t ViewTileCol = 1000, ViewTileRow = 1000;
    int32_t ViewOffsetX = 200, ViewOffsetY = 200;
    int32_t ViewMinX = 0, ViewMaxX = 0, ViewMinY = 0, ViewMaxY = 0;   // left, right, bottom, top
    int32_t LastPositionPixelX = 0, LastPositionPixelY = 0;          // global pixel of the previous position
    int32_t PositionWindowX = 200, PositionWindowY = 200;            // window pixel of the latest position
    // --- review view: the same meaning as the live tile and offsets ---
    int32_t ReviewTileCol = 1000, ReviewTileRow = 1000;
    int32_t ReviewOffsetX = 200, ReviewOffsetY = 200;
    int32_t MapInitialised = 0;                      // 1 once the first fix has placed the view
    int32_t MapViewResetPending = 0;                 // 1: the next position re-centres the view
    int32_t BusyPhase = 0;                           // 0..4: the dot the busy indicator draws next
    // --- live-track painter: swath segment and leading-array history ---
    int32_t AntennaSide = 0;                         // 1 antenna ahead of the sensor line, -1 behind, 0 on it
    double PrevFixX = 0.0, PrevFixY = 0.0;           // previous fix of the current swath segment
    std::array<int32_t, 4> PrevBarPixels{};          // xl, yl, xr, yr of the last drawn bar (global pixels)
    int32_t LeadHistoryState = 0;                    // 0 no fix yet in the segment, 1 one, 2 two, 3 more
    int32_t LeadHistoryIndex = 0;                    // entries in use in the history below
    std::array<double, 200> LeadHistoryX{}, LeadHistoryY{}, LeadHistoryPath{};
    double LeadPathLength = 0.0;                     // path length from entry 0 to the newest entry
};
extern MapViewRecord MapView;

// Background files laid under the survey on the map (window thread only).
constexpr int kMaxBackgroundFiles = 10;
constexpr int kBackgroundNameChars = 64;             // a bare file name: 63 characters and a NUL

struct BackgroundFilesRecord {
    static constexpr int32_t MaxBackgroundFiles = kMaxBackgroundFiles;
    static constexpr uint32_t BackgroundTempRecordLength = 30;  // "%14.3f,%14.3f" and LF
    int32_t BackgroundFileCount = 0;                 // loaded files 0..10, in slots 0..count-1
    char16_t BackgroundFileNames[kMaxBackgroundFiles][kBackgroundNameChars] = {};  // the source's bare name
    char16_t BackgroundTempNames[kMaxBackgroundFiles][kBackgroundNameChars] = {};  // NAMEEXT.$NN in the temp folder
    std::array<int32_t, kMaxBackgroundFiles> BackgroundDisplayTypes{};  // 0 markers, 1..3 lines of 1..3 px
    std::array<int32_t, kMaxBackgroundFiles> RemoveFlags{};            // 1 = remove loaded file i (remove dialog)
    // --- the one load in progress ---
    plat::FileHandle BackgroundSourceFile = plat::kInvalidFile;  // the chosen file, open from the choice to the conversion's end
    plat::FileHandle BackgroundTempFile = plat::kInvalidFile;    // its temp file, open from creation to the drawing's end
    char16_t BackgroundTempPath[kDataFolderChars + 1] = u"";     // temp folder + the new temp name
    int32_t BackgroundRecordCount = 0;               // records in the temp file (break records included)
    int32_t BackgroundSourceRecordLength = 0;        // data file: bytes up to and including the first LF (<= 36)
    int32_t BackgroundSourceFormat = -1;             // data file: 0 "EM"/"PRO", 1 "OS", 2 "NAV", 3 "ZP"; -1 none
    int32_t BackgroundOffsetValid = 0;               // 1: the antenna offsets below apply ("NAV", "ZP")
    double BackgroundCrossOffset = 0.0;              // antenna offsets of a "NAV"/"ZP" file, its own units
    double BackgroundInlineOffset = 0.0;
    int32_t BackgroundGpsFormat = -1;                // format digit of the data file's header; -1 none read
};
extern BackgroundFilesRecord BackgroundFiles;

// Drawing state of the bars of each console's bar window.
struct ProfileTraceRecord {
    // --- live displays: the profile and bar painters (window thread) ---
    // Two bar ends per console and sensor: BarLastTop is the end the last update
    // started from, as passed in (may lie outside the window), so the next update
    // paints only the difference; BarTop is that end clamped to 0..DecayWindowHeight
    // for repaints, -1 = no bar (set at creation and when logging is left).
    std::array<std::array<int32_t, 2>, 10> BarTop{{{-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1},
                                                   {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}}};
    std::array<std::array<int32_t, 2>, 10> BarLastTop{};
    int32_t BarBaseline = 1;                         // where every bar starts: -1 top, 0 zero row, 1 bottom (ComputeDecayGrid)
    std::array<std::array<int32_t, 2>, 10> HasPreviousPoint{};  // 1 once the curve has a point to join (0: starts afresh)
    std::array<std::array<int32_t, 2>, 10> PreviousY{};         // curve-window row of the last point drawn
};
extern ProfileTraceRecord ProfileTrace;

constexpr int kCurveWindowSlots = 10;               // curve and bar windows: one per console, and a spare

struct ScreenWindowsRecord {
    char16_t StartDirectory[kDataFolderChars + 1] = u"";   // the folder the program started in, with its separator
    // --- window handles (0 = none); set when the windows are created ---
    plat::Hwnd MainWindow = 0;                       // "OSTRIMA-MAIN"
    plat::Hwnd LogScreenWindow = 0;                  // "ScreenLogWnd": receives the console and GPS hand-overs
    plat::Hwnd MonitorGpsWindow = 0;                 // "MonitorGPSWnd"
    plat::Hwnd MonitorListBox = 0, MonitorCommandEdit = 0;  // the monitor's received lines (760) and command (770)
    plat::Hwnd MapWindow = 0, NumbersWindow = 0, SpeedWindow = 0, ColorBarWindow = 0;
    std::array<plat::Hwnd, kCurveWindowSlots> CurveWindows{};   // "CurveWnd" of console i (profile)
    std::array<plat::Hwnd, kCurveWindowSlots> DecayWindows{};   // "DecayWnd" of console i (bars)
    int32_t ScreenMode = 0;                          // 0 start screen, 1 logging screen, 2 GPS monitor
    // --- main window ---
    static constexpr const char16_t* TempFolder = u"C:\\ProgramData\\Brevant\\Temp\\";  // temporary files; made at start
};
extern ScreenWindowsRecord ScreenWindows;

struct ScreenLayoutRecord {
    int32_t CurveWindowHeight = 126;                 // pixels (0.252 px per unit over the default 500)
    int32_t DecayWindowHeight = 126;
    int32_t SpeedBarLength = 520;
    // --- main window (set by its creation): the inputs of the logging screen's layout ---
    int32_t MainWindowX = 0, MainWindowY = 0;        // outer frame, screen pixels
    int32_t MainWindowWidth = 0, MainWindowHeight = 0;
    int32_t ClientWidth = 0, ClientHeight = 0;       // the main window's client area; 0 = take the logging screen's own
    int32_t TextHeight = 0;                          // character height of the default font; 0 = measure
    int32_t LineHeight = 0;                          // TextHeight + 2
    // --- logging screen (client pixels); the creation fixes the buttons and the speed
    //     window, every layout the per-console windows and the map ---
    int32_t WorkAreaLeft = 20, ScreenMargin = 20, WindowGap = 2;
    int32_t ProfileHeight = 0;                       // ClientHeight - 8 lines: top of the button rows
    int32_t NumbersColumnWidth = 220;                // 220 at creation, 140 from every layout on
    int32_t NumbersWindowLeft = 0, NumbersWindowTop = 0, NumbersWindowHeight = 0;
    int32_t WorkAreaWidth = 0;
    int32_t DecayWindowsLeft = 0, DecayWindowsTop = 20;
    int32_t MapWindowLeft = 20, MapWindowTop = 20, MapWindowWidth = 0, MapWindowHeight = 0;  // square
    int32_t CurveWindowsLeft = 20, CurveWindowWidth = 0;
    int32_t ColourStripLeft = 0, ColourStripWidth = 0;
    int32_t ButtonBlockTop = 0, ButtonGap = 2, ButtonHeight = 0;
    int32_t SpeedWindowLeft = 20, SpeedWindowTop = 0, SpeedWindowHeight = 8;
    int32_t MapButtonsLeft = 20, MapButtonTop = 0, MapButtonHeight = 32, MapButtonGap = 2;
    int32_t MapButtonWidth = 0, ReviewButtonWidth = 0;
    plat::Rect StateRect, FileRect;                  // status panel: the state text and "File: %s"
    // --- status-panel values drawn by console 1's readings (logging-screen client coordinates) ---
    plat::Rect StationRect, StationCountRect;        // middle box rows 1, 2
    plat::Rect LineTimeRect;                         // middle box row 4
    plat::Rect TotalStationsRect, TotalTimeRect;     // left box rows 1, 4
    // --- numbers window and bar windows ---
    std::array<plat::Rect, kMaxConsoles> ConsoleTextRects{};  // console i's band of the numbers window
    int32_t DecayWindowWidth = 0;                    // client width of a bar window
    // --- live displays: status panel (LayoutStatusPanel, once per opening of the logging screen) ---
    std::array<int32_t, 5> PanelRowTop{};            // top of the five text rows of the three boxes, row 0 at the top
    std::array<int32_t, 3> PanelColumnX{};           // left edge of the left, middle and right box
    int32_t TotalsLabelX = 0, TotalsValueX = 0;      // left box: labels, values
    int32_t LineLabelX = 0, LineValueX = 0;          // middle box: labels, values
    int32_t GpsLabelX = 0, CoordValueX = 0;          // right box: labels, latitude/northing and longitude/easting values
    int32_t DopValueX = 0, SatLabelX = 0;            // right box row 2: the DOP value and "Sat:"
    int32_t SpeedLabelX = 0;                         // "Speed:" above the speed bar
    plat::Rect MapSizeRect;                          // "Map Size:" text above the map
    plat::Rect TotalLengthRect;                      // left box row 3
    plat::Rect LineNameRect, LineLengthRect;         // middle box rows 0, 3
    plat::Rect PositionCountRect;                    // right box row 0
    plat::Rect FixQualityRect, GpsLampRectB, GpsLampRectA;  // right box row 1: fix text, the two indicator circles
    plat::Rect DopRect, SatellitesRect;              // right box row 2
    plat::Rect LatitudeRect, LongitudeRect;          // right box rows 3, 4
    plat::Rect ZoneLabelRect, ZoneRect;              // right box row 4, UTM display only
    plat::Rect SpeedRect;                            // speed value above the speed bar
    plat::Rect BusyFrameRect;                        // map window coordinates: the busy indicator's area
    std::array<plat::Rect, 5> BusyDotRects{};        // its five dots, left to right
    // --- live displays: numbers window and bars (LayoutNumbersWindow, DrawNumbersWindowFrame) ---
    int32_t NumbersLeftMargin = 10;                  // row-number column of the numbers window
    int32_t NumbersTopMargin = 30;                   // header of the numbers window
    plat::Rect NumbersMarginRect;                    // the row-number column
    int32_t NumbersRowHeight = 0;                    // height of one console band (set by the first frame paint)
    int32_t NumbersValueWidth = 0;                   // width of each of the two value columns
    int32_t BarWidth = 0;                            // width of one sensor bar in a bar window
    std::array<int32_t, 2> BarOffset{};              // x of the left edge of the bar of sensor 0 (left) and 1 (right)
    // --- live displays: grid rows (ComputeCurveGrid, ComputeDecayGrid); [0] = n (<= 9), [1..n] = y ---
    std::array<int32_t, 10> CurveGridRows{};         // [1] is the zero row when the readings scale spans zero
    std::array<int32_t, 10> DecayGridRows{};
};
extern ScreenLayoutRecord ScreenLayout;

struct MapTilesRecord {
    // Tile size in pixels: the map window width less 2, set when the map is laid
    // out. 508 until then, which reproduces the built-in CursorBandPixels 76
    // (15 % of 508 = 76.2).
    int32_t TileWidth = 508;
    // --- set by the logging screen's layout and the logging start ---
    int32_t TileHeight = 508;                        // map side - 2, like TileWidth
    int32_t TileLastX = 507, TileLastY = 507;        // map side - 3
    int32_t UsedMinCol = 0, UsedMaxCol = 1999;       // tile table range in use
    int32_t UsedMinRow = 0, UsedMaxRow = 1999;
    int32_t MinDrawableTile = 3, MaxDrawableTile = 1996;
    int32_t TileRefused = 0;                         // 1 once drawing wanted a tile outside 3..1996 or past the slot budget
};
extern MapTilesRecord MapTiles;

// ---------------------------------------------------------------------------
// Console road: serial ports and reader threads (shared with the readers:
// atomics), then survey progress, sensor layout, colour samples and drawing
// objects (window thread only).

struct SerialPortsRecord {
    // The open port of console i (0..8) and of the GPS receiver; kInvalidSerial
    // when closed. The opener stores the open's result at once; a closer
    // closes the port first and then stores kInvalidSerial, which ends the
    // port's reader.
    std::array<std::atomic<plat::SerialHandle>, kMaxConsoles> ConsolePortHandle{
        {plat::kInvalidSerial, plat::kInvalidSerial, plat::kInvalidSerial, plat::kInvalidSerial, plat::kInvalidSerial,
         plat::kInvalidSerial, plat::kInvalidSerial, plat::kInvalidSerial, plat::kInvalidSerial}};
    std::atomic<plat::SerialHandle> GpsPortHandle{plat::kInvalidSerial};  // window thread; the GPS watchdog reopens it
};
extern SerialPortsRecord SerialPorts;

constexpr int kMaxSensorSlots = 20;                  // per-sensor arrays (18 sensors at most)
constexpr int kSamplesPerHalf = 500;                 // colour samples per sensor between two fixes

struct SurveyProgressRecord {
    int32_t StationStarted = 0;                      // 1 once a console-1 record used the current station
    int32_t StationCount = 0;                        // console-1 records since the station was set
    int32_t RecordCount = 0;                         // console-1 records of the run
    int32_t LineCount = 0;                           // lines begun
    uint32_t LoggingStartTick = 0;                   // tick of the last Go
    uint32_t LineTimeMs = 0, TotalTimeMs = 0;        // base + time since the last Go
    uint32_t LineTimeBaseMs = 0, TotalTimeBaseMs = 0;  // accumulated before the last Go
    int32_t LineTimeHours = 0, LineTimeMinutes = 0, LineTimeSeconds = 0;    // last shown
    int32_t TotalTimeHours = 0, TotalTimeMinutes = 0, TotalTimeSeconds = 0;
    double LineLength = 0.0, TotalLength = 0.0;      // display units
    int32_t GpsPositionCount = 0;                    // GPS positions of the data file
    int32_t MaxGpsPositions = 28800;                 // limit of GpsPositionCount
    int32_t AudioTickCount = 0;                      // console-1 audio tick phase 0..3; 0 at program start, never reset
};
extern SurveyProgressRecord SurveyProgress;

struct SensorLayoutRecord {                          // set at every logging start
    std::array<int32_t, kMaxConsoles> ConsoleFirstSensor{};  // console i's first sensor; its second is + 1
    int32_t TotalSensors = 0;                        // 1..18
    std::array<double, kMaxSensorSlots> SensorCrossPosition{};  // fraction of the array width, 0..1
    std::array<double, kMaxSensorSlots> SensorBandStart{};      // fraction of the swath width
    std::array<double, kMaxSensorSlots> SensorBandEnd{};
};
extern SensorLayoutRecord SensorLayout;

struct ReadingSamplesRecord {
    // Per sensor, per half, the colour index 0..ColourScale.ColourMaxIndex of
    // each reading in arrival order. The console handlers fill the active
    // half; each GPS fix closes it for the colour swath.
    int32_t SampleColour[kMaxSensorSlots][2][kSamplesPerHalf] = {};
    std::array<int32_t, kMaxSensorSlots> SampleCount{};        // in the active half, 0..500
    int32_t ActiveHalf = 0;                          // 0 or 1, toggled at each fix
    int32_t SamplingOpen = 0;                        // 1 = the handlers store samples
    int32_t IntervalStarted = 0;                     // 1 after the first fix while logging
    int32_t ClosedHalf = 0;                          // the half closed at the latest fix
    std::array<int32_t, kMaxSensorSlots> ClosedSampleCount{};  // samples per sensor in the closed half
    int32_t ClosedSensorCount = 0;                   // sensors with a sample in the closed half
    int32_t ClosedHalfValid = 0;                     // 1 when ClosedSensorCount > 0
};
extern ReadingSamplesRecord ReadingSamples;

struct ReaderThreadsRecord {
    // Life states: 0 port not opened, 1 port opened or reader ended, 2 reader
    // running. The start of logging sets 1 after opening the port; the reader
    // moves 1 -> 2 and 2 -> 1 by compare-exchange only, so the 0 set by the
    // end of logging always stays 0.
    std::array<plat::ThreadHandle, kMaxConsoles> ConsoleThreadHandle{};  // reader (or simulator) of console i; 0 = none
    plat::ThreadHandle GpsThreadHandle = 0;          // GPS reader, simulator or monitor reader
    std::array<std::atomic<int32_t>, kMaxConsoles> ConsoleReaderState{};
    std::atomic<int32_t> GpsReaderState{0};
    std::atomic<int32_t> GpsReaderRun{0};            // the GPS reader loops while 1
    std::atomic<int32_t> GpsSimulatorRun{0};         // the GPS simulator loops while 1
    std::atomic<int32_t> ConsoleSimulatorRun{0};     // the console simulators loop while 1
    int32_t SimulateConsoles = 0;                    // build switch: simulators instead of console ports
    int32_t SimulateGps = 0;                         // build switch: simulator instead of the GPS reader
    int32_t SimulatePositions = 0;                   // build switch: the GPS handler makes positions itself
    std::atomic<int32_t> GpsMonitorHold{0};          // 1: the GPS monitor's reader reads nothing (paused, sending)
};
extern ReaderThreadsRecord ReaderThreads;

struct GdiObjectsRecord {                            // 0 = not created
    plat::Hfont TextFont = 0, BoldFont = 0;          // panel and numbers texts
    plat::Hbrush PanelBrush = 0;                     // button face: status-panel boxes are cleared with it
    plat::Hbrush RedBrush = 0, WhiteBrush = 0;
    plat::Hpen WhitePen = 0;
    // --- live displays: fixed pens and brushes (CreateFixedPens), profile objects
    //     (CreateProfilePens) and the heading font of the logging-state text ---
    plat::Hfont HeadingFont = 0;                     // the logging-state text at the top edge
    // --- main window: the fourth font of the painters (HeadingFont, TextFont and BoldFont above) ---
    plat::Hfont TitleFont = 0;                       // 30 px, weight 600: the product name on the start screen
    plat::Hfont CondensedFont = 0;                   // 12 px, 6 px a letter: a line name too wide for the text font
    plat::Hpen GridPenWide = 0, GridPen = 0;         // light grey 0xC0C0C0, 2 and 1 px: grid rows
    plat::Hbrush GridBrush = 0;
    plat::Hpen DarkPen = 0;                          // dark grey 0x404040: panel frames
    plat::Hpen GreyPen = 0;                          // grey 0xA0A0A0
    plat::Hbrush GreyBrush = 0;
    plat::Hpen GreenPen = 0, RedPen = 0, BluePen = 0;  // GPS indicator states; the speed bar
    plat::Hbrush GreenBrush = 0, BlueBrush = 0;
    std::array<plat::Hpen, 2> ProfilePens{};         // curve of the left (0) and right (1) sensor: ProfileDisplayOptions width and colour
    std::array<plat::Hpen, 2> ProfileBarPens{};      // bar outline, 1 px, same colour
    std::array<plat::Hbrush, 2> ProfileBrushes{};    // bar fill
    // --- map objects (CreateMapPens), from MapDisplayOptions and the background colour ---
    static constexpr Colour BackgroundColor = 0x202020;  // background files
    plat::Hpen CursorPen = 0;                        // 1 px, MapDisplayOptions.CursorColor
    plat::Hpen PositionPen = 0, PositionPenWide = 0;  // 1 and 2 px, MapDisplayOptions.PositionColor
    plat::Hbrush PositionBrush = 0;
    plat::Hpen BackgroundPenThin = 0, BackgroundPenMedium = 0, BackgroundPenThick = 0;  // 1, 2, 3 px
    plat::Hbrush BackgroundBrush = 0;
    plat::Hpen BackgroundPen = 0;                    // the one of the three in use (no object of its own)
};
extern GdiObjectsRecord GdiObjects;

struct ColourScaleRecord {
    static constexpr int32_t ColourMaxIndex = 49;    // 50 colours, 0 blue-violet .. 49 magenta
    // --- live displays: made once by CreateColourScalePens (0 = not created) ---
    std::array<plat::Hpen, ColourMaxIndex + 1> ColourPens{};      // solid, 2 px, in the colour of the index
    std::array<plat::Hbrush, ColourMaxIndex + 1> ColourBrushes{};
};
extern ColourScaleRecord ColourScale;

// Puts every record above back to its built-in values (program start, tests).
void ResetSurveyModel();
