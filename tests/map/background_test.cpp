// Background files: the exact temp records that ASCII and data files become,
// the recognition of data files, and the slots through load and removal.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "map/background_files.h"
#include "map/background_points.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/window.h"
#include "resources/background_templates.h"
#include "support/test_env.h"
#include "survey_files/data_file.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"
#include "survey_files/utm.h"

namespace {

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string Rec(double x, double y) {
    char text[64];
    std::snprintf(text, sizeof text, "%14.3f,%14.3f\n", x, y);
    return text;
}
const std::string kBreak = "    -99999.000,    -99999.000\n";

// A data-file record of `length` bytes: `text` blank padded, LF last.
std::string Record(const std::string& text, size_t length = kDataRecordLength) {
    std::string r = text.substr(0, length - 1);
    r.resize(length - 1, ' ');
    return r + '\n';
}
std::string Group(const std::string& sentence, char first = '@', char next = '#') {
    char out[kGpsGroupBytes];
    return std::string(out, FormatGpsSentenceGroup(out, sizeof out, sentence, first, next, 0, 1234));
}

class BackgroundTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::PrepareProgramFolders());
        MapDisplayOptions.MapPixelsPerUnit = 1.0;
        MapView.MapOriginX = 600000.0;
        MapView.MapOriginY = 5700000.0;
    }
    std::string TempFolder() const { return root_ + "/cache/Brevant/Temp/"; }
    std::string SourcePath(const std::string& name) const { return root_ + "/" + name; }

    // Converts `bytes` as the chosen file `name` into the next slot's temp
    // file and returns the temp file's bytes ("<refused>" when not recognised).
    std::string Convert(const std::string& bytes, bool ascii, const std::string& name = "SRC.TXT") {
        WriteWholeFile(SourcePath(name), bytes);
        const std::u16string path = Wide(SourcePath(name));
        BackgroundFiles.BackgroundSourceFile = plat::OpenFile(path.c_str(), plat::FileOpen::ExistingReadOnly);
        if (!ascii) {
            BackgroundFiles.BackgroundSourceFormat = DetectBackgroundFileFormat();
            if (BackgroundFiles.BackgroundSourceFormat < 0) {
                plat::CloseFile(BackgroundFiles.BackgroundSourceFile);
                return "<refused>";
            }
        }
        EXPECT_TRUE(NameBackgroundTempFile(path.c_str(), BackgroundFiles.BackgroundFileCount));
        CreateBackgroundTempFile();
        if (ascii) ConvertAsciiBackgroundFile();
        else ConvertDataBackgroundFile();
        EXPECT_EQ(BackgroundFiles.BackgroundSourceFile, plat::kInvalidFile);
        plat::CloseFile(BackgroundFiles.BackgroundTempFile);
        BackgroundFiles.BackgroundTempFile = plat::kInvalidFile;
        std::string temp(BackgroundFiles.BackgroundTempNames[BackgroundFiles.BackgroundFileCount],
                         BackgroundFiles.BackgroundTempNames[BackgroundFiles.BackgroundFileCount] +
                             std::char_traits<char16_t>::length(
                                 BackgroundFiles.BackgroundTempNames[BackgroundFiles.BackgroundFileCount]));
        const std::string out = ReadWholeFile(TempFolder() + temp);
        EXPECT_EQ(BackgroundFiles.BackgroundRecordCount, static_cast<int>(out.size() / 30));
        return out;
    }
};

double Utm(double lat, double lon, int zone, bool x) {
    double n = 0, e = 0;
    GeodeticToUtm(lat, lon, &zone, &n, &e, zone > 0 ? 1 : 0);
    return x ? e : n;
}

