// Message boxes, popup menus and the choosers, answered by script as every
// modal call in a test is: the answer comes back, the call is recorded
// exactly, and a call nobody scripted (or scripted wrongly) fails the test
// instead of waiting for a click. Then the real calls: their nested loops
// serve the hand-over, and closing them answers as Esc.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/colour_chooser.h"
#include "platform/file_chooser.h"
#include "platform/menu.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/window.h"
#include "support/test_env.h"

namespace {

using namespace plat;

std::vector<std::string> g_failures;
void CaptureFailure(const char* message) { g_failures.emplace_back(message); }
void ReportFailure(const char* message) { ADD_FAILURE() << message; }

constexpr res::MenuItem kItems[] = {
    {u"New &Line", 501}, {u"&New Station", 502}, {u"&Comment", 503}, res::kMenuSeparator,
    {u"Map &Size", 510}, res::kMenuSeparator, {u"&Hide Menu", 509},
};
constexpr res::MenuTable kMenu{500, kItems};

void Script(ModalKind kind, int result, std::u16string text = u"", ColourRef colour = 0) {
    ModalAnswer a;
    a.Kind = kind;
    a.Result = result;
    a.Text = std::move(text);
    a.Colour = colour;
    test::ScriptModal(a);
}

class ModalTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        g_failures.clear();
        test::SetModalFailureHandler(&CaptureFailure);
    }
    void TearDown() override {
        test::SetModalFailureHandler(&ReportFailure);
        test::ClearModalScript();
        OstrimaTest::TearDown();
    }
};

TEST_F(ModalTest, ScriptedButtonIsReturnedAndTheBoxRecordedExactly) {
    struct Case {
        const char16_t* title;
        const char16_t* text;
        MessageButtons buttons;
        MessageIcon icon;
        int scripted;
    };
    const Case cases[] = {
        {u"WARNING", u"Cannot start logging.\r\nPlease increase the map size\r\nby 20-25%.", MessageButtons::Ok,
         MessageIcon::Warning, kIdOk},
        {u"Quick Line", u"New Line: 13.00", MessageButtons::YesNo, MessageIcon::Question, kIdNo},
        {u"FILE ERROR", u"x", MessageButtons::RetryCancel, MessageIcon::Error, kIdRetry},
        {u"STOP", u"y", MessageButtons::YesNoCancel, MessageIcon::Error, kIdCancel},
        {u"INFORMATION", u"z", MessageButtons::OkCancel, MessageIcon::Information, kIdCancel},
    };
    for (const Case& c : cases) Script(ModalKind::MessageBox, c.scripted);
    for (const Case& c : cases) EXPECT_EQ(MessageBox(7, c.text, c.title, c.buttons, c.icon), c.scripted);
    const auto boxes = test::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), std::size(cases));
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i].Title, cases[i].title);
        EXPECT_EQ(boxes[i].Text, cases[i].text);  // CR LF kept as given
        EXPECT_EQ(boxes[i].Buttons, cases[i].buttons);
        EXPECT_EQ(boxes[i].Icon, cases[i].icon);
        EXPECT_EQ(boxes[i].Owner, 7);
        EXPECT_EQ(boxes[i].Result, cases[i].scripted);
    }
    EXPECT_TRUE(g_failures.empty());
}

