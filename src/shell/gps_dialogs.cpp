#include "shell/gps_dialogs.h"

#include <array>
#include <cstdio>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "resources/setup_templates.h"
#include "shell/dialog_fields.h"
#include "shell/setup_dialogs.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

// Characters each dilution edit holds: what its value is read with.
constexpr int32_t kInputDilutionChars = 31;
constexpr int32_t kMaskDilutionChars = 15;
constexpr int32_t kFewestSatellites = 3;   // the satellite list starts at "3"

constexpr std::array<const char16_t*, 2> kWarningNames{u"Disabled", u"Enabled"};

// data format: dilution label; the last three carry no warning mask
constexpr std::array<const char16_t*, 9> kDilutionLabels{
    u"PDOP",         // 0 GGA/GSA
    u"HDOP",         // 1 GGA
    u"PDOP",         // 2 POS
    u"GDOP",         // 3 LLK
    u"Quality (m)",  // 4 LLQ
    u"N/A",          // 5 GLL
    u"DOP",          // 6 GGK
    u"N/A",          // 7 RTS pseudo GGA
    u"N/A",          // 8 Pseudo GLL
};

bool g_confirmed = false;  // OK stored the values

void ShowMaskLabels(plat::Hwnd dialog, int32_t dataFormat) {
    const GpsMaskLabelTexts labels = GpsMaskLabels(dataFormat);
    plat::SetDialogItemText(dialog, res::kIdWarningLabel, labels.Warning);
    plat::SetDialogItemText(dialog, res::kIdQualityLabel, labels.Quality);
    plat::SetDialogItemText(dialog, res::kIdDilutionLabel, labels.Dilution);
    plat::SetDialogItemText(dialog, res::kIdSatellitesLabel, labels.Satellites);
}

// "COM1:" .. "COM48:".
void FillGpsPortList(plat::Hwnd dialog, int32_t id, int32_t selected) {
    std::array<std::array<char16_t, 16>, 48> names{};
    std::array<const char16_t*, 48> texts{};
    for (size_t i = 0; i < names.size(); ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "COM%d:", static_cast<int>(i + 1));
        NarrowToWide(text, names[i].data(), names[i].size());
        texts[i] = names[i].data();
    }
    FillList(dialog, id, texts, selected);
}

// The rows of the warning mask, in both dialogs.
struct MaskControls {
    int32_t Warning, Quality, Dilution, Satellites, AudioWarning;
    int32_t DilutionChars;
};
constexpr MaskControls kInputMask{res::kIdInputWarning, res::kIdInputQuality,    res::kIdInputDilution,
                                  res::kIdInputSatellites, res::kIdInputAudioWarning, kInputDilutionChars};
constexpr MaskControls kMaskOnly{res::kIdMaskWarning, res::kIdMaskQuality,    res::kIdMaskDilution,
                                 res::kIdMaskSatellites, res::kIdMaskAudioWarning, kMaskDilutionChars};

void InitMask(plat::Hwnd dialog, const MaskControls& c) {
    const GpsWarningMaskRecord& m = GpsWarningMask;
    FillList(dialog, c.Warning, kWarningNames, m.Warning);
    FillList(dialog, c.Quality, GpsWarningMaskRecord::QualityNames, m.MinQuality);
    SetEditNumber(dialog, c.Dilution, "%.1f", m.MaxDilution, c.DilutionChars);
    FillList(dialog, c.Satellites, GpsWarningMaskRecord::SatelliteNames, m.MinSatellites - kFewestSatellites);
    plat::SetCheckState(plat::GetDialogItem(dialog, c.AudioWarning),
                        AudioOptions.GpsMaskWarning == 1 ? plat::kChecked : plat::kUnchecked);
}

void StoreMask(plat::Hwnd dialog, const MaskControls& c) {
    GpsWarningMaskRecord& m = GpsWarningMask;
    ReadListSelection(dialog, c.Warning, &m.Warning);
    ReadListSelection(dialog, c.Quality, &m.MinQuality);
    ReadChangedEditNumber(dialog, c.Dilution, "%.1f", m.MaxDilution, &m.MaxDilution, c.DilutionChars);
    int32_t satellites = 0;
    if (ReadListSelection(dialog, c.Satellites, &satellites)) m.MinSatellites = satellites + kFewestSatellites;
    AudioOptions.GpsMaskWarning = plat::CheckState(plat::GetDialogItem(dialog, c.AudioWarning)) == plat::kChecked ? 1 : 0;
}

