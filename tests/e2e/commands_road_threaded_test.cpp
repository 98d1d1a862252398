// The map commands on the whole road, headless, through the real program on
// pseudo-terminal instruments (a two-sensor console and a GPS walking a
// line): a line logged and paused, the map size changed, the map reviewed
// and left, a background file loaded under the survey and removed, and Exit.
// None of the commands writes to the data file: it stays byte for byte as
// the pause left it, ending with the pause's event record.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <vector>
#include <string>

#include "log_screen/log_layout.h"
#include "map/map_tiles.h"
#include "platform/dc.h"
#include "platform/dialog.h"
#include "platform/keys.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "resources/background_templates.h"
#include "resources/option_templates.h"
#include "shell/shell_fixture.h"
#include "support/gps_instrument.h"
#include "support/pty_instrument.h"

namespace {

using instruments::ConsoleLine;
using instruments::InstrumentFeeder;
using instruments::PtyInstrument;

constexpr int kConsoleCom = 41;
constexpr int kGpsCom = 42;

int BackgroundPixels() {
    int n = 0;
    ForEachMapTile([](int32_t, int32_t, MapTile& t, void* count) {
        if (t.Base == 0) return;
        for (int32_t y = 0; y < MapTiles.TileHeight; ++y)
            for (int32_t x = 0; x < MapTiles.TileWidth; ++x)
                *static_cast<int*>(count) += plat::GetBitmapPixel(t.Base, x, y) == GdiObjectsRecord::BackgroundColor;
    }, &n);
    return n;
}

// Both layers of every tile, by column and row.
struct TileImages {
    std::map<std::pair<int32_t, int32_t>, std::vector<uint32_t>> Layers;
    int SurveyPixels = 0;  // overlay pixels that are not white
};
TileImages SnapshotTiles() {
    TileImages out;
    ForEachMapTile([](int32_t c, int32_t r, MapTile& t, void* images) {
        auto& shot = *static_cast<TileImages*>(images);
        std::vector<uint32_t>& pixels = shot.Layers[{c, r}];
        for (const plat::Hbitmap layer : {t.Base, t.Overlay}) {
            for (int32_t y = 0; y < MapTiles.TileHeight; ++y) {
                for (int32_t x = 0; x < MapTiles.TileWidth; ++x) {
                    const uint32_t p = layer != 0 ? plat::GetBitmapPixel(layer, x, y) : 0xFFFFFF;
                    pixels.push_back(p);
                    shot.SurveyPixels += layer == t.Overlay && p != 0xFFFFFF ? 1 : 0;
                }
            }
        }
    }, &out);
    return out;
}

class CommandsRoadThreaded : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        SystemSetup.ConsoleCount = 1;
        SystemSetup.ConsoleType[0] = 1;
        SystemSetup.ConsolePort[0] = kConsoleCom - 1;
        SystemSetup.PauseKey = 2;  // Space
        GpsPortSetup.InputMode = 1;
        GpsPortSetup.DataFormat = 1;  // GGA
        GpsPortSetup.Port = kGpsCom - 1;
        ASSERT_TRUE(console_.Open(kConsoleCom)) << console_.Error();
        ASSERT_TRUE(gps_.Open(kGpsCom)) << gps_.Error();
    }
    void TearDown() override {
        feeder_.Stop();
        ShellTest::TearDown();
    }
    template <typename Done>
    static bool RunUntil(Done done, uint32_t ms = 10000) {
        return plat::test::RunEventsUntil([](void* d) { return (*static_cast<Done*>(d))(); }, &done, ms);
    }
    static void Key(plat::WParam code) { plat::SendMessage(ScreenWindows.LogScreenWindow, plat::kMsgKeyDown, code, 0); }
    static void Press(int mapButton) { ASSERT_TRUE(plat::test::ClickControl(ScreenButtons.MapButtons[mapButton])); }
    static void Answer(plat::ModalKind kind, int result, const std::string& text = "",
                       std::function<void(plat::Hwnd)> act = nullptr) {
        plat::ModalAnswer a;
        a.Kind = kind;
        a.Result = result;
        a.Text = plat::Utf8ToUtf16(text);
        if (act) a.Act = [act](int d) { act(d); return -1; };
        plat::test::ScriptModal(a);
    }
    static void Ok(plat::Hwnd d, int32_t id) { plat::SendMessage(d, plat::kMsgCommand, static_cast<plat::WParam>(id), 0); }

    PtyInstrument console_, gps_;
    InstrumentFeeder feeder_;
};

