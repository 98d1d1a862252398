// The logging screen's two popup menus ("&Menu" button, M key): 499 while
// Monitoring, 500 in Stand By (which adds the line, station and comment
// items). Both end with "&Hide Menu".
#pragma once
#include "resources/menu_table.h"

namespace res {

constexpr int kMonitoringMenuId = 499;
constexpr int kStandByMenuId = 500;

extern const MenuTable kMonitoringMenu;
extern const MenuTable kStandByMenu;

// The logging screen's command code of a menu item id (501..516): 101 New
// Line .. 120 Remove Background Files; 0 for any other id (504 and 514 are
// no items).
int LogMenuCommand(int itemId);

}  // namespace res
