// Fault drills on the whole logging road, with consoles and a GPS receiver on
// pseudo-terminals:
//  - killed in mid-survey: a child process (this test program, running only
//    the LogsUntilKilled case) logs until it is killed with SIGKILL at a
//    random moment; every file it leaves holds whole records, a valid header
//    and no torn GPS sentence group; File on such a file appends to it, and
//    a copy cut by hand is cut back to its last whole record (the operator
//    told) or, cut inside its header, refused and left alone;
//  - a cable pulled and put back: the port's device goes away and a new one
//    appears on the same path; nothing hangs, each break is one event, and
//    the GPS comes back through its watchdog;
//  - the data file replaced by a copy of itself, or its folder removed, while
//    logging: at the next second logging pauses, the operator is told, and
//    every record is in a new file that logging goes on into;
//  - the program's window closed right after such a replacement, before the
//    next second: the close takes the last look, and every record is saved.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "acquisition/gps_reader.h"
#include "log_screen/log_screen_fixture.h"
#include "shell/main_window.h"
#include "shell/shell_fixture.h"
#include "shell/start_logging.h"
#include "support/gps_instrument.h"
#include "support/walking_survey.h"

namespace {

constexpr int kConsoleCom = 41;  // consoles on COM41 and COM42, the GPS on COM43
constexpr int kGpsCom = 43;
constexpr char kChildFileVariable[] = "OSTRIMA_DRILL_DATA_FILE";
constexpr size_t kRecord = 27;

// What a data file must hold whatever moment its writer died at: whole
// records, the header a new file starts with, and every GPS sentence group
// ("@" or "?", its "#" or '"' continuations, then "!") whole and not
// interleaved with other records. Returns "" or what is wrong.
std::string CheckSurveyFile(const std::string& bytes) {
    if (bytes.size() % kRecord != 0) return "not whole records: " + std::to_string(bytes.size()) + " bytes";
    const std::string headerKinds = "OHGGGGLBAZ*";
    if (bytes.size() < headerKinds.size() * kRecord) return "header cut short";
    if (bytes.compare(0, 8, "OSTRMA  ") != 0) return "no header record first";
    char groupContinuation = 0;  // inside a group: the continuation letter it takes
    for (size_t at = 0; at < bytes.size(); at += kRecord) {
        const size_t n = at / kRecord;
        const std::string record = bytes.substr(at, kRecord);
        if (record.back() != '\n' || record.find('\n') != kRecord - 1) return "record " + std::to_string(n) + " torn";
        const char kind = record[0];
        if (n < headerKinds.size()) {
            if (kind != headerKinds[n]) return "header record " + std::to_string(n) + " is " + record;
            continue;
        }
        if (groupContinuation != 0) {
            if (kind == groupContinuation) continue;
            if (kind == '!') {
                groupContinuation = 0;
                continue;
            }
            return "GPS group torn at record " + std::to_string(n) + ": " + record;
        }
        if (kind == '@') groupContinuation = '#';
        if (kind == '?') groupContinuation = '"';
        if (kind == '#' || kind == '"' || kind == '!') return "GPS group without its start at record " + std::to_string(n);
    }
    return groupContinuation != 0 ? "the file ends inside a GPS group" : "";
}

int CountRecords(const std::string& bytes, const std::string& start) {
    int n = 0;
    for (size_t at = 0; at + kRecord <= bytes.size(); at += kRecord) n += bytes.compare(at, start.size(), start) == 0;
    return n;
}

TEST(SurveyFileCheck, TellsWholeFilesFromTornOnes) {
    const auto rec = [](const std::string& text) { return text + std::string(kRecord - 1 - text.size(), ' ') + "\n"; };
    std::string header;
    for (const char kind : std::string("OHGGGGLBAZ*")) header += rec(kind == 'O' ? "OSTRMA  W216" : std::string(1, kind));
    const std::string group = rec("@$GPGGA,1") + rec("#,2") + rec("!");
    const struct { std::string bytes; bool whole; } cases[] = {
        {header, true},
        {header + group + rec("T$P  75") + group, true},
        {header + rec("?$GPGGA") + rec("\"x") + rec("!"), true},
        {header.substr(0, header.size() - 1), false},
        {header + group.substr(0, 2 * kRecord), false},
        {header + rec("@$GPGGA") + rec("T$P  75") + rec("#") + rec("!"), false},
        {header + rec("#") + rec("!"), false},
        {rec("X") + header.substr(kRecord), false},
    };
    for (const auto& c : cases) EXPECT_EQ(CheckSurveyFile(c.bytes).empty(), c.whole) << c.bytes;
}

// A GGA sentence with a valid fix, `second` seconds into the survey.
std::string Fix(int second) {
    return instruments::NmeaLine("$GPGGA,1200" + std::to_string(10 + second) +
                                 ",4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,");
}

// One round of the drills' instruments: a line from each console and the
// next fix. Landed: the file holds both readings and one more GPS group.
void SendDrillRound(instruments::PtyInstrument (&consoles)[2], instruments::PtyInstrument& gps, int second) {
    consoles[0].Write("$PBAR,  75,  62\r\n");
    consoles[1].Write("$PBAR,  80\r\n");
    gps.Write(Fix(second));
}
bool DrillRoundLanded(const std::string& before, const std::string& now) {
    const auto lines = [](const std::string& b) { return CountRecords(b, "T$P") + CountRecords(b, "t$P"); };
    return lines(now) == lines(before) + 2 && CountRecords(now, "@") == CountRecords(before, "@") + 1;
}

// Two consoles (two sensors, then one) and a GGA receiver on the drills' ports.
void SetUpDrillSurvey() {
    SystemSetup.ConsoleCount = 2;
    SystemSetup.ConsoleType[0] = 1;
    SystemSetup.ConsoleType[1] = 0;
    SystemSetup.ConsolePort[0] = kConsoleCom - 1;
    SystemSetup.ConsolePort[1] = kConsoleCom;
    GpsPortSetup.InputMode = 1;
    GpsPortSetup.DataFormat = 1;
    GpsPortSetup.Port = kGpsCom - 1;
}

// The logging screen with two consoles and a GGA receiver, as the program
// opens it, a new data file and Go.
class DrillBase : public LogScreenTest {
protected:
    void SetUpSurvey() { SetUpDrillSurvey(); }
    // `fix`: sends the receiver's first fix (the child's feeder sends its own),
    // which the File button waits for.
    void StartSurvey(const std::string& path, instruments::PtyInstrument* fix = nullptr) {
        OpenMonitoring(fix);
        path_ = path;
        ChooseFile(path_);
        Key('F');
        ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
        Key('G');
        ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
    }
    // The logging screen in Monitoring with every reader running and File
    // enabled by the receiver's first fix (sent at `second` when `fix` is given).
    void OpenMonitoring(instruments::PtyInstrument* fix, int second = 0) {
        ASSERT_EQ(::StartLogging(), 1);
        ASSERT_TRUE(RunUntil([] {
            return ReaderThreads.ConsoleReaderState[0].load() == 2 && ReaderThreads.ConsoleReaderState[1].load() == 2 &&
                   ReaderThreads.GpsReaderState.load() == 2;
        }));
        // Supervision is driven by hand: no real second may pass unnoticed.
        plat::SetTimer(Screen(), kSupervisionTimerId, 1000000);
        if (fix != nullptr) fix->Write(Fix(second));
        ASSERT_TRUE(RunUntil([] { return plat::IsWindowEnabled(ScreenButtons.MonitoringButtons[0]); }, 10000));
    }
    // Stand By or Logging: Pause, then leave the screen (its question answered Yes).
    void LeaveScreen() {
        if (LogScreenState.LoggingState.load() == 1) plat::test::ClickControl(ScreenButtons.PauseButton);
        if (LogScreenState.LoggingState.load() != 0) AnswerBox(plat::kIdYes);
        Key('X');
        ASSERT_EQ(ScreenWindows.ScreenMode, 0);
    }
};

// ---------------------------------------------------------------------------
// Killed in mid-survey.

// The child's side: runs only when the drill started this program for it.
class FaultDrillChild : public DrillBase {};

TEST_F(FaultDrillChild, LogsUntilKilled) {
    const char* file = std::getenv(kChildFileVariable);
    if (file == nullptr) GTEST_SKIP() << "run by the killed-in-mid-survey drill only";
    // The drill removes this test's folder, which the kill leaves behind.
    WriteWholeFile(std::string(file) + ".root", root_);
    SetUpSurvey();
    StartSurvey(file);
    plat::test::StartRealTickAt(plat::GetTickCount());
    RunUntil([] { return false; }, 30000);
    ADD_FAILURE() << "not killed";
}

class FaultDrill : public DrillBase {
protected:
    // A child a failed assertion leaves behind is killed all the same.
    struct ChildGuard {
        pid_t Child;
        ~ChildGuard() {
            if (Child <= 0) return;
            kill(Child, SIGKILL);
            waitpid(Child, nullptr, 0);
        }
    };

