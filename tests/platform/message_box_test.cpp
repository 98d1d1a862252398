// Message boxes answered by script, as every modal call in a test is: the
// answer comes back, the box is recorded exactly, and a box nobody scripted
// fails the test instead of waiting for a click.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/colour_chooser.h"
#include "platform/menu.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/file_chooser.h"
#include "platform/window.h"
#include "support/test_env.h"

namespace {

std::vector<std::string> g_failures;
void CaptureFailure(const char* message) { g_failures.emplace_back(message); }
void ReportFailure(const char* message) { ADD_FAILURE() << message; }

class MessageBoxTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        g_failures.clear();
    }
    void TearDown() override {
        plat::test::SetModalFailureHandler(&ReportFailure);
        OstrimaTest::TearDown();
    }
    static void Script(int button) {
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::MessageBox;
        a.Result = button;
        plat::test::ScriptModal(a);
    }
};

TEST_F(MessageBoxTest, ScriptedButtonIsReturnedAndTheBoxRecordedExactly) {
    struct Case {
        const char16_t* title;
        const char16_t* text;
        plat::MessageButtons buttons;
        plat::MessageIcon icon;
        int scripted;
    };
    const Case cases[] = {
        {u"WARNING", u"Cannot start logging.\r\nPlease increase the map size\r\nby 20-25%.", plat::MessageButtons::Ok,
         plat::MessageIcon::Warning, plat::kIdOk},
        {u"Quick Line", u"New Line: 13.00", plat::MessageButtons::YesNo, plat::MessageIcon::Question, plat::kIdNo},
        {u"Confirm Exit", u"Exit Logging?", plat::MessageButtons::YesNo, plat::MessageIcon::Question, plat::kIdYes},
        {u"FILE ERROR", u"x", plat::MessageButtons::RetryCancel, plat::MessageIcon::Error, plat::kIdRetry},
        {u"STOP", u"y", plat::MessageButtons::YesNoCancel, plat::MessageIcon::Error, plat::kIdCancel},
        {u"INFORMATION", u"z", plat::MessageButtons::OkCancel, plat::MessageIcon::Information, plat::kIdCancel},
    };
    for (const Case& c : cases) Script(c.scripted);
    for (const Case& c : cases) {
        EXPECT_EQ(plat::MessageBox(7, c.text, c.title, c.buttons, c.icon), c.scripted);
    }
    const auto boxes = plat::test::RecordedMessageBoxes();
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

TEST_F(MessageBoxTest, UnscriptedBoxFailsTheTestAndAnswersAsClosed) {
    plat::test::SetModalFailureHandler(&CaptureFailure);
    EXPECT_EQ(plat::MessageBox(0, u"Exit Logging?", u"Confirm Exit", plat::MessageButtons::YesNo,
                               plat::MessageIcon::Question),
              plat::kIdNo);
    EXPECT_EQ(plat::MessageBox(0, u"File not from Ostrima program", u"INFORMATION", plat::MessageButtons::Ok,
                               plat::MessageIcon::Information),
              plat::kIdOk);
    ASSERT_EQ(g_failures.size(), 2u);
    EXPECT_NE(g_failures[0].find("Confirm Exit"), std::string::npos) << g_failures[0];
    EXPECT_NE(g_failures[1].find("File not from Ostrima program"), std::string::npos) << g_failures[1];
    EXPECT_EQ(plat::test::RecordedMessageBoxes().size(), 2u);
}

TEST_F(MessageBoxTest, ScriptedButtonTheBoxDoesNotOfferFailsTheTest) {
    plat::test::SetModalFailureHandler(&CaptureFailure);
    Script(plat::kIdYes);
    EXPECT_EQ(plat::MessageBox(0, u"Map Size too small", u"WARNING", plat::MessageButtons::Ok,
                               plat::MessageIcon::Warning),
              plat::kIdOk);
    ASSERT_EQ(g_failures.size(), 1u);
    EXPECT_NE(g_failures[0].find("scripted button 6"), std::string::npos) << g_failures[0];
}

TEST_F(MessageBoxTest, AnAnswerOfAnotherKindIsNotTakenByABox) {
    plat::test::SetModalFailureHandler(&CaptureFailure);
    plat::ModalAnswer menu;
    menu.Kind = plat::ModalKind::PopupMenu;
    menu.Result = 501;
    plat::test::ScriptModal(menu);
    EXPECT_EQ(plat::MessageBox(0, u"t", u"WARNING", plat::MessageButtons::OkCancel, plat::MessageIcon::Warning),
              plat::kIdCancel);
    EXPECT_EQ(g_failures.size(), 1u);
    EXPECT_EQ(plat::test::PendingModalAnswers(), 1u);  // still waiting for its menu
    plat::test::ClearModalScript();
}

// The real (unscripted) modal calls run nested event loops: a reader
// thread's hand-over is served while the box, menu or chooser is open, and
// closing it as Esc would gives the closing answer.
constexpr plat::LResult kServed = 99;
std::atomic<int> g_dismissed{0};

plat::LResult HandOverProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == plat::kMsgUser + 7) {
        // The modal window may not be up yet: try again from the loop.
        if (plat::test::DismissActiveModal()) {
            g_dismissed.fetch_add(1);
        } else {
            plat::PostMessage(hwnd, message, 0, 0);
        }
        return kServed;
    }
    return plat::DefaultWindowProc(hwnd, message, w, l);
}