TEST_F(CommandsRoadThreaded, MapSizeReviewAndABackgroundFileLeaveTheDataFileAsThePauseLeftIt) {
    ASSERT_EQ(StartOstrima(), 0);
    int reading = 0;
    instruments::GpsWalkOptions walk;
    walk.Format = 1;
    instruments::WalkingGps receiver(walk);
    feeder_.Add(&console_, [&reading] { ++reading; return ConsoleLine(100 + reading % 90, 300 - reading % 70); });
    feeder_.Add(&gps_, [&receiver] { return receiver.NextEpoch(0.1); });
    ASSERT_TRUE(feeder_.Start(100.0));

    plat::SendMessage(ScreenWindows.MainWindow, plat::kMsgKeyDown, 'L', 0);
    ASSERT_TRUE(RunUntil([] { return plat::IsWindowEnabled(ScreenButtons.MonitoringButtons[0]); }));
    const std::string path = root_ + "/road.osd";
    Answer(plat::ModalKind::SaveFile, 1, path);
    Key('F');
    ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
    EXPECT_EQ(ReadWholeFile(path).substr(0, 9), "OSTRMA  W");

    // A line: Go, readings and positions along the walk, the pause.
    Key('G');
    ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
    ASSERT_TRUE(RunUntil([] { return SurveyProgress.GpsPositionCount >= 30; }));
    Key(plat::kKeySpace);
    ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
    char paused[32];
    std::snprintf(paused, sizeof paused, "XPAUSED         %10u\n", plat::GetTickCount());
    const std::string atPause = ReadWholeFile(path);
    ASSERT_EQ(atPause.size() % 27, 0u);
    EXPECT_EQ(atPause.substr(atPause.size() - 27), paused);
    EXPECT_NE(atPause.find("X$STARTED   "), std::string::npos);

    // Map Size: a larger map fits the line; saved, the map redrawn, a beep at the end.
    plat::test::ClearRecordedSounds();
    Answer(plat::ModalKind::Dialog, 0, "", [](plat::Hwnd d) {
        ASSERT_TRUE(plat::test::TypeIntoEdit(plat::GetDialogItem(d, res::kMapScaleSizeId), u"60"));
        Ok(d, plat::kIdOk);
    });
    Key('S');
    EXPECT_EQ(MapDisplayOptions.MapSize, 60);
    EXPECT_EQ(LogScreenState.MapOverflowState, 0);
    ASSERT_FALSE(plat::test::RecordedSounds().empty());
    EXPECT_EQ(plat::test::RecordedSounds().back().Name, "BEEP");

    // Review: zoom and pan a copy, then back to the live scale: every tile
    // as it was.
    const TileImages live = SnapshotTiles();
    Press(kMapEnterReview);
    ASSERT_EQ(LogScreenState.ReviewMode, 1);
    Press(kMapZoomIn);
    Press(kMapLeft);
    Press(kMapExitReview);
    EXPECT_EQ(LogScreenState.ReviewMode, 0);
    EXPECT_EQ(MapDisplayOptions.MapSize, 60);
    const TileImages back = SnapshotTiles();
    for (const auto& [tile, pixels] : live.Layers) {
        const auto again = back.Layers.find(tile);
        ASSERT_NE(again, back.Layers.end()) << tile.first << "," << tile.second;
        EXPECT_TRUE(again->second == pixels) << "tile " << tile.first << "," << tile.second << " differs";
    }
    ASSERT_TRUE(RunUntil([] { return MapView.MapViewResetPending == 0; })) << "the next position re-centres the view";

    // A background file beside the walk, in latitude and longitude: drawn
    // into the base tiles, and gone with the file.
    const std::string background = root_ + "/PLAN.TXT";
    char line[96];
    std::snprintf(line, sizeof line, "%.7f,%.7f\n%.7f,%.7f\n", walk.OriginLatitude, walk.OriginLongitude + 0.00005,
                  walk.OriginLatitude + 0.00005, walk.OriginLongitude + 0.00005);
    WriteWholeFile(background, line);
    BackgroundFileOptions.FileType = 1;
    BackgroundFileOptions.DisplayStyle = 1;
    BackgroundFileOptions.CoordinatesType = 0;
    BackgroundFileOptions.ColumnDelimiter = 1;
    BackgroundFileOptions.NorthingColumn = 0;
    BackgroundFileOptions.EastingColumn = 1;
    Answer(plat::ModalKind::PopupMenu, 515);
    Answer(plat::ModalKind::Dialog, 0, "", [](plat::Hwnd d) { Ok(d, res::kIdBackgroundOk); });
    Answer(plat::ModalKind::OpenFile, 1, background);
    Key('M');
    ASSERT_EQ(BackgroundFiles.BackgroundFileCount, 1);
    EXPECT_EQ(ReadWholeFile(root_ + "/cache/Brevant/Temp/PLANTXT.$00").size(), 60u);
    EXPECT_GT(BackgroundPixels(), 0);
    Answer(plat::ModalKind::PopupMenu, 516);
    Answer(plat::ModalKind::Dialog, 0, "", [](plat::Hwnd d) {
        Ok(d, res::kIdBackgroundSelectAll);
        Ok(d, res::kIdBackgroundOk);
    });
    Key('M');
    EXPECT_EQ(BackgroundFiles.BackgroundFileCount, 0);
    EXPECT_EQ(BackgroundPixels(), 0);
    EXPECT_TRUE(ReadWholeFile(root_ + "/cache/Brevant/Temp/PLANTXT.$00").empty());

    // Exit: the file as the pause left it.
    Answer(plat::ModalKind::MessageBox, plat::kIdYes);
    Key('X');
    ASSERT_EQ(ScreenWindows.ScreenMode, 0);
    feeder_.Stop();
    ASSERT_TRUE(plat::PostMessage(ScreenWindows.MainWindow, plat::kMsgClose, 0, 0));
    EXPECT_EQ(RunUntilQuit(), 0);
    EXPECT_EQ(ReadWholeFile(path), atPause);
    EXPECT_EQ(plat::test::PendingModalAnswers(), 0u);
}

}  // namespace
