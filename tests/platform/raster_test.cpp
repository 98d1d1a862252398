// The rasteriser for bitmaps: its pixel rules (end pixel left out, the pen's
// square, dots as Ellipse draws them), and the synchronous repaint that puts
// a window's drawing on screen without serving anything.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/dc.h"
#include "platform/window.h"
#include "window_fixture.h"

namespace {

constexpr plat::ColourRef kWhite = 0xFFFFFF, kInk = 0x0000FF;

class RasterTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        bmp_ = plat::CreateCompatibleBitmap(0, 40, 40);
        plat::FillBitmap(bmp_, kWhite);
    }
    void TearDown() override {
        plat::DeleteObject(bmp_);
        WindowTest::TearDown();
    }
    int Inked() const {
        int n = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) n += plat::GetBitmapPixel(bmp_, x, y) == kInk;
        return n;
    }
    plat::Hbitmap bmp_ = 0;
};

TEST_F(RasterTest, LinesLeaveOutTheEndPixelAndStampThePensSquare) {
    struct Row { int Width; int32_t X1, Y1, X2, Y2; int Pixels; int32_t InX, InY, OutX, OutY; };
    const Row rows[] = {
        {1, 5, 5, 15, 5, 10, 5, 5, 15, 5},         // start drawn, end left out
        {1, 15, 5, 5, 5, 10, 15, 5, 5, 5},
        {1, 5, 5, 5, 5, 0, -1, -1, 5, 5},          // no length: nothing
        {1, 2, 3, 12, 8, 10, 6, 5, 12, 8},         // shallow: one pixel a column, halves rounded on
        {2, 5, 5, 15, 5, 22, 15, 6, 5, 4},         // 2 px: the row below, one column past the last
        {3, 5, 5, 15, 5, 36, 15, 6, 16, 5},        // 3 px: rows 4..6 and columns 4..15
        {1, -1000000000, 20, 1000000000, 20, 40, 0, 20, 0, 19},  // far beyond both edges
        {1, 50, 50, 60, 70, 0, -1, -1, 39, 39},    // wholly outside
    };
    for (const Row& r : rows) {
        plat::FillBitmap(bmp_, kWhite);
        const plat::Hpen pen = plat::CreatePen(plat::kPenSolid, r.Width, kInk);
        EXPECT_TRUE(plat::RasterLine(bmp_, r.X1, r.Y1, r.X2, r.Y2, pen));
        EXPECT_EQ(Inked(), r.Pixels) << r.Width << " " << r.X1 << "," << r.Y1;
        if (r.InX >= 0) {
            EXPECT_EQ(plat::GetBitmapPixel(bmp_, r.InX, r.InY), kInk) << r.X1;
        }
        EXPECT_EQ(plat::GetBitmapPixel(bmp_, r.OutX, r.OutY), kWhite) << r.X1;
        plat::DeleteObject(pen);
    }
    EXPECT_FALSE(plat::RasterLine(0, 0, 0, 5, 5, plat::GetStockObject(plat::kBlackPen)));
}

TEST_F(RasterTest, DotsHaveThePixelsOfEllipse) {
    const plat::Hpen pen = plat::CreatePen(plat::kPenSolid, 1, 0x00FF00);
    const plat::Hbrush brush = plat::CreateSolidBrush(kInk);
    const plat::Hbitmap viaContext = plat::CreateCompatibleBitmap(0, 40, 40);
    const plat::Hdc dc = plat::CreateCompatibleDC(0);
    for (int r = 0; r <= 4; ++r) {
        for (int32_t at : {-2, 0, 20, 38}) {  // cut by the edges, and whole
            plat::FillBitmap(bmp_, kWhite);
            plat::FillBitmap(viaContext, kWhite);
            plat::RasterEllipse(bmp_, at - 1 - r, at + r + 1, at + r + 1, at - 1 - r, pen, brush);
            plat::SelectObject(dc, viaContext);
            plat::SelectObject(dc, pen);
            plat::SelectObject(dc, brush);
            plat::Ellipse(dc, at - 1 - r, at - 1 - r, at + r + 1, at + r + 1);
            plat::SelectObject(dc, plat::GetStockObject(plat::kBlackPen));
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x)
                    ASSERT_EQ(plat::GetBitmapPixel(bmp_, x, y), plat::GetBitmapPixel(viaContext, x, y))
                        << "r " << r << " at " << at << " pixel " << x << "," << y;
        }
    }
    plat::DeleteDC(dc);
    plat::DeleteObject(viaContext);
    plat::DeleteObject(pen);
    plat::DeleteObject(brush);
}