    // Starts this program as the logging child running `test`; -1 when it cannot.
    static pid_t StartChild(const std::string& file, const char* test = "FaultDrillChild.LogsUntilKilled") {
        setenv(kChildFileVariable, file.c_str(), 1);
        const std::string log = file + ".log";  // what the child says, shown when it ends on its own
        const pid_t child = fork();
        if (child == 0) {
            const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out >= 0) {
                dup2(out, 1);
                dup2(out, 2);
            }
            std::signal(SIGINT, SIG_DFL);  // as a session starts it, whatever ignores them here
            std::signal(SIGHUP, SIG_DFL);
            const std::string filter = std::string("--gtest_filter=") + test;
            char* argv[] = {const_cast<char*>("drill-child"), const_cast<char*>(filter.c_str()), nullptr};
            execv("/proc/self/exe", argv);
            _exit(127);
        }
        unsetenv(kChildFileVariable);
        return child;
    }
};

TEST_F(FaultDrill, KilledInMidSurveyLeavesWholeRecords) {
    std::mt19937 random(20260314);
    constexpr int kRounds = 30;
    int groups = 0;  // GPS groups the children wrote in all
    std::string killed;  // the last file that holds a GPS sentence
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        instruments::PtyInstrument consoles[2], gps;
        ASSERT_TRUE(consoles[0].Open(kConsoleCom) && consoles[1].Open(kConsoleCom + 1) && gps.Open(kGpsCom));
        instruments::WalkingSurvey first(static_cast<uint32_t>(round), 2), second(static_cast<uint32_t>(round) + 99, 1);
        instruments::GpsWalkOptions walk;
        walk.Format = 1;
        walk.Quality = 2;
        instruments::WalkingGps receiver(walk);
        instruments::InstrumentFeeder consoleFeeder, gpsFeeder;
        consoleFeeder.Add(&consoles[0], [&] { return first.NextLine(); });
        consoleFeeder.Add(&consoles[1], [&] { return second.NextLine(); });
        gpsFeeder.Add(&gps, [&] { return receiver.NextEpoch(0.02); });

        const std::string file = root_ + "/drill" + std::to_string(round) + ".osd";
        const pid_t child = StartChild(file);
        ASSERT_GT(child, 0);
        ChildGuard guard{child};
        ASSERT_TRUE(consoleFeeder.Start(400) && gpsFeeder.Start(50));
        // Logging has begun once the header and a record or two are there;
        // the kill then comes at a random moment of the next 150 ms.
        int status = 0;
        bool ended = false;
        for (int ms = 0; ms < 20000 && ReadWholeFile(file).size() < 13 * kRecord; ms += 2) {
            if (waitpid(child, &status, WNOHANG) == child) {
                ended = true;
                break;
            }
            usleep(2000);
        }
        if (!ended) {
            usleep(std::uniform_int_distribution<useconds_t>(0, 150000)(random));
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
        }
        guard.Child = 0;
        consoleFeeder.Stop();
        gpsFeeder.Stop();
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the child ended on its own (" << status << "):\n" << ReadWholeFile(file + ".log");

        const std::string bytes = ReadWholeFile(file);
        EXPECT_EQ(CheckSurveyFile(bytes), "") << bytes.size() << " bytes";
        groups += CountRecords(bytes, "@");
        if (CountRecords(bytes, "@") > 0) killed = file;
        const std::string childRoot = ReadWholeFile(file + ".root");
        if (childRoot.rfind("/tmp/ostrima-test-", 0) == 0) {
            EXPECT_EQ(std::system(("rm -rf '" + childRoot + "'").c_str()), 0);
        }
        if (HasFailure()) break;
    }
    EXPECT_GT(groups, kRounds) << "the children were killed while the GPS was being logged";
    ASSERT_FALSE(HasFailure());
    ASSERT_FALSE(killed.empty()) << "no child logged the GPS";

    // Appending to what a kill left, as it is and cut by hand: File on the
    // existing file goes through the append check and the scan; a partial
    // last record is cut back with the operator told, a file cut inside its
    // header is refused and left as it was.
    const std::string original = ReadWholeFile(killed);
    // The hand cut goes 14 bytes into the record after the last boundary that
    // lies outside a run written in one write (a GPS group, a swath block of
    // four coordinate records, the line records): cutting inside one leaves
    // a torn run, which the check cuts back whole and names as such.
    const auto insideRun = [](const char* record) {
        const char kind = record[0];
        if (kind == '@' || kind == '#' || kind == '?' || kind == '"' || kind == 'L' || kind == 'B' || kind == 'A')
            return true;
        const char block = record[1];  // "{a" to "{p": the last of each four ends the block
        return kind == '{' && block >= 'a' && block <= 'p' && (block - 'a') % 4 != 3;
    };
    size_t lastOutside = 0;
    for (size_t at = 0; at + kRecord < original.size(); at += kRecord) {
        if (!insideRun(original.data() + at)) lastOutside = at + kRecord;
    }
    const struct {
        const char* What;
        size_t Keep;                         // bytes of the killed file left
        std::vector<std::u16string> Told;    // a part of each box, in order
    } cuts[] = {
        {"as the kill left it", original.size(), {u"Total Number of GPS Positions:"}},
        {"cut in a record", lastOutside + 14,
         {u"partial record (14 bytes)", u"Total Number of GPS Positions:"}},
        {"cut in its third record", 2 * kRecord + 5, {u"Invalid File Format.\r\nFile Record # 3 invalid."}},
    };
    instruments::PtyInstrument consoles[2], gps;
    ASSERT_TRUE(consoles[0].Open(kConsoleCom) && consoles[1].Open(kConsoleCom + 1) && gps.Open(kGpsCom));
    SetUpSurvey();
    int second = 10;
    for (const auto& cut : cuts) {
        SCOPED_TRACE(cut.What);
        const std::string before = original.substr(0, cut.Keep);
        WriteWholeFile(killed, before);
        plat::test::ClearRecordedMessageBoxes();
        OpenMonitoring(&gps, second++);
        path_ = killed;
        ChooseFile(path_);
        for (size_t i = 0; i < cut.Told.size(); ++i) AnswerBox(plat::kIdOk);
        Key('F');
        const auto boxes = plat::test::RecordedMessageBoxes();
        ASSERT_EQ(boxes.size(), cut.Told.size());
        for (size_t i = 0; i < boxes.size(); ++i) EXPECT_NE(boxes[i].Text.find(cut.Told[i]), std::u16string::npos);
        const bool refused = cut.Keep < 6 * kRecord;
        EXPECT_EQ(LogScreenState.LoggingState.load(), refused ? 0 : -1);
        if (!refused) {
            Key('G');
            ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
            consoles[0].Write("$PBAR,  75,  62\r\n");
            gps.Write(Fix(second++));
            ASSERT_TRUE(RunUntil([&] { return CountRecords(FileBytes(), "T$P") > CountRecords(before, "T$P") &&
                                               CountRecords(FileBytes(), "@") > CountRecords(before, "@"); }));
        }
        LeaveScreen();
        const std::string after = FileBytes();
        if (refused) {
            EXPECT_EQ(after, before);
            continue;
        }
        const size_t whole = cut.Keep - cut.Keep % kRecord;
        EXPECT_EQ(after.substr(0, whole), original.substr(0, whole));
        EXPECT_EQ(after.substr(whole, 8), "rSTRMA  ") << "the new section starts on a record boundary";
        EXPECT_EQ(CheckSurveyFile(after), "");
    }
}

