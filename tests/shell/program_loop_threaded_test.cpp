// The real program loop, headless. A probe window of the test's own is asked
// from another thread, through the hand-over, what the running program
// shows; the program's loop serves that question only once the start screen
// is up, and the probe ends the program as an operator would, with a close.
// Then the end while logging: every reader thread is stopped and joined,
// waiting hand-overs are released and the data file is closed whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "log_screen/log_layout.h"
#include "platform/serial_port.h"
#include "platform/text.h"
#include "shell/shell_fixture.h"
#include "support/gps_instrument.h"
#include "support/pty_instrument.h"

namespace {

using instruments::ConsoleLine;
using instruments::InstrumentFeeder;
using instruments::PtyInstrument;

constexpr uint32_t kMsgProbe = plat::kMsgUser + 90;

// What the probe saw, on the window thread, inside the program's loop.
struct ProbeView {
    bool Served = false;
    bool MainShown = false;
    bool Painted = false;       // nothing left to paint
    uint32_t Pixel = 0;         // of the start screen, left of the buttons
    int ScreenMode = -1;
    plat::Hwnd Focus = 0;
};
ProbeView g_view;

plat::LResult ProbeProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message != kMsgProbe) return plat::DefaultWindowProc(hwnd, message, w, l);
    const plat::Hwnd main = ScreenWindows.MainWindow;
    g_view.Served = true;
    g_view.MainShown = plat::IsWindowVisible(main);
    g_view.Painted = !plat::GetUpdateRect(main, nullptr);
    g_view.Pixel = plat::test::WindowPixel(main, 40, 40);
    g_view.ScreenMode = ScreenWindows.ScreenMode;
    g_view.Focus = plat::GetFocus();
    plat::PostMessage(main, plat::kMsgClose, 0, 0);  // the close box
    return 1;
}

uint32_t AskProbe(void* probe) {
    return static_cast<uint32_t>(plat::SendMessage(static_cast<plat::Hwnd>(reinterpret_cast<intptr_t>(probe)),
                                                   kMsgProbe, 0, 0));
}

class ProgramLoopThreaded : public ShellTest {
protected:
    plat::Hwnd MakeProbe() {
        plat::WindowClass cls;
        cls.Name = u"ShellTestProbe";
        cls.Proc = ProbeProc;
        if (!plat::RegisterWindowClass(cls)) return 0;
        return plat::CreateWindow(u"ShellTestProbe", u"", 0, 0, 0, 10, 10, 0, 0);
    }
};

TEST_F(ProgramLoopThreaded, StartsPaintsTheStartScreenAndEndsWith0OnClose) {
    g_view = ProbeView{};
    plat::test::SetScreenSize(1280, 800);
    const plat::Hwnd probe = MakeProbe();
    ASSERT_NE(probe, 0);
    const plat::ThreadHandle asker = plat::StartThread(AskProbe, reinterpret_cast<void*>(static_cast<intptr_t>(probe)));
    ASSERT_NE(asker, 0);

    EXPECT_EQ(RunOstrima(), 0);
    uint32_t answered = 0;
    ASSERT_TRUE(plat::JoinThread(asker, &answered));
    EXPECT_EQ(answered, 1u) << "the loop served the hand-over";
    ASSERT_TRUE(g_view.Served);
    EXPECT_TRUE(g_view.MainShown);
    EXPECT_TRUE(g_view.Painted) << "the start screen was painted before the loop served anything";
    EXPECT_EQ(g_view.Pixel, plat::GetSystemColour(plat::kColourButtonFace));
    EXPECT_EQ(g_view.ScreenMode, 0);
    EXPECT_EQ(g_view.Focus, ScreenWindows.MainWindow);
    EXPECT_FALSE(plat::IsWindow(ScreenWindows.MainWindow)) << "the close destroyed the main window";
    EXPECT_FALSE(plat::SendersReleased()) << "the hand-over works again after the end";
    EXPECT_TRUE(std::filesystem::exists(root_ + "/config/Brevant/Ostrima/OSTRMAWIN.INI"))
        << "the folders were made and the settings file written afresh";
}

// ---------------------------------------------------------------------------
// The end while logging

constexpr int kFirstCom = 38;     // consoles on COM38, COM39
constexpr int kGpsCom = 40;

