// The rasteriser's lines wholly inside a bitmap take a shorter road than
// lines cut by its edges; both must give the same pixels. A line drawn on a
// big bitmap (inside) and the same line moved onto a small one (cut) agree on
// every pixel the small one holds, for every pen width and direction.
#include <gtest/gtest.h>

#include <random>

#include "platform/dc.h"
#include "window_fixture.h"

namespace {

constexpr plat::ColourRef kWhite = 0xFFFFFF, kInk = 0x0000FF;

TEST_F(WindowTest, RasterLinesInsideABitmapEqualTheSameLinesCutByItsEdges) {
    constexpr int32_t kBig = 96, kSmall = 32, kShift = 40;  // the small bitmap shows big x, y 40..71
    const plat::Hbitmap big = plat::CreateCompatibleBitmap(0, kBig, kBig);
    const plat::Hbitmap small = plat::CreateCompatibleBitmap(0, kSmall, kSmall);
    std::mt19937 random(11);
    std::uniform_int_distribution<int32_t> at(4, kBig - 5);
    int differ = 0;
    for (int width = 1; width <= 3; ++width) {
        const plat::Hpen pen = plat::CreatePen(plat::kPenSolid, width, kInk);
        for (int line = 0; line < 400; ++line) {
            const int32_t x1 = at(random), y1 = at(random), x2 = at(random), y2 = at(random);
            plat::FillBitmap(big, kWhite);
            plat::FillBitmap(small, kWhite);
            plat::RasterLine(big, x1, y1, x2, y2, pen);
            plat::RasterLine(small, x1 - kShift, y1 - kShift, x2 - kShift, y2 - kShift, pen);
            for (int32_t y = 0; y < kSmall; ++y)
                for (int32_t x = 0; x < kSmall; ++x)
                    differ += plat::GetBitmapPixel(small, x, y) != plat::GetBitmapPixel(big, x + kShift, y + kShift);
        }
        plat::DeleteObject(pen);
    }
    EXPECT_EQ(differ, 0);
    plat::DeleteObject(big);
    plat::DeleteObject(small);
}

}  // namespace
