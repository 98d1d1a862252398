// Creating, appending to and writing the survey data file: the exact bytes of
// a new file, existing and foreign files left alone, default names, the GPS
// tick filter, failed writes cut back to whole records, and the name watched
// while the file is open.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <iterator>
#include <functional>
#include <vector>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <thread>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/local_time.h"
#include "platform/modal_script.h"
#include "platform/text.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "support/test_env.h"
#include "survey_files/data_file.h"
#include "survey_files/data_file_rescue.h"
#include "survey_files/data_file_shortened.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"

namespace {

class DataFileTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        plat::LocalTime t;
        t.Year = 2026; t.Month = 3; t.Day = 14;
        t.Hour = 9; t.Minute = 5; t.Second = 7; t.Milliseconds = 42;
        plat::test::SetFakeLocalTime(t);
        plat::test::FreezeTick(123456);
        InitConsoleRecordTags();
    }
    // The operator's answer to "Create Data File"; an empty path cancels.
    static void Choose(const std::string& path) {
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::SaveFile;
        a.Result = path.empty() ? 0 : 1;
        a.Text = plat::Utf8ToUtf16(path);
        plat::test::ScriptModal(a);
    }
    // A new file at `path`, created through the chooser.
    void CreateNew(const std::string& path) {
        Choose(path);
        ASSERT_EQ(CreateDataFile(0), 0);
        ASSERT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);
    }
    std::string Folder16(const char16_t* s) { return plat::Utf16ToUtf8(std::u16string(s)); }
};

// The header, line records and time mark of a new file with the default
// settings, on 14 March 2026 at 09:05:07.042, tick 123456.
const std::string kNewFileSection =
    "OSTRMA  W216GPS0 0 20     \n"
    "H 260314_00 222000   000  \n"
    "G  2.500  0.500310 01     \n"
    "G         0.000 -9        \n"
    "G         0.000           \n"
    "G  1.000  1.000           \n"
    "L1                        \n"
    "B       0.00              \n"
    "AS            1.000       \n"
    "Z14032026 09:05:07        \n"
    "*09:05:07.042       123456\n";

// The same section for a file of another name (header record 2, columns 2-10).
std::string SectionOf(const std::string& baseName, char first = 'O') {
    std::string s = kNewFileSection;
    s[0] = first;
    s.replace(27 + 2, 9, (baseName + std::string(9, ' ')).substr(0, 9));
    return s;
}

TEST_F(DataFileTest, NewFileHoldsExactlyHeaderLineRecordsAndTimeMark) {
    ASSERT_EQ(kNewFileSection.size(), 297u);
    CreateNew(root_ + "/260314_000.OSD");
    EXPECT_EQ(ReadWholeFile(root_ + "/260314_000.OSD"), kNewFileSection);
    EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
    EXPECT_STREQ(DataFileState.DataFileBaseName, "260314_000");
    EXPECT_EQ(Folder16(ProgramSettings.DataFolder), root_ + "/");
    EXPECT_EQ(Folder16(DataFileState.DataFilePath), root_ + "/260314_000.OSD");
    // Open at its end: the next record follows the time mark.
    EXPECT_EQ(WriteEventRecord(u"$STARTED", 'X'), 1);
    EXPECT_EQ(ReadWholeFile(root_ + "/260314_000.OSD"), kNewFileSection + "X$STARTED           123456\n");
    EXPECT_EQ(TakeDataFileWriteError(), 0);
}

TEST_F(DataFileTest, BackslashPathGivesBaseNameAndDataFolder) {
    ASSERT_EQ(mkdir((root_ + "/surveys").c_str(), 0755), 0);
    Choose("C:\\surveys\\field.7.osd");  // the base name ends at the first dot
    ASSERT_EQ(CreateDataFile(0), 0);
    EXPECT_STREQ(DataFileState.DataFileBaseName, "field");
    EXPECT_EQ(Folder16(ProgramSettings.DataFolder), "C:\\surveys\\");
    EXPECT_EQ(ReadWholeFile(root_ + "/surveys/field.7.osd"), SectionOf("field"));
}

