// The map commands on the whole road, through the real program on
// pseudo-terminal instruments (a two-sensor console, a GPS walking a line):
// a line logged and paused, the map size changed, the map reviewed and left
// with every tile as it was, a background file loaded and removed, Exit. No
// command writes to the data file: it stays as the pause left it.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "log_screen/log_layout.h"
#include "map/map_tiles.h"
#include "platform/dc.h"
#include "platform/keys.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "resources/background_templates.h"
#include "resources/option_templates.h"
#include "shell/shell_fixture.h"
#include "support/gps_instrument.h"
#include "support/pty_instrument.h"

namespace {

constexpr int kConsoleCom = 41, kGpsCom = 42;

// Both layers of every tile, and how many survey pixels the overlays hold.
struct TileImages {
    std::map<std::pair<int32_t, int32_t>, std::vector<uint32_t>> Layers;
    int SurveyPixels = 0;
};
TileImages SnapshotTiles() {
    TileImages out;
    ForEachMapTile([](int32_t c, int32_t r, MapTile& t, void* images) {
        auto& shot = *static_cast<TileImages*>(images);
        for (const plat::Hbitmap layer : {t.Base, t.Overlay}) {
            for (int32_t y = 0; y < MapTiles.TileHeight; ++y) {
                for (int32_t x = 0; x < MapTiles.TileWidth; ++x) {
                    const uint32_t p = layer != 0 ? plat::GetBitmapPixel(layer, x, y) : 0xFFFFFF;
                    shot.Layers[{c, r}].push_back(p);
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
    static bool RunUntil(Done done) {
        return plat::test::RunEventsUntil([](void* d) { return (*static_cast<Done*>(d))(); }, &done, 10000);
    }
    static void Key(plat::WParam code) { plat::SendMessage(ScreenWindows.LogScreenWindow, plat::kMsgKeyDown, code, 0); }
    static void Click(int mapButton) { ASSERT_TRUE(plat::test::ClickControl(ScreenButtons.MapButtons[mapButton])); }
    static void Press(plat::Hwnd d, int32_t id) { plat::SendMessage(d, plat::kMsgCommand, plat::WParam(id), 0); }
    static void Answer(plat::ModalKind kind, int result, const std::string& text = "",
                       std::function<void(plat::Hwnd)> act = nullptr) {
        plat::ModalAnswer a;
        a.Kind = kind;
        a.Result = result;
        a.Text = plat::Utf8ToUtf16(text);
        if (act) a.Act = [act](int d) { act(d); return -1; };
        plat::test::ScriptModal(a);
    }

    instruments::PtyInstrument console_, gps_;
    instruments::InstrumentFeeder feeder_;
};

TEST_F(CommandsRoadThreaded, MapSizeReviewAndABackgroundFileLeaveTheDataFileAsThePauseLeftIt) {
    ASSERT_EQ(StartOstrima(), 0);
    int reading = 0;
    instruments::GpsWalkOptions walk;
    walk.Format = 1;
    instruments::WalkingGps receiver(walk);
    feeder_.Add(&console_, [&reading] { ++reading; return instruments::ConsoleLine(100 + reading % 90, 300 - reading % 70); });
    feeder_.Add(&gps_, [&receiver] { return receiver.NextEpoch(0.1); });
    ASSERT_TRUE(feeder_.Start(100.0));

    plat::SendMessage(ScreenWindows.MainWindow, plat::kMsgKeyDown, 'L', 0);
    ASSERT_TRUE(RunUntil([] { return plat::IsWindowEnabled(ScreenButtons.MonitoringButtons[0]); }));
    const std::string path = root_ + "/road.osd";
    Answer(plat::ModalKind::SaveFile, 1, path);
    Key('F');
    Key('G');
    ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
    ASSERT_TRUE(RunUntil([] { return SurveyProgress.GpsPositionCount >= 30; }));
    Key(plat::kKeySpace);
    ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
    char paused[32];
    std::snprintf(paused, sizeof paused, "XPAUSED         %10u\n", plat::GetTickCount());
    const std::string atPause = ReadWholeFile(path);
    ASSERT_EQ(atPause.size() % 27, 0u);
    EXPECT_EQ(atPause.substr(0, 9), "OSTRMA  W");
    EXPECT_EQ(atPause.substr(atPause.size() - 27), paused);

    // Map Size: a larger map fits the line; the map redrawn, a beep at the end.
    Answer(plat::ModalKind::Dialog, 0, "", [](plat::Hwnd d) {
        ASSERT_TRUE(plat::test::TypeIntoEdit(plat::GetDialogItem(d, res::kMapScaleSizeId), u"60"));
        Press(d, plat::kIdOk);
    });
    Key('S');
    EXPECT_EQ(MapDisplayOptions.MapSize, 60);
    EXPECT_EQ(plat::test::RecordedSounds().back().Name, "BEEP");

    // Review: zoom and pan a copy; back at the live scale every tile is as it was.
    const TileImages live = SnapshotTiles();
    ASSERT_GT(live.SurveyPixels, 100) << "the line, replayed at the new size";
    for (int b : {kMapEnterReview, kMapZoomIn, kMapLeft, kMapFitAll, kMapExitReview}) Click(b);
    EXPECT_EQ(LogScreenState.ReviewMode, 0);
    EXPECT_EQ(MapDisplayOptions.MapSize, 60);
    const TileImages back = SnapshotTiles();
    for (const auto& [tile, pixels] : live.Layers) {
        const auto again = back.Layers.find(tile);
        EXPECT_TRUE(again != back.Layers.end() && again->second == pixels) << tile.first << "," << tile.second;
    }
    ASSERT_TRUE(RunUntil([] { return MapView.MapViewResetPending == 0; })) << "the next position re-centres the view";

    // A background file beside the walk, in latitude and longitude.
    const std::string plan = root_ + "/PLAN.TXT";
    char line[96];
    std::snprintf(line, sizeof line, "%.7f,%.7f\n%.7f,%.7f\n", walk.OriginLatitude, walk.OriginLongitude + 0.00005,
                  walk.OriginLatitude + 0.00005, walk.OriginLongitude + 0.00005);
    WriteWholeFile(plan, line);
    BackgroundFileOptions.FileType = 1, BackgroundFileOptions.DisplayStyle = 1;
    BackgroundFileOptions.CoordinatesType = 0, BackgroundFileOptions.ColumnDelimiter = 1;
    BackgroundFileOptions.NorthingColumn = 0, BackgroundFileOptions.EastingColumn = 1;
    Answer(plat::ModalKind::PopupMenu, 515);
    Answer(plat::ModalKind::Dialog, 0, "", [](plat::Hwnd d) { Press(d, res::kIdBackgroundOk); });
    Answer(plat::ModalKind::OpenFile, 1, plan);
    Key('M');
    ASSERT_EQ(BackgroundFiles.BackgroundFileCount, 1);
    const std::string temp = root_ + "/cache/Brevant/Temp/PLANTXT.$00";
    EXPECT_EQ(ReadWholeFile(temp).size(), 60u);
    Answer(plat::ModalKind::PopupMenu, 516);
    Answer(plat::ModalKind::Dialog, 0, "", [](plat::Hwnd d) {
        Press(d, res::kIdBackgroundSelectAll);
        Press(d, res::kIdBackgroundOk);
    });
    Key('M');
    EXPECT_EQ(BackgroundFiles.BackgroundFileCount, 0);
    EXPECT_TRUE(ReadWholeFile(temp).empty());

    Answer(plat::ModalKind::MessageBox, plat::kIdYes);
    Key('X');
    feeder_.Stop();
    ASSERT_TRUE(plat::PostMessage(ScreenWindows.MainWindow, plat::kMsgClose, 0, 0));
    EXPECT_EQ(RunUntilQuit(), 0);
    EXPECT_EQ(ReadWholeFile(path), atPause);
    EXPECT_EQ(plat::test::PendingModalAnswers(), 0u);
}

}  // namespace
