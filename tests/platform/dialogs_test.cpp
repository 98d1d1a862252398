// Template dialogs: built for real (offscreen), initialised before the script
// acts, driven through their controls and commands, ended only by their
// procedure.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/dialog.h"
#include "platform/keys.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/process_end.h"
#include "platform/window.h"
#include "resources/dialog_template.h"
#include "support/test_env.h"

namespace {

using namespace plat;

std::vector<std::string> g_failures;
void CaptureFailure(const char* message) { g_failures.emplace_back(message); }
void ReportFailure(const char* message) { ADD_FAILURE() << message; }

constexpr int32_t kEditId = 1113;
constexpr int32_t kComboId = 1115;
constexpr int32_t kCheckId = 1001;
constexpr int32_t kPreviewId = 1220;
constexpr LParam kPlaceOnOwner = 7;  // init places the dialog as the setup dialogs do

constexpr res::DialogControl kControls[] = {
    {u"STATIC", u"Line:", res::kNoControlId, 7, 9, 40, 8, kStaticLeft},
    {u"EDIT", u"", kEditId, 50, 7, 60, 12, kStyleTabStop | kStyleBorder | kEditAutoHScroll},
    {u"COMBOBOX", u"", kComboId, 50, 24, 60, 60, kComboDropDownList | kStyleTabStop},
    {u"BUTTON", u"Visible", kCheckId, 7, 40, 50, 10, kButtonAutoCheckBox | kStyleTabStop},
    {u"BUTTON", u"OK", 1, 20, 60, 50, 14, kButtonDefaultPush | kStyleTabStop},
    {u"BUTTON", u"Cancel", 2, 80, 60, 50, 14, kButtonPush | kStyleTabStop},
    {u"BUTTON", u"", kPreviewId, 115, 5, 20, 20, kButtonOwnerDraw},
};
constexpr res::DialogTemplate kTestDialog{
    "TESTDIALOG", u"Test Setup", 20, 10, 140, 80, u"MS Sans Serif", 8, res::kDialogCloseBox, kControls};

// What the procedure saw, in order.
std::vector<std::string> g_log;
std::u16string g_readOnOk;
int32_t g_comboOnOk = -2;
std::atomic<Hwnd> g_liveDialog{0};

LResult TestDialogProc(Hwnd dialog, uint32_t message, WParam w, LParam l) {
    switch (message) {
        case kMsgInitDialog: {
            g_log.push_back("init lParam=" + std::to_string(l) +
                            (static_cast<Hwnd>(w) == GetDialogItem(dialog, kEditId) ? " focus=edit" : " focus=?"));
            const Hwnd combo = GetDialogItem(dialog, kComboId);
            ComboAddString(combo, u"Alternate");
            ComboAddString(combo, u"One Way");
            ComboSetSelection(combo, 1);
            SetDialogItemText(dialog, kEditId, u"10");
            g_liveDialog.store(dialog);
            if (l == kPlaceOnOwner) {
                Rect owner, self;
                GetWindowRect(GetParent(dialog), &owner);
                GetWindowRect(dialog, &self);
                const int32_t w = self.Right - self.Left, h = self.Bottom - self.Top;
                SetWindowPosition(dialog, owner.Left + (owner.Right - owner.Left - w) / 2,
                                  owner.Top + (owner.Bottom - owner.Top - h) / 7);
            }
            return 1;
        }
        case kMsgDrawItem: {  // the owner-drawn preview is red
            const auto* item = reinterpret_cast<const DrawItemInfo*>(l);
            const Hbrush red = CreateSolidBrush(0x000000FF);
            FillRect(item->Dc, item->Item, red);
            DeleteObject(red);
            return 1;
        }
        case kMsgCommand: {
            const int id = LowWord(w);
            g_log.push_back("command " + std::to_string(id) + " code " + std::to_string(HighWord(w)));
            if (id == kIdOk) {
                char16_t text[32] = {};
                GetDialogItemText(dialog, kEditId, text, 32);
                g_readOnOk = text;
                g_comboOnOk = ComboGetSelection(GetDialogItem(dialog, kComboId));
                EndDialog(dialog, 1);
            } else if (id == kIdCancel) {
                EndDialog(dialog, 0);
            }
            return 1;
        }
        case kMsgKeyDown:
            g_log.push_back("key " + std::to_string(w));
            if (w == 'C') EndDialog(dialog, 0);  // "C" cancels while the dialog has the focus
            return 1;
        case kMsgUser + 5:
            EndDialog(dialog, 77);
            return 1234;
        default:
            return 0;
    }
}

LResult OwnerProc(Hwnd hwnd, uint32_t message, WParam w, LParam l) { return DefaultWindowProc(hwnd, message, w, l); }

class DialogTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(StartApplication());
        WindowClass cls;
        cls.Name = u"DialogOwnerWnd";
        cls.Proc = &OwnerProc;
        RegisterWindowClass(cls);
        owner_ = CreateWindow(u"DialogOwnerWnd", u"Owner", kStyleCaption | kStyleSysMenu | kStyleVisible, 100, 50,
                              600, 400, 0, 0);
        ASSERT_NE(owner_, 0);
        g_log.clear();
        g_failures.clear();
        g_readOnOk.clear();
        g_comboOnOk = -2;
        g_liveDialog.store(0);
    }
    void TearDown() override {
        test::SetModalFailureHandler(&ReportFailure);
        test::ResetWindows();
        OstrimaTest::TearDown();
    }
    static void Script(int result, std::function<int(int)> act = nullptr) {
        ModalAnswer a;
        a.Kind = ModalKind::Dialog;
        a.Result = result;
        a.Act = std::move(act);
        test::ScriptModal(a);
    }
    Hwnd owner_ = 0;
};