// ---------------------------------------------------------------------------
// A cable pulled and put back.

// A port whose device can be replaced: OSTRIMA_COM<n> names a link that is
// pointed at the slave of a new pseudo-terminal each time the cable is put back.
class ReplugPort {
public:
    ~ReplugPort() {
        if (!variable_.empty()) unsetenv(variable_.c_str());
    }
    bool Open(int com, const std::string& link) {
        link_ = link;
        variable_ = "OSTRIMA_COM" + std::to_string(com);
        setenv(variable_.c_str(), link.c_str(), 1);
        return PutBack();
    }
    bool PutBack() {
        device_ = std::make_unique<instruments::PtyInstrument>();
        if (!device_->Open()) return false;
        const std::string next = link_ + ".new";
        unlink(next.c_str());
        return symlink(device_->SlavePath().c_str(), next.c_str()) == 0 && rename(next.c_str(), link_.c_str()) == 0;
    }
    void Pull() { device_->Hangup(); }
    instruments::PtyInstrument& Device() { return *device_; }

private:
    std::string link_;
    std::string variable_;
    std::unique_ptr<instruments::PtyInstrument> device_;
};

class CableDrillThreaded : public DrillBase {};

TEST_F(CableDrillThreaded, CablesPulledAndPutBack) {
    ReplugPort consoles[2], gps;
    ASSERT_TRUE(consoles[0].Open(kConsoleCom, root_ + "/com41") && consoles[1].Open(kConsoleCom + 1, root_ + "/com42") &&
                gps.Open(kGpsCom, root_ + "/com43"));
    SetUpSurvey();
    StartSurvey(root_ + "/cables.osd", &gps.Device());
    const auto groups = [this] { return CountRecords(FileBytes(), "@$GPGGA"); };
    gps.Device().Write(Fix(1));
    ASSERT_TRUE(RunUntil([&] { return groups() == 1; }));
    // The handler wrote the group inside the hand-over; the reader takes its
    // watchdog tick once back. A sentence it writes itself shows it is back
    // before the clock moves on.
    gps.Device().Write(instruments::NmeaLine("$GPGSV,1,1,00"));
    ASSERT_TRUE(RunUntil([this] { return CountRecords(FileBytes(), "X$GPGSV") == 1; }));

    // The GPS cable: pulled, and put back before the watchdog notices. One
    // break event; the watchdog's reopen finds the new device.
    gps.Pull();
    ASSERT_TRUE(gps.PutBack());
    plat::test::AdvanceTick(kGpsWatchdogMs + 1);
    ASSERT_TRUE(RunUntil([this] { return CountRecords(FileBytes(), "XGPS CONN BR") == 1; }));
    ASSERT_TRUE(RunUntil([] { return SerialPorts.GpsPortHandle.load() != plat::kInvalidSerial; }));
    gps.Device().Write(Fix(2));
    ASSERT_TRUE(RunUntil([&] { return groups() == 2; })) << "the GPS is back";

    // Console 2's cable: pulled and put back. Its reader keeps the device it
    // opened, so the console stays silent until logging starts again: one
    // break event however often supervision looks; console 1 goes on.
    consoles[1].Pull();
    ASSERT_TRUE(consoles[1].PutBack());
    consoles[1].Device().Write("$PBAR,  80\r\n");
    for (int look = 0; look < 3; ++look) {
        plat::test::AdvanceTick(1001);
        const int lines = CountRecords(FileBytes(), "T$P");
        consoles[0].Device().Write("$PBAR,  75,  62\r\n");
        gps.Device().Write(Fix(3 + look));
        ASSERT_TRUE(RunUntil([&] { return groups() == 3 + look && CountRecords(FileBytes(), "T$P") == lines + 1; }));
        plat::test::FireTimer(Screen(), kSupervisionTimerId);
    }
    EXPECT_EQ(CountRecords(FileBytes(), "X2CONN BRK 2"), 1);
    EXPECT_EQ(CountRecords(FileBytes(), "X1CONN BRK 1"), 0);
    EXPECT_EQ(CountRecords(FileBytes(), "XGPS CONN BR"), 1);

    // Leaving the logging screen ends every reader, the pulled ones included.
    plat::test::ClickControl(ScreenButtons.PauseButton);
    AnswerBox(plat::kIdYes);
    Key('X');
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_EQ(CheckSurveyFile(FileBytes()), "");
}

