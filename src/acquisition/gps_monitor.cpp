#include "acquisition/gps_monitor.h"

#include "platform/dc.h"

namespace {

constexpr const char16_t* kMonitorGpsClass = u"MonitorGPSWnd";

const plat::MessageHandler kMonitorGpsMessages[] = {
    {plat::kMsgCreate, MonitorGpsOnCreate},
    {plat::kMsgPaint, PaintMonitorGpsWindow},
    {plat::kMsgCommand, MonitorGpsOnCommand},
    {plat::kMsgChar, MonitorGpsOnCommand},
    {plat::kMsgKeyDown, MonitorGpsOnCommand},
    {plat::kMsgSize, MonitorGpsOnSize},
};

}  // namespace

int RegisterMonitorGpsWndClass() {
    plat::WindowClass cls;
    cls.Name = kMonitorGpsClass;
    cls.Proc = MonitorGpsWndProc;
    cls.Background = plat::CreateSolidBrush(plat::GetSystemColour(plat::kColourButtonFace));
    if (!plat::RegisterWindowClass(cls)) {
        plat::DeleteObject(cls.Background);
        return 1;
    }
    return 0;
}

plat::LResult MonitorGpsWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DispatchFromTable(kMonitorGpsMessages, hwnd, message, w, l);
}

plat::LResult MonitorGpsOnCreate(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return 0; }

plat::LResult PaintMonitorGpsWindow(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    plat::PaintInfo paint;
    plat::BeginPaint(hwnd, &paint);
    plat::EndPaint(hwnd, &paint);
    return 0;
}

plat::LResult MonitorGpsOnCommand(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return 0; }

plat::LResult MonitorGpsOnSize(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return 0; }
