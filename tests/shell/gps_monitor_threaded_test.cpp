// The GPS monitor on a pseudo-terminal receiver: the command's exact bytes
// once per key press and nothing on Cancel or when too long, no line of a
// pause ever listed, "NO DATA" after seven silent seconds of the test clock,
// an Exit that leaves no port open and no reader running, and reopenings at a
// high line rate that list only whole lines that were sent.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/gps_monitor.h"
#include "acquisition/simulators.h"
#include "platform/dialog.h"
#include "platform/keys.h"
#include "platform/serial_port.h"
#include "resources/monitor_templates.h"
#include "shell/shell_fixture.h"
#include "support/pty_instrument.h"

namespace {

constexpr int kGpsCom = 37;

class GpsMonitorThreaded : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_NE(OpenMainWindow(), 0);
        ASSERT_TRUE(gps_.Open(kGpsCom)) << gps_.Error();
        GpsPortSetup.InputMode = 1;
        GpsPortSetup.Port = kGpsCom - 1;
    }
    void TearDown() override {
        if (ScreenWindows.ScreenMode == 2) ExitGpsMonitor();
        ShellTest::TearDown();
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 0) << "a port was left open";
    }

    static plat::Hwnd Monitor() { return ScreenWindows.MonitorGpsWindow; }
    static void StartKey(uint32_t code) { plat::SendMessage(ScreenWindows.MainWindow, plat::kMsgKeyDown, code, 0); }
    static void Open() {
        StartKey('O');
        ASSERT_EQ(ScreenWindows.ScreenMode, 2);
    }
    // A real key press on the monitor: its key-down, then its character.
    static void Press(uint32_t key) { ASSERT_TRUE(plat::test::InjectKey(Monitor(), key)); }

    static std::vector<std::u16string> Listed() {
        std::vector<std::u16string> out;
        const plat::Hwnd list = ScreenWindows.MonitorListBox;
        for (int32_t i = 0; i < plat::ListCount(list); ++i) {
            char16_t text[256] = {};
            plat::ListGetText(list, i, text, 256);
            out.emplace_back(text);
        }
        return out;
    }
    template <typename Done>
    static bool RunUntil(Done done, uint32_t ms = 5000) {
        return plat::test::RunEventsUntil([](void* d) { return (*static_cast<Done*>(d))(); }, &done, ms);
    }
    bool SendAndList(const std::string& line) {
        const size_t before = Listed().size();
        gps_.Write(line + "\r\n");
        return RunUntil([&] { return Listed().size() > before; });
    }

    instruments::PtyInstrument gps_;
};

