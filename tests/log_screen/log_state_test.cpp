// The logging state machine as the operator drives it: File (new, cancelled,
// unusable, foreign, existing), Go, the pause by every pause key, the map's
// overflow, data-file errors, QLine, Exit, the keys with Tab and Enter, and
// the menus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "log_screen/log_screen_fixture.h"
#include "platform/files.h"
#include "platform/menu.h"
#include "platform/sound.h"
#include "survey_files/append_check.h"
#include "survey_files/data_file_rescue.h"
#include "survey_files/data_file_shortened.h"

namespace {

class LogStateTest : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        log_test::ClearRunCommands();
        SystemSetup.ConsoleCount = 2;
        OpenWithoutPorts();
    }
    static std::vector<int> Commands() {
        std::vector<int> out;
        for (int i = 0; i < log_test::RunCommandCount(); ++i) out.push_back(log_test::RunCommandAt(i));
        return out;
    }
    static int Rings() {
        int n = 0;
        for (const auto& s : plat::test::RecordedSounds()) n += s.Name == "SOUND_RING" ? 1 : 0;
        return n;
    }
    void Go() {
        Key('G');
        ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
    }
    std::string LastRecord() const { return FileBytes().substr(FileBytes().size() - 27); }
    // A command ended as every command ends: nothing in progress, the focus back.
    static void ExpectCommandEnded() {
        EXPECT_EQ(LogScreenState.UiIdle, 1);
        EXPECT_EQ(plat::GetFocus(), Screen());
    }
};

// ---------------------------------------------------------------------------
// File and Go

TEST_F(LogStateTest, NewFileLeadsToStandByWithGoTheDefaultAndEnterStartsLogging) {
    Key(plat::kKeyTab);
    Key(plat::kKeyTab);  // the highlight on Exit
    CreateNewFile();
    EXPECT_EQ(FileBytes().substr(0, 9), "OSTRMA  W");
    EXPECT_EQ(FileBytes().size(), 11u * 27);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(Visible(ScreenButtons.MonitoringButtons[i]));
        EXPECT_TRUE(Visible(ScreenButtons.StandByButtons[i]));
    }
    EXPECT_TRUE(IsDefault(ScreenButtons.StandByButtons[0]));
    EXPECT_FALSE(IsDefault(ScreenButtons.StandByButtons[2]));
    ExpectCommandEnded();

    Key(plat::kKeyReturn);  // Enter presses the button shown as default: Go
    ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
    // The record start is taken after the 50 ms settling wait.
    EXPECT_EQ(DataFileState.RecordStartTick.load(), SurveyProgress.LoggingStartTick + 51);
    EXPECT_EQ(DataFileState.RecordStarting.load(), 0) << "GPS sentences go in again once \"$STARTED\" is written";
    EXPECT_EQ(LastRecord().substr(0, 16), "X$STARTED       ");
    EXPECT_TRUE(Visible(ScreenButtons.PauseButton));
    for (plat::Hwnd b : ScreenButtons.StandByButtons) EXPECT_FALSE(Visible(b));
    for (plat::Hwnd b : ScreenButtons.MapButtons) EXPECT_FALSE(plat::IsWindowEnabled(b));
    EXPECT_EQ(LogScreenState.UiIdle, 1);
}

TEST_F(LogStateTest, CancelledOrUnusableFileEndsLikeEveryCommand) {
    CancelChooser();
    Key('F');
    EXPECT_TRUE(plat::test::RecordedMessageBoxes().empty());
    EXPECT_EQ(LogScreenState.LoggingState.load(), 0);
    ExpectCommandEnded();

    ChooseFile(root_ + "/no/such/folder/lost.osd");
    AnswerBox(plat::kIdOk);
    Key('F');
    ASSERT_EQ(plat::test::RecordedMessageBoxes().size(), 1u);
    EXPECT_EQ(plat::test::RecordedMessageBoxes()[0].Title, u"FILE ERROR");
    EXPECT_EQ(LastBoxText(), u"The data file lost cannot be created or opened.");
    EXPECT_EQ(LogScreenState.LoggingState.load(), 0);
    EXPECT_TRUE(Visible(ScreenButtons.MonitoringButtons[0]));
    ExpectCommandEnded();
}

TEST_F(LogStateTest, ForeignFileIsRefusedAndLeftUnchanged) {
    path_ = root_ + "/foreign.osd";
    const std::string foreign = "EM31 survey, not ours\n0123456789\n";
    WriteWholeFile(path_, foreign);
    ChooseFile(path_);
    AnswerBox(plat::kIdOk);
    plat::test::ClickControl(ScreenButtons.MonitoringButtons[0]);
    const auto boxes = plat::test::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Title, u"INFORMATION");
    EXPECT_EQ(boxes[0].Text, u"File not from Ostrima program");
    EXPECT_EQ(boxes[0].Icon, plat::MessageIcon::Information);
    EXPECT_EQ(FileBytes(), foreign);
    EXPECT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile);
    EXPECT_EQ(LogScreenState.LoggingState.load(), 0);
    ExpectCommandEnded();
}

TEST_F(LogStateTest, ExistingFileOfThisProgramGetsAnAppendedSection) {
    CreateNewFile("again.osd");
    const std::string first = FileBytes();
    AnswerBox(plat::kIdYes);
    Key('X');  // leave, then open again and choose the same file
    ASSERT_EQ(ScreenWindows.ScreenMode, 0);
    OpenWithoutPorts();
    ChooseFile(path_);
    Key('F');
    EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
    const std::string bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 2 * first.size());
    EXPECT_EQ(bytes.substr(0, first.size()), first);
    EXPECT_EQ(bytes.substr(first.size(), 9), "rSTRMA  W");
    EXPECT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);
}

