// The setup dialogs: what OK stores in memory and in the settings file (and
// a reload gives back), what Cancel leaves untouched, and hostile text in
// every numeric edit.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/text.h"
#include "resources/setup_templates.h"
#include "shell/gps_dialogs.h"
#include "shell/setup_fixture.h"
#include "survey_files/settings_file.h"
#include "survey_files/text_helpers.h"

namespace {

using namespace res;

struct DialogCase {
    const char* Name;
    char Letter;                 // the start-screen key that opens it; 0 = "GPSMASK" over the main window
    void (*Prepare)();           // settings before the dialog opens
    std::vector<Step> Steps;     // what the operator does
    void (*Expect)();            // what OK stored (checked again after a reload)
};

const DialogCase kCases[] = {
    {"SURVEYSETUP", 'S', [] { SurveyProgress.StationStarted = 1; },
     {{Op::Type, kIdLineName, u"ABCDEFGHIJKLMN"},
      {Op::Type, kIdLineIncrement, u"2.5"},
      {Op::Choose, kIdLineSequence, u"", 1},
      {Op::Choose, kIdLineDirection, u"", 3},
      {Op::Type, kIdStartStation, u"10.125"},
      {Op::Type, kIdStationIncrement, u"-0.5"}},
     [] {
         const SurveyParametersRecord& p = SurveyParameters;
         EXPECT_EQ(std::u16string(p.LineName), u"ABCDEFGHIJK") << "cut at 11 characters";
         EXPECT_EQ(p.LineIncrement, 2.5);
         EXPECT_EQ(p.LineSequence, 1);
         EXPECT_EQ(p.LineDirection, 3);
         EXPECT_EQ(p.StartStation, 10.125);
         EXPECT_EQ(p.CurrentStation, 10.125);
         EXPECT_EQ(p.StationIncrement, -0.5);
         EXPECT_EQ(SurveyProgress.StationStarted, 0);
     }},
    // From no console and an averaging GPS mode to two consoles: the mode
    // comes back to "Enabled".
    {"SYSTEM", 'T',
     [] {
         SystemSetup.ConsoleCount = 0;
         GpsPortSetup.InputMode = 4;
     },
     {{Op::Choose, kIdConsoleCount, u"", 1},
      {Op::Choose, kIdFirstConsoleType, u"", 0},
      {Op::Choose, kIdLeadingPoint, u"", 3},
      {Op::Choose, kIdFirstConsolePort, u"", 30},
      {Op::Choose, kIdSystemGpsPort, u"", 5},
      {Op::Choose, kIdPauseKey, u"", 2},
      {Op::Choose, kIdSpeedUnits, u"", 3},
      {Op::Choose, kIdDisplayUnits, u"", 1},
      {Op::Choose, kIdCoordinatesDisplay, u"", 2},
      {Op::Click, kIdAudioTicks}},
     [] {
         const SystemSetupRecord& s = SystemSetup;
         EXPECT_EQ(s.ConsoleCount, 2);
         EXPECT_EQ(s.ConsoleType[0], 0);
         EXPECT_EQ(s.DualConsoleCount, 1);
         EXPECT_EQ(s.ConsoleSensorCount[0], 1);
         EXPECT_EQ(s.ConsoleSensorCount[1], 2);
         EXPECT_EQ(s.LeadingPoint, 3);
         EXPECT_EQ(s.ConsolePort[0], 30);
         EXPECT_EQ(GpsPortSetup.Port, 5);
         EXPECT_EQ(s.PauseKey, 2);
         EXPECT_EQ(s.SpeedUnits, 3);
         EXPECT_EQ(s.DisplayUnits, 1);
         EXPECT_EQ(s.CoordinatesDisplay, 2);
         EXPECT_EQ(AudioOptions.Ticks, 0);
         EXPECT_EQ(AudioOptions.DisconnectionAlarm, 1);
         EXPECT_EQ(GpsPortSetup.InputMode, 1);
         EXPECT_EQ(ArrayGeometry.ArrayWidth, 2.0);                       // 1 x 1.0 + 1 x 1.0
         EXPECT_DOUBLE_EQ(ArrayGeometry.MapSwathLeft, 3.0 / 0.3048);     // (2.5 + 0.5) in feet
     }},
    // Centimetres: 0.5 m shows as 50.00 and, left alone, stays 0.5 m exactly.
    {"ARRAYGEOMETRY in cm", 'A',
     [] {
         ArrayGeometry.ArrayUnits = 1;
         ArrayGeometry.UnitSeparation = 0.5;
     },
     {{Op::Type, kIdConsoleSeparation, u"120"}},
     [] {
         const ArrayGeometryRecord& a = ArrayGeometry;
         EXPECT_EQ(a.ArrayUnits, 1);
         EXPECT_EQ(a.UnitSeparation, 0.5);
         EXPECT_EQ(a.ConsoleSeparation, 120 * 0.01);
         EXPECT_EQ(a.GpsAntennaOffsetX, 2.5);
         EXPECT_EQ(a.MinSeparation, 0.5);
         EXPECT_EQ(a.ArrayWidth, 2 * (120 * 0.01) + 3 * 0.5);
     }},
    // Another unit with the numbers left alone: they are taken in that unit.
    {"ARRAYGEOMETRY to feet", 'A', [] {}, {{Op::Click, kIdFirstArrayUnit + 2}},
     [] {
         const ArrayGeometryRecord& a = ArrayGeometry;
         EXPECT_EQ(a.ArrayUnits, 2);
         EXPECT_EQ(a.UnitSeparation, 0.3048);
         EXPECT_EQ(a.ConsoleSeparation, 0.3048);
         EXPECT_EQ(a.GpsAntennaOffsetX, 2.5 * 0.3048);
         EXPECT_EQ(a.GpsAntennaOffsetY, 0.5 * 0.3048);
         EXPECT_EQ(a.SwathLeft, 2.5 * 0.3048 + 0.3048 / 2);
     }},
    {"GPSINPUT", 'G', [] {},
     {{Op::Choose, kIdInputMode, u"", 0},
      {Op::Choose, kIdDataFormat, u"", 7},
      {Op::Choose, kIdGpsPort, u"", 10},
      {Op::Choose, kIdBaudRate, u"", 5},
      {Op::Choose, kIdParity, u"", 2},
      {Op::Choose, kIdDataBits, u"", 0},
      {Op::Choose, kIdStopBits, u"", 1},
      {Op::Choose, kIdInputWarning, u"", 0},
      {Op::Choose, kIdInputQuality, u"", 4},
      {Op::Type, kIdInputDilution, u"2.5"},
      {Op::Choose, kIdInputSatellites, u"", 2},
      {Op::Click, kIdInputAudioWarning}},
     [] {
         const GpsPortSetupRecord& g = GpsPortSetup;
         EXPECT_EQ(g.InputMode, 0);
         EXPECT_EQ(g.DataFormat, 7);
         EXPECT_EQ(g.Port, 10);
         EXPECT_EQ(g.BaudRate, 5);
         EXPECT_EQ(g.Parity, 2);
         EXPECT_EQ(g.DataBits, 0);
         EXPECT_EQ(g.StopBits, 1);
         EXPECT_EQ(GpsWarningMask.Warning, 0);
         EXPECT_EQ(GpsWarningMask.MinQuality, 4);
         EXPECT_EQ(GpsWarningMask.MaxDilution, 2.5);
         EXPECT_EQ(GpsWarningMask.MinSatellites, 5);
         EXPECT_EQ(AudioOptions.GpsMaskWarning, 0);
     }},
    {"GPSMASK", 0, [] {},
     {{Op::Choose, kIdMaskWarning, u"", 0},
      {Op::Choose, kIdMaskQuality, u"", 2},
      {Op::Type, kIdMaskDilution, u"1.5"},
      {Op::Choose, kIdMaskSatellites, u"", 9},
      {Op::Click, kIdMaskAudioWarning}},
     [] {
         EXPECT_EQ(GpsWarningMask.Warning, 0);
         EXPECT_EQ(GpsWarningMask.MinQuality, 2);
         EXPECT_EQ(GpsWarningMask.MaxDilution, 1.5);
         EXPECT_EQ(GpsWarningMask.MinSatellites, 12);
         EXPECT_EQ(AudioOptions.GpsMaskWarning, 0);
     }},
};

using SetupDialogs = SetupTest;

// The built-in settings as a program start has them (derived values worked
// out), then the case's own, saved.
void Fresh(const DialogCase& c) {
    ResetSurveyModel();
    LoadSaveSettings(1);
    LoadSaveSettings(0);
    c.Prepare();
    LoadSaveSettings(1);
}

// Opens the case's dialog the way the operator does; the result of GPSMASK.
int Open(const DialogCase& c, plat::Hwnd main) {
    if (c.Letter == 0) return RunGpsMaskDialog(main);
    plat::SendMessage(main, plat::kMsgKeyDown, static_cast<plat::WParam>(c.Letter), 0);
    return -1;
}

TEST_F(SetupDialogs, OkStoresSavesAndAReloadGivesTheSame) {
    for (const DialogCase& c : kCases) {
        SCOPED_TRACE(c.Name);
        Fresh(c);
        Script(c.Steps, plat::kIdOk);
        const int result = Open(c, main_);
        EXPECT_EQ(result, c.Letter == 0 ? 1 : -1);
        c.Expect();
        const std::string saved = SettingsBytes();
        ResetSurveyModel();
        ASSERT_TRUE(LoadSaveSettings(0));
        c.Expect();
        LoadSaveSettings(1);
        EXPECT_EQ(SettingsBytes(), saved) << "the reloaded settings write the same file";
    }
}

// Whatever ends a dialog other than OK (Cancel, the C key where it cancels)
// leaves the file's bytes and every value as they were, also the console
// types and the leading point the system dialog changes as the operator picks.
TEST_F(SetupDialogs, CancelLeavesTheFileAndEveryValueAlone) {
    for (const DialogCase& c : kCases) {
        for (const plat::WParam key : {plat::WParam{0}, plat::WParam{'C'}, plat::WParam{'c'}}) {
            if (key != 0 && (c.Letter == 0 || c.Letter == 'G')) continue;  // no key cancels the GPS dialogs
            SCOPED_TRACE(testing::Message() << c.Name << " key " << key);
            Fresh(c);
            SystemSetup.LeadingPoint = 6;
            LoadSaveSettings(1);
            const std::string before = SettingsBytes();
            const SystemSetupRecord system = SystemSetup;
            const ArrayGeometryRecord array = ArrayGeometry;
            const int32_t mapShown = LogScreenState.MapShown;
            const int32_t stationStarted = SurveyProgress.StationStarted;
            Script(c.Steps, plat::kIdCancel, key);
            const int result = Open(c, main_);
            EXPECT_EQ(result, c.Letter == 0 ? 0 : -1);
            EXPECT_EQ(SettingsBytes(), before);
            LoadSaveSettings(1);
            EXPECT_EQ(SettingsBytes(), before) << "memory still holds what the file holds";
            EXPECT_EQ(SystemSetup.DualConsoleCount, system.DualConsoleCount);
            EXPECT_EQ(SystemSetup.ConsoleSensorCount, system.ConsoleSensorCount);
            EXPECT_EQ(ArrayGeometry.ArrayWidth, array.ArrayWidth);
            EXPECT_EQ(ArrayGeometry.MapSwathRight, array.MapSwathRight);
            EXPECT_EQ(LogScreenState.MapShown, mapShown);
            EXPECT_EQ(SurveyProgress.StationStarted, stationStarted);
        }
    }
}

// OK on a disk that refuses the save: the operator is told once, over the
// dialog, that the settings could not be saved and why; the file keeps what it
// held, and the values stay in force until the program ends.
TEST_F(SetupDialogs, OkOnAFullDiskTellsTheSettingsWereNotSaved) {
    for (const DialogCase& c : kCases) {
        SCOPED_TRACE(c.Name);
        Fresh(c);
        const std::string before = SettingsBytes();
        plat::test::ClearRecordedMessageBoxes();
        plat::test::FailFileWritesAfter(0);
        Script(c.Steps, plat::kIdOk);
        AnswerBox(plat::kIdOk);
        Open(c, main_);
        plat::test::FailFileWritesAfter(-1);
        c.Expect();
        EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"The settings could not be saved: the disk is full.\r\n"
                                                          u"The changes hold only until the program ends."});
        EXPECT_EQ(SettingsBytes(), before);
    }
}

