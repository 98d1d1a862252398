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
    // The last command as (id, notification code); (-1, -1) when none came.
    static std::pair<int, int> LastCommand() {
        if (g_commands.empty()) return {-1, -1};
        return {LowWord(g_commands.back().W), HighWord(g_commands.back().W)};
    }
    static std::u16string Text(Hwnd h) {
        char16_t text[64] = {};
        GetWindowText(h, text, 64);
        return text;
    }
    Hwnd parent_ = 0;
};

TEST_F(ControlsTest, AButtonClickSendsItsIdCodeAndHandleAndKeepsTheFocus) {
    const Hwnd b = Control(u"BUTTON", u"&Logging", kButtonPush | kStyleTabStop, 420);
    ASSERT_NE(b, 0);
    EXPECT_EQ(GetDialogItem(parent_, 420), b);
    SetFocus(parent_);
    ASSERT_TRUE(test::ClickControl(b));
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(LastCommand(), std::make_pair(420, int{kButtonClicked}));
    EXPECT_EQ(static_cast<Hwnd>(g_commands[0].L), b);
    EXPECT_EQ(GetFocus(), parent_);
    EXPECT_EQ(Text(b), u"&Logging");

    // The default style comes and goes without a command.
    EXPECT_EQ(GetWindowStyle(b) & kButtonTypeMask, kButtonPush);
    SetButtonStyle(b, kButtonDefaultPush, false);
    EXPECT_EQ(GetWindowStyle(b) & kButtonTypeMask, kButtonDefaultPush);
    SetButtonStyle(b, kButtonPush, true);
    EXPECT_EQ(GetWindowStyle(b) & kButtonTypeMask, kButtonPush);

    EnableWindow(b, false);
    EXPECT_FALSE(test::ClickControl(b));
    EXPECT_EQ(g_commands.size(), 1u);
}

TEST_F(ControlsTest, CheckAndRadioButtonsChangeOnClicksOnlyAndNotifyOnClicksOnly) {
    const Hwnd check = Control(u"BUTTON", u"Visible", kButtonAutoCheckBox, 1001);
    SetCheckState(check, kChecked);
    EXPECT_EQ(CheckState(check), kChecked);
    EXPECT_TRUE(g_commands.empty());
    test::ClickControl(check);
    EXPECT_EQ(CheckState(check), kUnchecked);
    EXPECT_EQ(LastCommand().first, 1001);
    const Hwnd manual = Control(u"BUTTON", u"Manual", kButtonCheckBox, 1002, 30);
    test::ClickControl(manual);  // the parent decides
    EXPECT_EQ(CheckState(manual), kUnchecked);
    EXPECT_EQ(LastCommand().first, 1002);

    Hwnd a[3], b[3];
    for (int i = 0; i < 3; ++i)
        a[i] = Control(u"BUTTON", u"a", kButtonAutoRadio | (i == 0 ? kStyleGroup : 0), 1200 + i, 60 + i * 20);
    for (int i = 0; i < 3; ++i)
        b[i] = Control(u"BUTTON", u"b", kButtonAutoRadio | (i == 0 ? kStyleGroup : 0), 1206 + i, 140 + i * 20);
    CheckRadioButton(parent_, 1200, 1202, 1201);
    CheckRadioButton(parent_, 1206, 1208, 1206);
    g_commands.clear();
    test::ClickControl(a[2]);
    EXPECT_EQ(CheckState(a[1]), kUnchecked);
    EXPECT_EQ(CheckState(a[2]), kChecked);
    EXPECT_EQ(CheckState(b[0]), kChecked);  // the other group keeps its choice
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(LastCommand().first, 1202);
}