TEST_F(LogStateTest, SettingsAreSavedWithTheFolderOfANewOrAppendedFile) {
    ASSERT_TRUE(plat::PrepareProgramFolders());
    ASSERT_EQ(mkdir((root_ + "/first").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((root_ + "/second").c_str(), 0755), 0);
    // The second choice of first/a.osd appends a section to it.
    for (const char* name : {"first/a.osd", "second/b.osd", "first/a.osd"}) {
        SCOPED_TRACE(name);
        OpenWithoutPorts();
        CreateNewFile(name);
        const std::string settings = ReadWholeFile(root_ + "/config/Brevant/Ostrima/OSTRMAWIN.INI");
        const size_t line2 = settings.find("\r\n") + 2;
        const std::string folder = path_.substr(0, path_.rfind('/') + 1);
        EXPECT_EQ(settings.substr(line2, settings.find("\r\n", line2) - line2), folder);
        AnswerBox(plat::kIdYes);
        Key('X');
    }
    EXPECT_EQ(FileBytes().substr(11 * 27, 9), "rSTRMA  W");
}

TEST_F(LogStateTest, FileWaitsForTheFirstFixWithGpsInput) {
    GpsPortSetup.InputMode = 1;
    OpenWithoutPorts();
    EXPECT_FALSE(plat::IsWindowEnabled(ScreenButtons.MonitoringButtons[0]));
    Key('F');
    Key(plat::kKeyReturn);  // the highlight is on the disabled File
    EXPECT_EQ(plat::test::PendingModalAnswers(), 0u);
    EXPECT_EQ(LogScreenState.LoggingState.load(), 0);
}

// ---------------------------------------------------------------------------
// Pause and overflow

struct PauseKeyCase {
    int PauseKey;
    uint32_t Message;
    plat::WParam Code;
    bool Pauses;
};

constexpr PauseKeyCase kPauseKeys[] = {
    {0, plat::kMsgKeyDown, 'A', true},            // any key
    {0, plat::kMsgKeyDown, 'X', true},            // even a command letter
    {0, plat::kMsgCommand, 999, true},            // any message that reaches the screen
    {1, plat::kMsgKeyDown, plat::kKeyReturn, true},
    {1, plat::kMsgKeyDown, plat::kKeySpace, false},
    {1, plat::kMsgKeyDown, 'G', false},
    {2, plat::kMsgKeyDown, plat::kKeySpace, true},
    {2, plat::kMsgKeyDown, plat::kKeyReturn, false},
    {3, plat::kMsgKeyDown, 'P', true},
    {3, plat::kMsgDeadChar, 'p', true},           // 0x70: F1 as a key code
    {3, plat::kMsgKeyDown, plat::kKeyF1, true},
    {3, plat::kMsgKeyDown, 'Q', false},
};

TEST_F(LogStateTest, PauseKeysPerSetting) {
    CreateNewFile();
    for (const PauseKeyCase& c : kPauseKeys) {
        SCOPED_TRACE(testing::Message() << "pause key " << c.PauseKey << " code " << c.Code);
        SystemSetup.PauseKey = c.PauseKey;
        Go();
        const size_t before = FileBytes().size();
        plat::SendMessage(Screen(), c.Message, c.Code, 0);
        EXPECT_EQ(LogScreenState.LoggingState.load(), c.Pauses ? -1 : 1);
        if (c.Pauses) {
            EXPECT_EQ(FileBytes().size(), before + 27);
            EXPECT_EQ(LastRecord().substr(0, 12), "XPAUSED     ");
            EXPECT_TRUE(Visible(ScreenButtons.StandByButtons[0]));
            EXPECT_TRUE(IsDefault(ScreenButtons.StandByButtons[0]));
            EXPECT_FALSE(Visible(ScreenButtons.PauseButton));
        } else {
            EXPECT_EQ(FileBytes().size(), before);
            plat::test::ClickControl(ScreenButtons.PauseButton);  // the button pauses whatever the key
            EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
        }
    }
    EXPECT_TRUE(Commands().empty()) << "keys while logging are no commands";
}

TEST_F(LogStateTest, PauseCarriesTheTimesFromThePauseTick) {
    CreateNewFile();
    SystemSetup.PauseKey = 1;
    Go();  // the start tick is taken before the 50 ms wait (51 ms of frozen clock)
    plat::test::AdvanceTick(5000 - 51);
    Key(plat::kKeyReturn);
    EXPECT_EQ(SurveyProgress.LineTimeBaseMs, 5000u);
    EXPECT_EQ(SurveyProgress.TotalTimeBaseMs, 5000u);
    EXPECT_EQ(SurveyProgress.TotalTimeSeconds, 5);
    Go();
    plat::test::AdvanceTick(62000 - 51);
    Key(plat::kKeyReturn);
    EXPECT_EQ(SurveyProgress.LineTimeBaseMs, 67000u);
    EXPECT_EQ(SurveyProgress.TotalTimeMinutes, 1);
    EXPECT_EQ(SurveyProgress.TotalTimeSeconds, 7);
}

constexpr char16_t kCannotStart[] = u"Cannot start logging.\r\nPlease increase the map size\r\nby 20-25%.";

TEST_F(LogStateTest, OverflowWhileLoggingPausesAndRefusesGo) {
    CreateNewFile();
    Go();
    LogScreenState.MapOverflowState = 1;
    AnswerBox(plat::kIdOk);
    plat::SendMessage(Screen(), kMsgMapOverflow, 0, 0);
    EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
    EXPECT_EQ(LogScreenState.MapOverflowState, 2);
    EXPECT_EQ(LastRecord().substr(0, 12), "XPAUSED BMP ");
    EXPECT_EQ(LastBoxText(), u"Please select Map Size option\r\nand increase the map size\r\nby 20-25%.");
    EXPECT_EQ(Rings(), 1);

    const size_t before = FileBytes().size();
    AnswerBox(plat::kIdOk);
    Key('G');
    EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
    EXPECT_EQ(LastBoxText(), kCannotStart);
    EXPECT_EQ(plat::test::RecordedMessageBoxes().back().Title, u"WARNING");
    EXPECT_EQ(FileBytes().size(), before);
    EXPECT_EQ(LogScreenState.UiIdle, 1);
}

TEST_F(LogStateTest, OverflowOutsideLoggingOnlyKeepsGoRefused) {
    LogScreenState.MapOverflowState = 1;
    plat::SendMessage(Screen(), kMsgMapOverflow, 0, 0);  // Monitoring: no chooser, no box
    EXPECT_EQ(LogScreenState.LoggingState.load(), 0);
    CreateNewFile();
    const size_t before = FileBytes().size();
    plat::SendMessage(Screen(), kMsgMapOverflow, 0, 0);  // Stand By: no Go, no box
    EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
    EXPECT_TRUE(plat::test::RecordedMessageBoxes().empty());
    EXPECT_EQ(FileBytes().size(), before);
    AnswerBox(plat::kIdOk);
    Key('G');
    EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
    EXPECT_EQ(LastBoxText(), kCannotStart);
}

// ---------------------------------------------------------------------------
// Data file errors

TEST_F(LogStateTest, EveryWriteFailureOnAFullDiskIsToldAndPausesLogging) {
    CreateNewFile();
    Go();
    const std::string written = FileBytes();
    const std::u16string told = u"Writing to the data file survey failed: the disk is full.\r\nLogging is paused.";
    plat::test::FailFileWritesAfter(13);  // the disk fills in the middle of the next record
    EXPECT_EQ(WriteEventRecord(u"LOST", 'X'), -1);
    EXPECT_EQ(FileBytes(), written) << "the part of the record that went out is taken back";
    for (auto& tick : ConsoleLines.ConsoleLineTick) tick = plat::GetTickCount();  // no console is silent
    plat::SetTimer(Screen(), kSupervisionTimerId, 1000000);
    AnswerBox(plat::kIdOk);
    plat::test::FireTimer(Screen(), kSupervisionTimerId);
    EXPECT_EQ(LogScreenState.LoggingState.load(), -1) << "paused";
    EXPECT_NE(DataFileState.DataFileHandle, plat::kInvalidFile) << "opened again by the pause";
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{told});
    EXPECT_EQ(plat::test::RecordedMessageBoxes()[0].Title, u"FILE ERROR");
    plat::test::FireTimer(Screen(), kSupervisionTimerId);
    EXPECT_EQ(plat::test::RecordedMessageBoxes().size(), 1u) << "no new failure, nothing new to tell";

    // Go on the disk that is still full: its "$STARTED" fails, and it is told
    // and paused like the first failure; the screen does not stay in Logging.
    AnswerBox(plat::kIdOk);
    Key('G');
    EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
    EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{told, told}));
    EXPECT_FALSE(Visible(ScreenButtons.PauseButton));
    EXPECT_TRUE(Visible(ScreenButtons.StandByButtons[0]));
    EXPECT_EQ(FileBytes(), written) << "only whole records, none of them half-written";

    plat::test::FailFileWritesAfter(-1);  // room again: the reopened file takes records
    Go();
    EXPECT_EQ(LastRecord().substr(0, 9), "X$STARTED");
    EXPECT_EQ(plat::test::RecordedMessageBoxes().size(), 2u);
}

