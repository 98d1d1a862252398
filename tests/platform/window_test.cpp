// Windows and messages: creation, destruction, handles, focus, text, the
// paint model, timers, the loop and keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/keys.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "window_fixture.h"

using namespace plat;

namespace {

std::vector<Received> g_log;
bool g_existedDuringCreate = false;
Rect g_clientDuringCreate;
LResult g_createResult = 0;

LResult LoggingProc(Hwnd h, uint32_t m, WParam w, LParam l) {
    g_log.push_back({h, m, w, l});
    if (m == kMsgCreate) {
        g_existedDuringCreate = IsWindow(h);
        GetClientRect(h, &g_clientDuringCreate);
        return g_createResult;
    }
    return DefaultWindowProc(h, m, w, l);
}

std::vector<uint32_t> MessagesOf(Hwnd h) {
    std::vector<uint32_t> out;
    for (const Received& r : g_log)
        if (r.Window == h) out.push_back(r.Message);
    return out;
}

int Count(Hwnd h, uint32_t message) {
    int n = 0;
    for (const Received& r : g_log) n += (r.Window == h && r.Message == message) ? 1 : 0;
    return n;
}

class WindowCoreTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        g_log.clear();
        g_createResult = 0;
        g_existedDuringCreate = false;
        WindowClass c;
        c.Name = u"LogWnd";
        c.Proc = &LoggingProc;
        c.Background = GetStockObject(0);  // white
        ASSERT_TRUE(RegisterWindowClass(c));
    }
    Hwnd TopLevel(uint32_t style = kStyleCaption | kStyleSysMenu, int w = 400, int h = 300) {
        return CreateWindow(u"LogWnd", u"Top", style, 10, 20, w, h, 0, 0);
    }
};

TEST_F(WindowCoreTest, CreationRunsCreateAndSizeBeforeReturning) {
    const Hwnd top = TopLevel();
    ASSERT_NE(top, 0);
    EXPECT_TRUE(g_existedDuringCreate);
    EXPECT_EQ(g_clientDuringCreate.Right, 400 - 2 * kFrameWidth);
    EXPECT_EQ(g_clientDuringCreate.Bottom, 300 - 2 * kFrameWidth - kCaptionHeight);
    const std::vector<uint32_t> seen = MessagesOf(top);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0], kMsgCreate);
    EXPECT_EQ(seen[1], kMsgSize);
    EXPECT_EQ(LowWord(static_cast<uintptr_t>(g_log[1].L)), 400 - 2 * kFrameWidth);

    Rect outer;
    ASSERT_TRUE(GetWindowRect(top, &outer));
    EXPECT_EQ(outer.Left, 10);
    EXPECT_EQ(outer.Top, 20);
    EXPECT_EQ(outer.Right - outer.Left, 400);
    EXPECT_EQ(outer.Bottom - outer.Top, 300);
}

TEST_F(WindowCoreTest, CreateResultMinusOneFailsCreation) {
    g_createResult = -1;
    const int before = test::LiveWindowCount();
    EXPECT_EQ(TopLevel(), 0);
    EXPECT_EQ(test::LiveWindowCount(), before);
}

TEST_F(WindowCoreTest, RegistrationOfATakenNameFails) {
    WindowClass c;
    c.Name = u"logwnd";  // names compare without regard to case
    c.Proc = &LoggingProc;
    EXPECT_FALSE(RegisterWindowClass(c));
    c.Name = u"Button";
    EXPECT_FALSE(RegisterWindowClass(c));
    c.Name = u"Other";
    c.Proc = nullptr;
    EXPECT_FALSE(RegisterWindowClass(c));
    EXPECT_EQ(CreateWindow(u"NoSuchClass", u"", 0, 0, 0, 10, 10, 0, 0), 0);
}

