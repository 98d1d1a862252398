// New Line, New Station and Comment in Stand By: what each dialog proposes,
// the records each writes on OK (nothing on Cancel), the line count, the cuts
// of texts longer than their fields, the screen busy while a dialog runs and
// the new line kept in the settings file.
#include <functional>
#include <string>

#include "log_screen/log_screen_fixture.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "resources/line_templates.h"
#include "survey_files/settings_file.h"

namespace {

std::u16string ItemText(plat::Hwnd dialog, int32_t id) {
    char16_t text[64] = {};
    plat::GetDialogItemText(dialog, id, text, 64);
    return text;
}

class LineDialogsTest : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        plat::PrepareProgramFolders();  // the settings folder, as an installer leaves it
        OpenWithoutPorts();
        CreateNewFile();
    }

    // Answers the next dialog: `look` sees it as it opened, `typed` (id, text)
    // go into its edits, then OK or Cancel.
    void Answer(std::function<void(plat::Hwnd)> look, std::vector<std::pair<int32_t, std::u16string>> typed, bool ok) {
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::Dialog;
        a.Act = [look, typed, ok](int dialog) {
            look(dialog);
            for (const auto& [id, text] : typed) plat::test::TypeIntoEdit(plat::GetDialogItem(dialog, id), text.c_str());
            plat::SendMessage(dialog, plat::kMsgCommand, ok ? plat::kIdOk : plat::kIdCancel, 0);
            return -1;
        };
        plat::test::ScriptModal(a);
    }

    // The records written since `before` bytes, one string each.
    std::vector<std::string> RecordsAfter(size_t before) const {
        const std::string bytes = FileBytes();
        std::vector<std::string> out;
        for (size_t at = before; at + 27 <= bytes.size(); at += 27) out.push_back(bytes.substr(at, 27));
        return out;
    }
};

TEST_F(LineDialogsTest, NewLineProposesTheNextLineOfTheSequenceAndWritesItsRecordsOnOk) {
    // Line "10", increment 2, direction North, current station 25, station step 1.
    struct Case {
        const char* Name;
        int Sequence;
        std::u16string TypedName;  // "" keeps the proposal
        bool Ok;
        // shown: current line, last station, new line, increment, start station, station step
        std::vector<std::u16string> Shown;
        int Direction;
        std::vector<std::string> Records;  // leading columns of L, B, A; none on Cancel
    };
    const Case cases[] = {
        {"alternate walks back", 0, u"", true, {u"10", u"25.000", u"12.00", u"2.00", u"25.000", u"-1.000"}, 1,
         {"L12.00   ", "B      25.00", "AS           -1.000"}},
        {"one way starts at the same end", 1, u"", true, {u"10", u"25.000", u"12.00", u"2.00", u"7.000", u"1.000"},
         2, {"L12.00   ", "B       7.00", "AN            1.000"}},
        {"a typed name keeps 11 characters", 1, u"ABCDEFGHIJKLMNOPQRST", true,
         {u"10", u"25.000", u"12.00", u"2.00", u"7.000", u"1.000"}, 2, {"LABCDEFGH", "B       7.00", "AN   "}},
        {"cancel", 0, u"99", false, {u"10", u"25.000", u"12.00", u"2.00", u"25.000", u"-1.000"}, 1, {}},
    };
    constexpr int32_t kShownIds[] = {res::kNewLineCurrentLineId, res::kNewLineLastStationId, res::kNewLineNameId,
                                     res::kNewLineIncrementId,   res::kNewLineStartStationId,
                                     res::kNewLineStationIncrementId};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SurveyParametersRecord& p = SurveyParameters;
        std::copy_n(u"10", 3, p.LineName);
        p.LineIncrement = 2.0;
        p.LineSequence = c.Sequence;
        p.LineDirection = 2;
        p.StartStation = 7.0;
        p.CurrentStation = 25.0;
        p.StationIncrement = 1.0;
        SurveyProgress.LineCount = 4;
        const size_t before = FileBytes().size();
        int busy = -1;
        std::vector<std::u16string> shown;
        int combos[2] = {-1, -1};
        Answer(
            [&](plat::Hwnd d) {
                busy = LogScreenState.UiIdle;
                for (int32_t id : kShownIds) shown.push_back(ItemText(d, id));
                combos[0] = plat::ComboGetSelection(plat::GetDialogItem(d, res::kNewLineSequenceId));
                combos[1] = plat::ComboGetSelection(plat::GetDialogItem(d, res::kNewLineDirectionId));
            },
            {{res::kNewLineNameId, c.TypedName.empty() ? c.Shown[2] : c.TypedName}}, c.Ok);
        Key('L');

        EXPECT_EQ(busy, 0) << "the screen is busy while the dialog runs";
        EXPECT_EQ(LogScreenState.UiIdle, 1);
        EXPECT_EQ(shown, c.Shown);
        EXPECT_EQ(combos[0], c.Sequence);
        EXPECT_EQ(combos[1], c.Direction);
        const std::vector<std::string> records = RecordsAfter(before);
        ASSERT_EQ(records.size(), c.Ok ? 5u : 0u);
        EXPECT_EQ(SurveyProgress.LineCount, c.Ok ? 5 : 4);
        if (!c.Ok) {
            EXPECT_EQ(std::u16string(p.LineName), u"10");
            continue;
        }
        for (size_t i = 0; i < 3; ++i) EXPECT_EQ(records[i].substr(0, c.Records[i].size()), c.Records[i]);
        EXPECT_EQ(records[3][0], 'Z');
        EXPECT_EQ(records[4][0], '*');
        EXPECT_EQ(p.CurrentStation, p.StartStation);
        const std::u16string name = p.LineName;
        EXPECT_EQ(name, c.TypedName.empty() ? c.Shown[2] : c.TypedName.substr(0, 11));

        // The settings file keeps the new line: a reload gives it back.
        const SurveyParametersRecord saved = p;
        p = SurveyParametersRecord{};
        ASSERT_TRUE(LoadSaveSettings(0));
        EXPECT_EQ(std::u16string(p.LineName), name);
        EXPECT_EQ(p.LineDirection, saved.LineDirection);
        EXPECT_EQ(p.StationIncrement, saved.StationIncrement);
    }
}

