// Dialog edits and lists: a text left as shown keeps the stored value exactly
// (also when cut at the edit's cap), typed text is read as a number within
// the cap, and a list without a selection keeps the stored value.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/modal_script.h"
#include "shell/dialog_fields.h"
#include "support/test_env.h"

namespace {

constexpr int32_t kEdit = 100;
constexpr int32_t kList = 101;
constexpr res::DialogControl kControls[] = {
    {u"EDIT", u"", kEdit, 5, 5, 80, 12, plat::kStyleTabStop | plat::kStyleBorder},
    {u"COMBOBOX", u"", kList, 5, 22, 80, 60, plat::kComboDropDownList},
};
constexpr res::DialogTemplate kFieldsDialog{"FIELDS", u"Fields", 0, 0, 100, 60, u"MS Sans Serif", 8, 0, kControls};

plat::LResult QuietProc(plat::Hwnd, uint32_t message, plat::WParam, plat::LParam) {
    return message == plat::kMsgInitDialog ? 1 : 0;
}

// Runs `act` inside a live dialog with one edit and one list.
template <typename Act>
void InDialog(Act act) {
    plat::ModalAnswer a;
    a.Kind = plat::ModalKind::Dialog;
    a.Act = [act](int dialog) {
        act(dialog);
        return 0;
    };
    plat::test::ScriptModal(a);
    EXPECT_EQ(plat::RunDialog(0, kFieldsDialog, QuietProc, 0), 0) << "the dialog ran";
}

using DialogFields = OstrimaTest;

TEST_F(DialogFields, UnchangedTextKeepsTheValueAndTypedTextIsReadWithinTheCap) {
    struct Case {
        const char* Format;
        double Value;
        int32_t Chars;
        const char16_t* Typed;   // nullptr: left as shown
        bool Changed;
        double Read;
    };
    const Case cases[] = {
        {"%.2f", 1.0 / 0.3048, 0, nullptr, false, 0},      // 3.28 ft shown, 1 m kept
        {"%.2f", 1e20, 15, nullptr, false, 0},             // shown cut at 15 characters
        {"%.1f", -1e300, 31, nullptr, false, 0},
        {"%d", 2.9, 0, nullptr, false, 0},
        {"%.1f", 4.0, 15, u"4.5", true, 4.5},
        {"%.1f", 4.0, 15, u"", true, 0.0},
        {"%d", 7, 0, u"12abc", true, 12.0},
        {"%.2f", 2.0, 5, u"123456789", true, 12345.0},     // typing stops at the cap
        {"%.2f", 2.0, 0, u"0x1A", true, 0.0},
        {"%.2f", 2.0, 0, u"1e999", true, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Format << " " << c.Value << " cap " << c.Chars);
        InDialog([&c](plat::Hwnd dialog) {
            SetEditNumber(dialog, kEdit, c.Format, c.Value, c.Chars);
            if (c.Typed != nullptr) plat::test::TypeIntoEdit(plat::GetDialogItem(dialog, kEdit), c.Typed);
            double read = -7.0;
            EXPECT_EQ(ReadChangedEditNumber(dialog, kEdit, c.Format, c.Value, &read, c.Chars), c.Changed);
            EXPECT_EQ(read, c.Changed ? c.Read : -7.0);
        });
    }
}

TEST_F(DialogFields, AListWithoutASelectionKeepsTheStoredValue) {
    static constexpr std::array<const char16_t*, 3> kNames{u"No", u"Even", u"Odd"};
    for (const int32_t stored : {0, 2, 3, -1}) {
        SCOPED_TRACE(stored);
        InDialog([stored](plat::Hwnd dialog) {
            FillList(dialog, kList, kNames, stored);
            EXPECT_EQ(plat::ComboCount(plat::GetDialogItem(dialog, kList)), 3);
            int32_t field = stored;
            const bool inList = stored >= 0 && stored < 3;
            EXPECT_EQ(ReadListSelection(dialog, kList, &field), inList);
            EXPECT_EQ(field, stored);
            plat::test::ChooseComboItem(plat::GetDialogItem(dialog, kList), 1);
            EXPECT_TRUE(ReadListSelection(dialog, kList, &field));
            EXPECT_EQ(field, 1);
        });
    }
}

}  // namespace