TEST_F(GpsMonitorThreaded, SendsTheCommandOncePerPressWholeOrNotAtAll) {
    struct Case {
        const char* Name;
        bool PauseFirst;
        bool UseButton;          // the Send button, else the S key
        std::u16string Typed;    // "" leaves the text as shown
        bool Ok;
        std::string Wire;        // what the receiver gets
        size_t Boxes;
    };
    const Case cases[] = {
        {"default command by key", false, false, u"", true, "$PASHS,NME,SAT,A,ON\r\n", 0},
        {"by button", false, true, u"", true, "$PASHS,NME,SAT,A,ON\r\n", 0},
        {"cancel", false, false, u"$PASHQ,PRT", false, "", 0},
        {"27 characters, sent while paused", true, false, u"$PASHS,ABCDEFGHIJKLMNOPQRST", true,
         "$PASHS,ABCDEFGHIJKLMNOPQRST\r\n", 0},
        {"28 characters refused", true, false, u"$PASHS,ABCDEFGHIJKLMNOPQRSTU", true, "", 1},
    };
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        plat::test::ClearRecordedDialogs();
        plat::test::ClearRecordedMessageBoxes();
        plat::SetWindowText(ScreenWindows.MonitorCommandEdit, u"$PASHS,NME,SAT,A,ON");
        if (c.PauseFirst) Press('P');
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::Dialog;
        a.Act = [&c](int d) {
            if (!c.Typed.empty()) plat::test::TypeIntoEdit(plat::GetDialogItem(d, res::kGpsMessageEditId), c.Typed.c_str());
            plat::SendMessage(d, plat::kMsgCommand, c.Ok ? plat::kIdOk : plat::kIdCancel, 0);
            return -1;
        };
        plat::test::ScriptModal(a);
        if (c.Boxes > 0) AnswerBox(plat::kIdOk);
        if (c.UseButton) {
            ASSERT_TRUE(plat::test::ClickControl(ScreenButtons.MonitorButtons[2]));
        } else {
            Press('S');
        }
        EXPECT_EQ(plat::test::RecordedDialogs().size(), 1u) << "one press, one dialog";
        EXPECT_EQ(plat::test::RecordedMessageBoxes().size(), c.Boxes);
        EXPECT_EQ(c.Wire.empty() ? gps_.Read(100) : gps_.ReadCount(c.Wire.size(), 1000), c.Wire);
        EXPECT_EQ(gps_.Read(30), "") << "sent once";
        // A sent command resumes the monitor; a refused one leaves it as it was.
        const bool running = !c.PauseFirst || !c.Wire.empty();
        EXPECT_EQ(ScreenButtons.MonitorRunning, running ? 1 : 0);
        EXPECT_EQ(ReaderThreads.GpsMonitorHold.load(), running ? 0 : 1);
        EXPECT_EQ(plat::IsWindowVisible(ScreenButtons.MonitorButtons[1]), running);
        if (c.Ok) {
            char16_t shown[100] = {};
            plat::GetWindowText(ScreenWindows.MonitorCommandEdit, shown, 100);
            EXPECT_EQ(std::u16string(shown), c.Typed.empty() ? u"$PASHS,NME,SAT,A,ON" : c.Typed);
        }
        if (!running) Press('G');
    }
}

TEST_F(GpsMonitorThreaded, TabCyclesTheShownButtons) {
    Open();
    auto highlighted = [] {
        int found = -1;
        for (int i = 0; i < 4; ++i) {
            if (IsDefault(ScreenButtons.MonitorButtons[static_cast<size_t>(i)])) found = found == -1 ? i : -2;
        }
        return found;
    };
    auto cycle = [&] {
        std::vector<int> seen{highlighted()};
        for (int i = 0; i < 3; ++i) {
            Press(plat::kKeyTab);
            seen.push_back(highlighted());
        }
        return seen;
    };
    const std::vector<int> running = cycle();
    Press('P');
    const std::vector<int> paused = cycle();
    EXPECT_EQ(running, (std::vector<int>{1, 2, 3, 1}));
    EXPECT_EQ(paused, (std::vector<int>{0, 2, 3, 0})) << "the highlight on Pause moved to Go";
}

TEST_F(GpsMonitorThreaded, LinesOfAPauseAreNeverListedAndSilenceListsNoData) {
    Open();
    ASSERT_TRUE(SendAndList("$GPGGA,first"));
    Press('P');
    EXPECT_EQ(ReaderThreads.GpsMonitorHold.load(), 1);
    gps_.Write("$GPGGA,while paused 1\r\n$GPGGA,while paused 2\r\n$GPGGA,half a li");
    plat::test::RunEventsFor(100);
    Press('G');
    ASSERT_TRUE(SendAndList("$GPGGA,after go"));
    EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"$GPGGA,first", u"$GPGGA,after go"}));

    // The silence is counted from the last line, on the test clock.
    plat::test::AdvanceTick(kGpsMonitorSilenceMs);
    plat::test::RunEventsFor(60);
    EXPECT_EQ(Listed().size(), 2u) << "7000 ms are not yet more than 7000";
    plat::test::AdvanceTick(1);
    ASSERT_TRUE(RunUntil([] { return Listed().size() == 3; }));
    EXPECT_EQ(Listed().back(), u"NO DATA");
}