// ---------------------------------------------------------------------------
// The data file's name lost while logging.

class LostNameDrillThreaded : public DrillBase {
protected:
    // What the open data file holds, whatever name it has now.
    static std::string OpenFileBytes() {
        return ReadWholeFile("/proc/self/fd/" + std::to_string(DataFileState.DataFileHandle));
    }
};

TEST_F(LostNameDrillThreaded, LoggingGoesOnIntoANewFileHoldingEverything) {
    const struct {
        const char* What;
        std::function<void(const std::string& folder)> Act;
        std::string RescueFolder;  // "" for the data file's own folder
        std::u16string Told;
    } cases[] = {
        {"replaced by a copy of itself", [](const std::string& folder) {
             WriteWholeFile(folder + "/F.OSD.sync", ReadWholeFile(folder + "/F.OSD"));
             ASSERT_EQ(rename((folder + "/F.OSD.sync").c_str(), (folder + "/F.OSD").c_str()), 0);
         }, "", u" was replaced by another file."},
        {"its folder removed", [](const std::string& folder) {
             ASSERT_EQ(std::system(("rm -rf '" + folder + "'").c_str()), 0);
         }, root_, u" was deleted with its folder."},
    };
    instruments::PtyInstrument consoles[2], gps;
    ASSERT_TRUE(consoles[0].Open(kConsoleCom) && consoles[1].Open(kConsoleCom + 1) && gps.Open(kGpsCom));
    SetUpSurvey();
    int second = 0;
    const auto readings = [&] {
        const std::string before = OpenFileBytes();
        SendDrillRound(consoles, gps, ++second);
        return RunUntil([&] { return DrillRoundLanded(before, OpenFileBytes()); });
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.What);
        const std::string folder = root_ + "/survey" + std::to_string(i);
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        OpenMonitoring(&gps, ++second);
        path_ = folder + "/F.OSD";
        ChooseFile(path_);
        Key('F');
        Key('G');
        ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
        ASSERT_TRUE(readings());
        c.Act(folder);
        const std::string replacement = ReadWholeFile(path_);
        ASSERT_TRUE(readings()) << "logged after the name was lost";
        const std::string logged = OpenFileBytes();

        // The next second's look: paused and told at once; while the box
        // waits for the operator, the new file comes to hold everything.
        plat::test::ClearRecordedMessageBoxes();
        const std::string rescue = (c.RescueFolder.empty() ? folder : c.RescueFolder) + "/F_rescue1.OSD";
        std::string saved = "no box";
        plat::ModalAnswer ok;
        ok.Kind = plat::ModalKind::MessageBox;
        ok.Result = plat::kIdOk;
        ok.Act = [&](int) {
            RunUntil([&] { return ReadWholeFile(rescue).size() >= logged.size() + kRecord; }, 2000);
            saved = ReadWholeFile(rescue);
            return -1;
        };
        plat::test::ScriptModal(ok);
        plat::test::FireTimer(Screen(), kSupervisionTimerId);
        EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
        EXPECT_EQ(saved.substr(0, logged.size()), logged);
        EXPECT_EQ(saved.substr(logged.size(), 8), "XPAUSED ");
        EXPECT_EQ(saved.size(), logged.size() + kRecord);
        EXPECT_EQ(ReadWholeFile(path_), replacement) << "what took the name is left alone";
        EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"The data file " + plat::Utf8ToUtf16(path_) + c.Told +
                                                          u"\r\nEverything written to it is copied into the new data file\r\n" +
                                                          plat::Utf8ToUtf16(rescue) + u"\r\nLogging is paused."});

        // Go logs on into the new file.
        Key('G');
        ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
        ASSERT_TRUE(readings());
        LeaveScreen();
        EXPECT_EQ(CheckSurveyFile(ReadWholeFile(rescue)), "");
        EXPECT_EQ(CountRecords(ReadWholeFile(rescue), "@"), 3);
    }
}

