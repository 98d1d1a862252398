// "SURVEYSETUP", "SYSTEM" and "ARRAYGEOMETRY": the survey line and stations,
// the consoles and units, and the array's separations and antenna offsets.
#include "shell/setup_dialogs.h"

#include <array>
#include <cstdio>
#include <iterator>

#include "log_screen/numbers_window.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "resources/setup_templates.h"
#include "shell/dialog_fields.h"
#include "survey_files/settings_derived.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

// Characters each edit holds: what its value is read with.
constexpr int32_t kSurveyNumberChars = 15;
constexpr int32_t kArrayNumberChars = 23;

// Dialogs of this file sit a tenth of the way down their owner.
constexpr int32_t kPlaceDivisor = 10;

constexpr std::array<double, 4> kArrayUnitFactors{1.0, 0.01, 0.3048, 0.0254};  // m, cm, ft, in

constexpr std::array<const char16_t*, 2> kLineSequenceNames{u"Alternate", u"One Way"};
constexpr std::array<const char16_t*, 4> kLineDirectionNames{u"West", u"South", u"North", u"East"};
constexpr std::array<const char16_t*, 9> kConsoleCountNames{u"1 Console",  u"2 Consoles", u"3 Consoles",
                                                            u"4 Consoles", u"5 Consoles", u"6 Consoles",
                                                            u"7 Consoles", u"8 Consoles", u"9 Consoles"};
constexpr std::array<const char16_t*, 2> kConsoleTypeNames{u"Grad601-1", u"Grad601-2"};
constexpr std::array<const char16_t*, 4> kPauseKeyNames{u"any key", u"<Enter>", u"<Space Bar>", u"<P>"};
constexpr std::array<const char16_t*, 4> kSpeedUnitNames{u"meters/s", u"feet/s", u"km/h", u"mph"};
constexpr std::array<const char16_t*, 3> kDisplayUnitNames{u"meters", u"feet", u"US Survey Feet"};
constexpr std::array<const char16_t*, 4> kCoordinatesNames{u"Geodetic", u"UTM meters", u"UTM feet", u"UTM US Feet"};

// The dialog's own working values, from opening to its end.
struct SetupDialogState {
    bool Confirmed = false;       // OK stored the values
    int32_t WorkingCount = 0;     // SYSTEM: consoles chosen so far
    int32_t OpeningUnit = 0;      // ARRAYGEOMETRY: the unit the lengths were shown in
    int32_t WorkingUnit = 0;      // ARRAYGEOMETRY: the unit checked now
};
SetupDialogState g_dialog;

bool IsCancelKey(plat::WParam key) { return key == 67 || key == 99; }  // C, c

// ---------------------------------------------------------------------------
// "SURVEYSETUP"

void InitSurveySetup(plat::Hwnd dialog) {
    const SurveyParametersRecord& p = SurveyParameters;
    plat::EditSetLimit(plat::GetDialogItem(dialog, res::kIdLineName), kLineNameChars);
    plat::SetDialogItemText(dialog, res::kIdLineName, p.LineName);
    SetEditNumber(dialog, res::kIdLineIncrement, "%.2f", p.LineIncrement, kSurveyNumberChars);
    FillList(dialog, res::kIdLineSequence, kLineSequenceNames, p.LineSequence);
    FillList(dialog, res::kIdLineDirection, kLineDirectionNames, p.LineDirection);
    SetEditNumber(dialog, res::kIdStartStation, "%.3f", p.StartStation, kSurveyNumberChars);
    SetEditNumber(dialog, res::kIdStationIncrement, "%.3f", p.StationIncrement, kSurveyNumberChars);
}

void StoreSurveySetup(plat::Hwnd dialog) {
    // The next console-1 reading starts the line at the start station.
    SurveyProgress.StationStarted = 0;
    SurveyParametersRecord& p = SurveyParameters;
    char16_t name[kLineNameChars + 1] = {};
    plat::GetDialogItemText(dialog, res::kIdLineName, name, kLineNameChars + 1);
    std::copy(std::begin(name), std::end(name), std::begin(p.LineName));
    ReadChangedEditNumber(dialog, res::kIdLineIncrement, "%.2f", p.LineIncrement, &p.LineIncrement, kSurveyNumberChars);
    ReadListSelection(dialog, res::kIdLineSequence, &p.LineSequence);
    ReadListSelection(dialog, res::kIdLineDirection, &p.LineDirection);
    ReadChangedEditNumber(dialog, res::kIdStartStation, "%.3f", p.StartStation, &p.StartStation, kSurveyNumberChars);
    p.CurrentStation = p.StartStation;
    ReadChangedEditNumber(dialog, res::kIdStationIncrement, "%.3f", p.StationIncrement, &p.StationIncrement,
                          kSurveyNumberChars);
}