// A stick or share that fails in write-back says so only at the flush or the
// close: told like a failed write, with the reason, whichever step met it.
TEST_F(LogStateTest, FailedFlushOrCloseIsToldLikeAFailedWrite) {
    const std::u16string failed = u"Putting the data file survey on the disk failed: the disk reported an error.";
    const struct {
        const char* What;
        std::function<void()> Act;  // from Logging, the next flush failing
        int StateAfter;
    } cases[] = {
        {"the pause's reopening", [] {
             plat::test::FailFileFlushes(1);
             AnswerBox(plat::kIdOk);
             plat::test::ClickControl(ScreenButtons.PauseButton);
         }, -1},
        {"the close on leaving", [] {
             plat::test::ClickControl(ScreenButtons.PauseButton);
             plat::test::FailFileFlushes(1);
             AnswerBox(plat::kIdYes);
             AnswerBox(plat::kIdOk);
             Key('X');
         }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        plat::test::ClearRecordedMessageBoxes();
        OpenWithoutPorts();
        CreateNewFile();
        Go();
        c.Act();
        EXPECT_EQ(LogScreenState.LoggingState.load(), c.StateAfter);
        EXPECT_EQ(LastBoxText(), failed);
        EXPECT_EQ(plat::test::RecordedMessageBoxes().back().Title, u"FILE ERROR");
        if (c.StateAfter != 0) {
            AnswerBox(plat::kIdYes);
            Key('X');
        }
    }
}

// The name lost and no folder to save the records into: Go would log on
// into a file no name reaches, so it is refused, saying why and where a file
// could be made; leaving says in its question that those records are lost;
// once a folder can take the file, Go saves it first and tells where.
TEST_F(LogStateTest, WhileARescueIsPendingGoIsRefusedAndLeavingWarns) {
    const std::string data = root_ + "/data";
    ASSERT_EQ(mkdir(data.c_str(), 0755), 0);
    CreateNewFile("data/survey.osd");
    Go();
    ASSERT_EQ(chdir(root_.c_str()), 0);
    ASSERT_EQ(std::system(("rm -rf '" + data + "'").c_str()), 0);
    setenv("HOME", (root_ + "/nohome").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root_ + "/nocache").c_str(), 1);
    for (auto& tick : ConsoleLines.ConsoleLineTick) tick = plat::GetTickCount();
    plat::SetTimer(Screen(), kSupervisionTimerId, 1000000);
    AnswerBox(plat::kIdOk);
    plat::test::FireTimer(Screen(), kSupervisionTimerId);
    ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
    ASSERT_EQ(DataFileState.RescuePending, 1);
    const std::u16string nohome = plat::Utf8ToUtf16(root_) + u"/nohome/";
    const std::u16string folders = u":\r\na new file could be made in\r\n" + nohome + u" or\r\n" +
                                   plat::Utf8ToUtf16(root_) + u"/nocache/Brevant/Temp/\r\nonce one of them can take it.\r\n";
    const std::u16string pending = u"The records written to the data file\r\n" + plat::Utf8ToUtf16(path_) +
                                   u"\r\nsince File are in no file now" + folders;
    const std::u16string rescued = u"The data file " + plat::Utf8ToUtf16(path_) +
                                   u" was deleted with its folder.\r\nEverything written to it is saved in the new data "
                                   u"file\r\n" + plat::Utf8ToUtf16(root_) + u"/nohome/survey_rescue1.osd";
    const struct {
        const char* What;
        std::function<void()> Act;
        int StateAfter;
        std::u16string Told;
    } cases[] = {
        {"Go", [] { AnswerBox(plat::kIdOk); Key('G'); }, -1,
         u"Cannot start logging.\r\n" + pending + u"Logging would go on into a file no name reaches."},
        {"Exit, No", [] { AnswerBox(plat::kIdNo); Key('X'); }, -1, pending + u"Leaving logging now loses them.\r\nExit Logging?"},
        {"Exit, No: a file appended to, lost from the default data folder, named once", [&] {
             const DataFileStateRecord& d = DataFileState;
             const std::u16string was(d.LostDataFilePath);
             const int32_t loss = d.NameLoss;
             DataFileState.OpenedExisting = 1;
             DataFileState.NameLoss = static_cast<int32_t>(DataFileNameState::Deleted);
             const std::u16string lost = nohome + u"survey.osd";
             std::copy(lost.begin(), lost.end() + 1, DataFileState.LostDataFilePath);
             AnswerBox(plat::kIdNo);
             Key('X');
             std::copy(was.begin(), was.end() + 1, DataFileState.LostDataFilePath);
             DataFileState.NameLoss = loss;
             DataFileState.OpenedExisting = 0;
         }, -1, u"The records of the data file\r\n" + nohome + u"survey.osd\r\nare in no file now, those it held before "
                u"File too" + folders + u"Leaving logging now loses them.\r\nExit Logging?"},
        {"Go once a folder can take the file: saved first", [&] {
             ASSERT_EQ(mkdir((root_ + "/nohome").c_str(), 0755), 0);
             AnswerBox(plat::kIdOk);
             Key('G');
         }, -1, rescued},
        {"Go again goes on", [] { Key('G'); }, 1, rescued},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        c.Act();
        EXPECT_EQ(LogScreenState.LoggingState.load(), c.StateAfter);
        EXPECT_EQ(LastBoxText(), c.Told);
    }
    setenv("HOME", root_.c_str(), 1);
    setenv("XDG_CACHE_HOME", (root_ + "/cache").c_str(), 1);
}

