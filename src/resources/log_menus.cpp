#include "resources/log_menus.h"

namespace res {
namespace {

// item id, command code
struct MenuCommand {
    int ItemId;
    int Command;
};

constexpr MenuCommand kMenuCommands[] = {
    {501, 101},  // New Line
    {502, 102},  // New Station
    {503, 103},  // Comment
    {505, 105},  // Readings Scale
    {506, 106},  // Scale Speed Bar
    {507, 107},  // Profile Display Options
    {508, 113},  // Audio Options
    {509, 108},  // Hide Menu
    {510, 110},  // Map Size
    {511, 111},  // Map Display Options
    {512, 109},  // Toggle View
    {513, 112},  // GPS Warning Mask
    {515, 119},  // Enter Background Files
    {516, 120},  // Remove Background Files
};

constexpr MenuItem kMonitoringItems[] = {
    {u"Map &Size", 510},
    {u"&Readings Scale", 505},
    {u"Scale Speed &Bar", 506},
    kMenuSeparator,
    {u"Map &Display Options", 511},
    {u"&Profile Display Options", 507},
    {u"&Audio Options", 508},
    kMenuSeparator,
    {u"&Toggle View", 512},
    kMenuSeparator,
    {u"GPS &Warning Mask", 513},
    kMenuSeparator,
    {u"Enter Background Files", 515},
    {u"Remove Background Files", 516},
    kMenuSeparator,
    {u"&Hide Menu", 509},
};

constexpr MenuItem kStandByItems[] = {
    {u"New &Line", 501},
    {u"&New Station", 502},
    {u"&Comment", 503},
    kMenuSeparator,
    {u"Map &Size", 510},
    {u"&Readings Scale", 505},
    {u"Scale Speed &Bar", 506},
    kMenuSeparator,
    {u"Map &Display Options", 511},
    {u"&Profile Display Options", 507},
    {u"&Audio Options", 508},
    kMenuSeparator,
    {u"&Toggle View", 512},
    kMenuSeparator,
    {u"GPS &Warning Mask", 513},
    kMenuSeparator,
    {u"Enter Background Files", 515},
    {u"Remove Background Files", 516},
    kMenuSeparator,
    {u"&Hide Menu", 509},
};

}  // namespace

const MenuTable kMonitoringMenu{kMonitoringMenuId, kMonitoringItems};
const MenuTable kStandByMenu{kStandByMenuId, kStandByItems};

int LogMenuCommand(int itemId) {
    for (const MenuCommand& m : kMenuCommands) {
        if (m.ItemId == itemId) return m.Command;
    }
    return 0;
}

}  // namespace res
