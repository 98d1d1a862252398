// The logging screen's survey-line dialogs: a new line (its name, increment,
// sequence, direction and stations), a new station value, and a comment.
#pragma once
#include "resources/dialog_template.h"

namespace res {

// "GETNEWLINE"
constexpr int32_t kNewLineNameId = 1106;
constexpr int32_t kNewLineIncrementId = 1107;
constexpr int32_t kNewLineStartStationId = 1108;
constexpr int32_t kNewLineStationIncrementId = 1109;
constexpr int32_t kNewLineSequenceId = 1175;       // "Alternate", "One Way"
constexpr int32_t kNewLineDirectionId = 1176;      // "West", "South", "North", "East"
constexpr int32_t kNewLineCurrentLineId = 1177;    // read-only
constexpr int32_t kNewLineLastStationId = 1178;    // read-only
// "NEWSTATION"
constexpr int32_t kStationLineId = 1179;           // read-only
constexpr int32_t kStationStartId = 1180;          // read-only
constexpr int32_t kStationNewId = 1181;
constexpr int32_t kStationCurrentId = 1182;        // read-only
// "COMMENT"
constexpr int32_t kCommentTextId = 1183;

extern const DialogTemplate kGetNewLineDialog;
extern const DialogTemplate kNewStationDialog;
extern const DialogTemplate kCommentDialog;

}  // namespace res
