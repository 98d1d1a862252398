// The main window: where it goes on each screen, what its creation makes,
// the start screen's keys and buttons, and the program's exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "log_screen/log_layout.h"
#include "platform/dc.h"
#include "platform/dialog.h"
#include "platform/keys.h"
#include "platform/text.h"
#include "shell/shell_fixture.h"

namespace {

// ---------------------------------------------------------------------------
// Size and place

using MainWindowPlace = ShellTest;

TEST_F(MainWindowPlace, FollowsTheScreenSize) {
    struct Case {
        int32_t ScreenWidth, ScreenHeight;
        int32_t X, Y, Width, Height;
    };
    const Case cases[] = {
        {1920, 1080, 448, 121, 1024, 762},  // too large: 1024 x 762, centred 38 pixels above the middle
        {1280, 800, 0, 0, 1280, 762},       // exactly 1280 wide keeps its width; y -19 becomes 0
        {1281, 800, 128, 0, 1024, 762},     // one pixel wider: 1024 x 762
        {1024, 768, 0, 0, 1024, 730},       // fits: the screen less 38 pixels
        {1280, 801, 128, 0, 1024, 762},     // 763 high: too tall
        {800, 600, 0, 0, 800, 562},
        {799, 600, 0, 0, 800, 562},         // narrower than 800: 800 x 562 at the corner
        {640, 480, 0, 0, 800, 562},
        {1024, 599, 112, 0, 800, 562},      // lower than 562
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ScreenWidth << " x " << c.ScreenHeight);
        PlaceMainWindow(c.ScreenWidth, c.ScreenHeight);
        EXPECT_EQ(ScreenLayout.MainWindowX, c.X);
        EXPECT_EQ(ScreenLayout.MainWindowY, c.Y);
        EXPECT_EQ(ScreenLayout.MainWindowWidth, c.Width);
        EXPECT_EQ(ScreenLayout.MainWindowHeight, c.Height);
        EXPECT_EQ(ScreenLayout.ButtonBlockTop, c.Height - 22);
    }
    // The window is made there, with a fixed frame: caption, system menu, no sizing, no maximise box.
    const plat::Hwnd main = OpenMainWindow(1920, 1080);
    ASSERT_NE(main, 0);
    EXPECT_EQ(ScreenWindows.MainWindow, main);
    plat::Rect r, client;
    ASSERT_TRUE(plat::GetWindowRect(main, &r));
    EXPECT_EQ(r.Left, 448);
    EXPECT_EQ(r.Top, 121);
    EXPECT_EQ(r.Right - r.Left, 1024);
    EXPECT_EQ(r.Bottom - r.Top, 762);
    EXPECT_EQ(plat::GetWindowStyle(main) & (plat::kStyleCaption | plat::kStyleSysMenu | plat::kStyleThickFrame |
                                            plat::kStyleMaximizeBox | plat::kStyleVisible),
              plat::kStyleCaption | plat::kStyleSysMenu | plat::kStyleVisible);
    char16_t title[16];
    plat::GetWindowText(main, title, 16);
    EXPECT_EQ(std::u16string(title), u"Ostrima");
    plat::GetClientRect(main, &client);
    EXPECT_EQ(ScreenLayout.ClientWidth, client.Right);
    EXPECT_EQ(ScreenLayout.ClientHeight, client.Bottom);
}

// ---------------------------------------------------------------------------
// Creation

using MainWindowCreation = ShellTest;

