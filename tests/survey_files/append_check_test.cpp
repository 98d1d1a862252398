// The check of an existing data file before a section is appended: every
// refusal's exact message from one table of damaged headers (short files and
// files killed in mid-record included), what is accepted, the cut-back of a
// partial last record, and the move to a neighbouring UTM zone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/text.h"
#include "platform/window.h"
#include "support/test_env.h"
#include "survey_files/append_check.h"
#include "survey_files/data_file.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"
#include "survey_files/utm.h"

namespace {

constexpr size_t kRec = kDataRecordLength;

class AppendCheckTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::StartApplication());
        path_ = root_ + "/old.osd";
        Defaults();
    }
    // A three-console array with GPS input, a fix in zone 31.
    static void Defaults() {
        ResetSurveyModel();
        SystemSetup.ConsoleCount = 3;
        SystemSetup.ConsoleType = {1, 0, 1, 1, 1, 1, 1, 1, 1};
        SystemSetup.LeadingPoint = 1;
        ArrayGeometry.UnitSeparation = 0.5;
        ArrayGeometry.ConsoleSeparation = 1.0;
        GpsPortSetup.InputMode = 1;
        GpsPortSetup.DataFormat = 0;
        GpsFix.PositionValid = 1;
        GpsFix.UtmZone = GpsFix.UtmZoneForced = 31;
        GpsFix.OriginLatitude = 52.0;
        GpsFix.OriginLongitude = 5.0;
    }
    void TearDown() override {
        CloseDataFile();
        OstrimaTest::TearDown();
    }

    // The header a file gets under the settings in force, and two records after it.
    static std::string Header() {
        HeaderRecords h;
        FormatHeaderRecords(h, 0);
        return std::string(h.data(), h.size()) + "X$STARTED       0000000001\n" + "X PAUSED        0000000002\n";
    }
    // Writes `bytes`, opens them as the data file and runs the check; the
    // operator answers OK to whatever box comes.
    int Check(const std::string& bytes) {
        WriteWholeFile(path_, bytes);
        const std::u16string path16 = plat::Utf8ToUtf16(path_);
        DataFileState.DataFileHandle = plat::OpenFile(path16.c_str(), plat::FileOpen::ExistingReadWrite, true, true);
        EXPECT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);
        plat::test::ClearRecordedMessageBoxes();
        for (int i = 0; i < 2; ++i) plat::test::ScriptModal(plat::ModalAnswer{});
        const int result = CheckDataFileForAppend(0);
        plat::test::ClearModalScript();
        return result;
    }
    static std::u16string Boxes() {
        std::u16string all;
        for (const auto& b : plat::test::RecordedMessageBoxes()) all += b.Title + u"|" + b.Text;
        return all;
    }

    std::string path_;
};

void Put(std::string& s, int record, int col, const std::string& text) { s.replace((record - 1) * kRec + col, text.size(), text); }

const std::u16string kRecordInvalid = u"WARNING|Invalid File Format.\r\nFile Record # ";
const std::u16string kClosed = u"\r\nThe file will be closed.";

struct DamageCase {
    const char* What;
    std::function<void()> Settings;           // changes to the set-up before the check
    std::function<void(std::string&)> Damage; // changes to the file
    std::u16string Message;                   // the whole box ("" none); title|text
};