TEST_F(ModalTest, ScriptedMenusColoursAndChoosersAnswerAsTheOperatorWould) {
    Script(ModalKind::PopupMenu, 502);
    Script(ModalKind::PopupMenu, 0);
    EXPECT_EQ(TrackPopupMenu(3, kMenu, 190, 120), 502);
    EXPECT_EQ(TrackPopupMenu(3, kMenu, 10, 20), 0);
    const auto menus = test::RecordedPopupMenus();
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_EQ(menus[0].MenuId, 500);
    EXPECT_EQ(menus[0].Owner, 3);
    EXPECT_EQ(menus[0].X, 190);
    EXPECT_EQ(menus[0].Y, 120);
    EXPECT_EQ(menus[1].Result, 0);

    Script(ModalKind::Colour, 1, u"", 0x00123456);
    Script(ModalKind::Colour, 0, u"", 0x00FFFFFF);
    ColourRef custom[16] = {};
    ColourRef out = 0;
    EXPECT_EQ(ChooseColour(3, 0x000000FF, custom, true, &out), 1);
    EXPECT_EQ(out, 0x00123456u);
    EXPECT_EQ(ChooseColour(3, 0x000000FF, custom, false, &out), 0);
    EXPECT_EQ(out, 0x000000FFu) << "a cancelled chooser keeps the start colour";

    struct ChooserCase {
        bool save;
        int result;
        std::u16string text;
        size_t capacity;
        const char16_t* expected;  // null: false and the path unchanged
    };
    const ChooserCase choosers[] = {
        {false, 1, u"/data/SURVEY.ASC", 260, u"/data/SURVEY.ASC"},
        {false, 0, u"/data/SURVEY.ASC", 260, nullptr},           // cancelled
        {false, 1, u"/data/SURVEY.ASC", 10, nullptr},            // does not fit: nothing copied
        {true, 1, u"/data/north", 260, u"/data/north.OSD"},      // the default extension
        {true, 1, u"/data/v1.2/north", 260, u"/data/v1.2/north.OSD"},  // a dot in a folder is no extension
        {true, 1, u"/data/north.7", 260, u"/data/north.7"},
        {true, 1, u"/data/north", 15, nullptr},                  // fits only without the extension
    };
    for (const ChooserCase& c : choosers) {
        SCOPED_TRACE(testing::Message() << c.save << " " << c.capacity);
        Script(c.save ? ModalKind::SaveFile : ModalKind::OpenFile, c.result, c.text);
        char16_t path[260] = u"unchanged";
        const bool chosen = c.save ? ChooseSaveFile(3, u"Ostrima Files (*.OSD)", u"*.OSD", nullptr, nullptr, u"OSD",
                                                    path, c.capacity)
                                   : ChooseOpenFile(3, u"ASCII Files (*.ASC,*.TXT,*.DAT,*.XYZ)",
                                                    u"*.TXT;*.ASC;*.DAT;*.XYZ", nullptr, nullptr, nullptr, path,
                                                    c.capacity);
        EXPECT_EQ(chosen, c.expected != nullptr);
        EXPECT_EQ(std::u16string(path), c.expected != nullptr ? c.expected : u"unchanged");
    }
    EXPECT_TRUE(g_failures.empty());
}