// Every numeric edit takes untrusted text: what is stored is the leading
// decimal number, always finite, and the start screen draws it without
// fault. Reopened and left alone, the stored value stays exactly, also when
// its text is longer than the edit holds.
TEST_F(SetupDialogs, HostileTextInEveryNumericEdit) {
    struct NumericEdit {
        char Letter;
        int32_t Id;
        double* Field;
    };
    const NumericEdit edits[] = {
        {'S', kIdLineIncrement, &SurveyParameters.LineIncrement},
        {'S', kIdStartStation, &SurveyParameters.StartStation},
        {'S', kIdStationIncrement, &SurveyParameters.StationIncrement},
        {'A', kIdUnitSeparation, &ArrayGeometry.UnitSeparation},
        {'A', kIdConsoleSeparation, &ArrayGeometry.ConsoleSeparation},
        {'A', kIdAntennaOffsetX, &ArrayGeometry.GpsAntennaOffsetX},
        {'A', kIdAntennaOffsetY, &ArrayGeometry.GpsAntennaOffsetY},
        {'G', kIdInputDilution, &GpsWarningMask.MaxDilution},
        {0, kIdMaskDilution, &GpsWarningMask.MaxDilution},
    };
    const char16_t* hostile[] = {u"", u"abc", u"nan", u"inf", u"1e999", u"0x1A", u"1e10", u"1e300", u"-1e300",
                                 u"12abc"};
    for (const NumericEdit& e : edits) {
        for (const char16_t* text : hostile) {
            SCOPED_TRACE(testing::Message() << e.Letter << " " << e.Id << " \"" << plat::Utf16ToUtf8(text) << "\"");
            const DialogCase open{"", e.Letter, nullptr, {}, nullptr};
            Script({{Op::Type, e.Id, text}}, plat::kIdOk);
            Open(open, main_);
            EXPECT_EQ(*e.Field, ReadTypedNumber(text));
            EXPECT_TRUE(std::isfinite(*e.Field));
            plat::InvalidateRect(main_, nullptr, true);
            plat::UpdateWindow(main_);
            const double stored = *e.Field;
            Script({}, plat::kIdOk);
            Open(open, main_);
            EXPECT_EQ(*e.Field, stored) << "left alone, the value stays";
        }
    }
}