std::atomic<int> g_served{0};
plat::LResult CountingProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == plat::kMsgUser + 1) ++g_served;
    return plat::DefaultWindowProc(hwnd, message, w, l);
}
uint32_t SendOnce(void* window) {
    plat::SendMessage(static_cast<plat::Hwnd>(reinterpret_cast<intptr_t>(window)), plat::kMsgUser + 1, 0, 0);
    return 0;
}

// Tile bitmaps share mapped chunks, reuse a freed place, and a chunk goes
// back to the system with its last bitmap.
TEST_F(RasterTest, TileBitmapsGiveTheirMemoryBackWithTheLastOfAChunk) {
    const plat::PixelPoolFigures before = plat::GetPixelPoolFigures();
    if (!before.Enabled) GTEST_SKIP() << "bitmaps use the general heap in this build";
    std::vector<plat::Hbitmap> tiles;
    for (int i = 0; i < 40; ++i) tiles.push_back(plat::CreateFilledBitmap(300, 300, kWhite));
    const plat::PixelPoolFigures full = plat::GetPixelPoolFigures();
    EXPECT_EQ(full.Bitmaps - before.Bitmaps, 40);
    EXPECT_GE(full.MappedBytes - before.MappedBytes, 40 * 300 * 300);  // a byte a pixel at least
    EXPECT_LE(full.MappedBytes - before.MappedBytes, 40 * 300 * 300 * 4 + (int64_t{18} << 20));
    plat::RasterInk ink;
    ASSERT_TRUE(plat::GetRasterInk(plat::GetStockObject(plat::kBlackPen), &ink));
    plat::RasterTarget target;
    ASSERT_TRUE(plat::GetRasterTarget(tiles[3], &target));
    plat::RasterLineOn(target, 0, 299, 300, 299, ink);
    EXPECT_EQ(plat::GetBitmapPixel(tiles[3], 299, 299), 0x000000u);
    EXPECT_EQ(plat::GetBitmapPixel(tiles[4], 0, 0), kWhite) << "its neighbour in the chunk untouched";
    plat::DeleteObject(tiles[5]);
    tiles[5] = plat::CreateFilledBitmap(300, 300, kWhite);
    EXPECT_EQ(plat::GetPixelPoolFigures().MappedBytes, full.MappedBytes) << "the freed place reused";
    for (plat::Hbitmap b : tiles) plat::DeleteObject(b);
    EXPECT_EQ(plat::GetPixelPoolFigures().MappedBytes, before.MappedBytes);
    EXPECT_EQ(plat::GetPixelPoolFigures().Bitmaps, before.Bitmaps);
}

