// The display, audio and map option dialogs: what OK stores in memory and in
// the settings file, that a reload gives the same, that Cancel leaves the
// file and every value as they were (live previews included), hostile text
// in every numeric edit, and the map preview at extreme angles.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "log_screen/panel_objects.h"
#include "platform/colour_chooser.h"
#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/keys.h"
#include "platform/modal_script.h"
#include "platform/window.h"
#include "resources/option_templates.h"
#include "shell/option_dialogs.h"
#include "support/test_env.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

using plat::Hwnd;
using Runner = int (*)(Hwnd);

constexpr int kNotEnded = 99;  // what a run returns when the procedure never ended it

void Type(Hwnd d, int32_t id, const char16_t* text) {
    ASSERT_TRUE(plat::test::TypeIntoEdit(plat::GetDialogItem(d, id), text)) << id;
}
void Choose(Hwnd d, int32_t id, int32_t index) {
    ASSERT_TRUE(plat::test::ChooseComboItem(plat::GetDialogItem(d, id), index)) << id;
}
void Click(Hwnd d, int32_t id) { ASSERT_TRUE(plat::test::ClickControl(plat::GetDialogItem(d, id))) << id; }
void Command(Hwnd d, int32_t id) { plat::SendMessage(d, plat::kMsgCommand, static_cast<plat::WParam>(id), 0); }
std::u16string Text(Hwnd d, int32_t id) {
    char16_t text[128] = {};
    plat::GetDialogItemText(d, id, text, 128);
    return text;
}
void ScriptColour(int result, plat::ColourRef colour) {
    plat::ModalAnswer a;
    a.Kind = plat::ModalKind::Colour;
    a.Result = result;
    a.Colour = colour;
    plat::test::ScriptModal(a);
}

// Pixels of `colour` inside the owner-drawn control, its frame left out.
int CountPixels(Hwnd d, int32_t id, plat::ColourRef colour) {
    const Hwnd control = plat::GetDialogItem(d, id);
    plat::InvalidateRect(control, nullptr, true);
    plat::test::ProcessEvents();
    std::vector<uint32_t> image(1 << 18);
    int32_t w = 0, h = 0;
    if (!plat::test::ReadWindowImage(control, image.data(), image.size(), &w, &h)) return -1;
    int n = 0;
    for (int32_t y = 4; y < h - 4; ++y) {
        for (int32_t x = 4; x < w - 4; ++x) n += image[static_cast<size_t>(y * w + x)] == colour;
    }
    return n;
}

// Every value the dialogs store and what the settings reader derives from them.
std::vector<double> StoredValues() {
    const MapDisplayOptionsRecord& m = MapDisplayOptions;
    const ProfileDisplayOptionsRecord& p = ProfileDisplayOptions;
    const ReadingsScaleRecord& r = ReadingsScale;
    const ArrayGeometryRecord& a = ArrayGeometry;
    return {double(m.CursorSize), double(m.PositionSize), double(m.CursorColor), double(m.PositionColor),
            double(m.DisplayType), double(m.GridType), m.GridInterval, m.LinesAngle, double(m.MapSize),
            double(m.CursorBand), double(m.CursorHalfSize), double(m.CursorOuterSize), double(m.CursorBandPixels),
            double(p.Visible[0]), double(p.Visible[1]), double(p.Thickness[0]), double(p.Thickness[1]),
            double(p.Color[0]), double(p.Color[1]), r.Minimum, r.Maximum, r.CurvePixelsPerUnit,
            r.DecayPixelsPerUnit, r.ColourStep, SpeedBar.Scale, double(AudioOptions.Ticks),
            double(AudioOptions.DisconnectionAlarm), double(AudioOptions.GpsMaskWarning),
            double(SystemSetup.SpeedUnits), a.MapSwathLeft, a.MapSwathRight, a.MapSwathLeft2, a.MapSwathRight2};
}
// ... and the run-time values a dialog derives or previews.
std::vector<double> AllValues() {
    std::vector<double> v = StoredValues();
    v.insert(v.end(), {MapDisplayOptions.MapPixelsPerUnit, SpeedBar.PixelsPerUnit,
                       double(MapDisplayOptions.ChangeFlags), double(GdiObjects.ProfilePens[0])});
    return v;
}

