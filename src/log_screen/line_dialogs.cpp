#include "log_screen/line_dialogs.h"

#include <algorithm>
#include <iterator>

#include "log_screen/log_state.h"
#include "log_screen/profile_windows.h"
#include "map/map_view_commands.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/keys.h"
#include "resources/line_templates.h"
#include "shell/dialog_fields.h"
#include "survey_files/data_file.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

constexpr const char16_t* kSequenceNames[] = {u"Alternate", u"One Way"};
constexpr const char16_t* kDirectionNames[] = {u"West", u"South", u"North", u"East"};
constexpr int kTypedChars = 31;  // station and comment texts are read this far

// What GETNEWLINE proposes: the next line of the sequence. Alternate walks
// back from where the last line ended, the other way; One Way starts every
// line at the same end, in the same direction.
struct LineProposal {
    double Name, Increment, StartStation, StationIncrement;
    int Sequence, Direction;
};

LineProposal ProposeNextLine() {
    const SurveyParametersRecord& p = SurveyParameters;
    const bool oneWay = p.LineSequence == 1;
    return {NextLineNumber(),
            p.LineIncrement,
            oneWay ? p.StartStation : p.CurrentStation,
            oneWay ? p.StationIncrement : -p.StationIncrement,
            oneWay ? 1 : 0,
            oneWay ? p.LineDirection : 3 - p.LineDirection};
}

bool NumberOrShown(plat::Hwnd dialog, int32_t id, const char* format, double shown, double* out) {
    *out = shown;
    return ReadChangedEditNumber(dialog, id, format, shown, out);
}

void FillCombo(plat::Hwnd dialog, int32_t id, const char16_t* const* names, int count, int selected) {
    const plat::Hwnd combo = plat::GetDialogItem(dialog, id);
    for (int i = 0; i < count; ++i) plat::ComboAddString(combo, names[i]);
    plat::ComboSetSelection(combo, std::clamp(selected, 0, count - 1));
}

int ComboChoice(plat::Hwnd dialog, int32_t id, int fallback) {
    const int32_t chosen = plat::ComboGetSelection(plat::GetDialogItem(dialog, id));
    return chosen < 0 ? fallback : chosen;
}

// The text of an edit, at most `chars` characters.
void ReadEditText(plat::Hwnd dialog, int32_t id, char16_t* out, int chars) {
    plat::GetDialogItemText(dialog, id, out, chars + 1);
}

void AcceptNewLine(plat::Hwnd dialog) {
    const LineProposal shown = ProposeNextLine();
    SurveyParametersRecord& p = SurveyParameters;
    SurveyProgress.StationStarted = 0;
    ReadEditText(dialog, res::kNewLineNameId, p.LineName, kLineNameChars);
    NumberOrShown(dialog, res::kNewLineIncrementId, "%.2f", shown.Increment, &p.LineIncrement);
    p.LineSequence = ComboChoice(dialog, res::kNewLineSequenceId, shown.Sequence);
    p.LineDirection = ComboChoice(dialog, res::kNewLineDirectionId, shown.Direction);
    NumberOrShown(dialog, res::kNewLineStartStationId, "%.3f", shown.StartStation, &p.StartStation);
    p.CurrentStation = p.StartStation;
    NumberOrShown(dialog, res::kNewLineStationIncrementId, "%.3f", shown.StationIncrement, &p.StationIncrement);
    TellSettingsResult(dialog, LoadSaveSettings(1));
}

void RunNewLine(plat::Hwnd screen) {
    if (plat::RunDialog(screen, res::kGetNewLineDialog, GetNewLineDlgProc, 0) != 1) {
        RedrawCurveWindows();
        return;
    }
    WriteSessionRecords();
    WriteTimeMarkRecord();
    ++SurveyProgress.LineCount;
    SurveyProgress.LineTimeBaseMs = 0;
    SurveyProgress.StationCount = 0;
    SurveyProgress.LineLength = 0.0;
    RepaintLogScreen();
    ShowPleaseWait();
}

void RunNewStation(plat::Hwnd screen) {
    plat::RunDialog(screen, res::kNewStationDialog, NewStationDlgProc, 0);
    RepaintLogScreen();
    RedrawCurveWindows();
}

void RunComment(plat::Hwnd screen) {
    plat::RunDialog(screen, res::kCommentDialog, CommentDlgProc, 0);
    RedrawCurveWindows();
}

}  // namespace