TEST_F(ControlsTest, ComboAndListSelectionsByTheProgramNeverNotify) {
    const Hwnd combo = Control(u"COMBOBOX", u"", kComboDropDownList | kStyleVScroll, 1007);
    for (const char16_t* t : {u"1 pixel", u"2 pixels", u"3 pixels", u"4 pixels"}) ComboAddString(combo, t);
    EXPECT_EQ(ComboCount(combo), 4);
    EXPECT_EQ(ComboGetSelection(combo), -1);
    EXPECT_EQ(ComboSetSelection(combo, 2), 2);
    EXPECT_EQ(ComboGetSelection(combo), 2);
    EXPECT_EQ(ComboSetSelection(combo, 9), -1);
    char16_t item[32];
    EXPECT_EQ(SendMessage(combo, kMsgComboGetItemText, 1, reinterpret_cast<LParam>(item)), 8);
    EXPECT_EQ(std::u16string(item), u"2 pixels");

    const Hwnd list = Control(u"LISTBOX", u"", kListNotify | kListExtendedSelection | kStyleVScroll, 760, 40);
    EXPECT_EQ(ListAddString(list, u"$GPGGA,1"), 0);
    EXPECT_EQ(ListAddString(list, u"NO DATA"), 1);
    char16_t line[8];
    EXPECT_EQ(ListGetText(list, 0, line, 8), 7);  // cut to the capacity
    EXPECT_EQ(std::u16string(line), u"$GPGGA,");
    EXPECT_EQ(ListGetText(list, 5, line, 8), -1);
    EXPECT_EQ(ListGetSelection(list), -1);
    ListSetSelection(list, 1);
    EXPECT_EQ(ListGetSelection(list), 1);
    EXPECT_TRUE(ListSetTopIndex(list, 1));
    EXPECT_TRUE(g_commands.empty());

    ASSERT_TRUE(test::ChooseComboItem(combo, 3));  // the user's choices do
    EXPECT_EQ(ComboGetSelection(combo), 3);
    EXPECT_EQ(LastCommand(), std::make_pair(1007, int{kComboSelChange}));
    test::ChooseListItem(list, 0);
    EXPECT_EQ(LastCommand(), std::make_pair(760, int{kListSelChange}));
    const size_t commands = g_commands.size();
    ComboClear(combo);
    ListClear(list);
    EXPECT_EQ(ComboCount(combo), 0);
    EXPECT_EQ(ListCount(list), 0);
    EXPECT_EQ(g_commands.size(), commands);
}

// A receiver's lines in a long list: each one at the end, in order, the list
// scrolled one row per line once it is full; a sorted list places by text
// and keeps its selection on the same row when another is deleted.
TEST_F(ControlsTest, ListBoxKeepsEveryLineAndFollowsTheLast) {
    const Hwnd list = CreateWindow(u"LISTBOX", u"", kStyleChild | kStyleVisible | kStyleVScroll | kListExtendedSelection,
                                   10, 40, 300, 200, parent_, 760);
    std::vector<int32_t> tops;
    for (int32_t i = 0; i < 3000; ++i) {
        const std::u16string line = u"$GPGGA," + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) + u"," +
                                    std::u16string(static_cast<size_t>(i / 100), u'x');
        ASSERT_EQ(ListAddString(list, line.c_str()), i);
        ASSERT_TRUE(ListSetTopIndex(list, i));
        tops.push_back(static_cast<int32_t>(SendMessage(list, kMsgListGetTopIndex, 0, 0)));
    }
    EXPECT_EQ(ListCount(list), 3000);
    char16_t text[64];
    ListGetText(list, 2999, text, 64);
    EXPECT_EQ(std::u16string(text), u"$GPGGA,9," + std::u16string(29, u'x'));
    EXPECT_EQ(tops.front(), 0);
    const int32_t shown = 3000 - tops.back();  // whole rows shown, the last one at the bottom
    EXPECT_GT(shown, 1);
    for (size_t i = static_cast<size_t>(shown); i < tops.size(); ++i) {
        ASSERT_EQ(tops[i], tops[i - 1] + 1) << "line " << i;
    }

    const Hwnd sorted = Control(u"LISTBOX", u"", kListSort, 761, 250);
    for (const char16_t* t : {u"b", u"A", u"c", u"a"}) ListAddString(sorted, t);
    std::u16string order;
    for (int32_t i = 0; i < ListCount(sorted); ++i) {
        ListGetText(sorted, i, text, 64);
        order += text;
    }
    EXPECT_EQ(order, u"Aabc");
    ListSetSelection(sorted, 2);
    EXPECT_EQ(SendMessage(sorted, kMsgListDeleteString, 1, 0), 3);
    EXPECT_EQ(ListGetSelection(sorted), 1);
    EXPECT_EQ(SendMessage(sorted, kMsgListDeleteString, 7, 0), kListError);
    EXPECT_TRUE(g_commands.empty());
}