// Each call answers as closed and fails the test, naming what it was.
TEST_F(ModalTest, UnscriptedOrWronglyScriptedCallsFailTheTestInsteadOfWaiting) {
    struct Case {
        const char* what;
        void (*script)();
        int (*call)();
        int answer;
        const char* failure;  // a part of the failure message
    };
    const Case cases[] = {
        {"unscripted Yes/No box", [] {},
         [] { return MessageBox(0, u"Exit Logging?", u"Confirm Exit", MessageButtons::YesNo, MessageIcon::Question); },
         kIdNo, "Confirm Exit: Exit Logging?"},
        {"unscripted OK box", [] {},
         [] { return MessageBox(0, u"File not from Ostrima program", u"INFORMATION", MessageButtons::Ok,
                                MessageIcon::Information); },
         kIdOk, "File not from Ostrima program"},
        {"button the box lacks", [] { Script(ModalKind::MessageBox, kIdYes); },
         [] { return MessageBox(0, u"Map Size too small", u"WARNING", MessageButtons::Ok, MessageIcon::Warning); },
         kIdOk, "scripted button 6"},
        {"answer of another kind", [] { Script(ModalKind::PopupMenu, 501); },
         [] { return MessageBox(0, u"t", u"WARNING", MessageButtons::OkCancel, MessageIcon::Warning); }, kIdCancel,
         "next scripted: popup menu"},
        {"unscripted menu", [] { test::ClearModalScript(); }, [] { return TrackPopupMenu(3, kMenu, 0, 0); }, 0,
         "menu 500"},
        {"command outside the menu", [] { Script(ModalKind::PopupMenu, 504); },  // separators carry 0
         [] { return TrackPopupMenu(3, kMenu, 0, 0); }, 0, "504"},
        {"unscripted colour", [] {},
         [] {
             ColourRef out = 0;
             return ChooseColour(0, 0x0000FF, nullptr, false, &out);
         },
         0, "colour"},
        {"unscripted open chooser", [] {},
         [] {
             char16_t path[32] = u"";
             return ChooseOpenFile(0, u"ASCII Files", u"*.ASC", nullptr, u"Load Background", nullptr, path, 32) ? 1 : 0;
         },
         0, "Load Background"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_failures.clear();
        c.script();
        EXPECT_EQ(c.call(), c.answer);
        ASSERT_EQ(g_failures.size(), 1u);
        EXPECT_NE(g_failures[0].find(c.failure), std::string::npos) << g_failures[0];
    }
    EXPECT_EQ(test::RecordedMessageBoxes().size(), 4u) << "failed boxes are recorded all the same";
}

// The fuzz targets' default: unscripted calls close silently, scripted
// answers still come first.
TEST_F(ModalTest, UnscriptedCallsCloseSilentlyWhenAskedTo) {
    test::AnswerUnscriptedModalsByClosing(true);
    Script(ModalKind::MessageBox, kIdYes);
    const auto yesNo = [] {
        return MessageBox(0, u"Exit Logging?", u"Confirm Exit", MessageButtons::YesNo, MessageIcon::Question);
    };
    EXPECT_EQ(yesNo(), kIdYes);
    EXPECT_EQ(yesNo(), kIdNo);
    EXPECT_EQ(MessageBox(0, u"t", u"WARNING", MessageButtons::Ok, MessageIcon::Warning), kIdOk);
    EXPECT_EQ(TrackPopupMenu(3, kMenu, 0, 0), 0);
    test::AnswerUnscriptedModalsByClosing(false);
    EXPECT_TRUE(g_failures.empty());
    EXPECT_EQ(test::RecordedMessageBoxes().size(), 3u);
    EXPECT_EQ(MessageBox(0, u"t", u"WARNING", MessageButtons::Ok, MessageIcon::Warning), kIdOk);
    EXPECT_EQ(g_failures.size(), 1u) << "off again: an unscripted call fails the test";
}

// The real (unscripted) modal calls run nested event loops: a reader
// thread's hand-over is served while the box, menu or chooser is open, and
// closing it as Esc would gives the closing answer.
constexpr LResult kServed = 99;
std::atomic<int> g_dismissed{0};

LResult HandOverProc(Hwnd hwnd, uint32_t message, WParam w, LParam l) {
    if (message == kMsgUser + 7) {
        // The modal window may not be up yet: try again from the loop.
        if (test::DismissActiveModal()) {
            g_dismissed.fetch_add(1);
        } else {
            PostMessage(hwnd, message, 0, 0);
        }
        return kServed;
    }
    return DefaultWindowProc(hwnd, message, w, l);
}

class ModalThreadedTest : public ModalTest {
protected:
    void SetUp() override {
        ModalTest::SetUp();
        test::SetModalFailureHandler(&ReportFailure);
        ASSERT_TRUE(StartApplication());
        WindowClass cls;
        cls.Name = u"HandOverWnd";
        cls.Proc = &HandOverProc;
        RegisterWindowClass(cls);
        window_ = CreateWindow(u"HandOverWnd", u"", kStyleCaption | kStyleVisible, 0, 0, 300, 200, 0, 0);
        ASSERT_NE(window_, 0);
        g_dismissed.store(0);
        test::EnableModalScript(false);
    }
    void TearDown() override {
        test::EnableModalScript(true);
        test::ResetWindows();
        ModalTest::TearDown();
    }
    // Runs `modal` on this (the window) thread while another thread hands over.
    template <typename F>
    int WithHandOver(F modal) {
        std::atomic<LResult> sent{0};
        std::thread reader([&] { sent.store(SendMessage(window_, kMsgUser + 7, 0, 0)); });
        const int result = modal();
        reader.join();
        EXPECT_EQ(sent.load(), kServed);
        EXPECT_EQ(g_dismissed.load(), 1);
        g_dismissed.store(0);
        return result;
    }
    Hwnd window_ = 0;
};

TEST_F(ModalThreadedTest, RealModalCallsServeHandOversAndCloseLikeEsc) {
    EXPECT_EQ(WithHandOver([&] {
                  return MessageBox(window_, u"Exit Logging?", u"Confirm Exit", MessageButtons::YesNo,
                                    MessageIcon::Question);
              }),
              kIdNo);
    EXPECT_EQ(WithHandOver([&] {
                  return MessageBox(window_, u"Map Size too small\r\nPlease select Map Size option", u"WARNING",
                                    MessageButtons::Ok, MessageIcon::Warning);
              }),
              kIdOk);
    EXPECT_EQ(WithHandOver([&] { return TrackPopupMenu(window_, kMenu, 190, 120); }), 0);
    ColourRef custom[16] = {0x00010203};
    ColourRef colour = 0;
    EXPECT_EQ(WithHandOver([&] { return ChooseColour(window_, 0x00FF0000, custom, true, &colour); }), 0);
    EXPECT_EQ(colour, 0x00FF0000u);
    EXPECT_EQ(custom[0], 0x00010203u);  // the custom colours come back as they went in
    char16_t path[260] = u"unchanged";
    EXPECT_EQ(WithHandOver([&] {
                  return ChooseOpenFile(window_, u"ASCII Files (*.ASC,*.TXT,*.DAT,*.XYZ)", u"*.TXT;*.ASC", nullptr,
                                        nullptr, nullptr, path, 260)
                             ? 1
                             : 0;
              }),
              0);
    EXPECT_EQ(std::u16string(path), u"unchanged");
    const auto boxes = test::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].Result, kIdNo);
    EXPECT_EQ(test::RecordedPopupMenus().size(), 1u);
}

}  // namespace