// ---------------------------------------------------------------------------
// "SYSTEM"

// Sensors of the first `consoles` consoles by their types.
int32_t SensorsOf(int32_t consoles) {
    int32_t sensors = 0;
    for (int32_t i = 0; i < consoles && i < kMaxConsoles; ++i) sensors += SystemSetup.ConsoleType[i] == 1 ? 2 : 1;
    return sensors;
}

// The total shown, the leading-point list for it, and the type and port
// lists of the consoles in use enabled. A leading sensor beyond the total
// becomes the array centre.
void ShowSensorsAndLeadingPoint(plat::Hwnd dialog) {
    const int32_t total = SensorsOf(g_dialog.WorkingCount);
    SetEditNumber(dialog, res::kIdTotalSensors, "%1d", total);
    const plat::Hwnd list = plat::GetDialogItem(dialog, res::kIdLeadingPoint);
    plat::ComboClear(list);
    plat::ComboAddString(list, u"Array Center");
    for (int32_t n = 1; n <= total; ++n) {
        char text[24];
        std::snprintf(text, sizeof text, "Sensor #%d", static_cast<int>(n));
        char16_t wide[24];
        NarrowToWide(text, wide, 24);
        plat::ComboAddString(list, wide);
    }
    if (SystemSetup.LeadingPoint > total || SystemSetup.LeadingPoint < 0) SystemSetup.LeadingPoint = 0;
    plat::ComboSetSelection(list, SystemSetup.LeadingPoint);
    for (int32_t i = 0; i < kMaxConsoles; ++i) {
        const bool used = i < g_dialog.WorkingCount;
        plat::EnableWindow(plat::GetDialogItem(dialog, res::kIdFirstConsoleType + i), used);
        plat::EnableWindow(plat::GetDialogItem(dialog, res::kIdFirstConsolePort + i), used);
    }
}

// "COM1" .. "COM24", then "COM25:" .. "COM48:".
void FillSystemPortList(plat::Hwnd dialog, int32_t id, int32_t selected) {
    std::array<std::array<char16_t, 16>, 48> names{};
    std::array<const char16_t*, 48> texts{};
    for (size_t i = 0; i < names.size(); ++i) {
        char text[16];
        std::snprintf(text, sizeof text, i < 24 ? "COM%d" : "COM%d:", static_cast<int>(i + 1));
        NarrowToWide(text, names[i].data(), names[i].size());
        texts[i] = names[i].data();
    }
    FillList(dialog, id, texts, selected);
}

void InitSystemSetup(plat::Hwnd dialog) {
    const SystemSetupRecord& s = SystemSetup;
    g_dialog.WorkingCount = s.ConsoleCount;
    FillList(dialog, res::kIdConsoleCount, kConsoleCountNames, s.ConsoleCount - 1);
    for (int32_t i = 0; i < kMaxConsoles; ++i) {
        FillList(dialog, res::kIdFirstConsoleType + i, kConsoleTypeNames, s.ConsoleType[i]);
        FillSystemPortList(dialog, res::kIdFirstConsolePort + i, s.ConsolePort[i]);
    }
    FillSystemPortList(dialog, res::kIdSystemGpsPort, GpsPortSetup.Port);
    FillList(dialog, res::kIdPauseKey, kPauseKeyNames, s.PauseKey);
    FillList(dialog, res::kIdSpeedUnits, kSpeedUnitNames, s.SpeedUnits);
    FillList(dialog, res::kIdDisplayUnits, kDisplayUnitNames, s.DisplayUnits);
    FillList(dialog, res::kIdCoordinatesDisplay, kCoordinatesNames, s.CoordinatesDisplay);
    plat::SetCheckState(plat::GetDialogItem(dialog, res::kIdAudioTicks), AudioOptions.Ticks == 1 ? plat::kChecked : plat::kUnchecked);
    plat::SetCheckState(plat::GetDialogItem(dialog, res::kIdDisconnectionAlarm),
                        AudioOptions.DisconnectionAlarm == 1 ? plat::kChecked : plat::kUnchecked);
    ShowSensorsAndLeadingPoint(dialog);
}