TEST_F(DialogTest, DialogUnitsConvertAtSixByThirteenForEightPoints) {
    struct Case {
        int32_t units, points, x, y;
    };
    const Case cases[] = {
        {4, 8, 6, 7},      // 4 x 1.5 = 6;  4 x 1.625 = 6.5 -> 7
        {8, 8, 12, 13},    // one base unit each way
        {1, 8, 2, 2},      // 1.5 -> 2; 1.625 -> 2
        {3, 8, 5, 5},      // 4.5 -> 5; 4.875 -> 5
        {140, 8, 210, 228},
        {0, 8, 0, 0},
        {8, 10, 16, 16},   // 10 points: base 8 x 16
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DialogUnitsToPixelsX(c.units, c.points), c.x) << c.units << " units at " << c.points;
        EXPECT_EQ(DialogUnitsToPixelsY(c.units, c.points), c.y) << c.units << " units at " << c.points;
    }
}

TEST_F(DialogTest, DialogAndControlsStandWhereTheDialogUnitsPutThem) {
    Rect dialogRect;
    std::vector<std::pair<int32_t, Rect>> controls;
    Point clientOrigin;
    Script(-1, [&](int d) {
        GetWindowRect(d, &dialogRect);
        ClientToScreen(d, &clientOrigin);
        for (int32_t id : {kEditId, kComboId, 1}) {
            Rect r;
            GetWindowRect(GetDialogItem(d, id), &r);
            controls.emplace_back(id, r);
        }
        return 0;
    });
    EXPECT_EQ(RunDialog(owner_, kTestDialog, &TestDialogProc, 0), 0);
    Point ownerOrigin;
    ClientToScreen(owner_, &ownerOrigin);
    // At (20, 10) units from the owner's client corner; client 140 x 80 units plus the frame.
    EXPECT_EQ(dialogRect.Left, ownerOrigin.X + 30);
    EXPECT_EQ(dialogRect.Top, ownerOrigin.Y + 16);
    EXPECT_EQ(dialogRect.Right - dialogRect.Left, 210 + 2 * kFrameWidth);
    EXPECT_EQ(dialogRect.Bottom - dialogRect.Top, 130 + 2 * kFrameWidth + kCaptionHeight);
    struct Expected {
        int32_t id, x, y, w, h;
    };
    const Expected expected[] = {
        {kEditId, 75, 11, 90, 20},   // (50, 7) 60 x 12
        {kComboId, 75, 39, 90, 21},  // (50, 24) 60 x 60: closed, one line high
        {1, 30, 98, 75, 23},         // (20, 60) 50 x 14
    };
    ASSERT_EQ(controls.size(), std::size(expected));
    for (size_t i = 0; i < controls.size(); ++i) {
        const Rect& r = controls[i].second;
        SCOPED_TRACE(expected[i].id);
        EXPECT_EQ(r.Left - clientOrigin.X, expected[i].x);
        EXPECT_EQ(r.Top - clientOrigin.Y, expected[i].y);
        EXPECT_EQ(r.Right - r.Left, expected[i].w);
        EXPECT_EQ(r.Bottom - r.Top, expected[i].h);
    }
}