const DamageCase kDamages[] = {
    {"M1 wrong tag", [] {}, [](std::string& s) { Put(s, 1, 0, "OSTRMB"); }, kRecordInvalid + u"1 invalid." + kClosed},
    {"M1 empty file", [] {}, [](std::string& s) { s.clear(); }, kRecordInvalid + u"1 invalid." + kClosed},
    {"M2 version 1", [] {}, [](std::string& s) { Put(s, 1, 9, "1"); },
     u"WARNING|Append file option is not avaiable\r\nfor files created with Version 1.xx" + kClosed},
    {"M3 killed in record 2", [] {}, [](std::string& s) { s.resize(kRec + 26); }, kRecordInvalid + u"2 invalid." + kClosed},
    {"M4 killed in record 3", [] {}, [](std::string& s) { s.resize(2 * kRec + 3); }, kRecordInvalid + u"3 invalid." + kClosed},
    // Record 5 begins with 'G' too: a missing record 6 must not be judged on it.
    {"M5 file of five records", [] {}, [](std::string& s) { s.resize(5 * kRec); },
     u"WARNING|Invalid File Format.\r\nFile Record #6 invalid." + kClosed},
    {"M5 killed in record 4", [] {}, [](std::string& s) { s.resize(3 * kRec + 9); },
     u"WARNING|Invalid File Format.\r\nFile Record #6 invalid." + kClosed},
    {"M6", [] { GpsPortSetup.InputMode = 0; }, [](std::string& s) { Put(s, 3, 20, "1"); },
     u"WARNING| GPS state in the file: ENABLED\r\n  Current GPS selection: DISABLED \r\n  Please adjust the configuration. "},
    {"M7 console type", [] {}, [](std::string& s) { Put(s, 2, 13, "2"); },
     u"WARNING| Number and/or sensors setup do not match\r\n  Please adjust the configuration. "},
    {"M8", [] { GpsPortSetup.InputMode = 0; }, [](std::string& s) { Put(s, 3, 16, "2"); Put(s, 3, 20, "0"); },
     u"WARNING| Leading Point doesn't match\r\n  Please adjust the configuration. "},
    {"M9", [] { GpsPortSetup.InputMode = 0; }, [](std::string& s) { Put(s, 3, 20, "0"); Put(s, 6, 8, "  2.000"); },
     u"WARNING| File Sensors Separations: \r\n  0.50 , 2.00\r\nCurrent Sensors Separations: \r\n  0.50 , 1.00\r\n"
     u" Please adjust the configuration. "},
    {"M10", [] {}, [](std::string& s) { Put(s, 1, 15, "2"); },
     u"WARNING| Map units in the file:  US Survey Feet\r\n  Set the same units in the program"},
    {"M11", [] { GpsFix.PositionValid = 0; }, [](std::string&) {},
     u"WARNING|Valid GPS position must be \r\nreceived to append file.\r\nCorrect GPS or create new file."},
    {"M12", [] {}, [](std::string& s) { Put(s, 3, 20, "0"); },
     u"WARNING| GPS state in the file: DISABLED\r\n  Current GPS selection: ENABLED\r\n  Please adjust the configuration. "},
    {"M13", [] {}, [](std::string& s) { Put(s, 6, 1, "  0.750"); },
     u"WARNING|File Sensors Separations: \r\n  0.75 , 1.00\r\nCurrent Sensors Separations: \r\n  0.50 , 1.00\r\n"
     u"Please adjust the configuration. "},
    {"M14", [] {}, [](std::string& s) { Put(s, 3, 8, " -0.500"); },
     u"WARNING| GPS antenna offsets in the file: \r\n  X=2.50 Y=-0.50\r\nGPS antenna offsets specified: \r\n"
     u"  X=2.50 Y=0.50\r\nPlease adjust offsets or create the new data file. "},
    {"M15", [] {}, [](std::string& s) { Put(s, 3, 17, "A"); },
     u"WARNING|GPS NMEA Data in the file: Pseudo GLL\r\nCurrent Selection: GGA/GSA\r\nPlease set GPS to Pseudo GLL\r\n"
     u"to append file"},
    {"M16", [] {}, [](std::string& s) { Put(s, 4, 16, "33"); },
     u"WARNING|Distance between gps current position and position\r\nin the file is greater than 6 degrees longitude.\r\n"
     u"Therefore the program cannot append this file." + kClosed},
    // Accepted.
    {"216 in columns 9-11", [] {}, [](std::string&) {}, u""},
    {"local grid format compares no zone", [] { GpsPortSetup.DataFormat = 3; },
     [](std::string& s) { Put(s, 3, 17, "3"); Put(s, 4, 16, "40"); }, u""},
    {"units not compared without GPS", [] { GpsPortSetup.InputMode = 0; }, [](std::string& s) { Put(s, 1, 15, "1"); Put(s, 3, 20, "0"); }, u""},
    // 1.5 ft is stored as 0.457 m and must still match the set-up that wrote it.
    {"separations at the file's precision", [] { ArrayGeometry.UnitSeparation = 1.5 * 0.3048; ArrayGeometry.GpsAntennaOffsetY = 0.30480001; },
     [](std::string& s) { Put(s, 6, 1, "  0.457"); Put(s, 3, 8, "  0.305"); }, u""},
};