TEST_F(WindowCoreTest, DestroyTakesChildrenFirstAndHandlesAreNeverReused) {
    const Hwnd top = TopLevel();
    const Hwnd a = CreateWindow(u"LogWnd", u"", kStyleChild | kStyleVisible, 0, 0, 50, 50, top, 1);
    const Hwnd b = CreateWindow(u"LogWnd", u"", kStyleChild, 0, 0, 50, 50, top, 2);
    const Hwnd grandchild = CreateWindow(u"LogWnd", u"", kStyleChild, 0, 0, 5, 5, a, 3);
    ASSERT_TRUE(a && b && grandchild);
    EXPECT_EQ(GetDialogItem(top, 2), b);
    EXPECT_EQ(GetParent(grandchild), a);
    g_log.clear();
    EXPECT_TRUE(DestroyWindow(top));
    std::vector<Hwnd> order;
    for (const Received& r : g_log)
        if (r.Message == kMsgDestroy) order.push_back(r.Window);
    EXPECT_EQ(order, (std::vector<Hwnd>{b, grandchild, a, top}));
    for (Hwnd h : {top, a, b, grandchild}) EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(DestroyWindow(top));
    EXPECT_EQ(SendMessage(a, kMsgUser, 0, 0), 0);

    const Hwnd again = TopLevel();
    EXPECT_GT(again, grandchild);  // a fresh number, not a recycled one
}

TEST_F(WindowCoreTest, ChildWithBorderHasItsClientInsideTheBorder) {
    const Hwnd top = TopLevel(kStylePopup);
    const Hwnd child = CreateWindow(u"LogWnd", u"", kStyleChild | kStyleBorder, 20, 30, 102, 52, top, 7);
    Rect client;
    ASSERT_TRUE(GetClientRect(child, &client));
    EXPECT_EQ(client.Right, 100);
    EXPECT_EQ(client.Bottom, 50);
    Rect outer, topOuter;
    GetWindowRect(child, &outer);
    GetWindowRect(top, &topOuter);
    EXPECT_EQ(outer.Left - topOuter.Left, 20);
    EXPECT_EQ(outer.Right - outer.Left, 102);
    EXPECT_EQ(GetControlId(child), 7);
}

TEST_F(WindowCoreTest, VisibilityFollowsAncestors) {
    const Hwnd top = TopLevel();
    const Hwnd child = CreateWindow(u"LogWnd", u"", kStyleChild | kStyleVisible, 0, 0, 10, 10, top, 1);
    EXPECT_FALSE(IsWindowVisible(child));  // the parent is hidden
    EXPECT_FALSE(ShowWindow(top, kShow));
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(ShowWindow(child, kShowHide));
    EXPECT_FALSE(IsWindowVisible(child));
    EXPECT_TRUE(GetWindowStyle(top) & kStyleVisible);
}

TEST_F(WindowCoreTest, FocusMovesWithMessagesAndEndsWithTheWindow) {
    const Hwnd top = TopLevel();
    const Hwnd a = CreateWindow(u"LogWnd", u"", kStyleChild, 0, 0, 10, 10, top, 1);
    SetFocus(top);
    g_log.clear();
    EXPECT_EQ(SetFocus(a), top);
    EXPECT_EQ(GetFocus(), a);
    ASSERT_EQ(g_log.size(), 2u);
    EXPECT_EQ(g_log[0].Window, top);
    EXPECT_EQ(g_log[0].Message, kMsgKillFocus);
    EXPECT_EQ(g_log[1].Window, a);
    EXPECT_EQ(g_log[1].Message, kMsgSetFocus);
    EXPECT_EQ(static_cast<Hwnd>(g_log[1].W), top);
    DestroyWindow(a);
    EXPECT_EQ(GetFocus(), 0);
}

TEST_F(WindowCoreTest, TextIsKeptAndCutToTheCapacity) {
    const Hwnd top = TopLevel();
    EXPECT_TRUE(SetWindowText(top, u"Ostrima"));
    char16_t buffer[5];
    EXPECT_EQ(GetWindowText(top, buffer, 5), 4);
    EXPECT_EQ(std::u16string(buffer), u"Ostr");
    EXPECT_EQ(GetWindowTextLength(top), 7);
}

namespace {
int g_tableHits = 0;
LResult OnUserOne(Hwnd, uint32_t, WParam, LParam) { return ++g_tableHits, 11; }
LResult OnUserOneAgain(Hwnd, uint32_t, WParam, LParam) { return 22; }
constexpr MessageHandler kTable[] = {{kMsgUser + 1, &OnUserOne}, {kMsgUser + 1, &OnUserOneAgain}};
LResult TableProc(Hwnd h, uint32_t m, WParam w, LParam l) { return DispatchFromTable(kTable, h, m, w, l); }
}  // namespace