// The box naming the new file comes at once; a copy that then fails (the
// disk full) takes every file made away again and is told once more. With
// room for part of it, what fitted is kept in whole records and told once;
// the looks after copy on into it without a box, nothing written twice,
// until room is made and it holds everything (told once), or leaving keeps
// it where it is, saying what it holds and that the rest are gone.
TEST_F(LogStateTest, ARescueCopyFailingIsToldAgain) {
    for (const bool roomMade : {true, false}) {
        SCOPED_TRACE(roomMade ? "room made at last" : "left with Exit, Yes");
        OpenWithoutPorts();
        plat::test::ClearRecordedMessageBoxes();
        const std::string name = roomMade ? "a" : "b";
        const std::string rescue = root_ + "/" + name + "_rescue1.osd";
        CreateNewFile(name + ".osd");
        Go();
        const std::u16string lost = u"The data file " + plat::Utf8ToUtf16(path_) + u" was replaced by another file.\r\n";
        const std::u16string copied = lost + u"Everything written to it is copied into the new data file\r\n" +
                                      plat::Utf8ToUtf16(rescue);
        WriteWholeFile(path_ + ".sync", "someone's");
        ASSERT_EQ(rename((path_ + ".sync").c_str(), path_.c_str()), 0);
        for (auto& tick : ConsoleLines.ConsoleLineTick) tick = plat::GetTickCount();
        plat::SetTimer(Screen(), kSupervisionTimerId, 1000000);
        plat::ModalAnswer full;
        full.Kind = plat::ModalKind::MessageBox;
        full.Result = plat::kIdOk;
        full.Act = [](int) {
            RunUntil([] { return RescueCopyEnded(); });
            return -1;
        };
        plat::test::ScriptModal(full);
        AnswerBox(plat::kIdOk);
        plat::test::FailFileWritesAfter(27);  // the pause record, then nothing
        plat::test::FireTimer(Screen(), kSupervisionTimerId);
        EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{
                                  copied + u"\r\nLogging is paused.",
                                  lost + u"No new file could be made for its records yet;\r\nleaving logging before one is "
                                         u"made loses them.\r\nLogging is paused."}));
        EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
        EXPECT_EQ(DataFileState.RescuePending, 1);
        EXPECT_NE(access(rescue.c_str(), F_OK), 0) << "the file made is taken away";

        // Room for three records and a half.
        const std::string logged = ReadWholeFile("/proc/self/fd/" + std::to_string(DataFileState.DataFileHandle));
        char share[96];
        std::snprintf(share, sizeof share, "holds the first 3 of its %zu records (81 of %zu bytes)", logged.size() / 27,
                      logged.size());
        const std::u16string holds = plat::Utf8ToUtf16(rescue) + u"\r\n" + plat::Utf8ToUtf16(share);
        plat::test::ScriptModal(full);
        AnswerBox(plat::kIdOk);
        plat::test::FailFileWritesAfter(3 * 27 + 13);
        plat::test::FireTimer(Screen(), kSupervisionTimerId);
        EXPECT_EQ(ReadWholeFile(rescue), logged.substr(0, 81)) << "what fitted, in whole records";
        const std::u16string noRoom = lost + u"No folder has room for all its records:\r\n" + holds +
                                      u";\r\nthe rest are copied once a folder has room for them.\r\n"
                                      u"Leaving logging before then loses them.";
        for (int look = 0; look < 3; ++look) plat::test::FireTimer(Screen(), kSupervisionTimerId);
        const std::vector<std::u16string> boxes = BoxTexts();
        EXPECT_EQ(std::vector(boxes.begin() + 2, boxes.end()), (std::vector{copied, noRoom}))
            << "told once: nothing new to tell at the looks after";
        EXPECT_EQ(ReadWholeFile(rescue), logged.substr(0, 81));
        AnswerBox(plat::kIdNo);
        Key('X');
        EXPECT_NE(LastBoxText().find(holds + u".\r\nNo folder has room for the rest;"), std::u16string::npos);
        EXPECT_TRUE(LastBoxText().ends_with(u"lets them be copied.\r\nLeaving logging now loses the rest.\r\nExit Logging?"));
        AnswerBox(plat::kIdOk);
        Key('G');
        EXPECT_TRUE(LastBoxText().starts_with(u"Cannot start logging.\r\n"));
        EXPECT_EQ(LogScreenState.LoggingState.load(), -1);

        if (roomMade) {
            plat::test::FailFileWritesAfter(-1);
            plat::test::FireTimer(Screen(), kSupervisionTimerId);
            RunUntil([] { return RescueCopyEnded(); });
            AnswerBox(plat::kIdOk);
            plat::test::FireTimer(Screen(), kSupervisionTimerId);
            EXPECT_EQ(LastBoxText(), lost + u"Everything written to it is saved in the new data file\r\n" +
                                         plat::Utf8ToUtf16(rescue));
            EXPECT_EQ(ReadWholeFile(rescue), logged) << "copied on from where it stopped";
            Go();
            plat::test::ClickControl(ScreenButtons.PauseButton);
            AnswerBox(plat::kIdYes);
            Key('X');
            EXPECT_EQ(ScreenWindows.ScreenMode, 0);
            continue;
        }
        AnswerBox(plat::kIdYes);
        AnswerBox(plat::kIdOk);
        Key('X');
        plat::test::FailFileWritesAfter(-1);
        EXPECT_EQ(ScreenWindows.ScreenMode, 0);
        EXPECT_EQ(LastBoxText(), lost + u"No folder had room for all its records:\r\n" + holds +
                                     u";\r\nthe rest are gone\r\n(the file that took its name holds only what was "
                                     u"copied from it).");
        EXPECT_EQ(ReadWholeFile(rescue), logged.substr(0, 81)) << "what fitted stays";
    }
}