void StoreSystemSetup(plat::Hwnd dialog) {
    SystemSetupRecord& s = SystemSetup;
    s.ConsoleCount = g_dialog.WorkingCount;
    ReadListSelection(dialog, res::kIdLeadingPoint, &s.LeadingPoint);
    ReadListSelection(dialog, res::kIdSpeedUnits, &s.SpeedUnits);
    ReadListSelection(dialog, res::kIdDisplayUnits, &s.DisplayUnits);
    ReadListSelection(dialog, res::kIdCoordinatesDisplay, &s.CoordinatesDisplay);
    for (int32_t i = 0; i < kMaxConsoles; ++i) {
        ReadListSelection(dialog, res::kIdFirstConsolePort + i, &s.ConsolePort[static_cast<size_t>(i)]);
        ReadListSelection(dialog, res::kIdFirstConsoleType + i, &s.ConsoleType[static_cast<size_t>(i)]);
    }
    ReadListSelection(dialog, res::kIdSystemGpsPort, &GpsPortSetup.Port);
    ReadListSelection(dialog, res::kIdPauseKey, &s.PauseKey);
    AudioOptions.Ticks = plat::CheckState(plat::GetDialogItem(dialog, res::kIdAudioTicks)) == plat::kChecked ? 1 : 0;
    AudioOptions.DisconnectionAlarm =
        plat::CheckState(plat::GetDialogItem(dialog, res::kIdDisconnectionAlarm)) == plat::kChecked ? 1 : 0;
    // With consoles the GPS is only off or on, as the settings loader has it.
    if (s.ConsoleCount > 0 && GpsPortSetup.InputMode > 1) GpsPortSetup.InputMode = 1;
    DeriveConsoleCounts();
    DeriveArrayGeometry();
    LayoutNumbersWindow();
}

void SystemSetupCommand(plat::Hwnd dialog, int32_t id) {
    if (id == res::kIdConsoleCount) {
        int32_t selection = -1;
        if (ReadListSelection(dialog, id, &selection)) g_dialog.WorkingCount = selection + 1;
        ShowSensorsAndLeadingPoint(dialog);
    } else if (id >= res::kIdFirstConsoleType && id < res::kIdFirstConsoleType + kMaxConsoles) {
        for (int32_t i = 0; i < kMaxConsoles; ++i) {
            ReadListSelection(dialog, res::kIdFirstConsoleType + i, &SystemSetup.ConsoleType[static_cast<size_t>(i)]);
        }
        ShowSensorsAndLeadingPoint(dialog);
    }
}

// ---------------------------------------------------------------------------
// "ARRAYGEOMETRY"

struct LengthEdit {
    int32_t Id;
    double ArrayGeometryRecord::*Metres;
};
constexpr LengthEdit kLengthEdits[] = {
    {res::kIdUnitSeparation, &ArrayGeometryRecord::UnitSeparation},
    {res::kIdConsoleSeparation, &ArrayGeometryRecord::ConsoleSeparation},
    {res::kIdAntennaOffsetX, &ArrayGeometryRecord::GpsAntennaOffsetX},
    {res::kIdAntennaOffsetY, &ArrayGeometryRecord::GpsAntennaOffsetY},
};

void InitArrayGeometry(plat::Hwnd dialog) {
    SetEditNumber(dialog, res::kIdArraySensors, "%1d", SystemSetup.ConsoleCount + SystemSetup.DualConsoleCount);
    plat::SetDialogItemText(dialog, res::kIdArrayConsoleType, ArrayConsoleTypeText());
    g_dialog.OpeningUnit = g_dialog.WorkingUnit = ArrayGeometry.ArrayUnits;
    const double factor = ArrayUnitFactor(g_dialog.OpeningUnit);
    for (const LengthEdit& e : kLengthEdits) {
        SetEditNumber(dialog, e.Id, "%.2f", ArrayGeometry.*e.Metres / factor, kArrayNumberChars);
    }
    plat::CheckRadioButton(dialog, res::kIdFirstArrayUnit, res::kIdFirstArrayUnit + 3,
                           res::kIdFirstArrayUnit + g_dialog.WorkingUnit);
}

// Each length is taken in the unit checked at OK. A text left as shown in
// the unit it was shown in keeps the stored metres exactly; under another
// unit the same number means that unit.
void StoreArrayGeometry(plat::Hwnd dialog) {
    ArrayGeometryRecord& a = ArrayGeometry;
    const double openingFactor = ArrayUnitFactor(g_dialog.OpeningUnit);
    const double factor = ArrayUnitFactor(g_dialog.WorkingUnit);
    a.ArrayUnits = g_dialog.WorkingUnit;
    for (const LengthEdit& e : kLengthEdits) {
        const double shown = a.*e.Metres / openingFactor;
        double typed = shown;
        const bool changed = ReadChangedEditNumber(dialog, e.Id, "%.2f", shown, &typed, kArrayNumberChars);
        if (changed) {
            a.*e.Metres = typed * factor;
        } else if (g_dialog.WorkingUnit != g_dialog.OpeningUnit) {
            char16_t text[kArrayNumberChars + 1] = {};
            plat::GetDialogItemText(dialog, e.Id, text, kArrayNumberChars + 1);
            a.*e.Metres = ReadTypedNumber(text) * factor;
        }
    }
    DeriveArrayGeometry();
}

