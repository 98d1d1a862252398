// Device contexts, pixel by pixel: lines, rectangles, ellipses, fills, block
// transfers, fonts and text placement.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dc.h"
#include "platform/window.h"
#include "window_fixture.h"

using namespace plat;

namespace {

constexpr ColourRef kWhite = 0xFFFFFF;
constexpr ColourRef kRed = 0x0000FF;
constexpr ColourRef kGreen = 0x00FF00;
constexpr ColourRef kBlue = 0xFF0000;

LResult PlainProc(Hwnd h, uint32_t m, WParam w, LParam l) { return DefaultWindowProc(h, m, w, l); }

class DrawingTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        WindowClass c;
        c.Name = u"DrawWnd";
        c.Proc = &PlainProc;
        c.Background = GetStockObject(kWhiteBrush);
        ASSERT_TRUE(RegisterWindowClass(c));
        window_ = CreateWindow(u"DrawWnd", u"", kStylePopup, 0, 0, kW, kH, 0, 0);
        ASSERT_NE(window_, 0);
        dc_ = GetDC(window_);
        FillRect(dc_, Rect{0, 0, kW, kH}, GetStockObject(kWhiteBrush));
        red_ = CreatePen(kPenSolid, 1, kRed);
        green_ = CreateSolidBrush(kGreen);
    }
    void TearDown() override {
        ReleaseDC(window_, dc_);
        DeleteObject(red_);
        DeleteObject(green_);
        WindowTest::TearDown();
    }
    ColourRef Px(int x, int y) const { return test::WindowPixel(window_, x, y); }
    void Clear() { FillRect(dc_, Rect{0, 0, kW, kH}, GetStockObject(kWhiteBrush)); }
    // The bounding box of every pixel that is not white.
    Rect Ink(const Rect& within = Rect{0, 0, kW, kH}) const {
        Rect box{10000, 10000, -1, -1};
        for (int y = within.Top; y < within.Bottom; ++y)
            for (int x = within.Left; x < within.Right; ++x)
                if (Px(x, y) != kWhite) {
                    box.Left = std::min(box.Left, x);
                    box.Top = std::min(box.Top, y);
                    box.Right = std::max(box.Right, x);
                    box.Bottom = std::max(box.Bottom, y);
                }
        return box;  // inclusive
    }
    static constexpr int kW = 200, kH = 120;
    Hwnd window_ = 0;
    Hdc dc_ = 0;
    Hpen red_ = 0;
    Hbrush green_ = 0;
};

TEST_F(DrawingTest, LinesLeaveOutTheirEndPixel) {
    SelectObject(dc_, red_);
    struct Case {
        int X0, Y0, X1, Y1;
        int LastX, LastY;  // the last pixel drawn
    };
    const Case cases[] = {
        {10, 10, 20, 10, 19, 10}, {20, 10, 10, 10, 11, 10}, {10, 10, 10, 20, 10, 19},
        {10, 20, 10, 10, 10, 11}, {10, 10, 15, 15, 14, 14}, {15, 15, 10, 20, 11, 19},
    };
    for (const Case& c : cases) {
        Clear();
        MoveTo(dc_, c.X0, c.Y0);
        LineTo(dc_, c.X1, c.Y1);
        EXPECT_EQ(Px(c.X0, c.Y0), kRed) << c.X0 << "," << c.Y0;
        EXPECT_EQ(Px(c.LastX, c.LastY), kRed);
        EXPECT_EQ(Px(c.X1, c.Y1), kWhite) << "end pixel of " << c.X0 << "," << c.Y0 << " -> " << c.X1 << "," << c.Y1;
    }
    Clear();
    const Point pts[] = {{10, 30}, {20, 30}, {20, 40}};
    Polyline(dc_, pts, 3);
    EXPECT_EQ(Px(20, 30), kRed);  // the corner is drawn as the next segment's start
    EXPECT_EQ(Px(20, 39), kRed);
    EXPECT_EQ(Px(20, 40), kWhite);
    const Rect ink = Ink();
    EXPECT_EQ(ink.Left, 10);
    EXPECT_EQ(ink.Bottom, 39);
}