TEST_F(AppendCheckTest, DamagedHeadersAreRefusedWithTheirRecordsMessage) {
    for (const DamageCase& c : kDamages) {
        SCOPED_TRACE(c.What);
        Defaults();
        c.Settings();
        std::string bytes = Header();
        c.Damage(bytes);
        const int result = Check(bytes);
        EXPECT_EQ(Boxes(), c.Message);
        EXPECT_EQ(result, c.Message.empty() ? 0 : 1);
        // Refused: closed. Accepted: still open. Never written either way.
        EXPECT_EQ(DataFileState.DataFileHandle == plat::kInvalidFile, result == 1);
        EXPECT_EQ(ReadWholeFile(path_), bytes);
        CloseDataFile();
    }
}

// A crash in mid-write leaves part of a record: once the header checks, the
// file is cut back to its last whole record and the operator is told.
TEST_F(AppendCheckTest, PartialLastRecordIsCutBackAfterTheHeaderChecks) {
    const std::string whole = Header();
    EXPECT_EQ(Check(whole + "T$P  123,  45    00"), 0);
    EXPECT_EQ(ReadWholeFile(path_), whole);
    EXPECT_EQ(Boxes(), u"WARNING|The data file ended with a partial record (19 bytes),\r\nleft by an interrupted write.\r\n"
                       u"It was cut back to its last whole record.");
    EXPECT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);
}

