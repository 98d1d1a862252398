// Windows and messages: creation, destruction, handles, focus, text, the
// paint model, timers, the loop and keys.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>
#include <vector>

#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "window_fixture.h"

using namespace plat;

namespace {

std::vector<Received> g_log;
bool g_existedDuringCreate = false;
Rect g_clientDuringCreate;
LResult g_createResult = 0;
Rect g_paintBox;

LResult LoggingProc(Hwnd h, uint32_t m, WParam w, LParam l) {
    g_log.push_back({h, m, w, l});
    if (m == kMsgCreate) {
        g_existedDuringCreate = IsWindow(h);
        GetClientRect(h, &g_clientDuringCreate);
        return g_createResult;
    }
    if (m == kMsgUser) PostQuitMessage(static_cast<int>(w));
    return DefaultWindowProc(h, m, w, l);
}

// Paints red over whatever it is given; the context clips to the invalid part.
LResult PaintRedProc(Hwnd h, uint32_t m, WParam w, LParam l) {
    if (m != kMsgPaint) return DefaultWindowProc(h, m, w, l);
    g_log.push_back({h, m, w, l});
    PaintInfo info;
    const Hdc dc = BeginPaint(h, &info);
    g_paintBox = info.Paint;
    const Hbrush red = CreateSolidBrush(0x0000FF);
    FillRect(dc, Rect{0, 0, 1000, 1000}, red);
    EndPaint(h, &info);
    DeleteObject(red);
    return 0;
}

int g_tableHits = 0;
LResult OnUserOne(Hwnd, uint32_t, WParam, LParam) { return ++g_tableHits, 11; }
LResult OnUserOneAgain(Hwnd, uint32_t, WParam, LParam) { return 22; }
constexpr MessageHandler kTable[] = {{kMsgUser + 1, &OnUserOne}, {kMsgUser + 1, &OnUserOneAgain}};
LResult TableProc(Hwnd h, uint32_t m, WParam w, LParam l) { return DispatchFromTable(kTable, h, m, w, l); }

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
        for (auto [name, proc, brush] : {std::tuple{u"LogWnd", &LoggingProc, GetStockObject(kWhiteBrush)},
                                         std::tuple{u"PaintWnd", &PaintRedProc, CreateSolidBrush(0x00FF00)},
                                         std::tuple{u"TableWnd", &TableProc, Hbrush{0}}}) {
            WindowClass c;
            c.Name = name;
            c.Proc = proc;
            c.Background = brush;
            ASSERT_TRUE(RegisterWindowClass(c));
        }
    }
    Hwnd TopLevel(uint32_t style = kStyleCaption | kStyleSysMenu, int w = 400, int h = 300,
                  const char16_t* cls = u"LogWnd") {
        return CreateWindow(cls, u"Top", style, 10, 20, w, h, 0, 0);
    }
};

TEST_F(WindowCoreTest, CreationRunsCreateAndSizeBeforeReturningOrFailsOnMinusOne) {
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

    // A bordered child: a one-pixel border, the client inside it.
    const Hwnd child = CreateWindow(u"LogWnd", u"", kStyleChild | kStyleBorder, 20, 30, 102, 52, top, 7);
    Rect client, childOuter;
    ASSERT_TRUE(GetClientRect(child, &client));
    EXPECT_EQ(client.Right, 100);
    EXPECT_EQ(client.Bottom, 50);
    GetWindowRect(child, &childOuter);
    Point origin;
    ClientToScreen(top, &origin);
    EXPECT_EQ(childOuter.Left - origin.X, 20);
    EXPECT_EQ(GetControlId(child), 7);

    g_createResult = -1;
    const int before = test::LiveWindowCount();
    EXPECT_EQ(TopLevel(), 0);
    EXPECT_EQ(test::LiveWindowCount(), before);
}