TEST_F(WindowCoreTest, TableDispatchTakesTheFirstMatchAndDefaultsTheRest) {
    WindowClass c;
    c.Name = u"TableWnd";
    c.Proc = &TableProc;
    ASSERT_TRUE(RegisterWindowClass(c));
    const Hwnd h = CreateWindow(u"TableWnd", u"", kStylePopup, 0, 0, 20, 20, 0, 0);
    ASSERT_NE(h, 0);
    EXPECT_EQ(SendMessage(h, kMsgUser + 1, 0, 0), 11);
    EXPECT_EQ(SendMessage(h, kMsgUser + 2, 0, 0), 0);
    SendMessage(h, kMsgClose, 0, 0);  // the default handling destroys the window
    EXPECT_FALSE(IsWindow(h));
}

// --- paint model -----------------------------------------------------------

namespace {
Rect g_paintBox;
bool g_paintErase = false;
LResult PaintRedProc(Hwnd h, uint32_t m, WParam w, LParam l) {
    if (m == kMsgPaint) {
        g_log.push_back({h, m, w, l});
        PaintInfo info;
        const Hdc dc = BeginPaint(h, &info);
        g_paintBox = info.Paint;
        g_paintErase = info.Erase;
        const Hbrush red = CreateSolidBrush(0x0000FF);
        FillRect(dc, Rect{0, 0, 1000, 1000}, red);  // the context clips it to the invalid part
        EndPaint(h, &info);
        DeleteObject(red);
        return 0;
    }
    return DefaultWindowProc(h, m, w, l);
}
}  // namespace

TEST_F(WindowCoreTest, PaintRunsForTheInvalidPartOnlyAfterTheErase) {
    WindowClass c;
    c.Name = u"PaintWnd";
    c.Proc = &PaintRedProc;
    c.Background = CreateSolidBrush(0x00FF00);  // green
    ASSERT_TRUE(RegisterWindowClass(c));
    const Hwnd h = CreateWindow(u"PaintWnd", u"", kStylePopup, 0, 0, 60, 40, 0, 0);
    UpdateWindow(h);
    EXPECT_EQ(Count(h, kMsgPaint), 0);  // hidden windows are not painted
    ShowWindow(h, kShow);
    UpdateWindow(h);
    EXPECT_EQ(Count(h, kMsgPaint), 1);
    EXPECT_EQ(test::WindowPixel(h, 59, 39), 0x0000FFu);
    UpdateWindow(h);
    EXPECT_EQ(Count(h, kMsgPaint), 1);  // valid now: nothing more

    // Paint the window white through a window context, then invalidate a part.
    const Hdc dc = GetDC(h);
    FillRect(dc, Rect{0, 0, 60, 40}, GetStockObject(kWhiteBrush));
    ReleaseDC(h, dc);
    const Rect part{10, 10, 20, 15};
    InvalidateRect(h, &part, false);
    test::ProcessEvents();  // the loop sends the paint
    EXPECT_EQ(Count(h, kMsgPaint), 2);
    EXPECT_EQ(g_paintBox.Left, 10);
    EXPECT_EQ(g_paintBox.Bottom, 15);
    EXPECT_EQ(test::WindowPixel(h, 10, 10), 0x0000FFu);
    EXPECT_EQ(test::WindowPixel(h, 19, 14), 0x0000FFu);
    EXPECT_EQ(test::WindowPixel(h, 20, 14), 0xFFFFFFu);
    EXPECT_EQ(test::WindowPixel(h, 10, 15), 0xFFFFFFu);
    EXPECT_EQ(test::WindowPixelRgb(h, 10, 10), 0xFF0000u);  // red is red on screen
}