// What a torn write leaves (part of a record; whole records of a GPS group
// without its "!", of a swath block or of line records, perhaps with part of
// the next) is cut away; any other end is damage no crash leaves: the file is
// refused and left byte for byte.
TEST_F(AppendCheckTest, FileEndIsCutOnlyWhereATornWriteLeftIt) {
    const auto rec = [](const std::string& text) { return text + std::string(kRec - 1 - text.size(), ' ') + "\n"; };
    const std::string group = rec("@$GPGGA,120010,4807.038,N") + rec("#,01131.000,E,2,08,0.9,54") + rec("#5.4,M,46.9,M,,*47");
    std::string junk;  // 50 bytes that are no records (none of them a line feed)
    for (int i = 0; i < 50; ++i) junk += static_cast<char>(i * 37 + 11);
    std::string survey = Header();
    for (int i = 0; i < 30; ++i) survey += rec("T$P  75,  62    0000001234");
    std::string inserted = survey;  // 13 bytes inserted after record 20
    inserted.insert(20 * kRec, "X13 BYTES IN ");
    // A record with one byte in column `col` that no writer puts there.
    const auto poked = [](std::string r, size_t col, char byte) { return r.replace(col, 1, 1, byte); };
    const std::string reading = rec("T$P  75,  62    0000001234");
    const std::string event = rec("X$GPVTG,054.7,T,034.4,M,0");
    const std::string paused = rec("XPAUSED         0000001235");  // how every session ends
    HeaderRecords section;
    FormatHeaderRecords(section, 1);
    const std::string sectionHeader(section.data(), section.size());
    SwathBlock block;  // kind 2: "{e" to "{h", one write
    FormatSwathBlock(block, 2, 612345.5, 5761234.25, 612347.5, 5761234.75);
    const std::string swath(block.data(), block.size());

    const std::u16string cut = u"WARNING|The data file ended with a partial ";
    const std::u16string cutEnd = u" bytes),\r\nleft by an interrupted write.\r\nIt was cut back to its last whole record.";
    const std::u16string damaged = u"WARNING|The end of the data file is damaged.\r\n";
    const std::u16string left = u"\r\nNothing was appended; the file is left as it is.\r\nThe file will be closed.";
    const std::u16string unended = damaged + u"A record at its end does not end with a line feed." + left;
    const std::u16string notARecord = damaged + u"Its last record is not a record this program writes." + left;
    const std::u16string earlier = damaged + u"A record before its last is not a record this program writes." + left;
    const struct {
        const char* What;
        std::string Bytes;
        size_t Kept;  // bytes the file keeps when it is accepted
        std::u16string Message;
    } cases[] = {
        {"whole records", survey, survey.size(), u""},
        {"whole group", survey + group + rec("!             0 0000000123"), survey.size() + 4 * kRec, u""},
        {"crash in a record", survey + "T$P  75", survey.size(), cut + u"record (7" + cutEnd},
        {"crash one byte into a record", survey + "T", survey.size(),
         cut + u"record (1 byte),\r\nleft by an interrupted write.\r\nIt was cut back to its last whole record."},
        {"a lone line feed after the last record", survey + "\n", 0,
         damaged + u"The 1 byte after its last whole record holds a line feed." + left},
        {"group torn in its last record", survey + group + "!   ", survey.size(), cut + u"GPS sentence group (85" + cutEnd},
        {"group torn at a record boundary", survey + group, survey.size(), cut + u"GPS sentence group (81" + cutEnd},
        {"group torn in its first record", survey + "@$GPGGA,12", survey.size(), cut + u"record (10" + cutEnd},
        {"rejected line's group torn", survey + rec("?$GPGGA,1200") + "\"x", survey.size(), cut + u"GPS sentence group (29" + cutEnd},
        {"50 random bytes", survey + junk, 0, unended},
        {"13 bytes inserted", inserted, 0, unended},
        {"line feed in the partial piece", survey + "T$P 7\n5", 0,
         damaged + u"The 7 bytes after its last whole record hold a line feed." + left},
        {"line feed inside the last record", survey + rec("T$P  75,\n62"), 0,
         damaged + u"A record at its end holds a line feed inside it." + left},
        {"torn group whose record lost its line feed", survey + group.substr(0, 2 * kRec - 1) + "x" + "!  ", 0, unended},
        {"line records torn", survey + rec("LLINE1") + rec("B       0.00") + "A", survey.size(),
         cut + u"set of line records (55" + cutEnd},
        // What no write of this program leaves at the end of a file.
        {"junk record", survey + junk.substr(0, 26) + "\n", 0, notARecord},
        {"reading without its tick", survey + rec("T$P  75,  62"), 0, notARecord},
        {"time record with a bad count", survey + group + rec("!             x 0000000123"), 0, notARecord},
        {"continuation without its group", survey + rec("#,01131.000,E,2,08,0.9,54"), 0, notARecord},
        {"group record after its time record", survey + group + rec("!             0 0000000123") + rec("#5.4"), 0, notARecord},
        {"header record after readings", survey + rec("G  0.500  1.000"), 0, notARecord},
        {"section header record 1 of another shape", survey + rec("rSTRMB  W216GPS0 0 21"), 0, notARecord},
        {"line records torn after a header without its record 1", survey + Header().substr(kRec, 5 * kRec) + rec("LLINE1") + "B",
         0, notARecord},
        {"file header record 1 after readings", survey + Header().substr(0, kRec), 0, notARecord},
        {"group torn after a junk record", survey + junk.substr(0, 26) + "\n" + group.substr(0, kRec), 0, notARecord},
        // A last record holds only bytes its writer puts there: no control byte in a text.
        {"NUL inside the last reading", survey + poked(reading, 9, '\0'), 0, notARecord},
        {"CR inside the last reading", survey + poked(reading, 15, '\r'), 0, notARecord},
        {"NUL inside the last X record", survey + poked(event, 25, '\0'), 0, notARecord},
        {"CR inside the last X record", survey + poked(event, 1, '\r'), 0, notARecord},
        // A reading's text is ASCII: its writer marks any other byte "?".
        {"byte above 0x7F in the last reading's text", survey + poked(reading, 9, '\xE9'), 0, notARecord},
        // Every record of the writes the end is judged on, by its kind.
        {"NUL in the reading before the last record", survey + poked(reading, 5, '\0') + paused, 0, earlier},
        {"NUL in the tick of the reading before the last record", survey + poked(reading, 20, '\0') + paused, 0, earlier},
        {"DEL in a reading 25 records before the end", poked(survey, survey.size() - 25 * kRec + 5, '\x7F'), 0, earlier},
        {"NUL in a section header's zone", survey + poked(sectionHeader, 3 * kRec + 16, '\0') + paused, 0, earlier},
        {"8-bit text where the writers keep it", survey + poked(event, 7, '\xB0') + rec("CStra\xDF""e 4       0000001236") +
         sectionHeader + paused, survey.size() + 9 * kRec, u""},
        // An unfinished run with a record after it is no crash's work: refused, nothing lost.
        {"open group, then a reading", survey + group + reading, 0,
         damaged + u"A GPS sentence group before its last record is not whole." + left},
        {"open rejected line's group, then an event and a torn group", survey + rec("?$GPGGA,1200") + event + group, 0,
         damaged + u"A GPS sentence group before its last record is not whole." + left},
        {"torn swath block, then a reading", survey + swath.substr(0, 2 * kRec) + reading, 0,
         damaged + u"A swath block before its last record is not whole." + left},
        // The four coordinate records of a swath block go out in one write.
        {"whole swath block", survey + swath, survey.size() + swath.size(), u""},
        {"swath block torn after 1 record", survey + swath.substr(0, kRec), survey.size(), cut + u"swath block (27" + cutEnd},
        {"swath block torn after 2 records", survey + swath.substr(0, 2 * kRec), survey.size(), cut + u"swath block (54" + cutEnd},
        {"swath block torn in its last record", survey + swath.substr(0, 3 * kRec + 12), survey.size(),
         cut + u"swath block (93" + cutEnd},
        {"swath block out of order", survey + swath.substr(0, kRec) + swath.substr(2 * kRec, kRec), 0, notARecord},
        {"swath block ended by a record of no kind", survey + swath.substr(0, 3 * kRec) + poked(swath.substr(3 * kRec), 0, 'h'),
         0, notARecord},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Defaults();
        const int result = Check(c.Bytes);
        EXPECT_EQ(Boxes(), c.Message);
        const bool accepted = c.Kept != 0;
        EXPECT_EQ(result, accepted ? 0 : 1);
        EXPECT_EQ(DataFileState.DataFileHandle != plat::kInvalidFile, accepted);
        EXPECT_EQ(ReadWholeFile(path_), accepted ? c.Bytes.substr(0, c.Kept) : c.Bytes);
        CloseDataFile();
    }
}

