// The built-in controls: what reaches the parent, and only when a user acts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/window.h"
#include "window_fixture.h"

using namespace plat;

namespace {

std::vector<Received> g_commands;
DrawItemInfo g_lastDraw;
int g_draws = 0;

LResult ParentProc(Hwnd h, uint32_t m, WParam w, LParam l) {
    if (m == kMsgCommand) {
        g_commands.push_back({h, m, w, l});
        return 0;
    }
    if (m == kMsgDrawItem) {
        const auto* info = reinterpret_cast<const DrawItemInfo*>(l);
        g_lastDraw = *info;
        ++g_draws;
        const Hbrush blue = CreateSolidBrush(0xFF0000);
        FillRect(info->Dc, info->Item, blue);
        DeleteObject(blue);
        return 1;
    }
    return DefaultWindowProc(h, m, w, l);
}

class ControlsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        g_commands.clear();
        g_draws = 0;
        WindowClass c;
        c.Name = u"ParentWnd";
        c.Proc = &ParentProc;
        ASSERT_TRUE(RegisterWindowClass(c));
        parent_ = CreateWindow(u"ParentWnd", u"", kStylePopup | kStyleVisible, 0, 0, 400, 300, 0, 0);
        ASSERT_NE(parent_, 0);
    }
    Hwnd Control(const char16_t* cls, const char16_t* text, uint32_t style, int id, int y = 0) {
        return CreateWindow(cls, text, kStyleChild | kStyleVisible | style, 10, y, 120, 24, parent_, id);
    }
    Hwnd parent_ = 0;
};

TEST_F(ControlsTest, AButtonClickSendsItsIdCodeAndHandle) {
    const Hwnd b = Control(u"BUTTON", u"&Logging", kButtonPush | kStyleTabStop, 420);
    ASSERT_NE(b, 0);
    SetFocus(parent_);
    ASSERT_TRUE(test::ClickControl(b));
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(LowWord(g_commands[0].W), 420);
    EXPECT_EQ(HighWord(g_commands[0].W), kButtonClicked);
    EXPECT_EQ(static_cast<Hwnd>(g_commands[0].L), b);
    EXPECT_EQ(GetFocus(), parent_);
    char16_t text[32];
    GetWindowText(b, text, 32);
    EXPECT_EQ(std::u16string(text), u"&Logging");

    EnableWindow(b, false);
    EXPECT_FALSE(test::ClickControl(b));
    EXPECT_EQ(g_commands.size(), 1u);
}