TEST_F(WindowCoreTest, ShowingAWindowPaintsItsVisibleChildrenFromTheLoop) {
    WindowClass c;
    c.Name = u"PaintWnd";
    c.Proc = &PaintRedProc;
    ASSERT_TRUE(RegisterWindowClass(c));
    const Hwnd top = TopLevel(kStylePopup);
    const Hwnd shown = CreateWindow(u"PaintWnd", u"", kStyleChild | kStyleVisible, 0, 0, 20, 20, top, 1);
    const Hwnd hidden = CreateWindow(u"PaintWnd", u"", kStyleChild, 30, 0, 20, 20, top, 2);
    test::ProcessEvents();
    EXPECT_EQ(Count(shown, kMsgPaint), 0);  // its parent is hidden
    ShowWindow(top, kShow);
    test::ProcessEvents();
    EXPECT_EQ(Count(shown, kMsgPaint), 1);
    EXPECT_EQ(Count(hidden, kMsgPaint), 0);
    EXPECT_EQ(test::WindowPixel(shown, 0, 0), 0x0000FFu);
}

TEST_F(WindowCoreTest, EraseFillsWithTheClassBackground) {
    const Hwnd h = TopLevel(kStylePopup, 30, 30);
    ShowWindow(h, kShow);
    const Hdc dc = GetDC(h);
    FillRect(dc, Rect{0, 0, 30, 30}, GetStockObject(kBlackBrush));
    ReleaseDC(h, dc);
    InvalidateRect(h, nullptr, true);
    UpdateWindow(h);  // LoggingProc hands the paint to the default: erase, validate
    EXPECT_EQ(test::WindowPixel(h, 5, 5), 0xFFFFFFu);
    EXPECT_FALSE(GetUpdateRect(h, nullptr));
}

// --- timers and the loop -------------------------------------------------

TEST_F(WindowCoreTest, TimersSendTheirIdUntilKilled) {
    const Hwnd h = TopLevel();
    EXPECT_FALSE(test::FireTimer(h, 1));
    ASSERT_TRUE(SetTimer(h, 1, 1000));
    EXPECT_EQ(test::TimerInterval(h, 1), 1000u);
    g_log.clear();
    EXPECT_TRUE(test::FireTimer(h, 1));
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log[0].Message, kMsgTimer);
    EXPECT_EQ(g_log[0].W, 1u);
    EXPECT_TRUE(KillTimer(h, 1));
    EXPECT_FALSE(test::TimerIsSet(h, 1));

    SetTimer(h, 2, 5);  // a real, short timer through the loop
    static Hwnd timed;
    timed = h;
    auto fired = [](void*) { return Count(timed, kMsgTimer) > 0; };
    g_log.clear();
    EXPECT_TRUE(test::RunEventsUntil(+fired, nullptr, 2000));
    DestroyWindow(h);
    EXPECT_FALSE(test::TimerIsSet(h, 2));
}

namespace {
LResult QuitOnUser(Hwnd h, uint32_t m, WParam w, LParam l) {
    if (m == kMsgUser) {
        g_log.push_back({h, m, w, l});
        PostQuitMessage(static_cast<int>(w));
        return 0;
    }
    return DefaultWindowProc(h, m, w, l);
}
}  // namespace

TEST_F(WindowCoreTest, PostedMessagesRunInTheLoopWhichEndsWithTheQuitCode) {
    WindowClass c;
    c.Name = u"QuitWnd";
    c.Proc = &QuitOnUser;
    ASSERT_TRUE(RegisterWindowClass(c));
    const Hwnd h = CreateWindow(u"QuitWnd", u"", kStylePopup, 0, 0, 10, 10, 0, 0);
    EXPECT_TRUE(PostMessage(h, kMsgUser, 16, 0));
    EXPECT_TRUE(g_log.empty());  // not before the loop runs
    EXPECT_EQ(RunMessageLoop(), 16);
    EXPECT_EQ(g_log.size(), 1u);
    EXPECT_FALSE(PostMessage(0x7FFFFFF, kMsgUser, 0, 0));
}

TEST_F(WindowCoreTest, ScreenSizeCanBeReplacedAndSystemColoursAreFixed) {
    test::SetScreenSize(1280, 800);
    EXPECT_EQ(GetScreenWidth(), 1280);
    EXPECT_EQ(GetScreenHeight(), 800);
    EXPECT_EQ(GetSystemColour(kColourButtonFace), 0xF0F0F0u);
    EXPECT_EQ(GetSystemColour(kColourButtonShadow), 0xA0A0A0u);
    EXPECT_EQ(GetSystemColour(kColour3dLight), 0xE3E3E3u);
    EXPECT_EQ(GetSystemColour(kColour3dDarkShadow), 0x696969u);
}