// A section starts with three writes (header, line records, time mark).
// Cut at every byte of the last section's start, the file keeps exactly its
// writes that went out whole, and a section appended after it leaves every
// section header whole (six records from "OSTRMA  W" or "rSTRMA  W").
TEST_F(AppendCheckTest, SectionStartCutAnywhereKeepsItsWholeWritesOnly) {
    const plat::LocalTime t{2026, 3, 14, 9, 5, 7, 42};
    const auto section = [&t](int appended) {
        HeaderRecords h;
        FormatHeaderRecords(h, appended);
        SessionRecords l;
        FormatSessionRecords(l, t);
        DataRecord m;
        FormatTimeMarkRecord(m, t, 1000);
        return std::string(h.data(), h.size()) + std::string(l.data(), l.size()) + std::string(m.data(), m.size());
    };
    DataRecord reading;
    FormatReadingRecord(reading, kConsoleRecordTags[0], "$PBAR,  75,  62", 1500);
    char group[kGpsGroupBytes];
    const size_t groupBytes = FormatGpsSentenceGroup(group, sizeof group, "$GPGGA,120010,4807.038,N,01131.000,E,2,08",
                                                     '@', '#', 0, 1600);
    const std::string earlier = section(0) + std::string(reading.data(), kRec) + std::string(group, groupBytes);
    const std::string whole = earlier + section(1);
    const size_t writeEnds[] = {earlier.size(), earlier.size() + 6 * kRec, earlier.size() + 10 * kRec, whole.size()};

    for (size_t size = earlier.size(); size <= whole.size(); ++size) {
        SCOPED_TRACE(size);
        Defaults();
        ASSERT_EQ(Check(whole.substr(0, size)), 0);
        size_t kept = 0;
        for (const size_t end : writeEnds) kept = end <= size ? end : kept;
        EXPECT_EQ(ReadWholeFile(path_), whole.substr(0, kept));
        EXPECT_EQ(Boxes().empty(), kept == size);

        plat::Utf8ToUtf16(path_).copy(DataFileState.DataFilePath, kDataFolderChars);
        ASSERT_EQ(WriteSectionAndReopen(1), 1);
        CloseDataFile();
        const std::string after = ReadWholeFile(path_);
        ASSERT_EQ(after.size() % kRec, 0u);
        std::string kinds;
        for (size_t r = 0; r < after.size(); r += kRec) {
            ASSERT_EQ(after.find('\n', r), r + kRec - 1);
            const std::string record = after.substr(r, 9);
            kinds += record == "OSTRMA  W" || record == "rSTRMA  W" ? '1' : record[0];
        }
        // Every header start followed by its five records, and no header record elsewhere.
        for (size_t at = kinds.find("1HGGGG"); at != std::string::npos; at = kinds.find("1HGGGG")) kinds.replace(at, 6, "h");
        EXPECT_EQ(kinds.find_first_of("1HG"), std::string::npos) << kinds;
        EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 'h'), 2 + (kept > earlier.size()));
    }
}

