// Popup menus from the program's menu tables (resources/menu_table.h).
//
// In test runs nothing is shown: the call takes a scripted PopupMenu answer
// (Result = the chosen command id, 0 = dismissed); an id that is not an item
// of the menu fails the test. Every popup is recorded for tests.
#pragma once
#include <vector>

#include "platform/window.h"

#include "resources/menu_table.h"

namespace plat {

// Shows `menu` at the screen position (x, y), owned by `ownerWindow`, and
// waits until the operator picks an item or dismisses the menu. Returns the
// command id of the item picked, 0 when dismissed. Hand-overs from other
// threads are served while the menu is open.
int TrackPopupMenu(Hwnd ownerWindow, const res::MenuTable& menu, int x, int y);

namespace test {

struct RecordedPopupMenu {
    int MenuId = 0;          // the table's Id
    Hwnd Owner = 0;
    int X = 0, Y = 0;        // screen position asked for
    int Result = 0;          // command returned
};

std::vector<RecordedPopupMenu> RecordedPopupMenus();
void ClearRecordedPopupMenus();

}  // namespace test
}  // namespace plat