TEST_F(BackgroundTest, AsciiFilesBecomeTheseTempRecords) {
    struct Case {
        const char* what;
        std::string text;
        int delimiter, coordinates, units, east, north, forcedZone;
        std::string expected;
    };
    const double usFt = 0.304800609601219;
    const std::vector<Case> cases = {
        {"comma, blanks around the fields", " 100.5, 200.25 \n", 1, 1, 0, 0, 1, -9,
         "       100.500,       200.250\n"},
        {"space columns, comments, empty lines, breaks, bad lines",
         "/ planned grid\n\nP1   612345.5   5234567.25\nb\nP2 612346 5234568\nB end\n12.5 abc x\nP3 1e3 5\n", 0, 1, 0,
         1, 2, -9, Rec(612345.5, 5234567.25) + kBreak + Rec(612346, 5234568) + kBreak},
        {"tab, UTM feet shown in US survey feet", "1000\t1000\n", 2, 2, 2, 0, 1, -9, Rec(999.998, 999.998)},
        {"semicolon, US feet in metres, CR LF, last line without LF", "1000;2000\r\n3000;4000", 3, 3, 0, 0, 1, -9,
         Rec(1000 * usFt, 2000 * usFt) + Rec(3000 * usFt, 4000 * usFt)},
        {"metres shown in feet", "0.3048,3.048\n", 1, 1, 1, 0, 1, -9, Rec(1, 10)},
        {"a point too wide for its field is skipped, the next kept", "99999999999,5\n1,2\n", 1, 1, 0, 0, 1, -9,
         Rec(1, 2)},
        {"geodetic in the longitude's zone", "51.5,2.9\n", 1, 0, 0, 1, 0, -9,
         Rec(Utm(51.5, 2.9, 0, true), Utm(51.5, 2.9, 0, false))},
        {"geodetic in the survey's zone across the border", "51.5,2.9\n", 1, 0, 0, 1, 0, 30,
         Rec(Utm(51.5, 2.9, 30, true), Utm(51.5, 2.9, 30, false))},
        {"geodetic out of range is skipped", "95,2.9\n51.5,2.9\n", 1, 0, 0, 1, 0, 30,
         Rec(Utm(51.5, 2.9, 30, true), Utm(51.5, 2.9, 30, false))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BackgroundFileOptions.ColumnDelimiter = c.delimiter;
        BackgroundFileOptions.CoordinatesType = c.coordinates;
        BackgroundFileOptions.EastingColumn = c.east;
        BackgroundFileOptions.NorthingColumn = c.north;
        SystemSetup.DisplayUnits = c.units;
        GpsFix.UtmZoneForced = c.forcedZone;
        EXPECT_EQ(Convert(c.text, true), c.expected);
    }
}

TEST(BackgroundRecordTest, RecordsReadAsPrintfWritesThemAndOnlyWhenTheyFit) {
    // Ties, negative zero, the edges of the field and a spread of magnitudes.
    std::vector<double> values = {0.0625, 0.0005, -0.0004, 2.5e-4, 999999999.9994, 9999999999.9994, 9999999999.9996,
                                  -999999999.9994, -999999999.9996, 1e10, -1e9, 612345.125, 5234567.0625};
    for (int i = 0; i < 20000; ++i) values.push_back(std::ldexp(1.0 + (i * 7919 % 10007) / 10007.0, i % 36 - 4) *
                                                     (i % 3 == 0 ? -1 : 1));
    for (double v : values) {
        char expected[64];
        const bool fits = std::snprintf(expected, sizeof expected, "%14.3f,%14.3f\n", v, 1.0) == 30 &&
                          expected[14] == ',';
        char record[31];
        ASSERT_EQ(FormatBackgroundRecord(v, 1.0, record), fits) << v;
        if (!fits) continue;
        ASSERT_STREQ(record, expected) << v;
        double x = 0, y = 0;
        ParseBackgroundRecord(record, &x, &y);
        EXPECT_EQ(x, std::strtod(expected, nullptr));
    }
    char record[31];
    EXPECT_FALSE(FormatBackgroundRecord(std::nan(""), 1.0, record));
    EXPECT_FALSE(FormatBackgroundRecord(1.0, INFINITY, record));
}

TEST_F(BackgroundTest, ColumnFieldsAreSplitTrimmedAndTested) {
    struct Case {
        const char* line;
        int column;
        char delimiter;
        int result;
        const char* field;
    };
    const Case cases[] = {
        {"1.0,2.0,3.0", 3, ',', 1, "3.0"}, {"1.0,2.0,3.0", 4, ',', 0, ""},  {"12.5,abc", 2, ',', 0, "abc"},
        {"a   -7.25  b", 2, ' ', 1, "-7.25"}, {"1,,3", 2, ',', 0, ""},       {"1,5-2", 2, ',', 0, "5-2"},
        {"x;+4", 2, ';', 1, "+4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        char out[64];
        EXPECT_EQ(GetColumnField(c.line, c.column, c.delimiter, out), c.result);
        EXPECT_STREQ(out, c.field);
    }
}

TEST_F(BackgroundTest, DataFilesAreRecognisedByTheirFirstBytes) {
    const std::string body = Record("H") + Record("   1.500 -2.000") + Record("G");
    struct Case {
        std::string bytes;
        int format;
    };
    const Case cases[] = {
        {Record("EM31 file") + body, 0},
        {Record("xxPRO") + body, 0},
        {Record("OSTRMA  W216GPS0 0 20") + body, 1},
        {Record("NAV") + body, 2},
        {Record("  ZP") + body, 3},
        {Record("ABCDEFGHZP") + body, -1},             // only the first 8 bytes count
        {std::string(40, 'N') + "\n" + body, -1},      // first line beyond 36 bytes
        {"OS\n", -1},                                  // shorter than 8 bytes
        {Record("NAV", 12) + Record("", 12) + Record(" 1.5", 12), -1},  // offsets need 16-byte records
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 12));
        WriteWholeFile(SourcePath("D.DAT"), c.bytes);
        BackgroundFiles.BackgroundSourceFile =
            plat::OpenFile(Wide(SourcePath("D.DAT")).c_str(), plat::FileOpen::ExistingReadOnly);
        EXPECT_EQ(DetectBackgroundFileFormat(), c.format);
        if (c.format >= 2) {
            EXPECT_EQ(BackgroundFiles.BackgroundOffsetValid, 1);
            EXPECT_DOUBLE_EQ(BackgroundFiles.BackgroundCrossOffset, 1.5);
            EXPECT_DOUBLE_EQ(BackgroundFiles.BackgroundInlineOffset, -2.0);
        }
        plat::CloseFile(BackgroundFiles.BackgroundSourceFile);
    }
}