class OptionDialogs : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::StartApplication());
        plat::test::ResetWindows();
        ASSERT_TRUE(plat::PrepareProgramFolders());
        Reload();  // a fresh file of built-in values
        plat::WindowClass cls;
        cls.Name = u"OptionOwnerWnd";
        cls.Proc = &plat::DefaultWindowProc;
        plat::RegisterWindowClass(cls);
        owner_ = plat::CreateWindow(u"OptionOwnerWnd", u"Owner", plat::kStyleCaption | plat::kStyleVisible, 100, 50,
                                    900, 700, 0, 0);
        ASSERT_NE(owner_, 0);
    }
    void TearDown() override {
        plat::test::ResetWindows();
        OstrimaTest::TearDown();
    }
    // The settings loaded afresh, over what the main window's creation and
    // the logging start would have made (a 500-pixel map tile, the pens).
    static void Reload() {
        ResetSurveyModel();
        MapTiles.TileWidth = 500;
        LoadSaveSettings(0);
        MapDisplayOptions.MapPixelsPerUnit = 500.0 / MapDisplayOptions.MapSize;
        CreateFixedPens();
        CreateProfilePens(0);
    }
    // Runs the dialog with `act` inside it (act ends it or not); `before`
    // scripts the choosers the dialog opens and sets what it finds.
    int Run(Runner runner, const std::function<void(Hwnd)>& act, const std::function<void()>& before = [] {}) {
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::Dialog;
        a.Result = kNotEnded;
        a.Act = [&act](int d) {
            act(d);
            return -1;
        };
        plat::test::ScriptModal(a);
        before();
        return runner(owner_);
    }
    std::string SettingsBytes() const { return ReadWholeFile(root_ + "/config/Brevant/Ostrima/OSTRMAWIN.INI"); }
    // The dialog's top left corner against its owner's frame.
    void ExpectPlaced(Hwnd d, int divisor) const {
        if (divisor == 0) return;
        plat::Rect o, s;
        plat::GetWindowRect(owner_, &o);
        plat::GetWindowRect(d, &s);
        EXPECT_EQ(s.Left, o.Left + ((o.Right - o.Left) - (s.Right - s.Left)) / 2);
        EXPECT_EQ(s.Top, o.Top + ((o.Bottom - o.Top) - (s.Bottom - s.Top)) / divisor);
    }

    Hwnd owner_ = 0;
};

struct RoundTrip {
    const char* Name;
    Runner Run;
    int Divisor;                            // placement on the owner; 0 = the template's place
    std::function<void()> Before;           // script answers and preconditions
    std::function<void(Hwnd)> Act;          // what the operator does before OK
    int Result;                             // of OK
    bool Saves;                             // OK writes the settings file
    std::function<void()> Expect;           // memory after OK
};