TEST_F(DialogTest, InitRunsFirstAndTheComboKeepsItsSelectionWithoutNotifying) {
    Script(-1, [](int d) {
        g_log.push_back("act");
        EXPECT_STREQ(DialogTemplateName(d), "TESTDIALOG");
        char16_t caption[32] = {};
        GetWindowText(d, caption, 32);
        EXPECT_EQ(std::u16string(caption), u"Test Setup");
        EXPECT_EQ(GetFocus(), GetDialogItem(d, kEditId));
        SendMessage(d, kMsgCommand, kIdOk, 0);
        return -1;
    });
    EXPECT_EQ(RunDialog(owner_, kTestDialog, &TestDialogProc, 1234), 1);
    // Setting the edit's text in init notifies as on the desktop; filling and
    // selecting the combo does not.
    const std::vector<std::string> expected = {"init lParam=1234 focus=edit", "command 1113 code 768", "act",
                                               "command 1 code 0"};
    EXPECT_EQ(g_log, expected);
    EXPECT_EQ(g_comboOnOk, 1);
    EXPECT_EQ(g_readOnOk, u"10");
}

// What the operator does in the dialog and what the procedure makes of it:
// the close box, Esc and Enter become commands; typed letters stay in their
// control; only keys on the dialog itself reach the procedure.
TEST_F(DialogTest, OperatorActionsBecomeCommandsOrStayInTheirControl) {
    struct Case {
        const char* what;
        void (*act)(Hwnd dialog);
        int result;
        const char* lastLog;
        const char16_t* readOnOk;
    };
    const Case cases[] = {
        {"typed, chosen, OK clicked",
         [](Hwnd d) {
             test::TypeIntoEdit(GetDialogItem(d, kEditId), u"L-17");
             test::ChooseComboItem(GetDialogItem(d, kComboId), 0);
             test::ClickControl(GetDialogItem(d, kIdOk));
         },
         1, "command 1 code 0", u"L-17"},
        {"close box", [](Hwnd d) { SendMessage(d, kMsgClose, 0, 0); }, 0, "command 2 code 0", u""},
        {"Esc on the dialog",
         [](Hwnd d) {
             SetFocus(d);
             test::InjectKey(d, kKeyEscape);
         },
         0, "command 2 code 0", u""},
        {"Esc in the edit", [](Hwnd d) { test::InjectKey(GetDialogItem(d, kEditId), kKeyEscape); }, 0,
         "command 2 code 0", u""},
        {"Enter in the edit", [](Hwnd d) { test::InjectKey(GetDialogItem(d, kEditId), kKeyReturn); }, 1,
         "command 1 code 0", u"10"},
        {"C on the dialog",
         [](Hwnd d) {
             SetFocus(d);
             test::InjectKey(d, 'C');
         },
         0, "key 67", u""},
        {"letters in the edit and the list",
         [](Hwnd d) {
             const Hwnd edit = GetDialogItem(d, kEditId);
             SetFocus(edit);
             test::InjectChar(edit, u'c');
             test::InjectKey(edit, 'C', true);
             char16_t text[16] = {};
             GetWindowText(edit, text, 16);
             EXPECT_EQ(std::u16string(text), u"10cC");
             SetFocus(GetDialogItem(d, kComboId));
             test::InjectKey(GetDialogItem(d, kComboId), 'C');
         },
         55, "command 1113 code 768", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_log.clear();
        g_readOnOk.clear();
        static void (*act)(Hwnd);
        act = c.act;
        Script(55, [](int d) {
            act(d);
            return -1;
        });
        EXPECT_EQ(RunDialog(owner_, kTestDialog, &TestDialogProc, 0), c.result);
        ASSERT_FALSE(g_log.empty());
        EXPECT_EQ(g_log.back(), c.lastLog);
        EXPECT_EQ(g_readOnOk, c.readOnOk);
        const bool keyLogged =
            std::any_of(g_log.begin(), g_log.end(), [](const std::string& l) { return l.rfind("key", 0) == 0; });
        EXPECT_EQ(keyLogged, std::string(c.lastLog).rfind("key", 0) == 0);
    }
    EXPECT_EQ(g_comboOnOk, 1) << "Enter read the combo as init left it";
}

TEST_F(DialogTest, EndCodeComesFromTheProcedureThenActThenTheAnswer) {
    struct Case {
        const char* what;
        bool sendOk;     // Act presses OK (the procedure ends with 1)
        int actReturn;
        int answer;
        int expected;
    };
    const Case cases[] = {
        {"procedure ended it", true, 9, 3, 1},
        {"Act's result", false, 5, 3, 5},
        {"Act declines: the answer", false, -1, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Script(c.answer, [c](int d) {
            if (c.sendOk) SendMessage(d, kMsgCommand, kIdOk, 0);
            return c.actReturn;
        });
        EXPECT_EQ(RunDialog(owner_, kTestDialog, &TestDialogProc, 0), c.expected);
    }
    Script(4);  // no Act at all
    EXPECT_EQ(RunDialog(owner_, kTestDialog, &TestDialogProc, 0), 4);
    const auto runs = test::RecordedDialogs();
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].Name, "TESTDIALOG");
    EXPECT_EQ(runs[0].Owner, owner_);
    EXPECT_EQ(runs[1].Result, 5);
    EXPECT_EQ(runs[3].Result, 4);
}