TEST_F(LineDialogsTest, NewStationAndCommentWriteTheirRecordsOnOkOnly) {
    struct Case {
        const char* Name;
        uint32_t Key;
        int32_t Edit;
        std::u16string Typed;
        bool Ok;
        std::vector<std::string> Records;  // leading columns of each record written
        double StationAfter;
    };
    const Case cases[] = {
        {"new station", 'N', res::kStationNewId, u"105.5", true, {"S     105.50  ", "*"}, 105.5},
        {"new station, not a number", 'N', res::kStationNewId, u"abc", true, {"S       0.00  ", "*"}, 0.0},
        {"new station cancelled", 'N', res::kStationNewId, u"7", false, {}, 25.0},
        {"comment cut to 11", 'C', res::kCommentTextId, u"A comment of twenty!", true, {"CA comment o    "}, 25.0},
        {"comment cancelled", 'C', res::kCommentTextId, u"nothing", false, {}, 25.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SurveyParameters.StartStation = 3.0;
        SurveyParameters.CurrentStation = 25.0;
        ProfileTrace.HasPreviousPoint[1] = {1, 1};
        const size_t before = FileBytes().size();
        int busy = -1;
        std::u16string shown[3];
        Answer(
            [&](plat::Hwnd d) {
                busy = LogScreenState.UiIdle;
                if (c.Key != 'N') return;
                shown[0] = ItemText(d, res::kStationStartId);
                shown[1] = ItemText(d, res::kStationCurrentId);
                shown[2] = ItemText(d, res::kStationNewId);
            },
            {{c.Edit, c.Typed}}, c.Ok);
        Key(c.Key);

        EXPECT_EQ(busy, 0);
        EXPECT_EQ(LogScreenState.UiIdle, 1);
        if (c.Key == 'N') {
            EXPECT_EQ(shown[0], u"3.000");
            EXPECT_EQ(shown[1], u"25.000");
            EXPECT_EQ(shown[2], u"");
            EXPECT_EQ(ProfileTrace.HasPreviousPoint[1][0], c.Ok ? 0 : 1) << "the curves start afresh";
        }
        const std::vector<std::string> records = RecordsAfter(before);
        ASSERT_EQ(records.size(), c.Records.size());
        for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i].substr(0, c.Records[i].size()), c.Records[i]);
        EXPECT_EQ(SurveyParameters.CurrentStation, c.StationAfter);
    }
}

TEST_F(LineDialogsTest, FieldsShowNamesWholeAndLongerNumbersFromTheirStart) {
    // The shown Current Line first, then the fields that take typing.
    const std::pair<uint32_t, std::vector<int32_t>> dialogs[] = {
        {'L', {res::kNewLineCurrentLineId, res::kNewLineNameId, res::kNewLineIncrementId,
               res::kNewLineStartStationId, res::kNewLineStationIncrementId}},
        {'N', {res::kStationLineId, res::kStationNewId}}};
    for (const auto& [key, ids] : dialogs) {
        Answer([ids = ids](plat::Hwnd d) {
            for (const std::u16string text : {u"NORTH-00012", u"WWWWWWWWWWW", u"00000000000", u"-1234567.89",
                                              u"-999999999999999.990"}) {
                for (size_t i = 0; i < (text.size() > 11 ? 1 : ids.size()); ++i) {
                    int32_t scrolled = -1, hidden = -1;
                    plat::SetDialogItemText(d, ids[i], text.c_str());
                    plat::test::EditTextView(plat::GetDialogItem(d, ids[i]), &scrolled, &hidden);
                    EXPECT_EQ(text.size() > 11 ? scrolled : scrolled + hidden, 0)
                        << plat::Utf16ToUtf8(text) << " in " << ids[i];
                }
            }
        }, {}, false);
        Key(key);
    }
}

}  // namespace