const RoundTrip kRoundTrips[] = {
    {"DISPLAYSETUP", &RunDisplaySetupDialog, 0, [] { ScriptColour(1, 0x123456); },
     [](Hwnd d) {
         EXPECT_EQ(plat::ComboGetSelection(plat::GetDialogItem(d, res::kRightThicknessId)), 2) << "\"3 pixels\"";
         Choose(d, res::kLeftThicknessId, 0);
         Click(d, res::kLeftColourButtonId);
         Choose(d, res::kRightThicknessId, 3);
     },
     0, true,
     [] {
         EXPECT_EQ(ProfileDisplayOptions.Thickness, (std::array<int32_t, 2>{1, 4}));
         EXPECT_EQ(ProfileDisplayOptions.Color, (std::array<Colour, 2>{0x123456, 0x00FF00}));
     }},
    {"READINGSCALE", &RunReadingScaleDialog, 8, [] {},
     [](Hwnd d) {
         Type(d, res::kScaleMinimumId, u"600");  // above the maximum: the bar stays
         EXPECT_EQ(ReadingsScale.Minimum, 0.0);
         Type(d, res::kScaleMinimumId, u"200");  // below it: the bar follows
         EXPECT_EQ(ReadingsScale.Minimum, 200.0);
         Type(d, res::kScaleMaximumId, u"100");
     },
     1, true,
     [] {
         EXPECT_EQ(ReadingsScale.Minimum, 200.0);
         EXPECT_EQ(ReadingsScale.Maximum, 300.0);
         EXPECT_EQ(ReadingsScale.ColourStep, 2.0);
         EXPECT_EQ(ReadingsScale.CurvePixelsPerUnit, ScreenLayout.CurveWindowHeight / 100.0);
         EXPECT_EQ(MapDisplayOptions.ChangeFlags, 0x10u);
         EXPECT_EQ(ConsoleLines.ReadingValid, (std::array<int32_t, kMaxConsoles>{}));
         for (int i = 0; i < 3; ++i) EXPECT_EQ(ProfileTrace.HasPreviousPoint[i], (std::array<int32_t, 2>{})) << i;
         EXPECT_EQ(ProfileTrace.HasPreviousPoint[3], (std::array<int32_t, 2>{1, 1})) << "console not in use";
     }},
    {"MAPSCALE", &RunMapScaleDialog, 8, [] { SystemSetup.DisplayUnits = 2; },
     [](Hwnd d) {
         EXPECT_EQ(Text(d, res::kMapScaleSizeUnitId), u"US feet");
         Type(d, res::kMapScaleSizeId, u"0");
         EXPECT_EQ(Text(d, res::kMapScaleSizeId), u"1") << "shown at once";
         Type(d, res::kMapScaleSizeId, u"120.9");
         Type(d, res::kMapScaleIntervalId, u"0.25");
         Choose(d, res::kCursorBandId, 3);
     },
     1, false,
     [] {
         const MapDisplayOptionsRecord& m = MapDisplayOptions;
         EXPECT_EQ(m.MapSize, 120);
         EXPECT_EQ(m.MapPixelsPerUnit, 500.0 / 120);
         EXPECT_EQ(m.GridInterval, 0.25) << "no lower limit here";
         EXPECT_EQ(m.CursorBand, 3);
         EXPECT_EQ(m.CursorBandPixels, 125);
         EXPECT_EQ(m.ChangeFlags, 0x140u);
         EXPECT_EQ(m.SavedMapSize, 40);
         EXPECT_EQ(m.SavedGridInterval, 5.0);
         EXPECT_EQ(m.SavedCursorBand, 1);
         EXPECT_EQ(m.SavedCursorBandPixels, 75);
     }},
    {"SPEEDSCALE", &RunSpeedScaleDialog, 0, [] {},
     [](Hwnd d) {
         EXPECT_EQ(Text(d, res::kSpeedCurrentId), u"5.00");
         Type(d, res::kSpeedNewId, u"12.5");
         Choose(d, res::kSpeedUnitsId, 2);
     },
     1, true,
     [] {
         EXPECT_EQ(SpeedBar.Scale, 12.5);
         EXPECT_EQ(SystemSetup.SpeedUnits, 2);
         EXPECT_EQ(SpeedBar.PixelsPerUnit, ScreenLayout.SpeedBarLength / 12.5);
     }},
    {"AUDIOFUNCTIONS", &RunAudioFunctionsDialog, 0, [] { AudioOptions.DisconnectionAlarm = 0; },
     [](Hwnd d) {
         Click(d, res::kAudioTicksId);
         Click(d, res::kAudioAlarmId);
     },
     1, true,
     [] {
         EXPECT_EQ(AudioOptions.Ticks, 0);
         EXPECT_EQ(AudioOptions.DisconnectionAlarm, 1);
         EXPECT_EQ(AudioOptions.GpsMaskWarning, 1);
     }},
    {"DISPLAYOPTIONS", &RunDisplayOptionsDialog, 7,
     [] {
         SystemSetup.DisplayUnits = 1;
         ScriptColour(1, 0x0000AA);
         ScriptColour(1, 0x00AA00);
     },
     [](Hwnd d) {
         EXPECT_EQ(Text(d, res::kMapSizeUnitId), u"feet");
         EXPECT_EQ(Text(d, res::kGridIntervalUnitId), u"feet");
         EXPECT_FALSE(plat::IsWindowEnabled(plat::GetDialogItem(d, res::kLinesAngleId)));
         Click(d, res::kCursorSizeFirstId + 5);
         EXPECT_EQ(MapDisplayOptions.CursorHalfSize, 9);
         Click(d, res::kPositionSizeFirstId + 1);
         Click(d, res::kCursorColourId);
         Click(d, res::kPositionColourId);
         EXPECT_GT(CountPixels(d, res::kMapPreviewId, 0x00AA00), 0) << "the preview shows the new colour";
         Type(d, res::kMapSizeId, u"250");
         Click(d, res::kParallelLinesId);
         EXPECT_EQ(Text(d, res::kGridIntervalLabelId), u"Lines Interval:");
         Type(d, res::kGridIntervalId, u"0.2");
         Type(d, res::kLinesAngleId, u"150");
         EXPECT_EQ(MapDisplayOptions.LinesAngle, 150.0) << "kept as typed until OK";
         Choose(d, res::kDisplayTypeId, 0);
     },
     1, true,
     [] {
         const MapDisplayOptionsRecord& m = MapDisplayOptions;
         EXPECT_EQ(m.CursorSize, 5);
         EXPECT_EQ(m.PositionSize, 1);
         EXPECT_EQ(m.CursorColor, 0x0000AAu);
         EXPECT_EQ(m.PositionColor, 0x00AA00u);
         EXPECT_EQ(m.MapSize, 250);
         EXPECT_EQ(m.MapPixelsPerUnit, 2.0);
         EXPECT_EQ(m.GridType, 1);
         EXPECT_EQ(m.GridInterval, 0.5);
         EXPECT_EQ(m.LinesAngle, -30.0);
         EXPECT_EQ(m.DisplayType, 0);
         EXPECT_EQ(ArrayGeometry.MapSwathLeft, ArrayGeometry.SwathLeft / 0.3048);
         EXPECT_EQ(m.ChangeFlags, 0x1EEu);
     }},
};

