#include "survey_files/settings_derived.h"

#include "survey_files/survey_model.h"

namespace {
constexpr double kFeetToMetres = 0.3048;   // swath copies use the foot for both foot units
constexpr int kColourCount = 50;           // colours of the amplitude scale
constexpr double kSingleConsoleMargin = 0.25;  // metres of swath beyond a lone console
}  // namespace

void DeriveConsoleCounts() {
    int dual = 0;
    for (int i = 0; i < SystemSetup.ConsoleCount && i < kMaxConsoles; ++i) {
        const bool twoSensors = SystemSetup.ConsoleType[i] == 1;
        SystemSetup.ConsoleSensorCount[i] = twoSensors ? 2 : 1;
        if (twoSensors) ++dual;
    }
    SystemSetup.DualConsoleCount = dual;
}

void DeriveScalePixels() {
    const double range = ReadingsScale.Maximum - ReadingsScale.Minimum;
    ReadingsScale.CurvePixelsPerUnit = static_cast<double>(ScreenLayout.CurveWindowHeight) / range;
    ReadingsScale.DecayPixelsPerUnit = static_cast<double>(ScreenLayout.DecayWindowHeight) / range;
    ReadingsScale.ColourStep = range / kColourCount;
}

void DeriveArrayGeometry() {
    ArrayGeometryRecord& a = ArrayGeometry;
    a.MinSeparation = a.UnitSeparation > a.ConsoleSeparation ? a.ConsoleSeparation : a.UnitSeparation;
    a.ArrayWidth = (SystemSetup.ConsoleCount - 1) * a.ConsoleSeparation +
                   SystemSetup.DualConsoleCount * a.UnitSeparation;
    const double margin = SystemSetup.ConsoleCount == 1 ? kSingleConsoleMargin : a.MinSeparation * 0.5;
    a.SwathLeft = a.GpsAntennaOffsetX + margin;
    a.SwathRight = a.ArrayWidth - a.GpsAntennaOffsetX + margin;
    a.SwathLeft2 = a.SwathLeft;
    a.SwathRight2 = a.SwathRight;
    if (SystemSetup.DisplayUnits > 0) {
        a.MapSwathLeft = a.SwathLeft / kFeetToMetres;
        a.MapSwathRight = a.SwathRight / kFeetToMetres;
        a.MapSwathLeft2 = a.SwathLeft2 / kFeetToMetres;
        a.MapSwathRight2 = a.SwathRight2 / kFeetToMetres;
    } else {
        a.MapSwathLeft = a.SwathLeft;
        a.MapSwathRight = a.SwathRight;
        a.MapSwathLeft2 = a.SwathLeft2;
        a.MapSwathRight2 = a.SwathRight2;
    }
}

void UpdateCursorSize() {
    const int size = MapDisplayOptions.CursorSize;
    if (size == 5) {
        MapDisplayOptions.CursorHalfSize = 9;
        MapDisplayOptions.CursorOuterSize = 19;
    } else {
        MapDisplayOptions.CursorHalfSize = size + 3;
        MapDisplayOptions.CursorOuterSize = 2 * size + 7;
    }
}

void DeriveCursorBandPixels() {
    MapDisplayOptions.CursorBandPixels =
        static_cast<int32_t>((MapDisplayOptions.CursorBand * 5.0 + 10.0) * 0.01 * MapTiles.TileWidth);
}

void DeriveMapPixelsPerUnit() {
    MapDisplayOptions.MapPixelsPerUnit =
        static_cast<double>(MapTiles.TileWidth) / MapDisplayOptions.MapSize;
}