TEST_F(BackgroundTest, ADataFileOfThisProgramBecomesItsTrack) {
    // Logged with GGA/GSA and with Pseudo GLL: the header as the program writes it.
    struct Case {
        int format;
        std::vector<std::string> sentences;
    };
    const Case cases[] = {
        {0,
         {"$GPGGA,101530.00,5130.25000,N,00012.50000,W,2,08,1.0,45.0,M,47.0,M,,*5B",
          "$GPGSA,A,3,01,02,03,04,,,,,,,,,1.8,1.0,1.5*33",
          "$GPGGA,101531.00,5130.26000,N,00012.49000,W,2,08,1.0,45.0,M,47.0,M,,*5B"}},
        {8, {"$GPGLL,5130.25000,N,00012.50000,W,101530.00,A*00", "$GPGLL,5130.26000,N,00012.49000,W,101531.00,A*00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        GpsPortSetup.DataFormat = c.format;
        HeaderRecords header;
        FormatHeaderRecords(header, 0);
        std::string file(header.data(), header.size());
        for (const std::string& s : c.sentences) {
            file += Group(s);
            file += Group("GARBLED LINE", '?', '"') + Record("X$GPVTG,,T,,M,0.0,N*00");
        }
        file += Group("$GPGGA,101532.00,5130.2");  // cut off before its fields: no position
        GpsFix.UtmZoneForced = 30;
        const std::string out = Convert(file, false, "SURVEY.OSD");
        const double lat[] = {51 + 30.25 / 60, 51 + 30.26 / 60}, lon[] = {-(12.5 / 60), -(12.49 / 60)};
        EXPECT_EQ(out, Rec(Utm(lat[0], lon[0], 30, true), Utm(lat[0], lon[0], 30, false)) +
                           Rec(Utm(lat[1], lon[1], 30, true), Utm(lat[1], lon[1], 30, false)));
        EXPECT_EQ(BackgroundFiles.BackgroundGpsFormat, c.format);
    }
}

// A track across the equator converts in the survey's northing frame, without
// a jump: from 10000000 m on in a southern survey, from 0 in a northern one.
TEST_F(BackgroundTest, ADataFileAcrossTheEquatorKeepsTheSurveysNorthingFrame) {
    GpsPortSetup.DataFormat = 1;  // GGA
    HeaderRecords header;
    FormatHeaderRecords(header, 0);
    std::string file(header.data(), header.size());
    for (const char* latitude : {"0000.00540,S", "0000.00000,N", "0000.00540,N"}) {  // 9.95 m apart
        file += Group(std::string("$GPGGA,101530.00,") + latitude + ",01730.00000,E,2,08,1.0,45.0,M,47.0,M,,*00");
    }
    for (const int frame : {1, -1}) {
        SCOPED_TRACE(frame);
        GpsFix.UtmZoneForced = 33;
        GpsFix.UtmFrameForced = frame;
        const std::string out = Convert(file, false, "EQUATOR.OSD");
        ASSERT_EQ(out.size(), 3 * 30u) << out;
        for (int i = 0; i < 3; ++i) {
            double x = 0.0, y = 0.0;
            ParseBackgroundRecord(out.c_str() + 30 * i, &x, &y);
            EXPECT_NEAR(y, (frame < 0 ? 10000000.0 : 0.0) + (i - 1) * 9.9517, 0.05) << out;
        }
    }
}

TEST_F(BackgroundTest, AntennaOffsetsMoveTheTrackToTheSensors) {
    // "NAV" file, grid positions (LLK: easting field 4, northing 6) going east,
    // one position repeated; offsets in columns 1-7 (cross) and 8-14 (in-line).
    auto file = [](double cross, double inl) {
        char offsets[32];
        std::snprintf(offsets, sizeof offsets, " %7.3f%7.3f", cross, inl);
        std::string f = Record("NAV") + Record("H") + Record(offsets) + Record("G                  3");
        for (double e : {1000.0, 1010.0, 1010.0, 1020.0}) {
            char s[80];
            std::snprintf(s, sizeof s, "$GPLLK,1,1,%.1f,M,2000.0,M,3", e);
            f += Group(s);
        }
        return f;
    };
    struct Case {
        double cross, inl;
        std::string expected;
    };
    const Case cases[] = {
        {1, 0, Rec(1010, 2001) + Rec(1020, 2001)},   // one unit left of travel, from the second position
        {1, 5, Rec(1005, 2001) + Rec(1015, 2001)},   // 5 behind along the track
        {-1, -5, Rec(1015, 1999) + Rec(1025, 1999)}, // 5 ahead, to the right
        {0, 15, Rec(995, 2000) + Rec(1005, 2000)},   // behind the oldest position kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inl);
        EXPECT_EQ(Convert(file(c.cross, c.inl), false, "TRACK.NAV"), c.expected);
    }
}

TEST_F(BackgroundTest, TheDataExtentGrowsOnlyByDrawablePoints) {
    MapView.DataMinX = MapView.DataMaxX = 600000.0;
    MapView.DataMinY = MapView.DataMaxY = 5700000.0;
    BackgroundFileOptions.ColumnDelimiter = 1;
    // 600100 is well inside the tiles; 9e8 lies far beyond the last drawable tile.
    EXPECT_EQ(Convert("600100,5700050\n900000000,5700050\n", true), Rec(600100, 5700050) + Rec(9e8, 5700050));
    EXPECT_EQ(MapView.DataMaxX, 600100.0);
    EXPECT_EQ(MapView.DataMaxY, 5700050.0);
}

// The whole load sequence and the removal, through their dialogs and choosers.
class BackgroundSlotsTest : public BackgroundTest {
protected:
    void SetUp() override {
        BackgroundTest::SetUp();
        ASSERT_TRUE(plat::StartApplication());
        plat::test::ResetWindows();
        LogScreenState.MapShown = 1;
        GpsPortSetup.InputMode = 0;
        BackgroundFileOptions.FileType = 1;
        BackgroundFileOptions.ColumnDelimiter = 1;
    }
    void TearDown() override {
        plat::test::ResetWindows();
        BackgroundTest::TearDown();
    }
    static void Answer(plat::ModalKind kind, int result, std::u16string text = u"",
                       std::function<int(int)> act = nullptr) {
        plat::ModalAnswer a;
        a.Kind = kind;
        a.Result = result;
        a.Text = std::move(text);
        a.Act = std::move(act);
        plat::test::ScriptModal(a);
    }
    // `box`: the load ends with one message box, answered OK.
    int Load(const std::string& name, const std::string& text = "600010,5700010\n600020,5700020\n",
             bool box = false) {
        WriteWholeFile(SourcePath(name), text);
        Answer(plat::ModalKind::Dialog, 1);
        Answer(plat::ModalKind::OpenFile, 1, Wide(SourcePath(name)));
        if (box) Answer(plat::ModalKind::MessageBox, plat::kIdOk);
        return EnterBackgroundFiles(0);
    }
    std::vector<std::string> Slots() const {
        std::vector<std::string> out;
        for (int i = 0; i < BackgroundFiles.BackgroundFileCount; ++i) {
            const char16_t* t = BackgroundFiles.BackgroundTempNames[i];
            out.emplace_back(t, t + std::char_traits<char16_t>::length(t));
        }
        return out;
    }
    bool TempExists(const std::string& name) const { return !ReadWholeFile(TempFolder() + name).empty(); }
};

TEST_F(BackgroundSlotsTest, LoadRemoveAndLoadAgainIntoAFreedSlot) {
    EXPECT_EQ(Load("A.TXT"), 1);
    EXPECT_EQ(Load("SURVEY.TXT"), 1);
    EXPECT_EQ(Load("C.XYZ"), 1);
    EXPECT_EQ(Slots(), (std::vector<std::string>{"ATXT.$00", "SURVEYTXT.$01", "CXYZ.$02"}));
    // Remove the second file: the others close up in their order.
    Answer(plat::ModalKind::Dialog, 0, u"", [](int dialog) {
        plat::SetCheckState(plat::GetDialogItem(dialog, res::kIdBackgroundRemoveCheck + 1), plat::kChecked);
        plat::SendMessage(dialog, plat::kMsgCommand, res::kIdBackgroundOk, 0);
        return -1;
    });
    EXPECT_EQ(RemoveBackgroundFiles(0), 1);
    EXPECT_EQ(Slots(), (std::vector<std::string>{"ATXT.$00", "CXYZ.$02"}));
    EXPECT_FALSE(TempExists("SURVEYTXT.$01"));
    // The next file takes the first suffix no loaded file uses, never a kept file's.
    EXPECT_EQ(Load("C.XYZ", "600030,5700030\n"), 1);
    EXPECT_EQ(Slots(), (std::vector<std::string>{"ATXT.$00", "CXYZ.$02", "CXYZ.$01"}));
    EXPECT_EQ(ReadWholeFile(TempFolder() + "CXYZ.$02"), Rec(600010, 5700010) + Rec(600020, 5700020));
    // Select All removes the rest; leaving removes whatever is loaded.
    Answer(plat::ModalKind::Dialog, 0, u"", [](int dialog) {
        plat::SendMessage(dialog, plat::kMsgCommand, res::kIdBackgroundSelectAll, 0);
        plat::SendMessage(dialog, plat::kMsgCommand, res::kIdBackgroundOk, 0);
        return -1;
    });
    EXPECT_EQ(RemoveBackgroundFiles(0), 3);
    EXPECT_EQ(BackgroundFiles.BackgroundFileCount, 0);
    EXPECT_EQ(Load("A.TXT"), 1);
    RemoveAllBackgroundFiles();
    EXPECT_EQ(BackgroundFiles.BackgroundFileCount, 0);
    for (const char* name : {"ATXT.$00", "CXYZ.$01", "CXYZ.$02"}) EXPECT_FALSE(TempExists(name)) << name;
}

TEST_F(BackgroundSlotsTest, TheOperatorIsToldWhyAFileIsNotLoaded) {
    struct Case {
        const char* what;
        std::function<int()> run;
        const char16_t* title;
        const char16_t* text;
        int result;
    };
    const std::string longName(70, 'N');
    const std::vector<Case> cases = {
        {"map hidden",
         [this] {
             LogScreenState.MapShown = 0;
             Answer(plat::ModalKind::MessageBox, plat::kIdOk);
             return EnterBackgroundFiles(0);
         },
         u"INFORMATION",
         u"Option avaiable only when map is visible", kBackgroundStopped},
        {"same columns", [this] {
             BackgroundFileOptions.EastingColumn = BackgroundFileOptions.NorthingColumn = 2;
             Answer(plat::ModalKind::Dialog, 1);
             Answer(plat::ModalKind::MessageBox, plat::kIdOk);
             return EnterBackgroundFiles(0);
         },
         u"INFORMATION", u"Same column selected for UTM coordinates. Please correct.", kBackgroundStopped},
        {"a name that does not fit", [&] { return Load(longName + ".TXT", "1,2\n", true); }, u"INFORMATION",
         u"The file name is too long to load as a background file.", kBackgroundChooserCancelled},
        {"no number line", [this] { return Load("EMPTY.TXT", "/ nothing\n", true); }, u"FILE ERROR",
         u"Check background file structure.", kBackgroundDropped},
        {"every point outside the map", [this] { return Load("FAR.TXT", "1000000000,1000000000\n", true); }, u"STOP",
         u"All points in background file are invalid\r\n", kBackgroundDropped},
        {"some points outside the map",
         [this] { return Load("SOME.TXT", "600010,5700010\n1000000000,1000000000\n", true); },
         u"WARNING", u"Number of points in background file: 2\r\nNumber of invalid points: 1\r\n", kBackgroundKept},
        {"an unknown data file", [this] {
             BackgroundFileOptions.FileType = 0;
             return Load("ODD.DAT", "ABCDEFGHIJ\n", true);
         },
         u"INFORMATION", u"Format not supported", kBackgroundStopped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogScreenState.MapShown = 1;
        BackgroundFileOptions.FileType = 1;
        BackgroundFileOptions.EastingColumn = 0;
        BackgroundFileOptions.NorthingColumn = 1;
        plat::test::ClearRecordedMessageBoxes();
        EXPECT_EQ(c.run(), c.result);
        const auto boxes = plat::test::RecordedMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].Title, c.title);
        EXPECT_EQ(boxes[0].Text, c.text);
    }
    // Only the file with some drawable points was kept; nothing dropped stays in the temp folder.
    EXPECT_EQ(Slots(), (std::vector<std::string>{"SOMETXT.$00"}));
    EXPECT_FALSE(TempExists("FARTXT.$00"));
    EXPECT_FALSE(TempExists("EMPTYTXT.$00"));
}

TEST_F(BackgroundSlotsTest, TheSurveysOpenDataFileLoadsAndAFileThatCannotBeOpenedIsReported) {
    // The survey being logged: its file open for appending, held as the logger holds it.
    GpsPortSetup.DataFormat = 1;
    HeaderRecords header;
    FormatHeaderRecords(header, 0);
    const std::string gga = "$GPGGA,101530.00,5130.25000,N,00012.50000,W,2,08,1.0,45.0,M,47.0,M,,*5B";
    const std::string survey = std::string(header.data(), header.size()) + Group(gga);
    GpsFix.UtmZoneForced = 30;
    const double x = Utm(51 + 30.25 / 60, -(12.5 / 60), 30, true), y = Utm(51 + 30.25 / 60, -(12.5 / 60), 30, false);
    MapView.MapOriginX = x - 10;
    MapView.MapOriginY = y - 10;
    const std::string fifo = SourcePath("PIPE.OSD");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);  // nobody at the other end: opening it would wait for good
    struct Case {
        const char* what;
        int fileType;
        std::string name;
        int result;
        const char16_t* box;  // the one message box, or none
        std::string temp;     // the temp file kept
    };
    const Case cases[] = {
        {"the survey's own data file, open for logging", 0, "SURVEY.OSD", kBackgroundKept, nullptr, Rec(x, y)},
        {"a data file that is gone", 0, "GONE.OSD", kBackgroundDropped, u"Check background file structure.", ""},
        {"an ASCII file that is gone", 1, "GONE.TXT", kBackgroundDropped, u"Check background file structure.", ""},
        {"a FIFO", 0, "PIPE.OSD", kBackgroundDropped, u"Check background file structure.", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BackgroundFileOptions.FileType = c.fileType;
        if (c.name == "SURVEY.OSD") {
            WriteWholeFile(SourcePath(c.name), survey);
            const std::u16string path = Wide(SourcePath(c.name));
            std::char_traits<char16_t>::copy(DataFileState.DataFilePath, path.c_str(), path.size() + 1);
            ASSERT_EQ(ReopenDataFile(), 1);
        }
        plat::test::ClearRecordedMessageBoxes();
        Answer(plat::ModalKind::Dialog, 1);
        Answer(plat::ModalKind::OpenFile, 1, Wide(SourcePath(c.name)));
        if (c.box != nullptr) Answer(plat::ModalKind::MessageBox, plat::kIdOk);
        EXPECT_EQ(EnterBackgroundFiles(0), c.result);
        const auto boxes = plat::test::RecordedMessageBoxes();
        ASSERT_EQ(boxes.size(), c.box != nullptr ? 1u : 0u);
        if (c.box != nullptr) {
            EXPECT_EQ(boxes[0].Title, u"FILE ERROR");
            EXPECT_EQ(boxes[0].Text, c.box);
        }
        CloseDataFile();
    }
    EXPECT_EQ(Slots(), (std::vector<std::string>{"SURVEYOSD.$00"}));
    EXPECT_EQ(ReadWholeFile(TempFolder() + "SURVEYOSD.$00"), cases[0].temp);
}

}  // namespace