TEST_F(WindowCoreTest, RegistrationOfATakenOrIncompleteClassFails) {
    WindowClass c;
    c.Proc = &LoggingProc;
    for (const char16_t* taken : {u"logwnd", u"Button"}) {  // names compare without regard to case
        c.Name = taken;
        EXPECT_FALSE(RegisterWindowClass(c));
    }
    c.Name = u"Other";
    c.Proc = nullptr;
    EXPECT_FALSE(RegisterWindowClass(c));
    EXPECT_EQ(CreateWindow(u"NoSuchClass", u"", 0, 0, 0, 10, 10, 0, 0), 0);
    EXPECT_EQ(CreateWindow(u"BUTTON", u"orphan", kStyleChild, 0, 0, 10, 10, 0, 1), 0);
}

TEST_F(WindowCoreTest, DestroyTakesChildrenFirstAndHandlesAreNeverReused) {
    const Hwnd top = TopLevel();
    const Hwnd a = CreateWindow(u"LogWnd", u"", kStyleChild | kStyleVisible, 0, 0, 50, 50, top, 1);
    const Hwnd b = CreateWindow(u"LogWnd", u"", kStyleChild, 0, 0, 50, 50, top, 2);
    const Hwnd grandchild = CreateWindow(u"LogWnd", u"", kStyleChild, 0, 0, 5, 5, a, 3);
    ASSERT_TRUE(a && b && grandchild);
    EXPECT_EQ(GetDialogItem(top, 2), b);
    EXPECT_EQ(GetParent(grandchild), a);
    SetTimer(a, 1, 1000);
    SetFocus(grandchild);
    g_log.clear();
    EXPECT_TRUE(DestroyWindow(top));
    std::vector<Hwnd> order;
    for (const Received& r : g_log)
        if (r.Message == kMsgDestroy) order.push_back(r.Window);
    EXPECT_EQ(order, (std::vector<Hwnd>{b, grandchild, a, top}));
    for (Hwnd h : {top, a, b, grandchild}) EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(test::TimerIsSet(a, 1));
    EXPECT_EQ(GetFocus(), 0);
    EXPECT_FALSE(DestroyWindow(top));
    EXPECT_EQ(SendMessage(a, kMsgUser + 1, 0, 0), 0);
    EXPECT_GT(TopLevel(), grandchild);  // a fresh number, not a recycled one
}

TEST_F(WindowCoreTest, VisibilityFocusAndTextFollowTheWindowCalls) {
    const Hwnd top = TopLevel();
    const Hwnd child = CreateWindow(u"LogWnd", u"", kStyleChild | kStyleVisible, 0, 0, 10, 10, top, 1);
    EXPECT_FALSE(IsWindowVisible(child));  // the parent is hidden
    EXPECT_FALSE(ShowWindow(top, kShow));
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(GetWindowStyle(top) & kStyleVisible);

    SetFocus(top);
    g_log.clear();
    EXPECT_EQ(SetFocus(child), top);
    EXPECT_EQ(GetFocus(), child);
    ASSERT_EQ(g_log.size(), 2u);
    EXPECT_EQ(g_log[0].Window, top);
    EXPECT_EQ(g_log[0].Message, kMsgKillFocus);
    EXPECT_EQ(g_log[1].Window, child);
    EXPECT_EQ(g_log[1].Message, kMsgSetFocus);
    EXPECT_EQ(static_cast<Hwnd>(g_log[1].W), top);

    EXPECT_TRUE(SetWindowText(top, u"Ostrima"));
    char16_t buffer[5];
    EXPECT_EQ(GetWindowText(top, buffer, 5), 4);  // cut to the capacity
    EXPECT_EQ(std::u16string(buffer), u"Ostr");
    EXPECT_EQ(GetWindowTextLength(top), 7);
}

TEST_F(WindowCoreTest, TableDispatchTakesTheFirstMatchAndDefaultsTheRest) {
    const Hwnd h = CreateWindow(u"TableWnd", u"", kStylePopup, 0, 0, 20, 20, 0, 0);
    ASSERT_NE(h, 0);
    EXPECT_EQ(SendMessage(h, kMsgUser + 1, 0, 0), 11);
    EXPECT_EQ(SendMessage(h, kMsgUser + 2, 0, 0), 0);
    SendMessage(h, kMsgClose, 0, 0);  // the default handling destroys the window
    EXPECT_FALSE(IsWindow(h));
}

