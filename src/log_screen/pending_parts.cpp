#include "log_screen/pending_parts.h"

#include "platform/dc.h"

// Every definition here is weak: the real one wins wherever it is linked.
#define PLACEHOLDER [[gnu::weak]]

namespace {

plat::LResult BlankWindowProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DefaultWindowProc(hwnd, message, w, l);
}

int RegisterBlankClass(const char16_t* name) {
    plat::WindowClass cls;
    cls.Name = name;
    cls.Proc = BlankWindowProc;
    cls.Background = plat::GetStockObject(plat::kWhiteBrush);
    cls.Style = plat::kClassHRedraw | plat::kClassVRedraw;
    return plat::RegisterWindowClass(cls) ? 0 : 1;
}

}  // namespace

PLACEHOLDER int RegisterMapWndClass() { return RegisterBlankClass(u"MapWnd"); }
PLACEHOLDER int RegisterColorBarWndClass() { return RegisterBlankClass(u"ColorBarWnd"); }

PLACEHOLDER void DeleteAllMapTiles() {}
PLACEHOLDER void ComputeGridSpacing() {}
PLACEHOLDER void InitMapScales() {}
PLACEHOLDER void ShowPleaseWait() {}
PLACEHOLDER int ScanDataFileGpsPositions(plat::Hwnd) { return 1; }
PLACEHOLDER void ReplayDataFileToMap() {}
PLACEHOLDER void RemoveAllBackgroundFiles() {}

PLACEHOLDER void RunLineStationCommand(plat::Hwnd, int) {}
PLACEHOLDER void RunOptionCommand(plat::Hwnd, int) {}