TEST_F(DataFileTest, ExistingForeignUnopenableAndCancelledChoicesWriteNothing) {
    const std::string own = root_ + "/own.osd";
    WriteWholeFile(own, kNewFileSection + "X$STARTED           123456\n");
    Choose(own);
    EXPECT_EQ(CreateDataFile(0), 1);
    EXPECT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);
    EXPECT_EQ(LogScreenState.LoggingState.load(), 0);
    EXPECT_EQ(ReadWholeFile(own), kNewFileSection + "X$STARTED           123456\n");
    CloseDataFile();

    const std::string foreign = root_ + "/foreign.osd";
    const std::string bytes("EMX\0\r\nsomething else entirely\xff", 31);
    WriteWholeFile(foreign, bytes);
    Choose(foreign);
    EXPECT_EQ(CreateDataFile(0), -1);
    EXPECT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);  // open for the caller to reject
    CloseDataFile();
    EXPECT_EQ(ReadWholeFile(foreign), bytes);

    const std::string tiny = root_ + "/tiny.osd";  // too short to tell: the append check decides
    WriteWholeFile(tiny, "OST");
    Choose(tiny);
    EXPECT_EQ(CreateDataFile(0), 1);
    CloseDataFile();
    EXPECT_EQ(ReadWholeFile(tiny), "OST");

    // Cancelled, or a file that cannot be opened: no handle, and neither the
    // data folder nor the logging state changes.
    std::memcpy(ProgramSettings.DataFolder, u"C:\\keep\\", sizeof u"C:\\keep\\");
    ASSERT_EQ(mkdir((root_ + "/dir.osd").c_str(), 0755), 0);
    for (const std::string& bad : {root_ + "/" + std::string(300, 'n') + ".osd",  // longer than a path may be
                                   root_ + "/missing-folder/new.osd", root_ + "/dir.osd", std::string()}) {
        Choose(bad);
        EXPECT_EQ(CreateDataFile(0), -1) << bad;
        EXPECT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile);
    }
    EXPECT_EQ(Folder16(ProgramSettings.DataFolder), "C:\\keep\\");
    EXPECT_EQ(LogScreenState.LoggingState.load(), 0);
}

TEST_F(DataFileTest, DefaultNameSkipsTakenNumbersInEitherCaseAndCreatesNothing) {
    const std::string folder = root_ + "/data";
    const std::u16string folder16 = plat::Utf8ToUtf16(folder + "/");
    std::memcpy(ProgramSettings.DataFolder, folder16.c_str(), (folder16.size() + 1) * 2);
    char16_t name[261];

    MakeDefaultDataFileName(name, 261);  // creates the folder
    EXPECT_EQ(plat::Utf16ToUtf8(std::u16string(name)), "260314_000");
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));

    const char* taken[] = {"260314_000.osd", "260314_001.OSD", "260314_002.Osd", "260314_003.osd", "260314_004.OSD",
                           "260314_006.osd", "260314_005.pxy"};
    for (const char* f : taken) WriteWholeFile(folder + "/" + f, "x");
    MakeDefaultDataFileName(name, 261);
    EXPECT_EQ(plat::Utf16ToUtf8(std::u16string(name)), "260314_005");
    EXPECT_TRUE(ReadWholeFile(folder + "/260314_005.osd").empty());  // the probe created nothing
    EXPECT_NE(stat((folder + "/260314_005.osd").c_str(), &st), 0);
    EXPECT_NE(stat((folder + "/260314_005.OSD").c_str(), &st), 0);

    SystemSetup.ConsoleCount = 0;  // no consoles: .PXY files
    MakeDefaultDataFileName(name, 261);
    EXPECT_EQ(plat::Utf16ToUtf8(std::u16string(name)), "260314_000");
    WriteWholeFile(folder + "/260314_000.PXY", "x");
    MakeDefaultDataFileName(name, 261);
    EXPECT_EQ(plat::Utf16ToUtf8(std::u16string(name)), "260314_001");
}

TEST_F(DataFileTest, DefaultNameWhenAllThousandAreTaken) {
    char16_t name[261];
    for (int n = 0; n < 1000; ++n) {
        char f[32];
        std::snprintf(f, sizeof f, "/260314_%03d.%s", n, n % 2 ? "OSD" : "osd");
        WriteWholeFile(root_ + f, "");
    }
    MakeDefaultDataFileName(name, 261);  // the data folder "C:\" is the home folder
    EXPECT_EQ(plat::Utf16ToUtf8(std::u16string(name)), "260314_999.osd");
}