TEST_F(DrawingTest, RectanglesCoverLeftToRightMinusOneInEitherCornerOrder) {
    SelectObject(dc_, red_);
    SelectObject(dc_, green_);
    const Rect boxes[] = {{10, 10, 20, 20}, {20, 20, 10, 10}, {20, 10, 10, 20}};
    for (const Rect& b : boxes) {
        Clear();
        Rectangle(dc_, b.Left, b.Top, b.Right, b.Bottom);
        const Rect ink = Ink();
        EXPECT_EQ(ink.Left, 10);
        EXPECT_EQ(ink.Top, 10);
        EXPECT_EQ(ink.Right, 19);
        EXPECT_EQ(ink.Bottom, 19);
        EXPECT_EQ(Px(10, 15), kRed);
        EXPECT_EQ(Px(19, 15), kRed);
        EXPECT_EQ(Px(15, 19), kRed);
        EXPECT_EQ(Px(11, 11), kGreen);
        EXPECT_EQ(Px(18, 18), kGreen);
    }
    // A wide pen stays inside the box.
    Clear();
    const Hpen wide = CreatePen(kPenSolid, 3, kBlue);
    SelectObject(dc_, wide);
    Rectangle(dc_, 30, 30, 50, 50);
    EXPECT_EQ(Px(30, 40), kBlue);
    EXPECT_EQ(Px(32, 40), kBlue);
    EXPECT_EQ(Px(33, 40), kGreen);
    EXPECT_EQ(Px(47, 40), kBlue);
    EXPECT_EQ(Px(49, 49), kBlue);
    EXPECT_EQ(Px(50, 40), kWhite);
    SelectObject(dc_, red_);
    DeleteObject(wide);
}

TEST_F(DrawingTest, EllipsesStayWithinTheirBoxAndAreSymmetric) {
    SelectObject(dc_, red_);
    SelectObject(dc_, green_);
    struct Case {
        Rect Box;
    };
    const Case cases[] = {{{30, 10, 50, 30}}, {{50, 30, 30, 10}}, {{60, 10, 63, 13}}, {{70, 10, 100, 20}}};
    for (const Case& c : cases) {
        Clear();
        Ellipse(dc_, c.Box.Left, c.Box.Top, c.Box.Right, c.Box.Bottom);
        const Rect ink = Ink();
        const int l = std::min(c.Box.Left, c.Box.Right), r = std::max(c.Box.Left, c.Box.Right);
        const int t = std::min(c.Box.Top, c.Box.Bottom), b = std::max(c.Box.Top, c.Box.Bottom);
        EXPECT_EQ(ink.Left, l);
        EXPECT_EQ(ink.Right, r - 1);
        EXPECT_EQ(ink.Top, t);
        EXPECT_EQ(ink.Bottom, b - 1);
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x) EXPECT_EQ(Px(x, y), Px(l + r - 1 - x, y)) << x << "," << y;
    }
    // A dot of radius 0 as the map draws it: box (x-1, y-1)-(x+2, y+2) covers 3 x 3.
    Clear();
    Ellipse(dc_, 99, 49, 102, 52);
    const Rect dot = Ink();
    EXPECT_EQ(dot.Left, 99);
    EXPECT_EQ(dot.Right, 101);
    EXPECT_EQ(dot.Top, 49);
    EXPECT_EQ(dot.Bottom, 51);
}

TEST_F(DrawingTest, FillsExcludeRightAndBottomAndPatternsFillWhole) {
    FillRect(dc_, Rect{5, 5, 15, 10}, green_);
    EXPECT_EQ(Px(5, 5), kGreen);
    EXPECT_EQ(Px(14, 9), kGreen);
    EXPECT_EQ(Px(15, 9), kWhite);
    EXPECT_EQ(Px(14, 10), kWhite);
    FillRect(dc_, Rect{30, 30, 20, 40}, green_);  // inverted: nothing
    EXPECT_EQ(Px(25, 35), kWhite);
    PatBlt(dc_, 0, 0, 4, 4, kBlackness);
    EXPECT_EQ(Px(3, 3), 0u);
    EXPECT_EQ(Px(4, 4), kWhite);
    EXPECT_EQ(SetPixel(dc_, 7, 50, kRed), kRed);
    EXPECT_EQ(GetPixel(dc_, 7, 50), kRed);
    EXPECT_EQ(test::WindowPixelRgb(window_, 7, 50), 0xFF0000u);  // red on screen
    EXPECT_EQ(GetPixel(dc_, kW, 0), 0xFFFFFFFFu);
}