LResult EndAtInitProc(Hwnd dialog, uint32_t message, WParam, LParam) {
    if (message == kMsgInitDialog) EndDialog(dialog, 8);
    return message == kMsgInitDialog ? 1 : 0;
}

// The dialog is an owned window that is gone after the run; one ended in its
// init takes no answer; one nobody scripted fails the test, built all the same.
TEST_F(DialogTest, TheRunLeavesNothingBehindAndNeedsItsScript) {
    Hwnd seen = 0;
    Script(0, [&](int d) {
        seen = d;
        EXPECT_EQ(GetParent(d), owner_);
        EXPECT_TRUE(IsWindowEnabled(GetDialogItem(d, kIdOk)));
        return -1;
    });
    const int32_t before = test::LiveWindowCount();
    RunDialog(owner_, kTestDialog, &TestDialogProc, 0);
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(test::LiveWindowCount(), before);
    EXPECT_FALSE(EndDialog(seen, 1));

    EXPECT_EQ(RunDialog(owner_, kTestDialog, &EndAtInitProc, 0), 8);
    test::SetModalFailureHandler(&CaptureFailure);
    g_log.clear();
    EXPECT_EQ(RunDialog(owner_, kTestDialog, &TestDialogProc, 0), 0);
    ASSERT_EQ(g_failures.size(), 1u);
    EXPECT_NE(g_failures[0].find("TESTDIALOG"), std::string::npos) << g_failures[0];
    ASSERT_FALSE(g_log.empty());
    EXPECT_EQ(g_log[0].rfind("init", 0), 0u);
}

TEST_F(DialogTest, PlacementFromInitStandsAndOwnerDrawnControlsPaint) {
    Script(1, [this](int d) {
        Rect owner, self;
        GetWindowRect(owner_, &owner);
        GetWindowRect(d, &self);
        EXPECT_EQ(self.Left, owner.Left + (600 - (210 + 2 * kFrameWidth)) / 2);
        EXPECT_EQ(self.Top, owner.Top + (400 - (130 + 2 * kFrameWidth + kCaptionHeight)) / 7);
        InvalidateRect(d, nullptr, true);
        UpdateWindow(d);
        test::ProcessEvents();
        EXPECT_EQ(test::WindowPixel(GetDialogItem(d, kPreviewId), 10, 10), 0x000000FFu);
        return -1;
    });
    EXPECT_EQ(RunDialog(owner_, kTestDialog, &TestDialogProc, kPlaceOnOwner), 1);
}

using DialogThreadedTest = DialogTest;

// A signal to end while a dialog is open: it closes as Cancel, the program is
// told only once its loop has returned, and a box then closes at once.
TEST_F(DialogTest, ASignalToEndClosesTheOpenDialogThenTellsTheProgram) {
    static std::atomic<int> told{0};
    test::EnableModalScript(false);
    std::signal(SIGTERM, SIG_DFL);  // not ignored, whatever started the tests
    ASSERT_TRUE(WatchEndSignals([](int signal) { told = signal; }));
    raise(SIGTERM);  // seen by the dialog's loop
    EXPECT_EQ(RunDialog(owner_, kTestDialog, &TestDialogProc, 0), 0);
    EXPECT_EQ(g_log.back(), "command 2 code 0");
    EXPECT_EQ(told.load(), 0);
    EXPECT_TRUE(test::RunEventsUntil([](void*) { return told.load() == SIGTERM; }, nullptr, 5000));
    EXPECT_EQ(MessageBox(0, u"Exit Logging?", u"Confirm Exit", MessageButtons::YesNo, MessageIcon::Question), kIdNo);
    test::EnableModalScript(true);
}

// A reader thread's hand-over reaches a dialog while it waits for the
// operator, in the real modal loop: the handler ends the dialog, the sender
// gets the handler's result.
TEST_F(DialogThreadedTest, HandOverIsServedWhileTheDialogIsOpen) {
    test::EnableModalScript(false);
    std::atomic<LResult> sendResult{0};
    std::thread reader([&] {
        Hwnd d = 0;
        for (int i = 0; i < 5000 && (d = g_liveDialog.load()) == 0; ++i) SleepMilliseconds(1);
        sendResult.store(SendMessage(d, kMsgUser + 5, 0, 0));
    });
    const int result = RunDialog(owner_, kTestDialog, &TestDialogProc, 0);
    reader.join();
    test::EnableModalScript(true);
    EXPECT_EQ(result, 77);
    EXPECT_EQ(sendResult.load(), 1234);
}

}  // namespace
