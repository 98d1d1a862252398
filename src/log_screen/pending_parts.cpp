#include "log_screen/pending_parts.h"

#include "map/map_view_commands.h"
#include "platform/dc.h"

namespace {

plat::LResult BlankWindowProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DefaultWindowProc(hwnd, message, w, l);
}

}  // namespace

int RegisterColorBarWndClass() {
    plat::WindowClass cls;
    cls.Name = u"ColorBarWnd";
    cls.Proc = BlankWindowProc;
    cls.Background = plat::GetStockObject(plat::kWhiteBrush);
    cls.Style = plat::kClassHRedraw | plat::kClassVRedraw;
    return plat::RegisterWindowClass(cls) ? 0 : 1;
}

void DeleteAllMapTiles() {}
void ComputeGridSpacing() {}
void InitMapScales() {}
void ShowPleaseWait() {}
void StepBusyIndicator() {}
void ReplayDataFileToMap() {}
void MapViewCommand(int32_t) {}