TEST_F(DataFileTest, GpsSentencesOlderThanTheGoAreNotWritten) {
    CreateNew(root_ + "/gps.osd");
    const std::string start = ReadWholeFile(root_ + "/gps.osd");
    ConsoleLines.ConsoleConnBreak[0] = 1;
    ConsoleLines.ConsoleConnBreak[2] = 1;
    ConsoleLines.ConsoleConnBreak[5] = 1;  // not among the 3 consoles of the array
    struct Case { uint32_t startTick, tick; bool written; int32_t starting = 0; };
    const Case cases[] = {
        {5000, 4999, false},
        {5000, 5000, true},
        {5000, 5001, true},
        {0xFFFFFFF0u, 0xFFFFFFEFu, false},
        {0xFFFFFFF0u, 0x00000010u, true},   // across the wrap: newer
        {0x00000010u, 0xFFFFFFF0u, false},  // across the wrap: older
        {0, 0x80000001u, true},             // no start tick yet: nothing held back
        {0, 0x80000001u, false, 1},         // Go settling before "$STARTED": everything held back
        {5000, 5001, false, 1},
    };
    std::string expected = start;
    for (const Case& c : cases) {
        DataFileState.RecordStartTick = c.startTick;
        DataFileState.RecordStarting = c.starting;
        const int r = WriteGpsSentenceRecords("$GPGGA,1", c.tick, '@', '#');
        EXPECT_EQ(r, c.written ? 1 : 0) << c.startTick << " " << c.tick;
        if (c.written) {
            char tick[16];
            std::snprintf(tick, sizeof tick, "%10u", static_cast<unsigned>(c.tick));
            expected += "@$GPGGA,1" + std::string(17, ' ') + "\n!             2 " + tick + "\n";
        }
    }
    DataFileState.RecordStartTick = 100;
    DataFileState.RecordStarting = 0;
    EXPECT_EQ(WriteGpsSentenceRecords("$GPGSV,3,1,11,03,03,111,00,04,15,270,00*74", 100, 'X', '#'), 1);
    expected += "X$GPGSV,3,1,11,03,03,111,0\n";
    EXPECT_EQ(WriteGpsSentenceRecords("bad\r", 100, '?', '"'), 1);
    expected += "?bad?" + std::string(21, ' ') + "\n!             2        100\n";
    EXPECT_EQ(ReadWholeFile(root_ + "/gps.osd"), expected);
}

TEST_F(DataFileTest, StationEventAndCommentRecords) {
    CreateNew(root_ + "/s.osd");
    SurveyParameters.CurrentStation = 17.5;
    EXPECT_EQ(WriteStationRecord(), 1);
    plat::test::AdvanceTick(1);
    EXPECT_EQ(WriteTimeMarkRecord(), 1);
    EXPECT_EQ(WriteEventRecord(u"A comment longer than eleven", 'C'), 1);
    EXPECT_EQ(WriteEventRecord(u"4CONN BRK 4", 'X'), 1);
    EXPECT_EQ(ReadWholeFile(root_ + "/s.osd"), SectionOf("s") +
                                                   "S      17.50  09:05:07.042\n"
                                                   "*09:05:07.042       123457\n"
                                                   "CA comment l        123457\n"
                                                   "X4CONN BRK 4        123457\n");
}

TEST_F(DataFileTest, AppendedSectionAndPauseReopenLandAtTheEnd) {
    const std::string path = root_ + "/a.osd";
    CreateNew(path);
    CloseDataFile();
    Choose(path);
    ASSERT_EQ(CreateDataFile(0), 1);
    char head[6];
    ASSERT_EQ(read(DataFileState.DataFileHandle, head, 6), 6);  // the caller reads from the start
    EXPECT_EQ(std::string(head, 6), "OSTRMA");
    ASSERT_EQ(WriteSectionAndReopen(1), 1);
    EXPECT_EQ(WriteEventRecord(u"PAUSED", 'X'), 1);
    ASSERT_EQ(ReopenDataFile(), 1);
    EXPECT_EQ(WriteEventRecord(u"$STARTED", 'X'), 1);
    EXPECT_EQ(ReadWholeFile(path), SectionOf("a") + SectionOf("a", 'r') +
                                       "XPAUSED             123456\n"
                                       "X$STARTED           123456\n");
}