class ModalThreadedTest : public MessageBoxTest {
protected:
    void SetUp() override {
        MessageBoxTest::SetUp();
        ASSERT_TRUE(plat::StartApplication());
        plat::WindowClass cls;
        cls.Name = u"HandOverWnd";
        cls.Proc = &HandOverProc;
        plat::RegisterWindowClass(cls);
        window_ = plat::CreateWindow(u"HandOverWnd", u"", plat::kStyleCaption | plat::kStyleVisible, 0, 0, 300, 200, 0, 0);
        ASSERT_NE(window_, 0);
        g_dismissed.store(0);
        plat::test::EnableModalScript(false);
    }
    void TearDown() override {
        plat::test::EnableModalScript(true);
        plat::test::ResetWindows();
        MessageBoxTest::TearDown();
    }
    // Runs `modal` on this (the window) thread while another thread hands over.
    template <typename F>
    int WithHandOver(F modal) {
        std::atomic<plat::LResult> sent{0};
        std::thread reader([&] { sent.store(plat::SendMessage(window_, plat::kMsgUser + 7, 0, 0)); });
        const int result = modal();
        reader.join();
        EXPECT_EQ(sent.load(), kServed);
        EXPECT_EQ(g_dismissed.load(), 1);
        g_dismissed.store(0);
        return result;
    }
    plat::Hwnd window_ = 0;
};

TEST_F(ModalThreadedTest, RealModalCallsServeHandOversAndCloseLikeEsc) {
    EXPECT_EQ(WithHandOver([&] {
                  return plat::MessageBox(window_, u"Exit Logging?", u"Confirm Exit", plat::MessageButtons::YesNo,
                                          plat::MessageIcon::Question);
              }),
              plat::kIdNo);
    EXPECT_EQ(WithHandOver([&] {
                  return plat::MessageBox(window_, u"Map Size too small\r\nPlease select Map Size option", u"WARNING",
                                          plat::MessageButtons::Ok, plat::MessageIcon::Warning);
              }),
              plat::kIdOk);
    static constexpr res::MenuItem kItems[] = {{u"New &Line", 501}, res::kMenuSeparator, {u"&Hide Menu", 509}};
    EXPECT_EQ(WithHandOver([&] { return plat::TrackPopupMenu(window_, res::MenuTable{500, kItems}, 190, 120); }), 0);
    plat::ColourRef custom[16] = {0x00010203};
    plat::ColourRef colour = 0;
    EXPECT_EQ(WithHandOver([&] { return plat::ChooseColour(window_, 0x00FF0000, custom, true, &colour); }), 0);
    EXPECT_EQ(colour, 0x00FF0000u);
    EXPECT_EQ(custom[0], 0x00010203u);  // the custom colours come back as they went in
    char16_t path[260] = u"unchanged";
    EXPECT_EQ(WithHandOver([&] {
                  return plat::ChooseOpenFile(window_, u"ASCII Files (*.ASC,*.TXT,*.DAT,*.XYZ)", u"*.TXT;*.ASC", nullptr,
                                              nullptr, nullptr, path, 260)
                             ? 1
                             : 0;
              }),
              0);
    EXPECT_EQ(std::u16string(path), u"unchanged");
    const auto boxes = plat::test::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].Result, plat::kIdNo);
    EXPECT_EQ(plat::test::RecordedPopupMenus().size(), 1u);
}

}  // namespace