// Zones 60 and 1 are neighbours. An accepted neighbour moves every later
// projection into the file's zone, with the origin and the previous fix; a
// later file in the first zone is compared with the zone in force and moves back.
TEST_F(AppendCheckTest, NeighbourZoneMovesProjectionOriginAndPreviousFix) {
    struct Case { int FileZone, Zone, Forced; double Longitude, DegreesOffMeridian; };
    for (const Case& c : {Case{60, 1, 1, -179.5, 3.5}, Case{1, 60, 60, 179.5, 3.5}, Case{31, 31, 32, 5.0, 2.0}}) {
        Defaults();
        GpsFix.UtmZone = c.Zone, GpsFix.UtmZoneForced = c.Forced, GpsFix.OriginLongitude = c.Longitude;
        GpsFix.FirstFixLatitude = 52.1, GpsFix.FirstFixLongitude = c.Longitude + 0.1;  // this screen's first fix
        // The run has walked on: its latest fix, and the one its next speed
        // is measured from.
        GpsFix.Latitude = 52.2, GpsFix.Longitude = c.Longitude + 0.2;
        GpsFix.SpeedFromLatitude = 52.19, GpsFix.SpeedFromLongitude = c.Longitude + 0.19;
        GpsFix.PrevX = GpsFix.PrevY = GpsFix.SpeedFromX = GpsFix.SpeedFromY = 1.0;
        MapView.LastPositionPixelX = MapView.LastPositionPixelY = 77;
        std::string bytes = Header();
        Put(bytes, 4, 16, (c.FileZone < 10 ? "0" : "") + std::to_string(c.FileZone));
        ASSERT_EQ(Check(bytes), 0);
        int z = c.FileZone;
        double northing = 0.0, easting = 0.0;
        ASSERT_TRUE(GeodeticToUtm(52.0, c.Longitude, &z, &northing, &easting, 1));
        EXPECT_EQ(GpsFix.UtmZoneForced, c.FileZone);
        EXPECT_NEAR(std::fabs(easting - 500000.0), c.DegreesOffMeridian * 68600.0, 4000.0);
        EXPECT_EQ(MapView.MapOriginX, easting);
        EXPECT_EQ(MapView.LastPositionPixelX + MapView.LastPositionPixelY, 0);
        ASSERT_TRUE(GeodeticToUtm(52.2, c.Longitude + 0.2, &z, &northing, &easting, 1));
        EXPECT_EQ(GpsFix.PrevX, easting) << "the latest fix is the previous position";
        EXPECT_EQ(GpsFix.PrevY, northing);
        EXPECT_EQ(MapView.PrevFixX, easting);
        ASSERT_TRUE(GeodeticToUtm(52.19, c.Longitude + 0.19, &z, &northing, &easting, 1));
        EXPECT_EQ(GpsFix.SpeedFromX, easting) << "the next speed is measured from where it was";
        EXPECT_EQ(GpsFix.SpeedFromY, northing);
        // The next section's header names the zone its coordinates are in,
        // with its first fix projected there.
        HeaderRecords next;
        FormatHeaderRecords(next, 1);
        const std::string record4(next.data() + 3 * kRec, kRec);
        ASSERT_TRUE(GeodeticToUtm(52.1, c.Longitude + 0.1, &z, &northing, &easting, 1));
        EXPECT_EQ(std::atoi(record4.substr(16, 2).c_str()), c.FileZone) << record4;
        EXPECT_NEAR(std::strtod(record4.substr(1, 14).c_str(), nullptr), easting, 0.001) << record4;
        EXPECT_NEAR(GpsFix.FirstFixY, northing, 1e-6);
        CloseDataFile();
    }
}

}  // namespace