TEST_F(ControlsTest, TheDefaultStyleComesAndGoes) {
    const Hwnd b = Control(u"BUTTON", u"Go", kButtonPush, 460);
    EXPECT_EQ(GetWindowStyle(b) & kButtonTypeMask, kButtonPush);
    SetButtonStyle(b, kButtonDefaultPush, false);
    EXPECT_EQ(GetWindowStyle(b) & kButtonTypeMask, kButtonDefaultPush);
    SetButtonStyle(b, kButtonPush, true);
    EXPECT_EQ(GetWindowStyle(b) & kButtonTypeMask, kButtonPush);
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(ControlsTest, CheckBoxesToggleOnClicksOnlyAndNotifyOnClicksOnly) {
    const Hwnd check = Control(u"BUTTON", u"Visible", kButtonAutoCheckBox, 1001);
    SetCheckState(check, kChecked);
    EXPECT_EQ(CheckState(check), kChecked);
    EXPECT_TRUE(g_commands.empty());
    test::ClickControl(check);
    EXPECT_EQ(CheckState(check), kUnchecked);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(LowWord(g_commands[0].W), 1001);

    const Hwnd manual = Control(u"BUTTON", u"Manual", kButtonCheckBox, 1002, 30);
    test::ClickControl(manual);  // the parent decides
    EXPECT_EQ(CheckState(manual), kUnchecked);
    EXPECT_EQ(g_commands.size(), 2u);
}

TEST_F(ControlsTest, AutoRadioButtonsClearOnlyTheirOwnGroup) {
    Hwnd a[3], b[3];
    for (int i = 0; i < 3; ++i)
        a[i] = Control(u"BUTTON", u"a", kButtonAutoRadio | (i == 0 ? kStyleGroup : 0), 1200 + i, i * 20);
    for (int i = 0; i < 3; ++i)
        b[i] = Control(u"BUTTON", u"b", kButtonAutoRadio | (i == 0 ? kStyleGroup : 0), 1206 + i, 80 + i * 20);
    CheckRadioButton(parent_, 1200, 1202, 1201);
    CheckRadioButton(parent_, 1206, 1208, 1206);
    EXPECT_TRUE(g_commands.empty());
    test::ClickControl(a[2]);
    EXPECT_EQ(CheckState(a[1]), kUnchecked);
    EXPECT_EQ(CheckState(a[2]), kChecked);
    EXPECT_EQ(CheckState(b[0]), kChecked);  // the other group keeps its choice
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(LowWord(g_commands[0].W), 1202);
}

TEST_F(ControlsTest, ComboSelectionByTheProgramNeverNotifies) {
    const Hwnd combo = Control(u"COMBOBOX", u"", kComboDropDownList | kStyleVScroll, 1007);
    for (const char16_t* t : {u"1 pixel", u"2 pixels", u"3 pixels", u"4 pixels"}) ComboAddString(combo, t);
    EXPECT_EQ(ComboCount(combo), 4);
    EXPECT_EQ(ComboGetSelection(combo), -1);
    EXPECT_EQ(ComboSetSelection(combo, 2), 2);
    EXPECT_EQ(ComboGetSelection(combo), 2);
    EXPECT_EQ(ComboSetSelection(combo, 9), -1);
    EXPECT_TRUE(g_commands.empty());

    ComboSetSelection(combo, 1);
    ASSERT_TRUE(test::ChooseComboItem(combo, 3));
    EXPECT_EQ(ComboGetSelection(combo), 3);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(LowWord(g_commands[0].W), 1007);
    EXPECT_EQ(HighWord(g_commands[0].W), kComboSelChange);
    char16_t item[32];
    EXPECT_EQ(SendMessage(combo, kMsgComboGetItemText, 1, reinterpret_cast<LParam>(item)), 8);
    EXPECT_EQ(std::u16string(item), u"2 pixels");

    ComboClear(combo);
    EXPECT_EQ(ComboCount(combo), 0);
    EXPECT_EQ(g_commands.size(), 1u);
}

TEST_F(ControlsTest, ListBoxesKeepLinesAndNotifyUsersChoicesOnly) {
    const Hwnd list = Control(u"LISTBOX", u"", kListNotify | kListExtendedSelection | kStyleVScroll, 760);
    EXPECT_EQ(ListAddString(list, u"$GPGGA,1"), 0);
    EXPECT_EQ(ListAddString(list, u"NO DATA"), 1);
    EXPECT_EQ(ListCount(list), 2);
    char16_t line[8];
    EXPECT_EQ(ListGetText(list, 0, line, 8), 7);
    EXPECT_EQ(std::u16string(line), u"$GPGGA,");
    EXPECT_EQ(ListGetText(list, 5, line, 8), -1);
    EXPECT_EQ(ListGetSelection(list), -1);
    ListSetSelection(list, 1);
    EXPECT_EQ(ListGetSelection(list), 1);
    EXPECT_TRUE(ListSetTopIndex(list, 1));
    EXPECT_TRUE(g_commands.empty());
    test::ChooseListItem(list, 0);
    ASSERT_FALSE(g_commands.empty());
    EXPECT_EQ(HighWord(g_commands.back().W), kListSelChange);
    ListClear(list);
    EXPECT_EQ(ListCount(list), 0);
}

TEST_F(ControlsTest, EditsKeepTheirCapAndReportChanges) {
    const Hwnd edit = Control(u"EDIT", u"1", kStyleBorder, 1113);
    EditSetLimit(edit, 11);
    ASSERT_TRUE(test::TypeIntoEdit(edit, u"LINE-123456789"));
    char16_t text[32];
    EXPECT_EQ(GetWindowText(edit, text, 32), 11);
    EXPECT_EQ(std::u16string(text), u"LINE-123456");
    ASSERT_FALSE(g_commands.empty());
    EXPECT_EQ(HighWord(g_commands.back().W), kEditChange);
    EXPECT_EQ(LowWord(g_commands.back().W), 1113);

    SetDialogItemText(parent_, 1113, u"2.50");
    EXPECT_EQ(GetDialogItemText(parent_, 1113, text, 32), 4);
    EXPECT_EQ(std::u16string(text), u"2.50");

    const Hwnd readOnly = Control(u"EDIT", u"25.000", kEditReadOnly, 1178, 40);
    EXPECT_FALSE(test::TypeIntoEdit(readOnly, u"x"));
    GetWindowText(readOnly, text, 32);
    EXPECT_EQ(std::u16string(text), u"25.000");

    const Hwnd label = Control(u"STATIC", u"Maximum 11 characters", kStaticLeft, 0, 80);
    GetWindowText(label, text, 32);
    EXPECT_EQ(std::u16string(text), u"Maximum 11 characters");
}

TEST_F(ControlsTest, OwnerDrawnButtonsAreDrawnByTheirParent) {
    const Hwnd b = Control(u"BUTTON", u"", kButtonOwnerDraw, 1220);
    ASSERT_NE(b, 0);
    EXPECT_EQ(test::WindowPixel(b, 5, 5), 0xFF0000u);  // the parent's blue
    EXPECT_GE(g_draws, 1);
    EXPECT_EQ(g_lastDraw.ControlId, 1220);
    EXPECT_EQ(g_lastDraw.Control, b);
    EXPECT_EQ(g_lastDraw.ControlType, kOwnerDrawButton);
    EXPECT_EQ(g_lastDraw.Item.Right, 120);
    EXPECT_EQ(g_lastDraw.Item.Bottom, 24);
    EXPECT_EQ(g_lastDraw.ItemState & kItemStateSelected, 0u);
    test::ClickControl(b);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(LowWord(g_commands[0].W), 1220);
}

TEST_F(ControlsTest, ControlsAreFoundByIdAndGoWithTheirParent) {
    const Hwnd b = Control(u"BUTTON", u"E&xit", kButtonPush, 428);
    EXPECT_EQ(GetDialogItem(parent_, 428), b);
    EXPECT_EQ(GetDialogItem(parent_, 999), 0);
    EXPECT_EQ(SendDialogItemMessage(parent_, 428, kMsgButtonGetCheck, 0, 0), kUnchecked);
    DestroyWindow(parent_);
    EXPECT_FALSE(IsWindow(b));
    EXPECT_EQ(CreateWindow(u"BUTTON", u"orphan", kStyleChild, 0, 0, 10, 10, 0, 1), 0);
}

}  // namespace