TEST_F(MainWindowCreation, NineStartButtonsDownTheRightSideNeverLowerThan36) {
    const char16_t* texts[kStartButtonCount] = {u"&Logging",       u"&Survey Setup",     u"Sys&tem Setup",
                                                u"&Array Geometry", u"&GPS Port Setup",   u"GPS M&onitoring",
                                                u"&Map Options",    u"&Profiles Options", u"E&xit"};
    struct Screen {
        int32_t Width, Height, ButtonHeight;
    };
    // Client 1018 x 733: (733 - 254) / 9 = 53; client 794 x 533: (533 - 254) / 9 = 31, so 36.
    for (const Screen s : {Screen{1920, 1080, 53}, Screen{640, 480, 36}}) {
        SCOPED_TRACE(s.Width);
        plat::test::ResetWindows();
        const plat::Hwnd main = OpenMainWindow(s.Width, s.Height);
        ASSERT_NE(main, 0);
        for (int i = 0; i < kStartButtonCount; ++i) {
            SCOPED_TRACE(i);
            const plat::Hwnd b = ScreenButtons.StartButtons[static_cast<size_t>(i)];
            ASSERT_NE(b, 0);
            EXPECT_EQ(plat::GetParent(b), main);
            EXPECT_EQ(plat::GetControlId(b), 420 + i);
            char16_t text[32];
            plat::GetWindowText(b, text, 32);
            EXPECT_EQ(std::u16string(text), texts[i]);
            const plat::Rect r = ChildRect(b);
            EXPECT_EQ(r.Left, ScreenLayout.ClientWidth - 200);
            EXPECT_EQ(r.Top, 30 + i * (s.ButtonHeight + 3));
            EXPECT_EQ(r.Right - r.Left, 170);
            EXPECT_EQ(r.Bottom - r.Top, s.ButtonHeight);
            EXPECT_TRUE(plat::IsWindowVisible(b));
            EXPECT_NE(plat::GetWindowStyle(b) & plat::kStyleTabStop, 0u);
        }
        EXPECT_EQ(HighlightedButton(), 0) << "\"&Logging\" is the default button";
        EXPECT_EQ(ScreenButtons.StartButtonIndex, 0);
    }
}

TEST_F(MainWindowCreation, HiddenLoggingScreenAndGpsMonitorAndWhatThePaintersNeed) {
    const std::filesystem::path brevant = root_ + "/cache/Brevant";
    std::filesystem::create_directories(brevant);
    const plat::Hwnd main = OpenMainWindow(1920, 1080);
    ASSERT_NE(main, 0);
    struct Child {
        plat::Hwnd Window;
        int32_t Id, X, Y, Width, Height;
    };
    for (const Child& c : {Child{ScreenWindows.LogScreenWindow, kLogScreenId, 0, 0, 1024, 762},
                           Child{ScreenWindows.MonitorGpsWindow, 780, 2, 2, 1020, 758}}) {
        SCOPED_TRACE(c.Id);
        ASSERT_TRUE(plat::IsWindow(c.Window));
        EXPECT_EQ(plat::GetParent(c.Window), main);
        EXPECT_EQ(plat::GetControlId(c.Window), c.Id);
        EXPECT_FALSE(plat::IsWindowVisible(c.Window));
        const plat::Rect r = ChildRect(c.Window);
        EXPECT_EQ(r.Left, c.X);
        EXPECT_EQ(r.Top, c.Y);
        EXPECT_EQ(r.Right - r.Left, c.Width);
        EXPECT_EQ(r.Bottom - r.Top, c.Height);
    }
    EXPECT_NE(ScreenButtons.MonitoringButtons[0], 0) << "the logging screen built its children";
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_EQ(LogScreenState.MapShown, 1) << "GPS input is on by default";
    EXPECT_GT(ScreenLayout.TextHeight, 0);
    EXPECT_EQ(ScreenLayout.LineHeight, ScreenLayout.TextHeight + 2);
    for (plat::Hfont f : {GdiObjects.HeadingFont, GdiObjects.TitleFont, GdiObjects.TextFont, GdiObjects.BoldFont}) {
        EXPECT_NE(f, 0u);
    }
    EXPECT_NE(GdiObjects.PanelBrush, 0u);
    EXPECT_NE(ColourScale.ColourPens[49], 0u);
    EXPECT_NE(GdiObjects.ProfilePens[1], 0u);
    EXPECT_EQ(DataFileState.ConsoleRecordTag[0], 0x54);
    EXPECT_EQ(DataFileState.ConsoleRecordTag[8], 0x3C);
    EXPECT_TRUE(std::filesystem::is_directory(brevant / "Temp")) << "the temporary folder is made";
    EXPECT_EQ(plat::Utf16ToUtf8(ScreenWindows.StartDirectory), root_ + "/");
    EXPECT_EQ(plat::GetFocus(), main) << "the start screen takes the keys";
}