// --- paint model -----------------------------------------------------------

// Nine consoles draw into several windows per line, hundreds of lines a
// second: each drawing is in the image at once, but the screen gets one
// repaint per window and display frame, and the last drawing still arrives
// without any further call.
TEST_F(WindowCoreTest, DrawingReachesTheScreenOncePerFrame) {
    const Hwnd top = TopLevel(kStylePopup | kStyleVisible, 200, 100);
    std::vector<Hwnd> strips;
    for (int i = 0; i < 3; ++i) strips.push_back(CreateWindow(u"LogWnd", u"", kStyleChild | kStyleVisible, 0, 30 * i, 200, 25, top, i + 1));
    test::RunEventsFor(3 * kScreenFrameMs);  // the paints of showing them
    std::vector<uint32_t> before;
    for (Hwnd s : strips) before.push_back(test::ScreenPaintCount(s));

    constexpr int kLines = 300;
    const auto start = std::chrono::steady_clock::now();
    for (int line = 0; line < kLines; ++line) {
        for (Hwnd s : strips) {
            const Hdc dc = GetDC(s);
            const ColourRef ink = static_cast<ColourRef>(line) * 0x010203u & 0xFFFFFFu;
            SetPixel(dc, line % 200, 5, ink);
            ReleaseDC(s, dc);
            ASSERT_EQ(test::WindowPixel(s, line % 200, 5), ink) << "the image changes at once";
        }
        ProcessPendingEvents();  // the loop between two hand-overs
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    const auto frames = static_cast<uint32_t>(ms) / kScreenFrameMs + 2;
    std::vector<uint32_t> drawn;
    for (size_t i = 0; i < strips.size(); ++i) {
        drawn.push_back(test::ScreenPaintCount(strips[i]));
        EXPECT_LE(drawn[i] - before[i], frames) << "strip " << i << " over " << ms << " ms";
    }
    static std::vector<uint32_t> s_drawn;
    static std::vector<Hwnd> s_strips;
    s_drawn = drawn;
    s_strips = strips;
    EXPECT_TRUE(test::RunEventsUntil(
        [](void*) {
            for (size_t i = 0; i < s_strips.size(); ++i)
                if (test::ScreenPaintCount(s_strips[i]) == s_drawn[i]) return false;
            return true;
        },
        nullptr, 1000))
        << "the last drawing goes on screen with the next frame";
}

// The waiting text and the busy indicator are shown inside a long job that
// runs no loop: PaintWindowNow puts them on screen before it returns.
TEST_F(WindowCoreTest, PaintWindowNowShowsTheDrawingBeforeItReturns) {
    const Hwnd top = TopLevel(kStylePopup | kStyleVisible, 100, 60);
    const Hwnd map = CreateWindow(u"LogWnd", u"", kStyleChild | kStyleVisible, 0, 0, 100, 60, top, 1);
    test::RunEventsFor(3 * kScreenFrameMs);
    const uint32_t before = test::ScreenPaintCount(map);
    const Hdc dc = GetDC(map);
    FillRect(dc, Rect{10, 10, 20, 20}, GetStockObject(kBlackBrush));
    ReleaseDC(map, dc);
    EXPECT_EQ(test::ScreenPaintCount(map), before) << "drawing alone waits for the frame";
    EXPECT_TRUE(PaintWindowNow(map));
    EXPECT_EQ(test::ScreenPaintCount(map), before + 1);
    EXPECT_EQ(test::WindowPixelRgb(map, 15, 15), 0x000000u);
}

TEST_F(WindowCoreTest, PaintRunsForTheInvalidPartOnlyAfterTheErase) {
    const Hwnd h = CreateWindow(u"PaintWnd", u"", kStylePopup, 0, 0, 60, 40, 0, 0);
    UpdateWindow(h);
    EXPECT_EQ(Count(h, kMsgPaint), 0);  // hidden windows are not painted
    ShowWindow(h, kShow);
    UpdateWindow(h);
    EXPECT_EQ(Count(h, kMsgPaint), 1);
    EXPECT_EQ(test::WindowPixel(h, 59, 39), 0x0000FFu);
    UpdateWindow(h);
    EXPECT_EQ(Count(h, kMsgPaint), 1);  // valid now: nothing more

    const Hdc dc = GetDC(h);  // white through a window context, then a part invalidated
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

    // The default paint erases with the class background (white) and validates.
    const Hwnd plain = TopLevel(kStylePopup | kStyleVisible, 30, 30);
    const Hdc pdc = GetDC(plain);
    FillRect(pdc, Rect{0, 0, 30, 30}, GetStockObject(kBlackBrush));
    ReleaseDC(plain, pdc);
    InvalidateRect(plain, nullptr, true);
    UpdateWindow(plain);
    EXPECT_EQ(test::WindowPixel(plain, 5, 5), 0xFFFFFFu);
    EXPECT_FALSE(GetUpdateRect(plain, nullptr));
}

TEST_F(WindowCoreTest, ShowingAWindowPaintsItsVisibleChildrenFromTheLoop) {
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

// --- timers, the loop, the screen --------------------------------------------

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
    g_log.clear();
    EXPECT_TRUE(test::RunEventsUntil([](void*) { return Count(timed, kMsgTimer) > 0; }, nullptr, 2000));
}

TEST_F(WindowCoreTest, PostedMessagesRunInTheLoopWhichEndsWithTheQuitCode) {
    const Hwnd h = TopLevel();
    g_log.clear();
    EXPECT_TRUE(PostMessage(h, kMsgUser, 16, 0));  // its handler posts the quit with code 16
    EXPECT_TRUE(g_log.empty());                    // not before the loop runs
    EXPECT_EQ(RunMessageLoop(), 16);
    EXPECT_EQ(Count(h, kMsgUser), 1);
    EXPECT_FALSE(PostMessage(0x7FFFFFF, kMsgUser, 0, 0));

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
        bool Shift, Alt;
        std::vector<std::pair<uint32_t, WParam>> Expected;
    };
    const Case cases[] = {
        {'L', false, false, {{kMsgKeyDown, 76}, {kMsgChar, 'l'}}},
        {'L', true, false, {{kMsgKeyDown, 76}, {kMsgChar, 'L'}}},
        {'7', false, false, {{kMsgKeyDown, 55}, {kMsgChar, '7'}}},
        {'1', true, false, {{kMsgKeyDown, 49}, {kMsgChar, '!'}}},  // the key, not the symbol
        {kKeyReturn, false, false, {{kMsgKeyDown, 13}}},
        {kKeyTab, false, false, {{kMsgKeyDown, 9}}},
        {kKeyTab, true, false, {{kMsgKeyDown, 9}}},
        {kKeyEscape, false, false, {{kMsgKeyDown, 27}}},
        {kKeySpace, false, false, {{kMsgKeyDown, 32}, {kMsgChar, ' '}}},
        {kKeyBack, false, false, {{kMsgKeyDown, 8}}},
        {kKeyLeft, false, false, {{kMsgKeyDown, 37}}},
        {kKeyDown, false, false, {{kMsgKeyDown, 40}}},
        {kKeyF1, false, false, {{kMsgKeyDown, 112}}},
        {kKeyF1 + 11, false, false, {{kMsgKeyDown, 123}}},
        {kKeyNumpad0 + 5, false, false, {{kMsgKeyDown, 101}, {kMsgChar, '5'}}},
        {kKeyAdd, false, false, {{kMsgKeyDown, 107}, {kMsgChar, '+'}}},
        {kKeyDivide, false, false, {{kMsgKeyDown, 111}, {kMsgChar, '/'}}},
        {'X', false, true, {{kMsgSysKeyDown, 88}}},  // with Alt: a system key
    };
    for (const Case& c : cases) {
        g_log.clear();
        ASSERT_TRUE(test::InjectKey(0, c.Key, c.Shift, false, c.Alt)) << c.Key;
        EXPECT_EQ(KeyMessages(h), c.Expected) << "key " << c.Key << " shift " << c.Shift;
        EXPECT_EQ(GetFocus(), h);  // Tab never moves the focus
    }
}

}  // namespace