void InitGpsInput(plat::Hwnd dialog) {
    const GpsPortSetupRecord& g = GpsPortSetup;
    ShowMaskLabels(dialog, g.DataFormat);
    if (SystemSetup.ConsoleCount >= 1) {
        FillList(dialog, res::kIdInputMode, GpsPortSetupRecord::InputModeNamesConsoles, g.InputMode);
    } else {
        FillList(dialog, res::kIdInputMode, GpsPortSetupRecord::InputModeNamesGpsOnly, g.InputMode);
    }
    FillList(dialog, res::kIdDataFormat, GpsPortSetupRecord::DataFormatNames, g.DataFormat);
    FillGpsPortList(dialog, res::kIdGpsPort, g.Port);
    FillList(dialog, res::kIdBaudRate, GpsPortSetupRecord::BaudRateNames, g.BaudRate);
    FillList(dialog, res::kIdParity, GpsPortSetupRecord::ParityNames, g.Parity);
    FillList(dialog, res::kIdDataBits, GpsPortSetupRecord::DataBitsNames, g.DataBits);
    FillList(dialog, res::kIdStopBits, GpsPortSetupRecord::StopBitsNames, g.StopBits);
    InitMask(dialog, kInputMask);
}

void StoreGpsInput(plat::Hwnd dialog) {
    GpsPortSetupRecord& g = GpsPortSetup;
    ReadListSelection(dialog, res::kIdInputMode, &g.InputMode);
    ReadListSelection(dialog, res::kIdDataFormat, &g.DataFormat);
    ReadListSelection(dialog, res::kIdGpsPort, &g.Port);
    ReadListSelection(dialog, res::kIdBaudRate, &g.BaudRate);
    ReadListSelection(dialog, res::kIdParity, &g.Parity);
    ReadListSelection(dialog, res::kIdDataBits, &g.DataBits);
    ReadListSelection(dialog, res::kIdStopBits, &g.StopBits);
    StoreMask(dialog, kInputMask);
    LogScreenState.MapShown = g.InputMode != 0 ? 1 : 0;
}

void Confirm(plat::Hwnd dialog) {
    g_confirmed = true;
    TellSettingsResult(dialog, LoadSaveSettings(1));
    plat::EndDialog(dialog, 1);
}

}  // namespace

GpsMaskLabelTexts GpsMaskLabels(int32_t dataFormat) {
    const bool known = dataFormat >= 0 && static_cast<size_t>(dataFormat) < kDilutionLabels.size();
    const char16_t* dilution = known ? kDilutionLabels[static_cast<size_t>(dataFormat)] : u"N/A";
    const bool noMask = !known || dataFormat == 5 || dataFormat == 7 || dataFormat == 8;
    if (noMask) return {u"N/A", u"N/A", dilution, u"N/A"};
    return {u"Warning", u"Quality", dilution, u"Satellites"};
}

plat::LResult GpsInputDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam) {
    if (message == plat::kMsgInitDialog) {
        InitGpsInput(dialog);
        return 1;
    }
    if (message != plat::kMsgCommand) return 0;
    const int32_t id = plat::LowWord(w);
    if (id == plat::kIdOk) {
        StoreGpsInput(dialog);
        Confirm(dialog);
    } else if (id == plat::kIdCancel) {
        plat::EndDialog(dialog, 0);
    } else if (id == res::kIdDataFormat) {
        // The labels follow the format picked; nothing is stored before OK.
        const int32_t format = plat::ComboGetSelection(plat::GetDialogItem(dialog, id));
        ShowMaskLabels(dialog, format >= 0 ? format : GpsPortSetup.DataFormat);
    }
    return 1;
}

plat::LResult GpsMaskDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam) {
    if (message == plat::kMsgInitDialog) {
        ShowMaskLabels(dialog, GpsPortSetup.DataFormat);
        InitMask(dialog, kMaskOnly);
        return 1;
    }
    if (message != plat::kMsgCommand) return 0;
    const int32_t id = plat::LowWord(w);
    if (id == plat::kIdOk) {
        StoreMask(dialog, kMaskOnly);
        Confirm(dialog);
    } else if (id == plat::kIdCancel) {
        plat::EndDialog(dialog, 0);
    }
    return 1;
}

void RunGpsInputDialog(plat::Hwnd owner) {
    g_confirmed = false;
    plat::RunDialog(owner, res::kGpsInputTemplate, GpsInputDlgProc, 0);
    g_confirmed = false;
}

int RunGpsMaskDialog(plat::Hwnd owner) {
    g_confirmed = false;
    plat::RunDialog(owner, res::kGpsMaskTemplate, GpsMaskDlgProc, 0);
    const int result = g_confirmed ? 1 : 0;
    g_confirmed = false;
    return result;
}