class ProgramExitThreaded : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        SystemSetup.ConsoleCount = 2;
        SystemSetup.ConsoleType[0] = 1;
        SystemSetup.ConsoleType[1] = 0;
        for (int i = 0; i < kMaxConsoles; ++i) SystemSetup.ConsolePort[i] = kFirstCom - 1 + i;
        GpsPortSetup.InputMode = 1;
        GpsPortSetup.DataFormat = 1;  // GGA
        GpsPortSetup.Port = kGpsCom - 1;
        for (int i = 0; i < 2; ++i) ASSERT_TRUE(consoles_[i].Open(kFirstCom + i)) << consoles_[i].Error();
        ASSERT_TRUE(gps_.Open(kGpsCom)) << gps_.Error();
    }
    void TearDown() override {
        feeder_.Stop();
        ShellTest::TearDown();
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 0) << "a port was left open";
    }

    template <typename Done>
    static bool RunUntil(Done done, uint32_t ms = 10000) {
        return plat::test::RunEventsUntil([](void* d) { return (*static_cast<Done*>(d))(); }, &done, ms);
    }
    static void Key(plat::Hwnd window, plat::WParam code) { plat::SendMessage(window, plat::kMsgKeyDown, code, 0); }

    PtyInstrument consoles_[2];
    PtyInstrument gps_;
    InstrumentFeeder feeder_;
};

TEST_F(ProgramExitThreaded, ClosingWhileLoggingStopsEveryReaderAndClosesTheDataFileWhole) {
    // The folders exist, the settings file does not: the settings in memory stay.
    ASSERT_EQ(StartOstrima(), 0);
    const plat::Hwnd main = ScreenWindows.MainWindow;
    const plat::Hwnd log = ScreenWindows.LogScreenWindow;

    int reading = 0;
    instruments::GpsWalkOptions walk;
    walk.Format = 1;
    instruments::WalkingGps receiver(walk);
    feeder_.Add(&consoles_[0], [&reading] { ++reading; return ConsoleLine(100 + reading % 50, 200 - reading % 50); });
    feeder_.Add(&consoles_[1], [&reading] { return ConsoleLine(300 + reading % 40); });
    // A 10 Hz receiver: every fix draws the colour swath, which is slow
    // enough under the race detector to starve a faster stream.
    int tick = 0;
    feeder_.Add(&gps_, [&receiver, &tick] { return tick++ % 10 == 0 ? receiver.NextEpoch(0.1) : std::string(); });
    ASSERT_TRUE(feeder_.Start(100.0));

    Key(main, 'L');
    ASSERT_EQ(ScreenWindows.ScreenMode, 1);
    ASSERT_TRUE(RunUntil([] { return plat::IsWindowEnabled(ScreenButtons.MonitoringButtons[0]); }))
        << "the first valid fix enables \"&File\"";

    const std::string path = root_ + "/exit.osd";
    plat::ModalAnswer save;
    save.Kind = plat::ModalKind::SaveFile;
    save.Result = 1;
    save.Text = plat::Utf8ToUtf16(path);
    plat::test::ScriptModal(save);
    Key(log, 'F');
    ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
    Key(log, 'G');
    ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
    const size_t atGo = ReadWholeFile(path).size();
    ASSERT_TRUE(RunUntil([&] { return ReadWholeFile(path).size() >= atGo + 40 * 27; }))
        << "readings and GPS sentences are written";

    // The close box while everything runs; the feeder goes on meanwhile.
    ASSERT_TRUE(plat::PostMessage(main, plat::kMsgClose, 0, 0));
    EXPECT_EQ(RunUntilQuit(), 0);

    EXPECT_FALSE(plat::IsWindow(main));
    EXPECT_EQ(ReaderThreads.GpsThreadHandle, 0);
    for (int i = 0; i < kMaxConsoles; ++i) EXPECT_EQ(ReaderThreads.ConsoleThreadHandle[i], 0) << i;
    EXPECT_EQ(SerialPorts.GpsPortHandle.load(), plat::kInvalidSerial);
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 0);
    EXPECT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile) << "the data file is closed";
    EXPECT_EQ(plat::test::PendingSendCount(), 0);
    EXPECT_FALSE(plat::SendersReleased());

    // Whole records only, each ending in LF; nothing is written after the end.
    feeder_.Stop();
    const std::string bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size() % 27, 0u);
    for (size_t at = 26; at < bytes.size(); at += 27) ASSERT_EQ(bytes[at], '\n') << "record " << at / 27;
    plat::test::RunEventsFor(50);
    EXPECT_EQ(ReadWholeFile(path), bytes);
}

}  // namespace