TEST_F(DataFileTest, FailedOrShortWriteLeavesOnlyWholeRecordsAndIsKeptForTheOperator) {
    const std::string path = root_ + "/full.osd";
    CreateNew(path);
    // The file may grow by 40 bytes: a 3-record GPS group gets only part-way.
    rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 297 + 40;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int r1 = WriteGpsSentenceRecords(std::string(40, 'G').c_str(), 123456, '@', '#');
    const int r2 = WriteEventRecord(u"PAUSED", 'X');  // fits
    const int r3 = WriteEventRecord(u"PAUSED", 'X');  // does not
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(r1, -1);
    EXPECT_EQ(r2, 1);
    EXPECT_EQ(r3, -1);
    EXPECT_EQ(ReadWholeFile(path), SectionOf("full") + "XPAUSED             123456\n");
    EXPECT_EQ(TakeDataFileWriteError(), kDataFileWriteFailed);
    EXPECT_EQ(TakeDataFileWriteError(), 0);  // told once per failure ...
    EXPECT_EQ(DataFileState.WriteErrorShown.load(), kDataFileWriteFailed);

    // A descriptor that refuses every write: nothing lands at all.
    CloseDataFile();
    DataFileState.DataFileHandle = open(path.c_str(), O_RDONLY);
    ASSERT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);
    EXPECT_EQ(WriteGpsSentenceRecords(std::string(60, 'G').c_str(), 123456, '@', '#'), -1);
    EXPECT_EQ(ReadWholeFile(path), SectionOf("full") + "XPAUSED             123456\n");
    EXPECT_EQ(TakeDataFileWriteError(), kDataFileWriteFailed);  // ... and a later failure again
}

TEST_F(DataFileTest, ReopenThatFailsIsReportedAndWritesNothing) {
    // Another program takes the file's lock while it is open here (the
    // program's own lock given up first, as if it had never been taken).
    int other = -1;
    const auto takenByAnother = [&](const std::string& path) {
        ASSERT_EQ(flock(DataFileState.DataFileHandle, LOCK_UN), 0);
        other = open(path.c_str(), O_RDONLY);
        ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    };
    CreateNew(root_ + "/held.osd");
    takenByAnother(root_ + "/held.osd");
    EXPECT_EQ(ReopenDataFile(), 0);
    EXPECT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile);
    close(other);
    CreateNew(root_ + "/held2.osd");
    takenByAnother(root_ + "/held2.osd");
    EXPECT_EQ(WriteSectionAndReopen(1), 0);  // written, then not to be opened again
    EXPECT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile);
    EXPECT_EQ(WriteEventRecord(u"$STARTED", 'X'), 0);  // no file: the writers write nothing
    EXPECT_EQ(WriteStationRecord(), 0);
    EXPECT_EQ(WriteGpsSentenceRecords("$GPGGA", 123456, '@', '#'), 0);
    EXPECT_EQ(TakeDataFileWriteError(), kDataFileReopenFailed);
    EXPECT_EQ(ReadWholeFile(root_ + "/held2.osd"), SectionOf("held2") + SectionOf("held2", 'r'));
    close(other);
}

// ---------------------------------------------------------------------------
// The name watched while the file is open.

