#include "acquisition/gps_position.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "acquisition/gps_fix.h"
#include "log_screen/speed_bar.h"
#include "log_screen/status_panel.h"
#include "log_screen/supervision.h"
#include "map/live_track.h"
#include "platform/dc.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

constexpr double kSecondsPerDay = 86400.0;
// A step back in time is a day change only from this close before midnight
// to this close after it.
constexpr double kDayEdgeSeconds = 300.0;

// Shown speed per display unit (0 metres, else feet) and speed unit.
struct SpeedUnitRow {
    double Factor[2];
    const char* Format;
};
constexpr SpeedUnitRow kSpeedUnits[] = {
    {{1.0, 0.3048}, "%5.2f m/s"},
    {{3.28084, 1.0}, "%5.2f ft/s"},
    {{3.6, 1.0973}, "%5.2f km/h"},
    {{2.2369, 0.6818}, "%5.2f mph"},
};

// The speeds the GPS simulation shows in turn.
constexpr double kSimulatedSpeeds[] = {3.5, 2.7, 2.9, 2.3, 1.5, 2.8, 4.0, 3.3, 3.1, 2.9};
int g_simulatedSpeed = 0;

void ShowCell(plat::Hdc dc, GpsStatusCell cell, const char* text) { ShowGpsCellText(dc, cell, text); }

// The fix's time of day; false when the sentence has none readable.
bool FixTime(bool first, double* seconds) {
    if (ReaderThreads.SimulateGps != 0) {
        *seconds = first ? 100.0 : GpsFix.Time + 1.0;
        return true;
    }
    return DecodeGpsFixTime(GpsSentenceBuffer.GpsLastSentence, seconds) == 1;
}

// Seconds from one fix time to the next. Going back from the day's last
// minutes into its first is a day change, and going on from its first
// minutes to its last is a step back over it; any other step back (a
// receiver repeating an older time or restarting its clock) is no interval
// at all.
double FixInterval(double from, double to) {
    const double dt = to - from;
    const bool fromEnd = from >= kSecondsPerDay - kDayEdgeSeconds, fromStart = from < kDayEdgeSeconds;
    const bool toEnd = to >= kSecondsPerDay - kDayEdgeSeconds, toStart = to < kDayEdgeSeconds;
    if (dt < 0.0 && fromEnd && toStart) return dt + kSecondsPerDay;
    if (dt > 0.0 && fromStart && toEnd) return dt - kSecondsPerDay;
    return dt;
}

// The latest fix becomes the next speed's start, with its latitude and
// longitude for a move into another zone or frame.
void StartSpeedHere() {
    GpsFix.SpeedFromX = GpsFix.CurX;
    GpsFix.SpeedFromY = GpsFix.CurY;
    GpsFix.SpeedFromLatitude = GpsFix.Latitude;
    GpsFix.SpeedFromLongitude = GpsFix.Longitude;
}

// The speed is measured from the first fix of a stamp, its place and its
// time together. Only a fix whose readable time differs from the previous
// one's is known to be the first of its stamp: the fix that opens the
// screen may come in the middle of a shared second, so it never is, and a
// fix without a time, or with the same time (a receiver whose clock is
// coarser than its rate), moves neither. The next new time then divides the
// whole way walked since the start by the whole time between them. A step
// back keeps the speed and the start (a stale buffered sentence carries the
// position of now), unless the time went on from the fix before it (a clock
// set back, or a leap second's 23:59:60 followed by 00:00:00): that fix is
// the next start.
void UpdateSpeed(bool timed, double t) {
    if (!timed) return;
    const double last = GpsFix.Time;
    GpsFix.Time = t;
    if (last < 0.0 || t == last || t == GpsFix.PrevTime) return;
    const double dt = GpsFix.PrevTime >= 0.0 ? FixInterval(GpsFix.PrevTime, t) : 0.0;
    if (dt > 0.0) {
        const double speed = std::hypot(GpsFix.CurX - GpsFix.SpeedFromX, GpsFix.CurY - GpsFix.SpeedFromY) / dt;
        if (std::isfinite(speed)) GpsFix.Speed = speed;
    } else if (FixInterval(last, t) < 0.0) {
        return;
    }
    GpsFix.PrevTime = t;
    StartSpeedHere();
}