// A child that cannot be made ends the creation at once: no window, no
// handle, nothing made after it.
// A settings file of another version at start: kept under another name and
// told once, although the main window and the logging screen both load it.
TEST_F(MainWindowCreation, SettingsFileNotUnderstoodIsToldOnceWithItsNewName) {
    const std::string path = root_ + "/config/Brevant/Ostrima/OSTRMAWIN.INI";
    WriteWholeFile(path, "2.15\r\n7\r\n");
    AnswerBox(plat::kIdOk);
    ASSERT_NE(OpenMainWindow(), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"The settings file could not be understood. It is kept as\r\n" +
                                                      plat::Utf8ToUtf16(path + ".1") +
                                                      u"\r\nDefault settings are used."});
    EXPECT_EQ(ReadWholeFile(path + ".1"), "2.15\r\n7\r\n");
    EXPECT_EQ(ReadWholeFile(path).substr(0, 9), "2.16\r\nC:\\");
}

TEST_F(MainWindowCreation, AChildThatCannotBeMadeFailsTheWholeCreation) {
    for (const char16_t* missing : {u"MapWnd", u"MonitorGPSWnd"}) {
        SCOPED_TRACE(plat::Utf16ToUtf8(missing));
        plat::test::ResetWindows();
        ResetSurveyModel();
        plat::test::SetScreenSize(1920, 1080);
        ASSERT_EQ(RegisterWindowClasses(), 0);
        ASSERT_TRUE(plat::UnregisterWindowClass(missing));
        EXPECT_EQ(CreateMainWindow(plat::kShowNormal), 0);
        EXPECT_EQ(plat::test::LiveWindowCount(), 0);
        EXPECT_EQ(ScreenWindows.MainWindow, 0);
        EXPECT_EQ(ScreenWindows.LogScreenWindow, 0);
        EXPECT_EQ(ScreenWindows.MonitorGpsWindow, 0);
        EXPECT_EQ(ScreenButtons.StartButtons[0], 0);
        EXPECT_EQ(GdiObjects.GridPen, 0u) << "nothing after the failed child is made";
    }
}

// ---------------------------------------------------------------------------
// Keys and buttons

class StartScreenKeys : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        main_ = OpenMainWindow();
        ASSERT_NE(main_, 0);
        plat::test::ProcessEvents();
        GpsPortSetup.InputMode = 0;
    }
    void Key(plat::WParam code) { plat::SendMessage(main_, plat::kMsgKeyDown, code, 0); }
    bool Invalidated() const { return plat::GetUpdateRect(main_, nullptr); }
    void Repaint() const { plat::UpdateWindow(main_); }

    plat::Hwnd main_ = 0;
};

TEST_F(StartScreenKeys, TabAndArrowsMoveTheHighlightAndWrap) {
    struct Step {
        plat::WParam Code;
        int Highlight;
    };
    const Step steps[] = {
        {plat::kKeyLeft, 8},   // from "&Logging" back to "E&xit"
        {plat::kKeyTab, 0},    // after "E&xit" comes "&Logging"
        {plat::kKeyUp, 8},     {plat::kKeyUp, 7},   {plat::kKeyDown, 8}, {plat::kKeyRight, 0},
        {plat::kKeyTab, 1},    {plat::kKeyRight, 2}, {plat::kKeyDown, 3}, {plat::kKeyLeft, 2},
    };
    for (const Step& s : steps) {
        Key(s.Code);
        EXPECT_EQ(HighlightedButton(), s.Highlight) << "key " << s.Code;
        EXPECT_EQ(ScreenButtons.StartButtonIndex, s.Highlight);
    }
    EXPECT_FALSE(Invalidated()) << "moving the highlight runs nothing";
    EXPECT_TRUE(plat::test::RecordedMessageBoxes().empty());

    // Real key presses reach the start screen; Tab never moves the focus to a button.
    ASSERT_EQ(plat::GetFocus(), main_);
    for (int i = 0; i < 9; ++i) ASSERT_TRUE(plat::test::InjectKey(main_, plat::kKeyTab));
    EXPECT_EQ(HighlightedButton(), 2) << "nine Tabs go round once";
    EXPECT_EQ(plat::GetFocus(), main_);
}