TEST_F(LogStateTest, FileHeldByAnotherAtThePauseFallsBackToMonitoring) {
    CreateNewFile();
    Go();
    // Another program takes the file's lock (the program's own given up first).
    ASSERT_EQ(flock(DataFileState.DataFileHandle, LOCK_UN), 0);
    const int other = open(path_.c_str(), O_RDONLY);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    AnswerBox(plat::kIdOk);
    plat::test::ClickControl(ScreenButtons.PauseButton);
    EXPECT_EQ(LogScreenState.LoggingState.load(), 0);
    EXPECT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile);
    EXPECT_TRUE(Visible(ScreenButtons.MonitoringButtons[0]));
    EXPECT_TRUE(IsDefault(ScreenButtons.MonitoringButtons[0]));
    EXPECT_FALSE(Visible(ScreenButtons.StandByButtons[0]));
    EXPECT_FALSE(Visible(ScreenButtons.PauseButton));
    EXPECT_EQ(LastBoxText(), u"The data file survey cannot be opened again.\r\nNo data file is open: choose File to go on.");
    Key('X');  // Monitoring: leaves without a question
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    close(other);
}

// Another program cuts the data file: its end is judged before anything more
// goes in, at the look while logging (before "PAUSED") or at Go. A partial
// record goes, and an append takes what follows; cut to nothing, the file
// takes no record and the screen falls back to Monitoring.
TEST_F(LogStateTest, AFileMadeShorterTakesNoRecordOutOfStep) {
    const struct { const char* What; bool Logging, ToNothing, WriteFirst; int StateAfter; std::u16string Told; } cases[] = {
        {"13 bytes into a record while logging: the look", true, false, false, -1, u"(13 bytes) was cut away.\r\nLogging is paused."},
        {"13 bytes into a record in Stand By: Go", false, false, false, -1, u"The partial record left at its end (13 bytes) was cut away."},
        {"to nothing while logging", true, true, false, 0, u"into it.\r\nNo data file is open: choose File to go on."},
        {"13 bytes into a record, a record before the look", true, false, true, -1, u"(13 bytes) was cut away.\r\nLogging is paused."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        OpenWithoutPorts();
        CreateNewFile(std::string(c.What).substr(0, 8) + ".osd");
        if (c.Logging) Go();
        for (int i = 0; i < 3; ++i) ASSERT_EQ(WriteEventRecord(u"1CONN BRK 1", 'X'), 1);
        const std::string logged = FileBytes();
        const size_t whole = c.ToNothing ? 0 : logged.size() - 27;
        ASSERT_EQ(truncate(path_.c_str(), static_cast<off_t>(c.ToNothing ? 0 : whole + 13)), 0);
        if (c.WriteFirst) {
            EXPECT_EQ(WriteEventRecord(u"1CONN BRK 1", 'X'), 1);
        }
        plat::SetTimer(Screen(), kSupervisionTimerId, 1000000);
        const auto look = [&] {
            for (auto& tick : ConsoleLines.ConsoleLineTick) tick = plat::GetTickCount();
            c.Logging ? void(plat::test::FireTimer(Screen(), kSupervisionTimerId)) : Key('G');
        };
        // Another program may still be writing it: paused while logging, Go
        // refused, nothing cut or written, until its size has held still.
        const size_t boxes = plat::test::RecordedMessageBoxes().size();
        AnswerBox(plat::kIdOk);
        look();
        EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
        EXPECT_EQ(plat::test::RecordedMessageBoxes().size(), boxes + (c.Logging ? 0 : 1));
        if (!c.Logging) {
            EXPECT_TRUE(LastBoxText().ends_with(u"was made shorter and is still being written by another program."));
        }
        EXPECT_EQ(FileBytes().size(), c.ToNothing ? 0 : whole + 13);
        plat::test::AdvanceTick(kSizeHeldStillMs);
        if (!c.Logging) AnswerBox(plat::kIdOk);
        look();
        EXPECT_EQ(LogScreenState.LoggingState.load(), c.StateAfter);
        EXPECT_TRUE(LastBoxText().ends_with(c.Told));
        EXPECT_EQ(FileBytes().substr(0, whole), logged.substr(0, whole));
        EXPECT_EQ(FileBytes().substr(whole, 8), c.WriteFirst ? "X1CONN B" : c.Logging && !c.ToNothing ? "XPAUSED " : "")
            << "after a whole record";
        if (c.ToNothing) continue;
        Go();
        plat::test::ClickControl(ScreenButtons.PauseButton);
        const DataFileEndJudgement end = JudgeDataFileEnd(DataFileState.DataFileHandle, FileBytes().size());
        EXPECT_TRUE(!end.Refused && end.CutTo == static_cast<int64_t>(FileBytes().size())) << end.Why;
        AnswerBox(plat::kIdYes);
        Key('X');
    }
}

// ---------------------------------------------------------------------------
// QLine

TEST_F(LogStateTest, QuickLineAlternateTurnsTheLineAroundOneWayStartsAgain) {
    SurveyParameters.LineSequence = 0;  // Alternate
    SurveyParameters.LineDirection = 2;
    SurveyParameters.StationIncrement = 0.5;
    CreateNewFile();
    const std::u16string twelve = u"12";
    std::copy(twelve.begin(), twelve.end() + 1, SurveyParameters.LineName);
    SurveyParameters.CurrentStation = 40.0;
    SurveyProgress.StationStarted = 1;
    SurveyProgress.StationCount = 7;
    size_t before = FileBytes().size();
    AnswerBox(plat::kIdYes);
    Key('Q');
    EXPECT_EQ(LastBoxText(), u"New Line: 13.00");
    EXPECT_EQ(plat::test::RecordedMessageBoxes().back().Title, u"Quick Line");
    EXPECT_EQ(plat::test::RecordedMessageBoxes().back().Buttons, plat::MessageButtons::YesNo);
    EXPECT_EQ(plat::test::RecordedMessageBoxes().back().Icon, plat::MessageIcon::None);
    EXPECT_EQ(std::u16string(SurveyParameters.LineName), u"13.00");
    EXPECT_EQ(SurveyParameters.LineDirection, 1);
    EXPECT_DOUBLE_EQ(SurveyParameters.StationIncrement, -0.5);
    EXPECT_DOUBLE_EQ(SurveyParameters.StartStation, 40.0);
    EXPECT_EQ(SurveyProgress.LineCount, 1);
    EXPECT_EQ(SurveyProgress.StationCount, 0);
    EXPECT_EQ(SurveyProgress.StationStarted, 0) << "the new line's first reading is its start station";
    std::string added = FileBytes().substr(before);
    ASSERT_EQ(added.size(), 5u * 27) << "line records and a time mark";
    EXPECT_EQ(added.substr(0, 9), "L13.00   ");
    EXPECT_EQ(added[4 * 27], '*');

    SurveyParameters.LineSequence = 1;  // One Way
    SurveyParameters.StartStation = 2.0;
    before = FileBytes().size();
    AnswerBox(plat::kIdNo);
    Key('q');
    EXPECT_EQ(FileBytes().size(), before) << "No changes nothing";
    EXPECT_EQ(std::u16string(SurveyParameters.LineName), u"13.00");
    AnswerBox(plat::kIdYes);
    plat::test::ClickControl(ScreenButtons.StandByButtons[1]);
    EXPECT_EQ(std::u16string(SurveyParameters.LineName), u"14.00");
    EXPECT_DOUBLE_EQ(SurveyParameters.CurrentStation, 2.0);
    EXPECT_EQ(SurveyParameters.LineDirection, 1) << "one way keeps the direction";

    SystemSetup.ConsoleCount = 0;  // without consoles the button does nothing
    Key('Q');
    EXPECT_EQ(plat::test::PendingModalAnswers(), 0u);
}

// ---------------------------------------------------------------------------
// Exit

TEST_F(LogStateTest, ExitFromMonitoringAsksNothingNoFromStandByChangesNothing) {
    CreateNewFile();
    SurveyProgress.RecordCount = 12;
    const std::string before = FileBytes();
    AnswerBox(plat::kIdNo);
    plat::test::ClickControl(ScreenButtons.StandByButtons[2]);
    const auto boxes = plat::test::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Title, u"Confirm Exit");
    EXPECT_EQ(boxes[0].Text, u"Exit Logging?");
    EXPECT_EQ(boxes[0].Buttons, plat::MessageButtons::YesNo);
    EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
    EXPECT_EQ(ScreenWindows.ScreenMode, 1);
    EXPECT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);
    EXPECT_EQ(SurveyProgress.RecordCount, 12);
    EXPECT_EQ(FileBytes(), before);
    ExpectCommandEnded();

    FallBackToMonitoring(Screen());  // the file closed, Monitoring again
    plat::SetTimer(Screen(), kSupervisionTimerId, 1000);
    Key('X');
    EXPECT_EQ(plat::test::RecordedMessageBoxes().size(), 1u) << "no question in Monitoring";
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_FALSE(Visible(Screen()));
    EXPECT_FALSE(plat::test::TimerIsSet(Screen(), kSupervisionTimerId));
    EXPECT_EQ(LogScreenState.UiIdle, 1);
}