// --- keys ------------------------------------------------------------------

std::vector<std::pair<uint32_t, WParam>> KeyMessages(Hwnd h) {
    std::vector<std::pair<uint32_t, WParam>> out;
    for (const Received& r : g_log)
        if (r.Window == h && (r.Message == kMsgKeyDown || r.Message == kMsgChar || r.Message == kMsgSysKeyDown))
            out.emplace_back(r.Message, r.W);
    return out;
}

TEST_F(WindowCoreTest, KeysArriveAsVirtualKeysAndCharacters) {
    const Hwnd h = TopLevel();
    ShowWindow(h, kShow);
    SetFocus(h);
    struct Case {
        uint32_t Key;
        bool Shift;
        std::vector<std::pair<uint32_t, WParam>> Expected;
    };
    const Case cases[] = {
        {'L', false, {{kMsgKeyDown, 76}, {kMsgChar, 'l'}}},
        {'L', true, {{kMsgKeyDown, 76}, {kMsgChar, 'L'}}},
        {'7', false, {{kMsgKeyDown, 55}, {kMsgChar, '7'}}},
        {'C', false, {{kMsgKeyDown, 67}, {kMsgChar, 'c'}}},
        {'1', true, {{kMsgKeyDown, 49}, {kMsgChar, '!'}}},  // the key, not the symbol
        {kKeyReturn, false, {{kMsgKeyDown, 13}}},
        {kKeyTab, false, {{kMsgKeyDown, 9}}},
        {kKeyTab, true, {{kMsgKeyDown, 9}}},
        {kKeyEscape, false, {{kMsgKeyDown, 27}}},
        {kKeySpace, false, {{kMsgKeyDown, 32}, {kMsgChar, ' '}}},
        {kKeyBack, false, {{kMsgKeyDown, 8}}},
        {kKeyLeft, false, {{kMsgKeyDown, 37}}},
        {kKeyDown, false, {{kMsgKeyDown, 40}}},
        {kKeyF1, false, {{kMsgKeyDown, 112}}},
        {kKeyF1 + 11, false, {{kMsgKeyDown, 123}}},
        {kKeyNumpad0 + 5, false, {{kMsgKeyDown, 101}, {kMsgChar, '5'}}},
        {kKeyAdd, false, {{kMsgKeyDown, 107}, {kMsgChar, '+'}}},
        {kKeyDivide, false, {{kMsgKeyDown, 111}, {kMsgChar, '/'}}},
    };
    for (const Case& c : cases) {
        g_log.clear();
        ASSERT_TRUE(test::InjectKey(0, c.Key, c.Shift)) << c.Key;
        EXPECT_EQ(KeyMessages(h), c.Expected) << "key " << c.Key << " shift " << c.Shift;
        EXPECT_EQ(GetFocus(), h);  // Tab never moves the focus
    }
    g_log.clear();
    test::InjectKey(h, 'X', false, false, true);  // Alt+X is a system key
    EXPECT_EQ(Count(h, kMsgKeyDown), 0);
    EXPECT_EQ(Count(h, kMsgSysKeyDown), 1);
}

TEST_F(WindowCoreTest, TabBetweenButtonsStaysWithTheWindow) {
    const Hwnd h = TopLevel();
    const Hwnd b1 = CreateWindow(u"BUTTON", u"&One", kStyleChild | kStyleVisible | kStyleTabStop, 0, 0, 50, 20, h, 1);
    const Hwnd b2 = CreateWindow(u"BUTTON", u"&Two", kStyleChild | kStyleVisible | kStyleTabStop, 0, 30, 50, 20, h, 2);
    ASSERT_TRUE(b1 && b2);
    ShowWindow(h, kShow);
    SetFocus(h);
    g_log.clear();
    for (int i = 0; i < 3; ++i) test::InjectKey(0, kKeyTab);
    EXPECT_EQ(Count(h, kMsgKeyDown), 3);
    EXPECT_EQ(GetFocus(), h);
    test::ClickControl(b2);
    EXPECT_EQ(GetFocus(), h);  // a click on a button leaves the focus where it was
}

}  // namespace