// What each letter runs, upper and lower case alike; the highlight stays.
TEST_F(StartScreenKeys, LettersRunTheirButtonWithoutMovingTheHighlight) {
    struct LetterCase {
        char Letter;
        bool Invalidates;    // a setup dialog ran and the summary is redrawn
        const char16_t* Box; // the message box shown, or null
        const char* Dialog;  // the dialog opened (answered with Cancel), or null
    };
    const LetterCase cases[] = {
        {'S', true, nullptr, "SURVEYSETUP"}, {'T', true, nullptr, "SYSTEM"}, {'A', true, nullptr, "ARRAYGEOMETRY"},
        {'G', true, nullptr, "GPSINPUT"},    {'P', true, nullptr, "DISPLAYSETUP"},
        {'M', true, u"Option avaiable only when GPS is enabled", nullptr},
        {'Q', false, nullptr, nullptr},      {'Z', false, nullptr, nullptr},
    };
    Key(plat::kKeyDown);  // the highlight on "&Survey Setup"
    for (const LetterCase& c : cases) {
        for (const plat::WParam code : {static_cast<plat::WParam>(c.Letter), static_cast<plat::WParam>(c.Letter + 32)}) {
            SCOPED_TRACE(testing::Message() << "code " << code);
            plat::test::ClearRecordedMessageBoxes();
            if (c.Box != nullptr) AnswerBox(plat::kIdOk);
            plat::test::ClearRecordedDialogs();
            if (c.Dialog != nullptr) {
                plat::ModalAnswer cancel;
                cancel.Kind = plat::ModalKind::Dialog;
                cancel.Result = plat::kIdCancel;
                plat::test::ScriptModal(cancel);
            }
            Key(code);
            const auto dialogs = plat::test::RecordedDialogs();
            ASSERT_EQ(dialogs.size(), c.Dialog != nullptr ? 1u : 0u);
            if (c.Dialog != nullptr) {
                EXPECT_EQ(dialogs[0].Name, c.Dialog);
            }
            EXPECT_EQ(Invalidated(), c.Invalidates);
            if (c.Box != nullptr) {
                ASSERT_EQ(plat::test::RecordedMessageBoxes().size(), 1u);
                const auto box = plat::test::RecordedMessageBoxes()[0];
                EXPECT_EQ(box.Text, c.Box);
                EXPECT_EQ(box.Title, u"INFORMATION");
                EXPECT_EQ(box.Buttons, plat::MessageButtons::Ok);
                EXPECT_EQ(box.Owner, main_);
            } else {
                EXPECT_TRUE(plat::test::RecordedMessageBoxes().empty());
            }
            EXPECT_EQ(HighlightedButton(), 1);
            EXPECT_EQ(plat::GetFocus(), main_);
            Repaint();
        }
    }
}

TEST_F(StartScreenKeys, LStartsLoggingAndEnterOrAClickPressesAButton) {
    SystemSetup.ConsoleCount = 2;
    SystemSetup.ConsolePort[0] = 5;
    SystemSetup.ConsolePort[1] = 5;  // a conflict: the start stops before any port
    AnswerBox(plat::kIdOk);
    Key('l');
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Com6 Assigned to Instrument 1 and Instrument 2"});
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_EQ(HighlightedButton(), 0);

    for (int i = 0; i < 6; ++i) Key(plat::kKeyTab);
    AnswerBox(plat::kIdOk);
    Key(plat::kKeyReturn);  // "&Map Options" without GPS input
    AnswerBox(plat::kIdOk);
    ASSERT_TRUE(plat::test::ClickControl(ScreenButtons.StartButtons[kStartMapOptions]));
    EXPECT_EQ(plat::test::RecordedMessageBoxes().size(), 3u);
    EXPECT_EQ(BoxTexts()[1], u"Option avaiable only when GPS is enabled");
    EXPECT_EQ(BoxTexts()[2], u"Option avaiable only when GPS is enabled");
    EXPECT_EQ(HighlightedButton(), 6);
    EXPECT_EQ(plat::GetFocus(), main_) << "a click leaves the keys with the start screen";
}