void RunLineStationCommand(plat::Hwnd logScreen, int command) {
    const bool consoles = SystemSetup.ConsoleCount > 0;
    if (command < 101 || command > 103 || (command != 103 && !consoles)) return;
    // The timer's error box must not come up over the dialog.
    LogScreenState.UiIdle = 0;
    if (command == 101) RunNewLine(logScreen);
    if (command == 102) RunNewStation(logScreen);
    if (command == 103) RunComment(logScreen);
}

plat::LResult GetNewLineDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam) {
    const SurveyParametersRecord& p = SurveyParameters;
    switch (message) {
        case plat::kMsgInitDialog: {
            const LineProposal next = ProposeNextLine();
            plat::SetDialogItemText(dialog, res::kNewLineCurrentLineId, p.LineName);
            SetEditNumber(dialog, res::kNewLineLastStationId, "%.3f", p.CurrentStation);
            SetEditNumber(dialog, res::kNewLineNameId, "%.2f", next.Name);
            plat::EditSetLimit(plat::GetDialogItem(dialog, res::kNewLineNameId), kLineNameChars);
            SetEditNumber(dialog, res::kNewLineIncrementId, "%.2f", next.Increment);
            FillCombo(dialog, res::kNewLineSequenceId, kSequenceNames, 2, next.Sequence);
            FillCombo(dialog, res::kNewLineDirectionId, kDirectionNames, 4, next.Direction);
            SetEditNumber(dialog, res::kNewLineStartStationId, "%.3f", next.StartStation);
            SetEditNumber(dialog, res::kNewLineStationIncrementId, "%.3f", next.StationIncrement);
            return 1;
        }
        case plat::kMsgKeyDown:
            if (w == 'C' || w == 'c') plat::EndDialog(dialog, 0);
            return 0;
        case plat::kMsgCommand:
            if (plat::LowWord(w) == plat::kIdOk) {
                AcceptNewLine(dialog);
                plat::EndDialog(dialog, 1);
            } else if (plat::LowWord(w) == plat::kIdCancel) {
                plat::EndDialog(dialog, 0);
            }
            return 1;
        default:
            return 0;
    }
}

plat::LResult NewStationDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam) {
    const SurveyParametersRecord& p = SurveyParameters;
    if (message == plat::kMsgInitDialog) {
        plat::SetDialogItemText(dialog, res::kStationLineId, p.LineName);
        SetEditNumber(dialog, res::kStationStartId, "%.3f", p.StartStation);
        SetEditNumber(dialog, res::kStationCurrentId, "%.3f", p.CurrentStation);
        plat::SetDialogItemText(dialog, res::kStationNewId, u"");
        return 1;
    }
    if (message != plat::kMsgCommand) return 0;
    if (plat::LowWord(w) == plat::kIdOk) {
        char16_t text[kTypedChars + 1] = {};
        ReadEditText(dialog, res::kStationNewId, text, kTypedChars);
        SurveyProgress.StationStarted = 0;
        SurveyParameters.CurrentStation = ReadTypedNumber(text);
        // The profile curves start afresh at the new station.
        for (int i = 0; i < SystemSetup.ConsoleCount && i < kCurveWindowSlots; ++i) {
            ProfileTrace.HasPreviousPoint[static_cast<size_t>(i)] = {0, 0};
        }
        WriteStationRecord();
        WriteTimeMarkRecord();
        TellSettingsResult(dialog, LoadSaveSettings(1));
        plat::EndDialog(dialog, 1);
    } else if (plat::LowWord(w) == plat::kIdCancel) {
        plat::EndDialog(dialog, 0);
    }
    return 1;
}

plat::LResult CommentDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam) {
    if (message == plat::kMsgInitDialog) {
        plat::SetDialogItemText(dialog, res::kCommentTextId, u"");
        return 1;
    }
    if (message != plat::kMsgCommand) return 0;
    if (plat::LowWord(w) == plat::kIdOk) {
        char16_t text[kTypedChars + 1] = {};
        ReadEditText(dialog, res::kCommentTextId, text, kTypedChars);
        WriteEventRecord(text, 'C');  // the record keeps the first 11 characters
        plat::EndDialog(dialog, 1);
    } else if (plat::LowWord(w) == plat::kIdCancel) {
        plat::EndDialog(dialog, 0);
    }
    return 1;
}