TEST_F(DrawingTest, BlockTransfersCopyAndAndBetweenAnyContexts) {
    const Hdc mem = CreateCompatibleDC(dc_);
    const Hbitmap bmp = CreateCompatibleBitmap(dc_, 20, 10);
    ASSERT_NE(bmp, 0u);
    const Hbitmap first = SelectObject(mem, bmp);
    EXPECT_NE(first, 0u);
    PatBlt(mem, 0, 0, 20, 10, kWhiteness);
    FillRect(mem, Rect{0, 0, 10, 10}, green_);  // left half green, right half white
    BitBlt(dc_, 50, 50, 20, 10, mem, 0, 0, kSrcCopy);
    EXPECT_EQ(Px(50, 50), kGreen);
    EXPECT_EQ(Px(60, 50), kWhite);
    EXPECT_EQ(Px(70, 50), kWhite);  // outside the block

    // AND: a blue overlay pixel over a green base leaves black; white keeps the base.
    const Hdc overlay = CreateCompatibleDC(dc_);
    const Hbitmap over = CreateCompatibleBitmap(dc_, 20, 10);
    SelectObject(overlay, over);
    PatBlt(overlay, 0, 0, 20, 10, kWhiteness);
    SetPixel(overlay, 1, 1, kBlue);
    SetPixel(overlay, 2, 2, 0x00FFFF);  // yellow & green = green
    SetPixel(overlay, 11, 1, kBlue);    // over the white half
    BitBlt(dc_, 50, 50, 20, 10, overlay, 0, 0, kSrcAnd);
    EXPECT_EQ(Px(51, 51), 0u);
    EXPECT_EQ(Px(52, 52), kGreen);
    EXPECT_EQ(Px(53, 53), kGreen);
    EXPECT_EQ(Px(61, 51), kBlue);  // white & blue

    // A bitmap is in one context at a time.
    EXPECT_EQ(SelectObject(overlay, bmp), 0u);
    DeleteDC(overlay);
    DeleteObject(over);
    DeleteDC(mem);
    DeleteObject(bmp);
}