// The whole program, its main window and the drills' survey: the logging
// screen opened with its key, File into `path` and Go. The supervision's
// second is the test's: no look comes between.
class ProgramDrill : public ShellTest {
protected:
    template <typename Done>
    static bool Until(Done done) {
        return plat::test::RunEventsUntil([](void* d) { return (*static_cast<Done*>(d))(); }, &done, 10000);
    }
    static void Key(plat::WParam code) { plat::SendMessage(ScreenWindows.LogScreenWindow, plat::kMsgKeyDown, code, 0); }
    // `gps` gets the receiver's first fix, which File waits for (null: a feeder sends it).
    void StartProgramLogging(const std::string& path, instruments::PtyInstrument* gps) {
        SetUpDrillSurvey();
        ASSERT_EQ(StartOstrima(), 0);
        plat::SendMessage(ScreenWindows.MainWindow, plat::kMsgKeyDown, 'L', 0);
        ASSERT_TRUE(Until([] {
            return ReaderThreads.ConsoleReaderState[0].load() == 2 && ReaderThreads.ConsoleReaderState[1].load() == 2 &&
                   ReaderThreads.GpsReaderState.load() == 2;
        }));
        plat::SetTimer(ScreenWindows.LogScreenWindow, kSupervisionTimerId, 1000000);
        if (gps != nullptr) gps->Write(Fix(0));
        ASSERT_TRUE(Until([] { return plat::IsWindowEnabled(ScreenButtons.MonitoringButtons[0]); }));
        plat::test::ScriptModal({plat::ModalKind::SaveFile, 1, plat::Utf8ToUtf16(path), 0, {}});
        Key('F');
        Key('G');
        ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
    }
};