TEST_F(DataFileTest, LostNameSavesTheWholeOpenFileToANewFileThatGoesOn) {
    const std::string data = root_ + "/data";
    const std::string kept = "X$STARTED           123456\n";   // written before the name was lost
    const std::string after = "XPAUSED             123456\n";  // written after, before the look
    enum Look { ByWatch, ByReopen };
    const struct {
        const char* What;
        std::function<void()> Act;
        DataFileNameState Found;
        std::string Rescue;     // where everything is saved
        std::vector<std::string> Untouched;  // files that must stay as the act left them
        Look By;
        std::string File = "F.osd";
    } cases[] = {
        {"named", [] {}, DataFileNameState::Named, "", {}, ByWatch},
        {"replaced by a copy", [&] {
             WriteWholeFile(data + "/copy", ReadWholeFile(data + "/F.osd"));
             ASSERT_EQ(rename((data + "/copy").c_str(), (data + "/F.osd").c_str()), 0);
         }, DataFileNameState::Replaced, data + "/F_rescue1.osd", {data + "/F.osd"}, ByWatch},
        {"replaced, found at the reopening", [&] {
             WriteWholeFile(data + "/F.osd.new", "not ours");
             ASSERT_EQ(rename((data + "/F.osd.new").c_str(), (data + "/F.osd").c_str()), 0);
         }, DataFileNameState::Replaced, data + "/F_rescue1.osd", {data + "/F.osd"}, ByReopen},
        {"replaced, a rescue name taken", [&] {
             WriteWholeFile(data + "/F_rescue1.osd", "someone's");
             WriteWholeFile(data + "/other", "other");
             ASSERT_EQ(rename((data + "/other").c_str(), (data + "/F.osd").c_str()), 0);
         }, DataFileNameState::Replaced, data + "/F_rescue2.osd", {data + "/F.osd", data + "/F_rescue1.osd"}, ByWatch},
        {"deleted", [&] { ASSERT_EQ(unlink((data + "/F.osd").c_str()), 0); },
         DataFileNameState::Deleted, data + "/F_rescue1.osd", {}, ByReopen},
        {"moved", [&] { ASSERT_EQ(rename((data + "/F.osd").c_str(), (data + "/G.osd").c_str()), 0); },
         DataFileNameState::Moved, data + "/F_rescue1.osd", {}, ByWatch},
        {"moved with its folder: the default data folder", [&] {
             ASSERT_EQ(std::system(("rm -rf '" + root_ + "/moved' && mv '" + data + "' '" + root_ + "/moved'").c_str()), 0);
         }, DataFileNameState::Moved, root_ + "/F_rescue1.osd", {}, ByReopen},
        {"folder removed: the default data folder", [&] { ASSERT_EQ(std::system(("rm -rf '" + data + "'").c_str()), 0); },
         DataFileNameState::FolderGone, root_ + "/F_rescue1.osd", {}, ByWatch},
        {"folder removed, no default data folder: the temporary folder", [&] {
             ASSERT_EQ(std::system(("rm -rf '" + data + "'").c_str()), 0);
             setenv("HOME", (root_ + "/nohome").c_str(), 1);
         }, DataFileNameState::FolderGone, root_ + "/cache/Brevant/Temp/F_rescue1.osd", {}, ByReopen},
        {"a saved file deleted in its turn: the next number, never its own name",
         [&] { ASSERT_EQ(unlink((data + "/F_rescue1.osd").c_str()), 0); },
         DataFileNameState::Deleted, data + "/F_rescue2.osd", {}, ByWatch, "F_rescue1.osd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_EQ(std::system(("rm -rf '" + data + "' '" + root_ + "/F_rescue1.osd'").c_str()), 0);
        ASSERT_EQ(mkdir(data.c_str(), 0755), 0);
        ASSERT_TRUE(plat::PrepareProgramFolders());
        CreateNew(data + "/" + c.File);
        ASSERT_EQ(chdir(root_.c_str()), 0);  // out of the folder that may go
        const std::string section = SectionOf(c.File.substr(0, c.File.find('.')));
        ASSERT_EQ(WriteEventRecord(u"$STARTED", 'X'), 1);
        c.Act();
        std::vector<std::string> before;
        for (const auto& f : c.Untouched) before.push_back(ReadWholeFile(f));
        EXPECT_EQ(LookAtDataFileName(DataFileState.DataFileHandle, DataFileState.DataFilePath), c.Found);
        ASSERT_EQ(WriteEventRecord(u"PAUSED", 'X'), 1);
        const int look = c.By == ByWatch ? WatchDataFileName() : ReopenDataFile();
        setenv("HOME", root_.c_str(), 1);
        const bool lost = c.Found != DataFileNameState::Named;
        EXPECT_EQ(look, c.By == ByWatch ? int{lost} : 1);
        EXPECT_EQ(TakeDataFileWriteError(), lost ? kDataFileNameLost : 0);
        const std::string path = lost ? c.Rescue : data + "/" + c.File;
        char onDisk[4096];
        ASSERT_TRUE(plat::MapPath(DataFileState.DataFilePath, onDisk, sizeof onDisk));
        EXPECT_EQ(std::string(onDisk), path);
        const std::string name = path.substr(path.rfind('/') + 1);
        EXPECT_EQ(DataFileState.DataFileBaseName, name.substr(0, name.find('.')));
        // Everything, the records after the loss too, is in the file that goes on.
        EXPECT_EQ(ReadWholeFile(path), section + kept + after);
        ASSERT_EQ(WriteStationRecord(), 1);
        EXPECT_EQ(ReadWholeFile(path).size(), section.size() + 3 * 27);
        EXPECT_EQ(WatchDataFileName(), 0) << "the new file is named";
        for (size_t i = 0; i < c.Untouched.size(); ++i) EXPECT_EQ(ReadWholeFile(c.Untouched[i]), before[i]) << c.Untouched[i];
        CloseDataFile();
    }
}

TEST_F(DataFileTest, LostNameWithNowhereToSaveKeepsTheOpenFileUntilItCanBeSaved) {
    const std::string data = root_ + "/data";
    ASSERT_EQ(mkdir(data.c_str(), 0755), 0);
    CreateNew(data + "/F.osd");
    ASSERT_EQ(chdir(root_.c_str()), 0);
    ASSERT_EQ(std::system(("rm -rf '" + data + "'").c_str()), 0);
    setenv("HOME", (root_ + "/nohome").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root_ + "/nocache").c_str(), 1);
    for (int look = 0; look < 2; ++look) {
        EXPECT_EQ(WatchDataFileName(), 1);
        EXPECT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);  // the records stay reachable
        EXPECT_EQ(WriteEventRecord(u"$STARTED", 'X'), 1);
        EXPECT_EQ(TakeDataFileWriteError(), look == 0 ? kDataFileRescueFailed : 0) << "told once";
    }
    ASSERT_EQ(mkdir((root_ + "/nohome").c_str(), 0755), 0);
    EXPECT_EQ(WatchDataFileName(), 1);
    EXPECT_EQ(TakeDataFileWriteError(), kDataFileNameLost);
    const std::string started = "X$STARTED           123456\n";
    EXPECT_EQ(ReadWholeFile(root_ + "/nohome/F_rescue1.osd"), SectionOf("F") + started + started);
    EXPECT_EQ(DataFileState.RescuePending, 0);
    setenv("HOME", root_.c_str(), 1);
    setenv("XDG_CACHE_HOME", (root_ + "/cache").c_str(), 1);
}