// "E&xit" by letter, by Enter on its highlight or by a click, Alt+F4 and the
// close box all destroy the main window, and the loop ends with code 0.
TEST_F(StartScreenKeys, EveryWayOutEndsTheLoopWithCode0) {
    struct Way {
        const char* What;
        void (*Do)(plat::Hwnd main);
    };
    const Way ways[] = {
        {"x typed", [](plat::Hwnd m) { plat::test::InjectKey(m, 'X'); }},
        {"Enter on E&xit",
         [](plat::Hwnd m) {
             plat::SendMessage(m, plat::kMsgKeyDown, plat::kKeyLeft, 0);
             plat::SendMessage(m, plat::kMsgKeyDown, plat::kKeyReturn, 0);
         }},
        {"click on E&xit", [](plat::Hwnd) { plat::test::ClickControl(ScreenButtons.StartButtons[kStartExit]); }},
        {"Alt+F4", [](plat::Hwnd m) { plat::test::InjectKey(m, plat::kKeyF1 + 3, false, false, true); }},
        {"close box", [](plat::Hwnd m) { plat::PostMessage(m, plat::kMsgClose, 0, 0); }},
    };
    for (const Way& w : ways) {
        SCOPED_TRACE(w.What);
        plat::test::ResetWindows();
        const plat::Hwnd main = OpenMainWindow();
        ASSERT_NE(main, 0);
        w.Do(main);
        EXPECT_EQ(plat::RunMessageLoop(), 0);
        EXPECT_FALSE(plat::IsWindow(main));
    }
}

// While another screen covers the start screen, its keys and buttons only
// hand the keyboard back to that screen, and a repaint underneath keeps it there.
TEST_F(StartScreenKeys, KeysOnlyMoveTheFocusWhileAnotherScreenIsShown) {
    const struct {
        plat::Hwnd Screen;
        int Mode;
    } screens[] = {{ScreenWindows.LogScreenWindow, 1}, {ScreenWindows.MonitorGpsWindow, 2}};
    for (const auto& s : screens) {
        SCOPED_TRACE(s.Mode);
        plat::ShowWindow(s.Screen, plat::kShow);
        ScreenWindows.ScreenMode = s.Mode;
        Repaint();
        for (const plat::WParam code : {plat::WParam{'X'}, plat::WParam{'M'}, plat::WParam{plat::kKeyReturn},
                                        plat::WParam{plat::kKeyTab}, plat::WParam{428}, plat::WParam{426}}) {
            plat::SetFocus(main_);
            const uint32_t message = code >= 420 ? plat::kMsgCommand : plat::kMsgKeyDown;
            plat::SendMessage(main_, message, code, 0);
            EXPECT_EQ(plat::GetFocus(), s.Screen) << code;
        }
        EXPECT_TRUE(plat::IsWindow(main_));
        EXPECT_TRUE(plat::test::RecordedMessageBoxes().empty());
        EXPECT_EQ(HighlightedButton(), 0);
        EXPECT_FALSE(Invalidated());
        plat::InvalidateRect(main_, nullptr, true);
        Repaint();
        EXPECT_EQ(plat::GetFocus(), s.Screen) << "a paint underneath leaves it the focus";
        plat::ShowWindow(s.Screen, plat::kShowHide);
    }
}

// ---------------------------------------------------------------------------
// Exit codes

using ProgramExitCodes = ShellTest;

plat::LResult DeclineCreation(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == plat::kMsgCreate) return -1;
    return plat::DefaultWindowProc(hwnd, message, w, l);
}

TEST_F(ProgramExitCodes, AClassThatCannotBeRegisteredEndsWith2AndAMainWindowThatCannotBeMadeWith16) {
    for (const char16_t* taken : {u"ScreenLogWnd", u"CurveWnd", u"ColorBarWnd", u"MonitorGPSWnd"}) {
        SCOPED_TRACE(plat::Utf16ToUtf8(taken));
        plat::test::ResetWindows();
        plat::WindowClass cls;
        cls.Name = taken;
        cls.Proc = plat::DefaultWindowProc;
        ASSERT_TRUE(plat::RegisterWindowClass(cls));
        EXPECT_EQ(RunOstrima(), 2);
        EXPECT_EQ(plat::test::LiveWindowCount(), 0) << "no window is shown";
    }
    plat::test::ResetWindows();
    plat::WindowClass cls;
    cls.Name = u"OSTRIMA-MAIN";
    cls.Proc = DeclineCreation;
    ASSERT_TRUE(plat::RegisterWindowClass(cls));
    EXPECT_EQ(RunOstrima(), 16);
    EXPECT_EQ(plat::test::LiveWindowCount(), 0);
}

}  // namespace