// The close box 0.3 s after a sync tool replaced the file: no second's look
// came between, so only the close's own look keeps what went into the file
// that no name reaches any more.
class CloseBoxDrillThreaded : public ProgramDrill {};

TEST_F(CloseBoxDrillThreaded, ClosedRightAfterAReplacementEverythingIsSavedAndTold) {
    instruments::PtyInstrument consoles[2], gps;
    ASSERT_TRUE(consoles[0].Open(kConsoleCom) && consoles[1].Open(kConsoleCom + 1) && gps.Open(kGpsCom));
    const std::string path = root_ + "/F.OSD";
    StartProgramLogging(path, &gps);
    ASSERT_FALSE(HasFatalFailure());
    const auto openBytes = [] { return ReadWholeFile("/proc/self/fd/" + std::to_string(DataFileState.DataFileHandle)); };
    int second = 0;
    const auto readings = [&] {
        const std::string before = openBytes();
        SendDrillRound(consoles, gps, ++second);
        return Until([&] { return DrillRoundLanded(before, openBytes()); });
    };
    ASSERT_TRUE(readings());
    WriteWholeFile(path + ".sync", ReadWholeFile(path));
    ASSERT_EQ(rename((path + ".sync").c_str(), path.c_str()), 0);
    const std::string replacement = ReadWholeFile(path);
    ASSERT_TRUE(readings()) << "logged into the file no name reaches";
    const std::string logged = openBytes();

    AnswerBox(plat::kIdOk);
    plat::PostMessage(ScreenWindows.MainWindow, plat::kMsgClose, 0, 0);
    EXPECT_EQ(plat::RunMessageLoop(), 0);
    StopAcquisitionAtExit();
    const std::string rescue = root_ + "/F_rescue1.OSD";
    EXPECT_EQ(ReadWholeFile(rescue), logged) << "every record, those since the replacement too";
    EXPECT_EQ(CheckSurveyFile(logged), "");
    EXPECT_EQ(ReadWholeFile(path), replacement) << "what took the name is left alone";
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"The data file " + plat::Utf8ToUtf16(path) +
                                                      u" was replaced by another file.\r\nEverything written to it is "
                                                      u"saved in the new data file\r\n" + plat::Utf8ToUtf16(rescue)});
}