// The closed box keeps the width its template gives it; the list that drops
// down shows every text whole, in the font the dialog gave the box.
TEST_F(ControlsTest, DropDownListsAreAsWideAsTheirLongestText) {
    const Hfont font = CreateFont(16, kWeightNormal, u"MS Sans Serif");
    struct Case {
        const char* what;
        int32_t width;
        std::vector<const char16_t*> items;
    } cases[] = {
        {"GPS data formats", 70, {u"GGA/GSA", u"RTS pseudo GGA", u"Pseudo GLL"}},
        {"units", 60, {u"Meters", u"US Survey Feet"}},
        {"map display", 150, {u"Sensors Positions", u"Sensors Positions, No Color Amplitude"}},
        {"short texts in a wide box", 120, {u"1", u"2"}},
        {"a list that scrolls", 50, {u"COM1", u"COM2", u"COM3", u"COM4", u"COM5", u"COM6", u"COM7", u"COM8", u"COM9",
                                     u"COM10", u"COM11", u"COM12", u"COM123456789"}},
    };
    for (const Case& c : cases) {
        const Hwnd combo = CreateWindow(u"COMBOBOX", u"", kStyleChild | kStyleVisible | kComboDropDownList | kStyleVScroll,
                                        10, 10, c.width, 24, parent_, 1007);
        SendMessage(combo, kMsgSetFont, static_cast<WParam>(font), 0);
        for (const char16_t* t : c.items) ComboAddString(combo, t);
        Rect closed{};
        GetWindowRect(combo, &closed);
        // One style widens the list by itself, the other keeps it as wide as the box.
        for (const char16_t* style : {u"Windows", u"Fusion"}) {
            int32_t listWidth = 0, widest = 0;
            ASSERT_TRUE(test::DropDownWidths(combo, style, &listWidth, &widest)) << c.what;
            EXPECT_GT(widest, 0) << c.what;
            EXPECT_GE(listWidth, widest) << c.what << ", style " << (style[0] == u'W' ? "Windows" : "Fusion");
            Rect after{};
            GetWindowRect(combo, &after);
            EXPECT_EQ(after.Right - after.Left, closed.Right - closed.Left) << c.what << ": the closed box keeps its width";
        }
        DestroyWindow(combo);
    }
    DeleteObject(font);
}

TEST_F(ControlsTest, EditsKeepTheirCapAndReportChanges) {
    const Hwnd edit = Control(u"EDIT", u"1", kStyleBorder, 1113);
    EditSetLimit(edit, 11);
    ASSERT_TRUE(test::TypeIntoEdit(edit, u"LINE-123456789"));
    EXPECT_EQ(Text(edit), u"LINE-123456");
    EXPECT_EQ(LastCommand(), std::make_pair(1113, int{kEditChange}));
    SetDialogItemText(parent_, 1113, u"2.50");
    char16_t text[32];
    EXPECT_EQ(GetDialogItemText(parent_, 1113, text, 32), 4);
    EXPECT_EQ(std::u16string(text), u"2.50");

    const Hwnd readOnly = Control(u"EDIT", u"25.000", kEditReadOnly, 1178, 40);
    EXPECT_FALSE(test::TypeIntoEdit(readOnly, u"x"));
    EXPECT_EQ(Text(readOnly), u"25.000");
    EXPECT_EQ(Text(Control(u"STATIC", u"Maximum 11 characters", kStaticLeft, 0, 80)), u"Maximum 11 characters");
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
    EXPECT_EQ(LastCommand().first, 1220);
    DestroyWindow(parent_);
    EXPECT_FALSE(IsWindow(b)) << "controls go with their parent";
}

}  // namespace
