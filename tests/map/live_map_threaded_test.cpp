// The map as the operator watches it: the real program on pseudo-terminal
// instruments (a two-sensor console and a GPS walking north), the logging
// screen opened, a data file chosen, Go; the colour swath appears in the map
// window along the walked track, behind the cursor, and the data file holds
// the swath records.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "log_screen/panel_objects.h"
#include "platform/text.h"
#include "shell/shell_fixture.h"
#include "support/gps_instrument.h"
#include "support/pty_instrument.h"

namespace {

using instruments::ConsoleLine;
using instruments::PtyInstrument;

constexpr int kConsoleCom = 33;
constexpr int kGpsCom = 34;

class LiveMapThreaded : public ShellTest {
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
    void TearDown() override { ShellTest::TearDown(); }
    template <typename Done>
    static bool RunUntil(Done done, uint32_t ms = 10000) {
        return plat::test::RunEventsUntil([](void* d) { return (*static_cast<Done*>(d))(); }, &done, ms);
    }
    static void Key(plat::Hwnd window, plat::WParam code) { plat::SendMessage(window, plat::kMsgKeyDown, code, 0); }

    PtyInstrument console_, gps_;
};

TEST_F(LiveMapThreaded, TheColourSwathAppearsAlongTheWalkedTrack) {
    ASSERT_EQ(StartOstrima(), 0);
    const plat::Hwnd main = ScreenWindows.MainWindow, log = ScreenWindows.LogScreenWindow;
    int reading = 0;
    instruments::GpsWalkOptions walk;
    walk.Format = 1;
    instruments::WalkingGps receiver(walk);
    // The instruments are played step by step: a fix once the last was
    // taken, 0.1 m apart, and readings across the scale between fixes.
    Key(main, 'L');
    gps_.Write(receiver.NextEpoch(0.1));
    ASSERT_TRUE(RunUntil([] { return plat::IsWindowEnabled(ScreenButtons.MonitoringButtons[0]); }));
    const std::string path = root_ + "/map.osd";
    plat::ModalAnswer save;
    save.Kind = plat::ModalKind::SaveFile;
    save.Result = 1;
    save.Text = plat::Utf8ToUtf16(path);
    plat::test::ScriptModal(save);
    Key(log, 'F');
    Key(log, 'G');
    ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
    for (int fix = 1; fix <= 40; ++fix) {
        if (fix > 1) {
            for (int k = 0; k < 3; ++k, ++reading) console_.Write(ConsoleLine(20 + reading * 37 % 460, 480 - reading * 13 % 460));
            ASSERT_TRUE(RunUntil([] { return ReadingSamples.SampleCount[0] >= 3; })) << "readings of fix " << fix;
        }
        gps_.Write(receiver.NextEpoch(0.1));
        ASSERT_TRUE(RunUntil([fix] { return SurveyProgress.GpsPositionCount >= fix; })) << "fix " << fix;
    }

    // The map window: coloured pixels (colours of the scale) in a band below
    // the cursor, about as long as the walk and as wide as the swath.
    int32_t w = 0, h = 0;
    std::vector<uint32_t> image(1024 * 1024);
    ASSERT_TRUE(plat::test::ReadWindowImage(ScreenWindows.MapWindow, image.data(), image.size(), &w, &h));
    std::vector<uint32_t> scale;
    for (int i = 0; i <= ColourScaleRecord::ColourMaxIndex; ++i) scale.push_back(ColourScaleColour(i));
    int coloured = 0, minX = w, maxX = -1, minY = h, maxY = -1;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            if (std::find(scale.begin(), scale.end(), image[static_cast<size_t>(y * w + x)] & 0xFFFFFF) == scale.end())
                continue;
            ++coloured;
            minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    }
    const double perMetre = MapDisplayOptions.MapPixelsPerUnit;
    ASSERT_GT(coloured, 0) << "no swath in the map window";
    EXPECT_GE(maxY - minY, 3.0 * perMetre) << "the swath runs along the walk";
    EXPECT_LE(maxX - minX, (ArrayGeometry.MapSwathLeft + ArrayGeometry.MapSwathRight) * perMetre + 4);
    EXPECT_GE(minY, MapView.PositionWindowY - 1.0 * perMetre) << "the swath trails the cursor";
    EXPECT_GT(coloured, (maxY - minY) * (maxX - minX) / 2) << "the band is filled";

    // The data file: the segment start and a bar per fix.
    ASSERT_TRUE(plat::PostMessage(main, plat::kMsgClose, 0, 0));
    EXPECT_EQ(RunUntilQuit(), 0);
    const std::string bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size() % 27, 0u);
    int starts = 0, bars = 0;
    for (size_t at = 0; at < bytes.size(); at += 27) {
        if (bytes.compare(at, 2, "{0") == 0) ++starts;
        if (bytes.compare(at, 2, "{e") == 0) ++bars;
    }
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(bars, 39) << "a bar at every fix but the first of the segment";
}

}  // namespace