// Records waiting for a rescue no folder can take yet: the close box asks
// first, as leaving logging does, and No keeps the program running.
TEST_F(CloseBoxDrillThreaded, WithARescuePendingTheCloseBoxAsksAndNoKeepsTheProgram) {
    instruments::PtyInstrument consoles[2], gps;
    ASSERT_TRUE(consoles[0].Open(kConsoleCom) && consoles[1].Open(kConsoleCom + 1) && gps.Open(kGpsCom));
    const std::string data = root_ + "/data";
    ASSERT_EQ(mkdir(data.c_str(), 0755), 0);
    StartProgramLogging(data + "/F.OSD", &gps);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(std::system(("rm -rf '" + data + "'").c_str()), 0);
    setenv("HOME", (root_ + "/nohome").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root_ + "/nocache").c_str(), 1);
    AnswerBox(plat::kIdOk);
    plat::test::FireTimer(ScreenWindows.LogScreenWindow, kSupervisionTimerId);
    ASSERT_EQ(DataFileState.RescuePending, 1);
    AnswerBox(plat::kIdNo);
    plat::SendMessage(ScreenWindows.MainWindow, plat::kMsgClose, 0, 0);
    EXPECT_NE(BoxTexts().back().find(u"Leaving logging now loses them.\r\nExit Logging?"), std::u16string::npos);
    EXPECT_TRUE(plat::IsWindow(ScreenWindows.MainWindow));
    AnswerBox(plat::kIdYes);
    AnswerBox(plat::kIdOk);  // told again: now they are gone
    plat::SendMessage(ScreenWindows.MainWindow, plat::kMsgClose, 0, 0);
    EXPECT_FALSE(plat::IsWindow(ScreenWindows.MainWindow));
}