// A tile bitmap holds palette indices; drawn, filled, read, composed by
// block transfer and drawn through a context it gives the pixels of an
// RGB32 bitmap given the same, also once the palette is full (the tile then
// becomes RGB32 itself).
TEST_F(RasterTest, PaletteTilesGiveThePixelsOfRgbBitmaps) {
    const plat::Hbitmap tile = plat::CreateFilledBitmap(40, 40, kWhite);
    const plat::Hbitmap plain = plat::CreateCompatibleBitmap(0, 40, 40);
    plat::FillBitmap(plain, kWhite);
    std::vector<plat::Hgdi> objects;
    auto same = [&](const char* what) {
        int differ = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) differ += plat::GetBitmapPixel(tile, x, y) != plat::GetBitmapPixel(plain, x, y);
        EXPECT_EQ(differ, 0) << what;
    };
    for (int i = 0; i < 300; ++i) {  // more colours than a palette holds
        const plat::ColourRef c = static_cast<plat::ColourRef>(0x010203 * i + 0x30);
        objects.push_back(plat::CreatePen(plat::kPenSolid, 1 + i % 3, c));
        objects.push_back(plat::CreateSolidBrush(c ^ 0x00FFFF));
        const int32_t a = i % 37, b = (i * 7) % 41 - 1;
        for (plat::Hbitmap bmp : {tile, plain}) {
            plat::RasterLine(bmp, a, b, b, 39 - a, objects[objects.size() - 2]);
            if (i % 5 == 0) plat::RasterEllipse(bmp, b, a, b + 6, a + 5, objects[objects.size() - 2], objects.back());
        }
        if (i == 40) same("lines and dots in palette colours");
    }
    same("past a full palette");
    const plat::Hdc from = plat::CreateCompatibleDC(0), to = plat::CreateCompatibleDC(0);
    const plat::Hbitmap a = plat::CreateCompatibleBitmap(0, 40, 40), b = plat::CreateCompatibleBitmap(0, 40, 40);
    const plat::Hbitmap fresh = plat::CreateFilledBitmap(30, 30, 0x00C0C0C0);
    plat::RasterLine(fresh, 0, 3, 29, 20, objects[0]);
    for (const auto& [target, source] : {std::pair{a, fresh}, std::pair{b, plat::Hbitmap{0}}}) {
        plat::SelectObject(to, target);
        plat::FillBitmap(target, 0x00F0E0D0);
        if (source == 0) {  // the same drawing in an RGB32 bitmap
            const plat::Hbitmap wide = plat::CreateCompatibleBitmap(0, 30, 30);
            plat::FillBitmap(wide, 0x00C0C0C0);
            plat::RasterLine(wide, 0, 3, 29, 20, objects[0]);
            plat::SelectObject(from, wide);
            objects.push_back(wide);
        } else {
            plat::SelectObject(from, source);
        }
        plat::BitBlt(to, 2, 3, 30, 30, from, 0, 0, plat::kSrcCopy);
        plat::BitBlt(to, 9, 1, 30, 30, from, 0, 0, plat::kSrcAnd);
        plat::SelectObject(to, plat::CreateCompatibleBitmap(0, 1, 1));
        plat::SelectObject(from, plat::CreateCompatibleBitmap(0, 1, 1));
    }
    int differ = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) differ += plat::GetBitmapPixel(a, x, y) != plat::GetBitmapPixel(b, x, y);
    EXPECT_EQ(differ, 0) << "composed from a palette tile as from an RGB32 bitmap";
    plat::SelectObject(to, fresh);  // a context drawing into a palette tile
    plat::FillRect(to, plat::Rect{1, 1, 5, 5}, objects[1]);
    EXPECT_EQ(plat::GetBitmapPixel(fresh, 2, 2), plat::BrushColour(objects[1]));
    EXPECT_EQ(plat::GetBitmapPixel(fresh, 10, 20), 0x00C0C0C0u);
    plat::DeleteDC(from);
    plat::DeleteDC(to);
    for (plat::Hgdi o : objects) plat::DeleteObject(o);
    for (plat::Hbitmap bmp : {tile, plain, a, b, fresh}) plat::DeleteObject(bmp);
}

TEST_F(RasterTest, PaintWindowNowShowsTheDrawingWithoutServingAHandOver) {
    plat::WindowClass cls;
    cls.Name = u"RasterTestWnd";
    cls.Proc = CountingProc;
    ASSERT_TRUE(plat::RegisterWindowClass(cls));
    const plat::Hwnd wnd = plat::CreateWindow(u"RasterTestWnd", u"", plat::kStyleVisible, 0, 0, 80, 60, 0, 0);
    ASSERT_NE(wnd, 0);
    EXPECT_FALSE(plat::PaintWindowNow(wnd + 1000));
    g_served = 0;
    const plat::ThreadHandle t = plat::StartThread(SendOnce, reinterpret_cast<void*>(static_cast<intptr_t>(wnd)));
    while (plat::test::PendingSendCount() == 0) plat::SleepMilliseconds(1);
    const plat::Hdc dc = plat::GetDC(wnd);
    plat::SetPixel(dc, 3, 3, kInk);
    plat::ReleaseDC(wnd, dc);
    EXPECT_TRUE(plat::PaintWindowNow(wnd));
    EXPECT_EQ(g_served.load(), 0) << "no hand-over is served inside";
    EXPECT_EQ(plat::test::WindowPixel(wnd, 3, 3), kInk);
    EXPECT_TRUE(plat::JoinThreadServing(t));
    EXPECT_EQ(g_served.load(), 1);
}

}  // namespace
