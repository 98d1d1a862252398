// A logging screen of its own for each test: a plain parent window stands in
// for the main window (1024 x 762 outer), the logging screen is created
// hidden inside it as the program creates it, with the panel's fonts and pens
// and a frozen clock, so that the busy waits of the commands move the clock
// instead of spending time. Consoles, when a test wants them, are
// pseudo-terminals; no test leaves a port open.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "display_fixture.h"
#include "acquisition/gps_fix.h"
#include "acquisition/gps_reader.h"
#include "log_screen/log_layout.h"
#include "log_screen/log_screen.h"
#include "log_screen/log_state.h"
#include "log_screen/supervision.h"
#include "platform/controls.h"
#include "platform/keys.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/serial_port.h"
#include "platform/text.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "support/pty_instrument.h"
#include "support/test_env.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

// A sentence handed to the logging screen's GPS handler as the reader hands
// it over: stored with the tick now, then sent.
inline void HandOverGpsSentence(const std::string& sentence) {
    StoreGpsSentence(sentence.c_str(), plat::GetTickCount());
    plat::SendMessage(ScreenWindows.LogScreenWindow, kMsgGpsSentence, 0, 0);
}

class LogScreenTest : public OstrimaTest {
protected:
    static constexpr uint32_t kStartTick = 5000000;

    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::StartApplication());
        plat::test::ResetWindows();
        plat::test::FreezeTick(kStartTick);
        display_test::MakePanelObjects();
        plat::WindowClass cls;
        cls.Name = u"LogScreenTestMain";
        cls.Proc = plat::DefaultWindowProc;
        ASSERT_TRUE(plat::RegisterWindowClass(cls));
        ScreenWindows.MainWindow = plat::CreateWindow(u"LogScreenTestMain", u"Ostrima",
                                                      plat::kStyleCaption | plat::kStyleVisible, 0, 0, 1024, 762, 0, 0);
        ASSERT_NE(ScreenWindows.MainWindow, 0);
        plat::Rect client;
        plat::GetClientRect(ScreenWindows.MainWindow, &client);
        ScreenLayout.ClientWidth = client.Right;
        ScreenLayout.ClientHeight = client.Bottom;
        ScreenLayout.MainWindowWidth = 1024;
        ScreenLayout.MainWindowHeight = 762;
        ASSERT_EQ(RegisterLogScreenClasses(), 0);
        ScreenWindows.LogScreenWindow = plat::CreateWindow(u"ScreenLogWnd", u"Log", plat::kStyleChild, 0, 0, 1024, 762,
                                                           ScreenWindows.MainWindow, kLogScreenId);
        ASSERT_NE(ScreenWindows.LogScreenWindow, 0);
        GpsPortSetup.InputMode = 0;  // no GPS unless a test asks for it
        InitConsoleRecordTags();
    }

    void TearDown() override {
        StopReaders();
        plat::test::ResetWindows();
        plat::test::UseRealTick();
        OstrimaTest::TearDown();
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 0) << "a port was left open";
    }

    static plat::Hwnd Screen() { return ScreenWindows.LogScreenWindow; }

    // The logging screen shown in Monitoring, laid out, without ports.
    static void OpenWithoutPorts() {
        LogScreenState.MapShown = GpsPortSetup.InputMode != 0 ? 1 : 0;
        LayoutLogScreen();
        LogScreenState.LoggingState = 0;
        ScreenWindows.ScreenMode = 1;
        plat::EnableWindow(ScreenButtons.MonitoringButtons[0], GpsPortSetup.InputMode == 0);
        plat::ShowWindow(Screen(), plat::kShow);
    }

    // Consoles of the given types on pseudo-terminals at COM firstCom, firstCom + 1, ...
    void OpenConsoles(int firstCom, std::vector<int> types) {
        SystemSetup.ConsoleCount = static_cast<int32_t>(types.size());
        for (size_t i = 0; i < types.size(); ++i) {
            SystemSetup.ConsoleType[i] = types[i];
            SystemSetup.ConsolePort[i] = firstCom - 1 + static_cast<int32_t>(i);
            ASSERT_TRUE(consoles_[i].Open(firstCom + static_cast<int>(i))) << consoles_[i].Error();
        }
    }

    static void Key(uint32_t code) { plat::SendMessage(Screen(), plat::kMsgKeyDown, code, 0); }
    static void Command(int id) {
        plat::SendMessage(Screen(), plat::kMsgCommand, plat::MakeWParam(static_cast<uint16_t>(id), 0), 0);
    }

    static void Script(plat::ModalKind kind, int result, const std::string& path = "") {
        plat::ModalAnswer a;
        a.Kind = kind;
        a.Result = result;
        a.Text = plat::Utf8ToUtf16(path);
        plat::test::ScriptModal(a);
    }
    static void AnswerBox(int button) { Script(plat::ModalKind::MessageBox, button); }
    static void ChooseFile(const std::string& path) { Script(plat::ModalKind::SaveFile, 1, path); }
    static void CancelChooser() { Script(plat::ModalKind::SaveFile, 0); }
    static void AnswerMenu(int item) { Script(plat::ModalKind::PopupMenu, item); }
    static void CancelDialog() { Script(plat::ModalKind::Dialog, 0); }
    // What an option command (104..129) shows without GPS input, answered:
    // its dialog cancelled, its refusal box confirmed.
    static void AnswerOptionCommandWithoutGps(int command) {
        switch (command) {
            case 105: case 107: case 113: CancelDialog(); break;
            case 106: case 109: case 110: case 111: case 112: case 119: case 120: AnswerBox(plat::kIdOk); break;
            default: break;
        }
    }

    static std::vector<std::u16string> BoxTexts() {
        std::vector<std::u16string> out;
        for (const auto& b : plat::test::RecordedMessageBoxes()) out.push_back(b.Text);
        return out;
    }
    static std::u16string LastBoxText() {
        const std::vector<std::u16string> texts = BoxTexts();
        return texts.empty() ? u"" : texts.back();
    }

    // File with a new data file: Stand By.
    void CreateNewFile(const std::string& name = "survey.osd") {
        path_ = root_ + "/" + name;
        ChooseFile(path_);
        Key('F');
        ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
    }
    std::string FileBytes() const { return ReadWholeFile(path_); }

    static bool Visible(plat::Hwnd h) { return plat::IsWindowVisible(h); }
    static bool IsDefault(plat::Hwnd h) {
        return (plat::GetWindowStyle(h) & plat::kButtonTypeMask) == plat::kButtonDefaultPush;
    }

    // Serves the window thread until `done` holds (at most `ms`).
    template <typename Done>
    static bool RunUntil(Done done, uint32_t ms = 5000) {
        return plat::test::RunEventsUntil([](void* d) { return (*static_cast<Done*>(d))(); }, &done, ms);
    }
    // Waits on the window thread without serving anything.
    template <typename Done>
    static bool WaitWithoutServing(Done done) {
        for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return done();
    }

    std::string path_;
    instruments::PtyInstrument consoles_[3];
};