// Typed values and OK store what they should in memory and in the file, and
// a reload gives the same values; an untouched dialog's OK changes nothing.
TEST_F(OptionDialogs, OkStoresSavesAndReloads) {
    for (const RoundTrip& c : kRoundTrips) {
        SCOPED_TRACE(c.Name);
        Reload();
        ConsoleLines.ReadingValid.fill(1);
        for (auto& curves : ProfileTrace.HasPreviousPoint) curves = {1, 1};
        const std::vector<double> untouched = AllValues();
        EXPECT_EQ(Run(c.Run, [&](Hwnd d) { Command(d, plat::kIdOk); }), c.Result);
        EXPECT_EQ(StoredValues(), std::vector<double>(untouched.begin(), untouched.begin() + StoredValues().size()))
            << "OK on the values as shown";
        EXPECT_EQ(MapDisplayOptions.ChangeFlags, 0u);

        const std::string before = SettingsBytes();
        EXPECT_EQ(Run(
                      c.Run,
                      [&](Hwnd d) {
                          ExpectPlaced(d, c.Divisor);
                          c.Act(d);
                          Command(d, plat::kIdOk);
                      },
                      c.Before),
                  c.Result);
        c.Expect();
        const std::string after = SettingsBytes();
        if (!c.Saves) {
            EXPECT_EQ(after, before);
            continue;
        }
        EXPECT_NE(after, before);
        const std::vector<double> stored = StoredValues();
        ASSERT_TRUE(LoadSaveSettings(1));
        EXPECT_EQ(SettingsBytes(), after) << "the file holds the values in memory";
        Reload();
        EXPECT_EQ(StoredValues(), stored) << "reloaded";
    }
}

// Cancel (the button, the close box or Esc) after changing everything leaves
// the file's bytes and every value as they were, the previews included.
TEST_F(OptionDialogs, CancelLeavesFileAndValues) {
    for (const RoundTrip& c : kRoundTrips) {
        SCOPED_TRACE(c.Name);
        ConsoleLines.ReadingValid.fill(1);
        MapDisplayOptions.ChangeFlags = 0x1FF;
        const std::string before = SettingsBytes();
        std::vector<double> values;
        EXPECT_EQ(Run(
                      c.Run,
                      [&](Hwnd d) {
                          c.Act(d);
                          Command(d, plat::kIdCancel);
                      },
                      [&] {
                          c.Before();
                          values = AllValues();
                          const bool reports = c.Run == &RunReadingScaleDialog || c.Run == &RunMapScaleDialog ||
                                               c.Run == &RunDisplayOptionsDialog;
                          if (reports) values[values.size() - 2] = 0;  // ChangeFlags: nothing changed
                      }),
                  0);
        EXPECT_EQ(SettingsBytes(), before);
        EXPECT_EQ(AllValues(), values);
        EXPECT_EQ(ConsoleLines.ReadingValid[0], 1);
    }
    EXPECT_EQ(Run(&RunSpeedScaleDialog, [](Hwnd d) { plat::SendMessage(d, plat::kMsgKeyDown, 'c', 0); }), 0);
    EXPECT_EQ(Run(
                  &RunDisplaySetupDialog,
                  [](Hwnd d) {
                      Click(d, res::kRightColourButtonId);
                      EXPECT_EQ(ProfileDisplayOptions.Color[1], 0x00FF00u) << "a cancelled chooser";
                      Command(d, plat::kIdOk);
                  },
                  [] { ScriptColour(0, 0); }),
              0);
}