// SYSTEM: fewer sensors than the leading point offers only the sensors left
// and selects "Array Center"; the port names; the total follows the types.
TEST_F(SetupDialogs, SystemListsFollowTheConsoles) {
    SystemSetup.LeadingPoint = 6;
    plat::ModalAnswer a;
    a.Kind = plat::ModalKind::Dialog;
    a.Result = plat::kIdCancel;
    a.Act = [](int dialog) {
        const auto item = [dialog](int32_t id) { return plat::GetDialogItem(dialog, id); };
        char16_t text[32];
        EXPECT_EQ(plat::ComboGetSelection(item(kIdLeadingPoint)), 6) << "6 of 6 sensors";
        plat::test::ChooseComboItem(item(kIdConsoleCount), 1);  // 2 consoles, 4 sensors
        EXPECT_EQ(plat::ComboCount(item(kIdLeadingPoint)), 5);
        EXPECT_EQ(plat::ComboGetSelection(item(kIdLeadingPoint)), 0) << "Array Center";
        plat::GetDialogItemText(dialog, kIdTotalSensors, text, 32);
        EXPECT_EQ(std::u16string(text), u"4");
        EXPECT_FALSE(plat::IsWindowEnabled(item(kIdFirstConsoleType + 2)));
        EXPECT_TRUE(plat::IsWindowEnabled(item(kIdFirstConsolePort + 1)));
        plat::test::ChooseComboItem(item(kIdFirstConsoleType + 1), 0);
        plat::GetDialogItemText(dialog, kIdTotalSensors, text, 32);
        EXPECT_EQ(std::u16string(text), u"3");
        const plat::Hwnd ports = item(kIdFirstConsolePort);
        EXPECT_EQ(plat::ComboCount(ports), 48);
        plat::SendMessage(ports, plat::kMsgComboGetItemText, 23, reinterpret_cast<plat::LParam>(text));
        EXPECT_EQ(std::u16string(text), u"COM24");
        plat::SendMessage(ports, plat::kMsgComboGetItemText, 24, reinterpret_cast<plat::LParam>(text));
        EXPECT_EQ(std::u16string(text), u"COM25:");
        return -1;
    };
    plat::test::ScriptModal(a);
    Key('T');
    EXPECT_EQ(SystemSetup.LeadingPoint, 6) << "Cancel puts it back";
    EXPECT_EQ(SystemSetup.ConsoleType[1], 1);
}