// ---------------------------------------------------------------------------
// The frame the three share: placed on the owner at init, C cancels, OK
// stores and saves, Cancel ends.

struct SetupDialogKind {
    void (*Init)(plat::Hwnd dialog);
    void (*Store)(plat::Hwnd dialog);
    void (*Command)(plat::Hwnd dialog, int32_t id);  // other controls; may be null
};

plat::LResult SetupFrame(const SetupDialogKind& kind, plat::Hwnd dialog, uint32_t message, plat::WParam w) {
    switch (message) {
        case plat::kMsgInitDialog:
            PlaceDialogOnOwner(dialog, kPlaceDivisor);
            kind.Init(dialog);
            return 1;
        case plat::kMsgKeyDown:
            if (!IsCancelKey(w)) return 0;
            plat::EndDialog(dialog, 0);
            return 1;
        case plat::kMsgCommand: {
            const int32_t id = plat::LowWord(w);
            if (id == plat::kIdOk) {
                kind.Store(dialog);
                g_dialog.Confirmed = true;
                TellSettingsResult(dialog, LoadSaveSettings(1));
                plat::EndDialog(dialog, 1);
                return 1;
            }
            if (id == plat::kIdCancel) {
                plat::EndDialog(dialog, 0);
                return 1;
            }
            if (kind.Command == nullptr) return 0;
            kind.Command(dialog, id);
            return 1;
        }
        default:
            return 0;
    }
}

constexpr SetupDialogKind kSurveySetup{InitSurveySetup, StoreSurveySetup, nullptr};
constexpr SetupDialogKind kSystemSetup{InitSystemSetup, StoreSystemSetup, SystemSetupCommand};
constexpr SetupDialogKind kArrayGeometry{InitArrayGeometry, StoreArrayGeometry,
                                         [](plat::Hwnd dialog, int32_t id) {
                                             if (id < res::kIdFirstArrayUnit || id > res::kIdFirstArrayUnit + 3) return;
                                             g_dialog.WorkingUnit = id - res::kIdFirstArrayUnit;
                                             plat::CheckRadioButton(dialog, res::kIdFirstArrayUnit,
                                                                    res::kIdFirstArrayUnit + 3, id);
                                         }};

// Runs a dialog; whatever ends it other than OK puts back the records it may
// have changed on the way (the system dialog writes console types and the
// leading point as the operator picks them).
void RunSetupDialog(plat::Hwnd owner, const res::DialogTemplate& dialog, plat::DialogProc proc) {
    const SystemSetupRecord system = SystemSetup;
    const SurveyParametersRecord survey = SurveyParameters;
    const ArrayGeometryRecord array = ArrayGeometry;
    g_dialog = SetupDialogState{};
    plat::RunDialog(owner, dialog, proc, 0);
    if (!g_dialog.Confirmed) {
        SystemSetup = system;
        SurveyParameters = survey;
        ArrayGeometry = array;
    }
    g_dialog = SetupDialogState{};
}

}  // namespace

double ArrayUnitFactor(int32_t arrayUnits) {
    if (arrayUnits < 0 || static_cast<size_t>(arrayUnits) >= kArrayUnitFactors.size()) return 1.0;
    return kArrayUnitFactors[static_cast<size_t>(arrayUnits)];
}

const char16_t* ArrayConsoleTypeText() {
    if (SystemSetup.ConsoleCount < 1) return u"N/A";
    if (SystemSetup.DualConsoleCount == 0) return u"Grad601-1";
    if (SystemSetup.DualConsoleCount == SystemSetup.ConsoleCount) return u"Grad601-2";
    return u"Mixed";
}

plat::LResult SurveySetupDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam) {
    return SetupFrame(kSurveySetup, dialog, message, w);
}
plat::LResult SystemSetupDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam) {
    return SetupFrame(kSystemSetup, dialog, message, w);
}
plat::LResult ArrayGeometryDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam) {
    return SetupFrame(kArrayGeometry, dialog, message, w);
}

void RunSurveySetupDialog(plat::Hwnd owner) { RunSetupDialog(owner, res::kSurveySetupTemplate, SurveySetupDlgProc); }
void RunSystemSetupDialog(plat::Hwnd owner) { RunSetupDialog(owner, res::kSystemTemplate, SystemSetupDlgProc); }
void RunArrayGeometryDialog(plat::Hwnd owner) {
    RunSetupDialog(owner, res::kArrayGeometryTemplate, ArrayGeometryDlgProc);
}