TEST_F(LogStateTest, YesToExitLoggingClosesAndReturnsToTheStartScreen) {
    ScreenButtons.StartButtons[0] =
        plat::CreateWindow(u"BUTTON", u"&Logging", plat::kStyleChild, 0, 0, 10, 10, ScreenWindows.MainWindow, 420);
    CreateNewFile();
    Go();
    Key(plat::kKeySpace);  // any key pauses
    SurveyProgress.RecordCount = 12;
    LogScreenState.ReviewMode = 1;
    MapDisplayOptions.SavedMapSize = 55;
    AnswerBox(plat::kIdYes);
    Key('x');
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile);
    EXPECT_EQ(LogScreenState.LoggingState.load(), 0);
    EXPECT_EQ(SurveyProgress.RecordCount, 0);
    EXPECT_STREQ(DataFileState.DataFileBaseName, "");
    EXPECT_EQ(LogScreenState.ReviewMode, 0);
    EXPECT_EQ(MapDisplayOptions.MapSize, 55) << "the scale before the review";
    EXPECT_TRUE(plat::GetWindowStyle(ScreenButtons.MonitoringButtons[0]) & plat::kStyleVisible);
    EXPECT_TRUE(IsDefault(ScreenButtons.MonitoringButtons[0]));
    EXPECT_FALSE(plat::GetWindowStyle(ScreenButtons.StandByButtons[0]) & plat::kStyleVisible);
    EXPECT_TRUE(Visible(ScreenButtons.StartButtons[0]));
}

