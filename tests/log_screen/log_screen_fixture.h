// A logging screen of its own for each test: a plain parent window stands in
// for the main window (1024 x 762 outer), the logging screen is created
// hidden inside it as the program creates it, with a frozen clock so that the
// busy waits of the commands move the clock instead of spending time.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "log_screen/log_layout.h"
#include "log_screen/log_screen.h"
#include "log_screen/log_state.h"
#include "log_screen/supervision.h"
#include "platform/controls.h"
#include "platform/keys.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/text.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "support/test_env.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

class LogScreenTest : public OstrimaTest {
protected:
    static constexpr uint32_t kStartTick = 5000000;

    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::StartApplication());
        plat::test::ResetWindows();
        plat::test::FreezeTick(kStartTick);
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

    static void Key(uint32_t code) { plat::SendMessage(Screen(), plat::kMsgKeyDown, code, 0); }
    static void Command(int id) {
        plat::SendMessage(Screen(), plat::kMsgCommand, plat::MakeWParam(static_cast<uint16_t>(id), 0), 0);
    }

    static void AnswerBox(int button) {
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::MessageBox;
        a.Result = button;
        plat::test::ScriptModal(a);
    }
    static void ChooseFile(const std::string& path) {
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::SaveFile;
        a.Result = 1;
        a.Text = plat::Utf8ToUtf16(path);
        plat::test::ScriptModal(a);
    }
    static void CancelChooser() {
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::SaveFile;
        a.Result = 0;
        plat::test::ScriptModal(a);
    }
    static void AnswerMenu(int item) {
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::PopupMenu;
        a.Result = item;
        plat::test::ScriptModal(a);
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

    std::string path_;
};
