// Replay equals live: a survey walked through the real program on pty
// instruments (a two-sensor console, a GPS walking short lines across several
// tiles, also across the equator), paused; every tile's overlay kept; the
// overlays whitened and the data file replayed: every pixel of every tile is
// the same again.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "map/data_file_replay.h"
#include "map/map_tiles.h"
#include "platform/dc.h"
#include "platform/text.h"
#include "shell/shell_fixture.h"
#include "support/gps_instrument.h"
#include "support/pty_instrument.h"

namespace {

using instruments::ConsoleLine;
using instruments::PtyInstrument;

constexpr int kConsoleCom = 35;
constexpr int kGpsCom = 36;

using Overlays = std::map<std::pair<int32_t, int32_t>, std::vector<plat::ColourRef>>;

Overlays KeepOverlays() {
    Overlays out;
    ForEachMapTile(
        [](int32_t col, int32_t row, MapTile& tile, void* context) {
            std::vector<plat::ColourRef> pixels;
            pixels.reserve(static_cast<size_t>(MapTiles.TileWidth) * MapTiles.TileHeight);
            for (int32_t y = 0; y < MapTiles.TileHeight; ++y)
                for (int32_t x = 0; x < MapTiles.TileWidth; ++x) pixels.push_back(plat::GetBitmapPixel(tile.Overlay, x, y));
            (*static_cast<Overlays*>(context))[{col, row}] = std::move(pixels);
        },
        &out);
    return out;
}

int64_t Drawn(const Overlays& tiles) {
    int64_t n = 0;
    for (const auto& [key, pixels] : tiles)
        for (plat::ColourRef p : pixels) n += (p & 0xFFFFFF) != 0xFFFFFF;
    return n;
}

class ReplayEqualsLiveThreaded : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        SystemSetup.ConsoleCount = 1;
        SystemSetup.ConsoleType[0] = 1;
        SystemSetup.ConsolePort[0] = kConsoleCom - 1;
        GpsPortSetup.InputMode = 1;
        GpsPortSetup.DataFormat = 1;  // GGA
        GpsPortSetup.Port = kGpsCom - 1;
        ASSERT_TRUE(console_.Open(kConsoleCom)) << console_.Error();
        ASSERT_TRUE(gps_.Open(kGpsCom)) << gps_.Error();
    }
    void TearDown() override {
        DeleteAllMapTiles();
        ShellTest::TearDown();
    }
    template <typename Done>
    static bool RunUntil(Done done, uint32_t ms = 10000) {
        return plat::test::RunEventsUntil([](void* d) { return (*static_cast<Done*>(d))(); }, &done, ms);
    }
    static void Key(plat::Hwnd window, plat::WParam code) { plat::SendMessage(window, plat::kMsgKeyDown, code, 0); }

    PtyInstrument console_, gps_;
};

struct Row {
    int32_t DisplayType;   // 0 sensor positions, 1 colour map
    int32_t PositionSize;  // positions view: 0..3 dots, 4 and 5 bars
    double OriginLatitude = 48.1173;  // -0.00001: the lines cross the equator north and back south
};

class ReplayEqualsLiveThreadedRows : public ReplayEqualsLiveThreaded, public testing::WithParamInterface<Row> {};

TEST_P(ReplayEqualsLiveThreadedRows, ReplayingTheFileDrawsTheLiveTilesPixelForPixel) {
    const Row row = GetParam();
    ASSERT_EQ(StartOstrima(), 0);
    MapDisplayOptions.DisplayType = row.DisplayType;
    MapDisplayOptions.PositionSize = row.PositionSize;
    MapDisplayOptions.MapSize = 4;  // a few metres cross several tiles
    const plat::Hwnd main = ScreenWindows.MainWindow;

    instruments::GpsWalkOptions walk;
    walk.Format = 1;
    walk.LineLength = 3.0;  // short lines: the walk turns and comes back
    walk.LineSpacing = 1.0;
    walk.OriginLatitude = row.OriginLatitude;
    instruments::WalkingGps receiver(walk);
    Key(main, 'L');
    gps_.Write(receiver.NextEpoch(0.1));
    ASSERT_TRUE(RunUntil([] { return plat::IsWindowEnabled(ScreenButtons.MonitoringButtons[0]); }));
    const plat::Hwnd log = ScreenWindows.LogScreenWindow;
    plat::ModalAnswer save;
    save.Kind = plat::ModalKind::SaveFile;
    save.Result = 1;
    save.Text = plat::Utf8ToUtf16(root_ + "/replay.osd");
    plat::test::ScriptModal(save);
    Key(log, 'F');
    Key(log, 'G');
    ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
    // Played step by step: readings across the scale, then a fix 0.1 m on.
    // Every seventh line holds a field that is no reading or does not fit the record.
    const char* const odd[] = {"$PBAR,   -12.5,  +7.25\r\n", "$PBAR,  300.125,  400.125\r\n", "$PBAR, 12345.678,55\r\n",
                               "$PBAR,,  400\r\n", "$PBAR, nan,  400\r\n", "$PBAR, inf,  423\r\n",
                               "$PBAR, 2t63,  363\r\n", "$PBAR,  1234567890123\r\n"};
    for (int fix = 1, reading = 0; fix <= 70; ++fix) {
        for (int k = 0; k < 3; ++k, ++reading) {
            console_.Write(reading % 7 == 6 ? std::string(odd[reading / 7 % 8])
                                            : ConsoleLine(20 + reading * 37 % 460, 480 - reading * 13 % 460));
        }
        ASSERT_TRUE(RunUntil([reading] { return SurveyProgress.RecordCount >= reading; })) << "readings of fix " << fix;
        gps_.Write(receiver.NextEpoch(0.1));
        ASSERT_TRUE(RunUntil([fix] { return SurveyProgress.GpsPositionCount >= fix; })) << "fix " << fix;
    }
    plat::test::ClickControl(ScreenButtons.PauseButton);
    ASSERT_NE(LogScreenState.LoggingState.load(), 1);

    const Overlays live = KeepOverlays();
    ASSERT_GE(live.size(), 4u) << "the walk crosses tiles";
    ASSERT_GT(Drawn(live), 200) << "the live map drew the swath";

    RebuildMapTiles(1);
    ASSERT_EQ(Drawn(KeepOverlays()), 0);
    ReplayCounts counts;
    ASSERT_TRUE(ReplayDataFile(&counts));
    EXPECT_GE(counts.Bars, 60);
    EXPECT_EQ(counts.Refused, 0);
    const Overlays replayed = KeepOverlays();
    ASSERT_EQ(replayed.size(), live.size()) << "the replay made no tile the live map had not";
    for (const auto& [key, pixels] : live) {
        const auto& again = replayed.at(key);
        int64_t differ = 0;
        for (size_t i = 0; i < pixels.size(); ++i) differ += pixels[i] != again[i];
        EXPECT_EQ(differ, 0) << "tile " << key.first << "," << key.second;
    }

    ASSERT_TRUE(plat::PostMessage(main, plat::kMsgClose, 0, 0));
    EXPECT_EQ(RunUntilQuit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Views, ReplayEqualsLiveThreadedRows,
                         testing::Values(Row{1, 4}, Row{0, 5}, Row{0, 2}, Row{1, 4, -0.00001}, Row{0, 5, -0.00001}),
                         [](const testing::TestParamInfo<Row>& info) {
                             return (info.param.DisplayType != 0 ? std::string("Colour") : std::string("Positions")) +
                                    std::to_string(info.param.PositionSize) +
                                    (info.param.OriginLatitude < 0.0 ? "AcrossTheEquator" : "");
                         });

}  // namespace