TEST_F(DrawingTest, AScrollWithinOneContextCopiesAsThroughABuffer) {
    for (int x = 0; x < 40; ++x) SetPixel(dc_, x, 5, static_cast<ColourRef>(x));
    BitBlt(dc_, 0, 0, 37, 10, dc_, 2, 0, kSrcCopy);  // left by 2
    for (int x = 0; x < 37; ++x) EXPECT_EQ(Px(x, 5), static_cast<ColourRef>(x + 2));
    BitBlt(dc_, 2, 0, 30, 10, dc_, 0, 0, kSrcCopy);  // right by 2
    for (int x = 2; x < 32; ++x) EXPECT_EQ(Px(x, 5), static_cast<ColourRef>(x));

    // Overlapping blocks moved every way, some reaching past the image or cut
    // by a clip rectangle: every pixel is what a copy of the whole image taken
    // before the move says it must be.
    struct Move {
        int X, Y, Width, Height, Sx, Sy;
        Rect Clip;  // Right 0: none
    };
    const Move moves[] = {
        {0, 0, 60, 40, 3, 0, {}},   {3, 0, 60, 40, 0, 0, {}},    {0, 0, 60, 40, 0, 5, {}},
        {0, 5, 60, 40, 0, 0, {}},   {10, 12, 50, 30, 13, 7, {}}, {13, 7, 50, 30, 10, 12, {}},
        {12, 10, 50, 30, 9, 14, {}}, {9, 14, 50, 30, 12, 10, {}}, {4, 4, 60, 40, 4, 4, {}},
        {-5, -3, 80, 50, 0, 0, {}}, {kW - 30, 2, 60, 40, kW - 40, 0, {}},
        {0, 0, 60, 40, 2, 3, {5, 6, 40, 30}}, {2, 3, 60, 40, 0, 0, {5, 6, 40, 30}},
    };
    constexpr int kPatternW = 80, kPatternH = 60;
    const auto pattern = [](int x, int y) { return static_cast<ColourRef>((x * 7 + y * 131) * 2654435761u & 0xFFFFFF); };
    for (const Move& m : moves) {
        SCOPED_TRACE(testing::Message() << "to " << m.X << "," << m.Y << " from " << m.Sx << "," << m.Sy);
        Clear();
        for (int y = 0; y < kPatternH; ++y)
            for (int x = 0; x < kPatternW; ++x) SetPixel(dc_, x + (m.X > 100 ? kW - kPatternW : 0), y, pattern(x, y));
        std::vector<ColourRef> before(static_cast<size_t>(kW * kH));
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) before[static_cast<size_t>(y * kW + x)] = Px(x, y);
        const Hdc dc = m.Clip.Right != 0 ? GetDC(window_) : dc_;  // a clip of its own
        if (m.Clip.Right != 0) IntersectClipRect(dc, m.Clip);
        BitBlt(dc, m.X, m.Y, m.Width, m.Height, dc, m.Sx, m.Sy, kSrcCopy);
        if (dc != dc_) ReleaseDC(window_, dc);
        int wrong = 0;
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
                const int fx = x - m.X + m.Sx, fy = y - m.Y + m.Sy;
                const bool moved = x >= m.X && x < m.X + m.Width && y >= m.Y && y < m.Y + m.Height && fx >= 0 &&
                                   fx < kW && fy >= 0 && fy < kH &&
                                   (m.Clip.Right == 0 || (x >= m.Clip.Left && x < m.Clip.Right &&
                                                          y >= m.Clip.Top && y < m.Clip.Bottom));
                const ColourRef want = before[static_cast<size_t>(moved ? fy * kW + fx : y * kW + x)];
                if (Px(x, y) != want && ++wrong <= 3) ADD_FAILURE() << "pixel " << x << "," << y;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

// "Microsoft Sans Serif" at the painters' heights and weights: the cell is
// the requested height, the extent matches the drawing, the ink sits below
// the cell's top and inside it.
TEST_F(DrawingTest, FontCellIsTheRequestedHeightAndTextSitsInIt) {
    TextMetrics tm;
    GetTextMetrics(dc_, &tm);
    EXPECT_EQ(tm.Height, 16) << "the default font of a window context";
    SetBackgroundMode(dc_, kTransparent);
    for (int h : {14, 20, 30}) {
        int normalWidth = 0;
        for (int w : {kWeightNormal, kWeightBold, 200, kWeightSemiBold}) {
            SCOPED_TRACE(testing::Message() << "height " << h << " weight " << w);
            const Hfont f = CreateFont(h, w, u"Microsoft Sans Serif");
            const Hfont old = SelectObject(dc_, f);
            ASSERT_TRUE(GetTextMetrics(dc_, &tm));
            EXPECT_EQ(tm.Height, h);
            EXPECT_EQ(tm.Ascent + tm.Descent, h);
            EXPECT_GT(tm.AverageCharWidth, 0);
            Size ext;
            GetTextExtent(dc_, u"HgM", -1, &ext);
            EXPECT_EQ(ext.Cy, h);
            if (w == kWeightNormal) normalWidth = ext.Cx;
            if (w == kWeightBold) {
                EXPECT_GT(ext.Cx, normalWidth);
            }
            Clear();
            const int x = 10, y = 40;
            TextOut(dc_, x, y, u"HgM");
            const Rect ink = Ink();
            EXPECT_GE(ink.Top, y);
            EXPECT_LE(ink.Top, y + h / 3);  // the cap height starts just below the cell top
            EXPECT_LT(ink.Bottom, y + h);   // the descender ends inside the cell
            EXPECT_GE(ink.Left, x);
            EXPECT_LE(ink.Right, x + ext.Cx);
            EXPECT_GE(ink.Right, x + ext.Cx - h / 3);
            SelectObject(dc_, old);
            DeleteObject(f);
        }
    }
}

TEST_F(DrawingTest, OpaqueTextFillsItsCellAndClippedTextStaysInItsBox) {
    SetTextColour(dc_, 0x000000);
    SetBackgroundColour(dc_, kBlue);
    EXPECT_EQ(SetBackgroundMode(dc_, kOpaque), kOpaque);
    TextOut(dc_, 10, 10, u"ii");
    Size ext;
    GetTextExtent(dc_, u"ii", -1, &ext);
    EXPECT_EQ(Px(10, 10), kBlue);
    EXPECT_EQ(Px(10 + ext.Cx - 1, 10 + ext.Cy - 1), kBlue);
    EXPECT_EQ(Px(10 + ext.Cx, 10), kWhite);
    EXPECT_EQ(Px(10, 10 + ext.Cy), kWhite);

    Clear();
    SetBackgroundMode(dc_, kTransparent);
    const Rect box{20, 60, 40, 70};
    ExtTextOut(dc_, 20, 60, kTextClipped, &box, u"WWWWWWWWWW");
    const Rect ink = Ink();
    EXPECT_GE(ink.Left, 20);
    EXPECT_LE(ink.Right, 39);
    EXPECT_LE(ink.Bottom, 69);
    EXPECT_EQ(Ink(Rect{40, 0, kW, kH}).Right, -1);

    Clear();
    Rect centred{0, 80, 100, 100};
    DrawText(dc_, u"&Go", -1, &centred, kDrawTextCenter | kDrawTextVCenter | kDrawTextSingleLine);
    const Rect go = Ink();
    Size g;
    GetTextExtent(dc_, u"Go", -1, &g);
    EXPECT_NEAR((go.Left + go.Right) / 2, 50, 3);
    EXPECT_GE(go.Top, 80);
    EXPECT_LT(go.Bottom, 100);
}

// Readings and positions can put coordinates anywhere in the 32-bit range:
// what falls inside the image is drawn, nothing overflows, nothing hangs.
TEST_F(DrawingTest, FarOffCoordinatesDrawTheirVisiblePartAtOnce) {
    constexpr int32_t kFar = 2000000000;
    const Hpen wide = CreatePen(kPenSolid, 3, kBlue);
    struct Case {
        const char* what;
        void (*draw)(Hdc, Hpen);
        int X, Y;            // a pixel that must be inked
        ColourRef Colour;
        int OffX, OffY;      // a pixel that must stay white
    };
    const Case cases[] = {
        {"row across", [](Hdc dc, Hpen) { MoveTo(dc, -kFar, 5); LineTo(dc, kFar, 5); }, 100, 5, kRed, 100, 6},
        {"column down", [](Hdc dc, Hpen) { MoveTo(dc, 7, kFar); LineTo(dc, 7, -kFar); }, 7, 60, kRed, 8, 60},
        {"diagonal in", [](Hdc dc, Hpen) { MoveTo(dc, -kFar, -kFar); LineTo(dc, 50, 50); }, 49, 49, kRed, 50, 50},
        {"wide pen", [](Hdc dc, Hpen w) { SelectObject(dc, w); MoveTo(dc, -kFar, 40); LineTo(dc, kFar, 40); },
         100, 41, kBlue, 100, 44},
        {"rectangle", [](Hdc dc, Hpen) { Rectangle(dc, -kFar, 20, kFar, 30); }, 100, 25, kGreen, 100, 30},
        {"ellipse", [](Hdc dc, Hpen) { Ellipse(dc, -kFar, -kFar, kFar, kFar); }, 100, 60, kGreen, -1, -1},
        {"fill", [](Hdc dc, Hpen) { FillRect(dc, Rect{-kFar, 10, kFar, 12}, GetStockObject(kBlackBrush)); }, 0, 11,
         0x000000, 0, 12},
        {"pattern", [](Hdc dc, Hpen) { PatBlt(dc, kFar, 70, -kFar - 10, 2, kBlackness); }, 0, 71, 0x000000, 0, 72},
        {"block", [](Hdc dc, Hpen) { BitBlt(dc, -kFar, 0, kFar, kH, dc, -kFar, 0, kSrcCopy); }, -1, -1, 0, 5, 5},
        {"text", [](Hdc dc, Hpen) { TextOut(dc, kFar, kFar, u"far"); }, -1, -1, 0, 5, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Clear();
        SelectObject(dc_, red_);
        SelectObject(dc_, green_);
        c.draw(dc_, wide);
        if (c.X >= 0) {
            EXPECT_EQ(Px(c.X, c.Y), c.Colour);
        }
        if (c.OffX >= 0) {
            EXPECT_EQ(Px(c.OffX, c.OffY), kWhite);
        }
    }
    SelectObject(dc_, red_);
    DeleteObject(wide);
}

TEST_F(DrawingTest, SelectionReturnsThePreviousObjectAndDeletionWaitsForRelease) {
    const Hbrush first = SelectObject(dc_, green_);
    EXPECT_EQ(first, GetStockObject(kWhiteBrush));
    EXPECT_EQ(SelectObject(dc_, first), green_);
    const Hpen pen = CreatePen(kPenSolid, 1, kGreen);
    SelectObject(dc_, pen);
    EXPECT_TRUE(DeleteObject(pen));  // still selected: it keeps drawing
    MoveTo(dc_, 0, 100);
    LineTo(dc_, 10, 100);
    EXPECT_EQ(Px(5, 100), kGreen);
    SelectObject(dc_, GetStockObject(kBlackPen));
    EXPECT_FALSE(DeleteObject(pen));  // gone once let go of
    EXPECT_TRUE(DeleteObject(GetStockObject(kBlackPen)));
    EXPECT_NE(SelectObject(dc_, GetStockObject(kBlackPen)), 0u);

    // A null pen and the null brush draw nothing.
    Clear();
    SelectObject(dc_, GetStockObject(kNullPen));
    SelectObject(dc_, GetStockObject(kNullBrush));
    Rectangle(dc_, 0, 0, 50, 50);
    Ellipse(dc_, 0, 0, 50, 50);
    EXPECT_EQ(Ink().Right, -1);
}

}  // namespace