// Only "no such file" or "not a folder" mean the name is gone: any other
// failure to look (a loop here, a stale share or an I/O error in the field)
// is looked at again each second, the file kept, and told once it lasts.
TEST_F(DataFileTest, NameThatCannotBeLookedAtIsRetriedAndToldOnlyWhenItLasts) {
    const std::string data = root_ + "/data";
    const std::string real = root_ + "/real";
    ASSERT_EQ(mkdir(data.c_str(), 0755), 0);
    CreateNew(data + "/F.osd");
    ASSERT_EQ(chdir(root_.c_str()), 0);
    const plat::FileHandle open = DataFileState.DataFileHandle;
    const struct {
        const char* What;
        int Looks;   // looks while the name cannot be looked at
        int ToldAt;  // the look that tells it, 0 none
    } cases[] = {
        {"a moment's glitch", kUnseenLooksTold - 1, 0},
        {"a glitch that lasts: told once", kUnseenLooksTold + 3, kUnseenLooksTold},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        // The folder's name made a link to itself: the look fails with "too many links".
        ASSERT_EQ(rename(data.c_str(), real.c_str()), 0);
        ASSERT_EQ(symlink(data.c_str(), data.c_str()), 0);
        int toldAt = 0;
        for (int look = 1; look <= c.Looks; ++look) {
            EXPECT_EQ(WatchDataFileName(), 0);
            const int32_t error = TakeDataFileWriteError();
            if (error == 0) continue;
            EXPECT_EQ(error, kDataFileNameUnseen);
            EXPECT_EQ(toldAt, 0) << "told once";
            toldAt = look;
        }
        EXPECT_EQ(toldAt, c.ToldAt);
        EXPECT_EQ(ReopenDataFile(), 1) << "a pause keeps the open file";
        EXPECT_EQ(DataFileState.DataFileHandle, open);
        EXPECT_EQ(TakeDataFileWriteError(), 0);
        ASSERT_EQ(unlink(data.c_str()), 0);
        ASSERT_EQ(rename(real.c_str(), data.c_str()), 0);
        EXPECT_EQ(WatchDataFileName(), 0);
        EXPECT_EQ(DataFileState.UnseenLooks, 0) << "counted again from the next glitch";
    }
    char16_t wide[1024];
    Text16 text{wide, std::size(wide)};
    wide[0] = 0;
    DataFileState.NameLookError = ELOOP;
    DescribeDataFileNameLoss(kDataFileNameUnseen, text);
    EXPECT_EQ(plat::Utf16ToUtf8(wide), "The data file " + data + "/F.osd could not be looked at for 10 seconds:\r\n" +
                                           plat::FileErrorWords(ELOOP) + ".\r\n");
    EXPECT_EQ(ReadWholeFile(data + "/F.osd"), SectionOf("F"));
    CloseDataFile();
}