namespace {

// The file's northing frame is learnt from its first header's first fix: the
// frame in which the run's origin lies near it. A run on the other side of the
// equator takes the file's frame, so its origin lands beside the file's track;
// a run in the file's own frame, a local grid, a file without a zone and one
// whose first fix lies far from the run in either frame keep everything as it was.
TEST_F(AppendCheckTest, AFileAcrossTheEquatorLendsTheRunItsNorthingFrame) {
    struct Case {
        const char* What;
        double FileLatitude, RunLatitude;
        int Format, FileZone, Frame;  // the run's frame after the check
    };
    const Case cases[] = {
        {"northern file, run just south of the line", 0.0001, -0.0001, 0, 31, 1},
        {"southern file, run just north of the line", -0.0001, 0.0001, 0, 31, -1},
        {"southern file, run just north in the neighbouring zone", -0.0001, 0.0001, 0, 32, -1},
        {"both north", 52.0, 52.0001, 0, 31, 1},
        {"both south", -33.0, -33.0001, 0, 31, -1},
        {"local grid", -0.0001, 0.0001, 3, 31, 1},
        {"file without a zone", -0.0001, 0.0001, 0, -9, 1},
        {"first fix far from the run in both frames", 0.0, -33.0, 0, 31, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Defaults();
        GpsPortSetup.DataFormat = c.Format;
        int zone = c.FileZone > 0 ? c.FileZone : 31;
        double fileY = 0.0, easting = 0.0;
        ASSERT_TRUE(GeodeticToUtm(c.FileLatitude, 5.0, &zone, &fileY, &easting, 1));
        std::string bytes = Header();
        char text[16];
        std::snprintf(text, sizeof text, "%14.3f", fileY);
        Put(bytes, 5, 1, text);
        std::snprintf(text, sizeof text, "%02d", c.FileZone);
        Put(bytes, 4, 16, text);
        GpsFix.OriginLatitude = GpsFix.FirstFixLatitude = c.RunLatitude;
        GpsFix.OriginLongitude = GpsFix.FirstFixLongitude = 5.0;
        GpsFix.UtmFrameForced = NorthingFrameOf(c.RunLatitude);
        MapView.MapOriginY = -1.0;  // untouched unless the run moves
        ASSERT_EQ(Check(bytes), 0) << std::string(Boxes().begin(), Boxes().end());
        EXPECT_EQ(GpsFix.UtmFrameForced, c.Frame);
        const bool moves = c.Frame != NorthingFrameOf(c.RunLatitude) || c.FileZone == 32;
        if (moves) {
            EXPECT_NEAR(MapView.MapOriginY, fileY, 100.0) << "the origin lies beside the file's first fix";
            EXPECT_NEAR(GpsFix.FirstFixY, fileY, 100.0) << "the next header's first fix is in the file's frame";
        } else {
            EXPECT_EQ(MapView.MapOriginY, -1.0);
        }
        CloseDataFile();
    }
}

}  // namespace