void ShowSpeed(plat::Hdc dc) {
    const size_t unit = static_cast<size_t>(std::clamp(SystemSetup.SpeedUnits, 0, 3));
    const SpeedUnitRow& row = kSpeedUnits[unit];
    const double shown = GpsFix.Speed * row.Factor[SystemSetup.DisplayUnits > 0 ? 1 : 0];
    char text[48];
    std::snprintf(text, sizeof text, row.Format, shown);
    if (ReaderThreads.SimulateGps != 0) {
        GpsFix.Speed = kSimulatedSpeeds[g_simulatedSpeed];
        g_simulatedSpeed = (g_simulatedSpeed + 1) % static_cast<int>(std::size(kSimulatedSpeeds));
        std::snprintf(text, sizeof text, "%5.2f mph", GpsFix.Speed);
    }
    ShowCell(dc, GpsStatusCell::Speed, text);
    // The bar's white part: the speed's distance below the top of the scale.
    const double white = std::clamp((SpeedBar.Scale - shown) * SpeedBar.PixelsPerUnit, 0.0,
                                    static_cast<double>(ScreenLayout.SpeedBarLength));
    const plat::Hwnd speedWindow = ScreenWindows.SpeedWindow;
    const plat::Hdc bar = speedWindow != 0 ? plat::GetDC(speedWindow) : 0;
    if (bar != 0) {
        DrawSpeedBar(bar, static_cast<int32_t>(white));
        plat::ReleaseDC(speedWindow, bar);
    }
}

// Closes the reading interval of the colour map at a valid fix: the bank the
// console handlers filled becomes the one the swath draws.
void CloseReadingInterval(bool logging) {
    ReadingSamplesRecord& rs = ReadingSamples;
    if (rs.IntervalStarted == 0) {
        if (logging) {
            rs.IntervalStarted = 1;
            rs.SamplingOpen = 1;
        }
        return;
    }
    rs.SamplingOpen = 0;
    if (logging) {
        rs.ClosedSensorCount = 0;
        rs.ClosedHalf = rs.ActiveHalf;
        rs.ActiveHalf = 1 - rs.ActiveHalf;
        const int sensors = std::clamp(SensorLayout.TotalSensors, 0, kMaxSensorSlots);
        for (int s = 0; s < sensors; ++s) {
            const auto k = static_cast<size_t>(s);
            if (rs.SampleCount[k] > 0) ++rs.ClosedSensorCount;
            rs.ClosedSampleCount[k] = std::clamp(rs.SampleCount[k], 0, kSamplesPerHalf);
            rs.SampleCount[k] = 0;
        }
        rs.ClosedHalfValid = rs.ClosedSensorCount > 0 ? 1 : 0;
    }
    rs.SamplingOpen = 1;
}

// The data file holds no more positions: recording stops before the operator
// is told (nothing more is written, by this thread or the readers, whose
// hand-overs the box still serves), the file is ended as every way out ends
// it (the last look at its name, a rescue, the close, a failure told), and
// the program ends with code 0 once the box is closed. The box says "saved"
// only when the file is.
void EndOfCapacity() {
    LogScreenState.LoggingState = kStateMonitoring;
    LogScreenState.UiIdle = 0;
    const int saved = FinishDataFile(ScreenWindows.LogScreenWindow);
    char text[160];
    std::snprintf(text, sizeof text, "%s\r\n%s\r\n%s", "Maximum number of GPS positions reached.",
                  saved == 1 ? "Current data file is saved." : "Current data file could not be saved whole.",
                  "Please restart the program.");
    char16_t wide[160];
    NarrowToWide(text, wide, std::size(wide));
    plat::MessageBox(ScreenWindows.LogScreenWindow, wide, u"STOP", plat::MessageButtons::Ok, plat::MessageIcon::Warning);
    plat::PostQuitMessage(0);
}