// Another program made the open file shorter (a sync tool rewriting it in
// place from an older copy): same name, same file, so only its size tells.
// Nothing goes in until its size has held still: a record meanwhile is held
// and lands after the judged end, never inside the other program's writes.
// Told once judged, with how much is gone; later records land at its new
// end, never after a gap of zeros; a partial record left is cut away first.
TEST_F(DataFileTest, FileShortenedByAnotherProgramIsToldAndLeftNoGap) {
    const auto paused = [] {  // the record written now, and its bytes
        char text[32];
        std::snprintf(text, sizeof text, "XPAUSED%19u\n", plat::GetTickCount());
        EXPECT_EQ(WriteEventRecord(u"PAUSED", 'X'), 1);
        return std::string(text);
    };
    const std::string older = SectionOf("s0") + "XPAUSED             123456\n";  // a restore tool's copy
    const struct {
        const char* What;
        size_t Cut, Gone;  // bytes taken from the end by the other program; gone before the next record
        const char* Told;
        bool Restore = false;  // the other program writes `older` back, its second piece after our record
    } cases[] = {
        {"as it was, nothing gone", 0, 0, ""},
        {"an older copy, two records shorter", 2 * 27, 2 * 27, "54 bytes of its records are gone.\r\n"},
        {"cut inside a record", 1, 27,
         "1 byte of its records is gone.\r\nThe partial record left at its end (26 bytes) was cut away.\r\n"},
        {"an older copy written back, the writer not finished at our record", 0, 0,
         "54 bytes of its records are gone.\r\n", true},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string path = root_ + "/s" + std::to_string(n++) + ".osd";
        CreateNew(path);
        ASSERT_EQ(WriteEventRecord(u"PAUSED", 'X'), 1);
        ASSERT_EQ(WriteEventRecord(u"PAUSED", 'X'), 1);
        ASSERT_EQ(WriteEventRecord(u"PAUSED", 'X'), 1);
        const std::string full = ReadWholeFile(path);
        const int other = open(path.c_str(), O_WRONLY | (c.Restore ? O_TRUNC : 0));
        ASSERT_GE(other, 0);
        if (c.Restore) {
            ASSERT_EQ(write(other, older.data(), 40), 40);  // part-way, inside a record
        } else {
            ASSERT_EQ(ftruncate(other, static_cast<off_t>(full.size() - c.Cut)), 0);
        }
        EXPECT_EQ(WatchDataFileName(), 0);
        const bool shorter = c.Cut != 0 || c.Restore;
        EXPECT_EQ(TakeDataFileWriteError(), shorter ? kDataFileShortenedFound : 0) << "watched, not told yet";
        const std::string held = paused();
        if (c.Restore) {
            EXPECT_EQ(ReadWholeFile(path), older.substr(0, 40)) << "nothing cut, nothing written into it";
            plat::test::AdvanceTick(kSizeHeldStillMs);
            ASSERT_EQ(write(other, older.data() + 40, older.size() - 40), static_cast<ssize_t>(older.size() - 40));
            EXPECT_EQ(WatchDataFileName(), 0);
            EXPECT_EQ(TakeDataFileWriteError(), 0) << "its size changed: still watched";
        }
        close(other);
        plat::test::AdvanceTick(kSizeHeldStillMs);
        EXPECT_EQ(WatchDataFileName(), 0);
        EXPECT_EQ(TakeDataFileWriteError(), shorter ? kDataFileShortened : 0);
        char16_t wide[1024];
        Text16 text{wide, std::size(wide)};
        wide[0] = 0;
        DescribeDataFileNameLoss(kDataFileShortened, text);
        if (shorter) {
            EXPECT_EQ(plat::Utf16ToUtf8(wide), "The data file " + path + " was made shorter by another program:\r\n" + c.Told);
        }
        const std::string before = c.Restore ? older : full.substr(0, full.size() - c.Gone);
        EXPECT_EQ(ReadWholeFile(path), before + held) << "held, then after the judged end, whole";
        const std::string next = paused();
        EXPECT_EQ(ReadWholeFile(path), before + held + next) << "no gap, nothing made up";
        EXPECT_EQ(WatchDataFileName(), 0);
        EXPECT_EQ(TakeDataFileWriteError(), 0) << "told once: the file as it is now is what is expected";
        CloseDataFile();
    }
}