// GPS dialogs: the input-mode list by consoles, the mask labels by format
// (following the format list before anything is stored), the satellites'
// preselection.
TEST_F(SetupDialogs, GpsListsAndMaskLabels) {
    const auto label = [](int dialog, int32_t id) {
        char16_t text[32] = {};
        plat::GetDialogItemText(dialog, id, text, 32);
        return std::u16string(text);
    };
    for (const int32_t consoles : {3, 0}) {
        SystemSetup.ConsoleCount = consoles;
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::Dialog;
        a.Result = plat::kIdCancel;
        a.Act = [consoles, label](int dialog) {
            EXPECT_EQ(plat::ComboCount(plat::GetDialogItem(dialog, kIdInputMode)), consoles > 0 ? 2 : 7);
            EXPECT_EQ(plat::ComboGetSelection(plat::GetDialogItem(dialog, kIdInputSatellites)), 2) << "\"5\"";
            EXPECT_EQ(label(dialog, kIdDilutionLabel), u"PDOP");
            EXPECT_EQ(label(dialog, kIdWarningLabel), u"Warning");
            plat::test::ChooseComboItem(plat::GetDialogItem(dialog, kIdDataFormat), 7);
            for (int32_t id : {kIdWarningLabel, kIdQualityLabel, kIdDilutionLabel, kIdSatellitesLabel}) {
                EXPECT_EQ(label(dialog, id), u"N/A");
            }
            plat::test::ChooseComboItem(plat::GetDialogItem(dialog, kIdDataFormat), 4);
            EXPECT_EQ(label(dialog, kIdDilutionLabel), u"Quality (m)");
            EXPECT_EQ(label(dialog, kIdSatellitesLabel), u"Satellites");
            return -1;
        };
        plat::test::ScriptModal(a);
        Key('G');
        EXPECT_EQ(GpsPortSetup.DataFormat, 0);
    }
}

}  // namespace