// Hostile text in every numeric edit: no undefined behaviour anywhere it
// flows (run under the sanitizers), and every stored value stays usable.
TEST_F(OptionDialogs, HostileTextLeavesUsableValues) {
    const struct {
        Runner Run;
        int32_t Edit;
    } edits[] = {
        {&RunReadingScaleDialog, res::kScaleMinimumId}, {&RunReadingScaleDialog, res::kScaleMaximumId},
        {&RunMapScaleDialog, res::kMapScaleSizeId},     {&RunMapScaleDialog, res::kMapScaleIntervalId},
        {&RunSpeedScaleDialog, res::kSpeedNewId},       {&RunDisplayOptionsDialog, res::kMapSizeId},
        {&RunDisplayOptionsDialog, res::kGridIntervalId}, {&RunDisplayOptionsDialog, res::kLinesAngleId},
    };
    const char16_t* texts[] = {u"", u"abc", u"nan", u"inf", u"1e999", u"0x1A", u"1e10", u"-1e308", u"1e300"};
    MapDisplayOptions.GridType = 1;
    for (const auto& e : edits) {
        for (const char16_t* text : texts) {
            SCOPED_TRACE(testing::Message() << e.Edit << " " << std::string(text, text + std::char_traits<char16_t>::length(text)));
            Run(e.Run, [&](Hwnd d) {
                Type(d, e.Edit, text);
                if (e.Edit == res::kLinesAngleId) {
                    EXPECT_GE(CountPixels(d, res::kMapPreviewId, 0x696969), 0);
                }
                Command(d, plat::kIdOk);
            });
            for (const double v : AllValues()) ASSERT_TRUE(std::isfinite(v));
            const MapDisplayOptionsRecord& m = MapDisplayOptions;
            EXPECT_GE(m.MapSize, 1);
            EXPECT_GT(m.MapPixelsPerUnit, 0.0);
            EXPECT_GT(ReadingsScale.Maximum - ReadingsScale.Minimum, 0.0);
            EXPECT_GT(ReadingsScale.CurvePixelsPerUnit, 0.0);
            EXPECT_GT(SpeedBar.Scale, 0.0);
            EXPECT_TRUE(m.LinesAngle > -90.0 && m.LinesAngle <= 90.0) << m.LinesAngle;
            if (e.Run == &RunDisplayOptionsDialog) {
                EXPECT_GE(m.GridInterval, 0.5);
            }
            const bool mapSize = e.Edit == res::kMapSizeId || e.Edit == res::kMapScaleSizeId;
            if (mapSize && ReadTypedNumber(text) < 1.0) {
                EXPECT_EQ(m.MapSize, 1);
            }
        }
    }
}

// The lines angle as stored, from what was typed.
TEST(LinesAngle, FoldsIntoOneHalfTurn) {
    const struct {
        double Typed, Stored;
    } cases[] = {{120, -60}, {-135, 45}, {-90, 90}, {90, 90}, {180, 0}, {200, 0},    {-180, 0},
                 {-200, 0},  {45.5, 45.5}, {-89.5, -89.5}, {0, 0}, {90.01, -89.99}, {1e300, 0}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(FoldLinesAngle(c.Typed), c.Stored) << c.Typed;
}

// The parallel-lines preview at every angle the operator may type, the
// tiniest included: the lines stay on screen and nothing overflows.
TEST_F(OptionDialogs, PreviewDrawsLinesAtEveryAngle) {
    MapDisplayOptions.GridType = 1;
    const double angles[] = {0.0,  0.0001, -0.0001, 1e-300, 1e-303, -1e-305, 1e-320, 4.9e-324, 4.9, 5.0,
                             14.0, 60.0,   89.99,   90.0,   -90.0,  180.0,   1e10,   -1e308,   1e308};
    for (const double a : angles) {
        SCOPED_TRACE(a);
        MapDisplayOptions.LinesAngle = a;
        Run(&RunDisplayOptionsDialog, [](Hwnd d) {
            EXPECT_GT(CountPixels(d, res::kMapPreviewId, 0x696969), 100) << "lines in the preview";
            Command(d, plat::kIdCancel);
        });
        EXPECT_EQ(MapDisplayOptions.LinesAngle, a);
    }
}

}  // namespace
