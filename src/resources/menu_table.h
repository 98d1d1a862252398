// Popup menus as tables: the menu's resource number and its items in order,
// each a text with its command id, or a separator. An '&' in a text marks the
// item's keyboard letter ("New &Line").
#pragma once
#include <span>

namespace res {

struct MenuItem {
    const char16_t* Text;    // nullptr = a separator
    int Id;                  // the command the item stands for; 0 for a separator
};

constexpr MenuItem kMenuSeparator{nullptr, 0};

struct MenuTable {
    int Id;                               // the menu's resource number (499, 500)
    std::span<const MenuItem> Items;      // in the order shown
};

}  // namespace res