// ---------------------------------------------------------------------------
// Keys, Tab, Enter, menus

struct KeyCase {
    int State;          // 0 Monitoring, -1 Stand By
    uint32_t Code;
    int Command;        // command run, 0 none
    int MenuId;         // popup shown (dismissed), 0 none
    int StateAfter;
};

constexpr KeyCase kKeys[] = {
    {0, 'A', 113, 0, 0},  {0, 'a', 113, 0, 0},  {0, 'B', 106, 0, 0},  {0, 'D', 111, 0, 0},
    {0, 'H', 108, 0, 0},  {0, 'P', 107, 0, 0},  {0, 0x70, 107, 0, 0}, {0, 'R', 105, 0, 0},
    {0, 's', 110, 0, 0},  {0, 'T', 109, 0, 0},  {0, 'U', 104, 0, 0},  {0, 'w', 112, 0, 0},
    {0, 'G', 0, 0, 0},    {0, 'Q', 0, 0, 0},    {0, 'L', 0, 0, 0},    {0, 'n', 0, 0, 0},
    {0, 'C', 0, 0, 0},    {0, 'M', 0, 499, 0},  {0, 'm', 0, 499, 0},  {0, 'Z', 0, 0, 0},
    {0, '1', 0, 0, 0},    {-1, 'L', 101, 0, -1}, {-1, 'l', 101, 0, -1}, {-1, 'N', 102, 0, -1},
    {-1, 'C', 103, 0, -1}, {-1, 'c', 103, 0, -1}, {-1, 'R', 105, 0, -1}, {-1, 'F', 0, 0, -1},
    {-1, 'f', 0, 0, -1},  {-1, 'M', 0, 500, -1}, {-1, 'G', 0, 0, 1},   {-1, 'g', 0, 0, 1},
};