// While logging every selected sentence is one position of the data file.
void CountPosition(plat::Hdc dc, double distance) {
    SurveyProgressRecord& p = SurveyProgress;
    ++p.GpsPositionCount;
    char text[32];
    std::snprintf(text, sizeof text, "%5d", p.GpsPositionCount);
    ShowCell(dc, GpsStatusCell::PositionCount, text);
    if (p.GpsPositionCount >= p.MaxGpsPositions) {
        EndOfCapacity();
        return;
    }
    p.LineLength += distance;
    p.TotalLength += distance;
    std::snprintf(text, sizeof text, "%-8.1f", p.LineLength);
    ShowCell(dc, GpsStatusCell::LineLength, text);
    std::snprintf(text, sizeof text, "%-9.0f", p.TotalLength);
    ShowCell(dc, GpsStatusCell::TotalLength, text);
}

}  // namespace

bool GpsSentenceIsRecorded() {
    return LogScreenState.LoggingState.load() == kStateLogging && IsRecordedGpsTick(GpsSentenceBuffer.GpsSentenceTick.load());
}

void ProcessGpsPosition(double mapX, double mapY, int firstFix) {
    const plat::Hwnd screen = ScreenWindows.LogScreenWindow;
    const plat::Hdc dc = screen != 0 ? plat::GetDC(screen) : 0;
    const bool valid = GpsFix.FixValid == 1;
    // A fix whose sentence is not written is handled as in Stand By: shown
    // and followed on the map, but not counted and given no swath.
    const int32_t recording = GpsSentenceIsRecorded() ? 1 : 0;
    double distance = 0.0;
    if (valid && firstFix == 1) {
        MapView.MapOriginX = mapX;
        MapView.MapOriginY = mapY;
        MapView.DataMinX = MapView.DataMaxX = mapX;
        MapView.DataMinY = MapView.DataMaxY = mapY;
        GpsFix.X = GpsFix.CurX = GpsFix.PrevX = mapX;
        GpsFix.Y = GpsFix.CurY = GpsFix.PrevY = mapY;
        double t = 0.0;
        GpsFix.Time = FixTime(true, &t) ? t : -1.0;
        GpsFix.PrevTime = -1.0;  // no start yet: it is the first fix of a later stamp
        if (LogScreenState.ReviewMode == 0) AddPositionToMap(ScreenWindows.MapWindow, recording, mapY, mapX, 0.0);
    } else if (valid) {
        GpsFix.X = GpsFix.CurX = mapX;
        GpsFix.Y = GpsFix.CurY = mapY;
        distance = std::hypot(GpsFix.CurX - GpsFix.PrevX, GpsFix.CurY - GpsFix.PrevY);
        if (!std::isfinite(distance)) distance = 0.0;
        double t = 0.0;
        const bool timed = FixTime(false, &t);
        UpdateSpeed(timed, t);
        ShowSpeed(dc);
        GpsFix.PrevX = GpsFix.CurX;
        GpsFix.PrevY = GpsFix.CurY;
    }
    if (valid && LogScreenState.UiIdle == 1) {
        if (MapDisplayOptions.DisplayType > 0) CloseReadingInterval(recording == 1);
        if (LogScreenState.ReviewMode == 0) AddPositionToMap(ScreenWindows.MapWindow, recording, mapY, mapX, distance);
    }
    if (recording == 1) CountPosition(dc, distance);
    if (dc != 0) plat::ReleaseDC(screen, dc);
}

void EnableFileButton() {
    const plat::Hwnd file = ScreenButtons.MonitoringButtons[0];
    if (file != 0) plat::EnableWindow(file, true);
}