// A reader's line handed over while a large lost file is copied is served
// between the copy's blocks, not after the whole copy (the readers would be
// held, and the supervision would see their consoles silent); a record the
// reader writes meanwhile is in the new file exactly once.
bool g_servedDuringCopy = false;
plat::LResult CopyWatchProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == plat::kMsgUser + 77) {
        g_servedDuringCopy = (DataFileState.WriteError.load() & kDataFileNameLost) == 0;
        return 1;
    }
    return plat::DefaultWindowProc(hwnd, message, w, l);
}

class RescueCopyThreaded : public DataFileTest {
protected:
    void TearDown() override {
        plat::test::ResetWindows();
        DataFileTest::TearDown();
    }
};

TEST_F(RescueCopyThreaded, AReaderIsServedBetweenBlocksAndItsRecordIsCopiedOnce) {
    ASSERT_TRUE(plat::StartApplication());
    plat::WindowClass cls;
    cls.Name = u"RescueCopyWatch";
    cls.Proc = CopyWatchProc;
    ASSERT_TRUE(plat::RegisterWindowClass(cls));
    const plat::Hwnd window = plat::CreateWindow(u"RescueCopyWatch", u"", 0, 0, 0, 10, 10, 0, 0);
    ASSERT_NE(window, 0);
    const std::string path = root_ + "/big.osd";
    CreateNew(path);
    const std::string block(27 * 1000, 'x');  // 4 MB: many blocks of the copy
    for (int i = 0; i < 160; ++i) ASSERT_EQ(WriteDataRecords(block.data(), block.size()), 1);
    ASSERT_EQ(rename(path.c_str(), (root_ + "/moved.osd").c_str()), 0);
    g_servedDuringCopy = false;
    std::thread reader([window] {
        plat::SendMessage(window, plat::kMsgUser + 77, 0, 0);
        WriteEventRecord(u"READER", 'X');
    });
    while (plat::test::PendingSendCount() == 0) std::this_thread::yield();
    EXPECT_EQ(WatchDataFileName(), 1);
    plat::ServePendingSends();  // a copy that held the reader serves it only now
    reader.join();
    EXPECT_TRUE(g_servedDuringCopy);
    EXPECT_EQ(TakeDataFileWriteError(), kDataFileNameLost);
    const std::string saved = ReadWholeFile(root_ + "/big_rescue1.osd");
    const std::string old = ReadWholeFile(root_ + "/moved.osd");  // the record in it, or after it in the new file
    EXPECT_EQ(saved.substr(0, old.size()), old);
    EXPECT_EQ(saved.size(), kNewFileSection.size() + 160 * block.size() + 27);
    EXPECT_EQ(saved.find("XREADER"), saved.rfind("XREADER"));
    EXPECT_NE(saved.find("XREADER"), std::string::npos);
    CloseDataFile();
}

}  // namespace