TEST_F(LogStateTest, KeysActOnlyInTheirStatesInEitherCase) {
    CreateNewFile();
    for (const KeyCase& c : kKeys) {
        SCOPED_TRACE(testing::Message() << "state " << c.State << " code " << c.Code);
        LogScreenState.LoggingState = c.State;
        ShowLogButtonSet(c.State == 0 ? LogButtonSet::Monitoring : LogButtonSet::StandBy);
        log_test::ClearRunCommands();
        plat::test::ClearRecordedPopupMenus();
        if (c.MenuId != 0) AnswerMenu(0);
        if (c.Command >= 101 && c.Command <= 103) CancelDialog();  // New Line, New Station, Comment
        AnswerOptionCommandWithoutGps(c.Command);
        Key(c.Code);
        EXPECT_EQ(Commands(), c.Command == 0 ? std::vector<int>{} : std::vector<int>{c.Command});
        const auto menus = plat::test::RecordedPopupMenus();
        ASSERT_EQ(menus.size(), c.MenuId == 0 ? 0u : 1u);
        if (!menus.empty()) {
            EXPECT_EQ(menus[0].MenuId, c.MenuId);
        }
        EXPECT_EQ(LogScreenState.LoggingState.load(), c.StateAfter);
        EXPECT_EQ(LogScreenState.UiIdle, 1);
        if (c.StateAfter == 1) Key(plat::kKeySpace);  // pause again
    }
}

TEST_F(LogStateTest, TabMovesTheDefaultOverTheFourButtonsAndEnterPressesIt) {
    auto defaults = [] {
        std::vector<int> out;
        for (int i = 0; i < 4; ++i) out.push_back(IsDefault(ScreenButtons.MonitoringButtons[i]) ? 1 : 0);
        return out;
    };
    EXPECT_EQ(defaults(), (std::vector<int>{1, 0, 0, 0}));
    plat::SetFocus(Screen());
    ASSERT_TRUE(plat::test::InjectKey(Screen(), plat::kKeyTab));  // a real key press
    EXPECT_EQ(defaults(), (std::vector<int>{0, 1, 0, 0}));
    EXPECT_EQ(plat::GetFocus(), Screen()) << "Tab does not move the focus";
    CancelDialog();
    Key(plat::kKeyReturn);  // Readings Scale
    EXPECT_EQ(Commands(), std::vector<int>{105});
    Key(plat::kKeyTab);
    Key(plat::kKeyTab);
    EXPECT_EQ(defaults(), (std::vector<int>{0, 0, 0, 1}));
    AnswerMenu(0);
    Key(plat::kKeyReturn);  // Menu
    EXPECT_EQ(plat::test::RecordedPopupMenus().size(), 1u);
    Key(plat::kKeyTab);
    EXPECT_EQ(defaults(), (std::vector<int>{1, 0, 0, 0})) << "wraps to File";
}

TEST_F(LogStateTest, MenuChoicesAndMapButtonsRunTheirCommandsADismissedMenuEndsTheCommand) {
    ScreenLayout.MainWindowX = 30;
    ScreenLayout.MainWindowY = 40;
    AnswerMenu(0);
    plat::test::ClickControl(ScreenButtons.MonitoringButtons[3]);
    const auto menus = plat::test::RecordedPopupMenus();
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].MenuId, 499);
    EXPECT_EQ(menus[0].X, 220);
    EXPECT_EQ(menus[0].Y, 160);
    EXPECT_EQ(menus[0].Owner, Screen());
    ExpectCommandEnded();
    EXPECT_TRUE(Commands().empty());

    for (int id = 470; id <= 478; ++id) Command(id);
    EXPECT_EQ(Commands(), (std::vector<int>{121, 122, 123, 124, 125, 126, 127, 128, 129}));
    log_test::ClearRunCommands();

    CreateNewFile();
    const std::vector<int> commands{101, 102, 103, 110, 105, 106, 111, 107, 113, 109, 112, 119, 120, 108};
    const std::vector<int> items{501, 502, 503, 510, 505, 506, 511, 507, 508, 512, 513, 515, 516, 509};
    for (size_t i = 0; i < items.size(); ++i) {
        AnswerMenu(items[i]);
        if (items[i] <= 503) CancelDialog();  // New Line, New Station, Comment
        AnswerOptionCommandWithoutGps(commands[i]);
        Key('M');
    }
    EXPECT_EQ(Commands(), commands);
    EXPECT_EQ(LogScreenState.UiIdle, 1);
}

}  // namespace