TEST_F(GpsMonitorThreaded, ExitAndReopenAtAHighRateListOnlyWholeLinesThatWereSent) {
    instruments::InstrumentFeeder feeder;
    int next = 0;
    feeder.Add(&gps_, [&next] {
        char line[40];
        std::snprintf(line, sizeof line, "$GPTST,%06d,end\r\n", next++);
        return std::string(line);
    });
    ASSERT_TRUE(feeder.Start(2000.0));
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        // A line left from before is never listed by the next opening.
        std::copy_n(u"STALE", 6, GpsSentenceBuffer.GpsMonitorText);
        GpsSentenceBuffer.GpsLineReady = 1;
        Open();
        EXPECT_EQ(ScreenButtons.MonitorRunning, 1) << "reading again, also after an exit while paused";
        EXPECT_TRUE(plat::IsWindowVisible(ScreenButtons.MonitorButtons[1]) && IsDefault(ScreenButtons.MonitorButtons[1]));
        const size_t before = Listed().size();
        ASSERT_TRUE(RunUntil([&] { return Listed().size() >= before + 20; }));
        if (round % 2 == 1) Press('P');
        Press('X');
        EXPECT_EQ(ScreenWindows.ScreenMode, 0);
        EXPECT_FALSE(plat::IsWindowVisible(Monitor()));
        EXPECT_EQ(ReaderThreads.GpsThreadHandle, 0);
        EXPECT_EQ(SerialPorts.GpsPortHandle.load(), plat::kInvalidSerial);
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 0);
        EXPECT_EQ(plat::GetFocus(), ScreenWindows.MainWindow) << "the start screen takes the keys again";
    }
    feeder.Stop();
    const int made = next;  // lines the receiver made (some fell into a port nobody had open)
    long previous = -1;
    for (const std::u16string& line : Listed()) {
        std::string narrow(line.begin(), line.end());
        int number = -1;
        char tail[8] = {};
        ASSERT_EQ(std::sscanf(narrow.c_str(), "$GPTST,%6d,%3s", &number, tail), 2) << narrow;
        EXPECT_EQ(narrow.size(), 17u) << narrow;
        EXPECT_STREQ(tail, "end");
        EXPECT_GT(number, previous) << "each line once, in order";
        EXPECT_LT(number, made);
        previous = number;
    }
}

TEST_F(GpsMonitorThreaded, OpensOnlyWithGpsInputAndAPort) {
    struct Case {
        const char* Name;
        int InputMode;
        int Port;
        std::u16string Box;
    };
    const Case cases[] = {
        {"no GPS input", 0, kGpsCom - 1, u"Option avaiable only when GPS is enabled"},
        {"no such port", 1, kGpsCom, u"Cannot open COM38 for GPS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        plat::test::ClearRecordedMessageBoxes();
        GpsPortSetup.InputMode = c.InputMode;
        GpsPortSetup.Port = c.Port;
        AnswerBox(plat::kIdOk);
        StartKey('o');
        EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{c.Box});
        EXPECT_EQ(ScreenWindows.ScreenMode, 0);
        EXPECT_FALSE(plat::IsWindowVisible(Monitor()));
        EXPECT_EQ(ReaderThreads.GpsThreadHandle, 0);
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 0);
    }
}

#if defined(OSTRIMA_SIMULATORS)
TEST_F(GpsMonitorThreaded, SimulatedGpsFeedsTheMonitorList) {
    ReaderThreads.SimulateGps = 1;
    Open();
    // The simulator's second passes on the test clock.
    ASSERT_TRUE(RunUntil([] {
        plat::test::AdvanceTick(50);
        return Listed().size() >= 9;
    }));
    Press('X');
    EXPECT_EQ(ReaderThreads.GpsThreadHandle, 0);
    const std::vector<std::u16string> listed = Listed();
    for (size_t i = 0; i < 9; ++i) {
        const std::string expected = kSimulatedGpsSentences[i];
        EXPECT_EQ(listed[i], std::u16string(expected.begin(), expected.end()));
    }
}
#endif

}  // namespace