// A signal 0.1 s after the data file was deleted (a shutdown, the session
// gone, Ctrl+C): the close box's finish without a box, and every record is
// in the rescue file, whole, which File takes (the append check and the
// scan); the exit code tells the signal, as a shell reports it.
class EndSignalDrillChild : public ProgramDrill {};

TEST_F(EndSignalDrillChild, LogsUntilASignal) {
    const char* file = std::getenv(kChildFileVariable);
    if (file == nullptr) GTEST_SKIP() << "run by the end-signal drill only";
    StartProgramLogging(file, nullptr);
    if (HasFailure()) return;
    const int code = RunUntilQuit();
    std::system(("rm -rf '" + root_ + "'").c_str());  // the test's own folder, which _exit leaves
    std::fflush(nullptr);
    _exit(code);
}

TEST_F(FaultDrill, EndedByASignalAfterADeletionEveryRecordIsRescued) {
    instruments::PtyInstrument consoles[2], gps;
    ASSERT_TRUE(consoles[0].Open(kConsoleCom) && consoles[1].Open(kConsoleCom + 1) && gps.Open(kGpsCom));
    int epoch = 0;
    instruments::InstrumentFeeder feeder;
    feeder.Add(&consoles[0], [] { return "$PBAR,  75,  62\r\n"; });
    feeder.Add(&gps, [&] { return Fix(++epoch % 40); });
    SetUpSurvey();
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        const std::string folder = root_ + "/" + std::to_string(signal), file = folder + "/F.OSD";
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        ASSERT_TRUE(feeder.Start(40));
        ChildGuard child{StartChild(file, "EndSignalDrillChild.LogsUntilASignal")};
        ASSERT_GT(child.Child, 0);
        for (int ms = 0; ms < 20000 && CountRecords(ReadWholeFile(file), "@") < 2; ms += 2) usleep(2000);
        const int held = open(file.c_str(), O_RDONLY);  // what the child writes, once no name reaches it
        ASSERT_EQ(unlink(file.c_str()), 0);
        usleep(100000);
        kill(child.Child, signal);
        int status = 0;
        for (int ms = 0; ms < 10000 && waitpid(child.Child, &status, WNOHANG) == 0; ms += 2) usleep(2000);
        feeder.Stop();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal)
            << status << ":\n" << ReadWholeFile(file + ".log");
        if (WIFEXITED(status) || WIFSIGNALED(status)) child.Child = 0;
        const std::string logged = ReadWholeFile("/proc/self/fd/" + std::to_string(held));
        close(held);
        EXPECT_EQ(ReadWholeFile(folder + "/F_rescue1.OSD"), logged);
        EXPECT_EQ(CheckSurveyFile(logged), "");
        OpenMonitoring(&gps, 0);
        path_ = folder + "/F_rescue1.OSD";
        ChooseFile(path_);
        AnswerBox(plat::kIdOk);  // the scan's count of positions
        Key('F');
        EXPECT_EQ(LogScreenState.LoggingState.load(), -1) << "the append check takes it";
        LeaveScreen();
        if (HasFailure()) break;
    }
}

}  // namespace
