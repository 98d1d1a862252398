#include "survey_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "log_screen/panel_objects.h"
#include "map/map_pens.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/window.h"
#include "shell/start_logging.h"
#include "survey_files/data_records.h"
#include "survey_files/settings_derived.h"
#include "survey_files/survey_model.h"

namespace bench {
namespace {

constexpr uint8_t kTags[9] = {0x54, 0x74, 0xD4, 0xF4, 0x14, 0x97, 0xA8, 0xB9, 0x3C};

class SurveyWriter {
public:
    SurveyWriter(std::FILE* file, GeneratedSurvey* out) : file_(file), out_(out) { buffer_.reserve(kFlushBytes + 1024); }
    ~SurveyWriter() { Flush(); }

    void Add(const char* bytes, size_t n) {
        buffer_.append(bytes, n);
        out_->Records += static_cast<int64_t>(n / 27);
        out_->Bytes += static_cast<int64_t>(n);
        if (buffer_.size() >= kFlushBytes) Flush();
    }
    void Add(const DataRecord& r) { Add(r.data(), r.size()); }
    bool Flush() {
        const bool ok = buffer_.empty() || std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
        failed_ = failed_ || !ok;
        buffer_.clear();
        return ok;
    }
    bool Failed() const { return failed_; }

private:
    static constexpr size_t kFlushBytes = 1 << 20;
    std::FILE* file_;
    GeneratedSurvey* out_;
    std::string buffer_;
    bool failed_ = false;
};

// "$GPGGA,hhmmss.00,ddmm.mmmmm,N,dddmm.mmmmm,E,4,12,0.8,45.2,M,46.1,M,1.0,0000*hh"
std::string Sentence(const char* body) {
    unsigned sum = 0;
    for (const char* p = body + 1; *p != 0; ++p) sum ^= static_cast<unsigned char>(*p);
    char out[160];
    std::snprintf(out, sizeof out, "%s*%02X", body, sum);
    return out;
}

std::string GgaSentence(double seconds, double lat, double lon) {
    const int t = static_cast<int>(seconds);
    char body[160];
    std::snprintf(body, sizeof body, "$GPGGA,%02d%02d%02d.00,%02d%08.5f,N,%03d%08.5f,E,4,12,0.8,45.2,M,46.1,M,1.0,0000",
                  t / 3600 % 24, t / 60 % 60, t % 60, static_cast<int>(lat), (lat - static_cast<int>(lat)) * 60.0,
                  static_cast<int>(lon), (lon - static_cast<int>(lon)) * 60.0);
    return Sentence(body);
}

void AddGroup(SurveyWriter& w, const std::string& sentence, uint32_t tick) {
    char group[kGpsGroupBytes];
    w.Add(group, FormatGpsSentenceGroup(group, sizeof group, sentence, '@', '#', 0, tick));
}

void AddEvent(SurveyWriter& w, const char* text, uint32_t tick) {
    DataRecord r;
    FormatEventRecord(r, 'X', text, tick);
    w.Add(r);
}

void AddLineStart(SurveyWriter& w, int line, uint32_t tick) {
    char name[16];
    std::snprintf(name, sizeof name, "%d", line + 1);
    for (size_t i = 0; name[i] != 0; ++i) SurveyParameters.LineName[i] = static_cast<char16_t>(name[i]), SurveyParameters.LineName[i + 1] = 0;
    SurveyParameters.LineDirection = line % 2 == 0 ? 2 : 1;
    plat::LocalTime t;
    t.Year = 2026, t.Month = 6, t.Day = 1, t.Hour = 8 + line / 60, t.Minute = line % 60;
    SessionRecords s;
    FormatSessionRecords(s, t);
    w.Add(s.data(), s.size());
    DataRecord mark;
    FormatTimeMarkRecord(mark, t, tick);
    w.Add(mark);
}

// A value as "%14.3f" stores it.
double Stored(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.3f", v);
    return std::strtod(text, nullptr);
}

// A bar across the walking direction (north or south) at (x, y), `half` to
// each side; kinds 1 and 2 count into the extent, 2 and 4 end a position.
void AddBar(SurveyWriter& w, GeneratedSurvey* out, int kind, double x, double y, double half, int direction) {
    const double left = x - direction * half, right = x + direction * half;
    SwathBlock b;
    FormatSwathBlock(b, kind, left, y, right, y);
    w.Add(b.data(), b.size());
    if (kind <= 2) {
        // The extent as the file stores it.
        for (double v : {Stored(left), Stored(right)}) out->MinX = std::min(out->MinX, v), out->MaxX = std::max(out->MaxX, v);
        out->MinY = std::min(out->MinY, Stored(y)), out->MaxY = std::max(out->MaxY, Stored(y));
        ++out->Positions;
    }
}

void SetUpModel(const SurveyShape& shape) {
    ResetSurveyModel();
    SystemSetup.ConsoleCount = shape.Consoles;
    for (int i = 0; i < 9; ++i) SystemSetup.ConsoleType[static_cast<size_t>(i)] = 1;
    GpsPortSetup.InputMode = 1;
    GpsPortSetup.DataFormat = 0;
    GpsFix.UtmZone = shape.UtmZone;
    GpsFix.FirstFixX = shape.OriginX;
    GpsFix.FirstFixY = shape.OriginY;
    std::snprintf(DataFileState.DataFileBaseName, sizeof DataFileState.DataFileBaseName, "WORST");
    std::copy(std::begin(kTags), std::end(kTags), DataFileState.ConsoleRecordTag.begin());
}

}  // namespace

bool WriteSurveyFile(const std::string& path, const SurveyShape& shape, GeneratedSurvey* out) {
    *out = GeneratedSurvey{};
    out->MinX = out->MaxX = shape.OriginX;
    out->MinY = out->MaxY = shape.OriginY;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    SetUpModel(shape);
    const double half = 0.5 * ((shape.Consoles - 1) * 1.0 + shape.Consoles * 0.5) + 0.5;  // array half width, margin
    bool ok = true;
    {
        SurveyWriter w(file, out);
        HeaderRecords h;
        FormatHeaderRecords(h, 0);
        w.Add(h.data(), h.size());

        uint32_t noise = 12345;
        const int fixesPerLine = std::max(2, static_cast<int>(shape.LineLength / shape.Step) + 1);
        uint32_t tick = 1000000;
        double seconds = 8 * 3600.0;
        int fix = 0;
        for (int line = 0; fix < shape.Fixes; ++line) {
            AddLineStart(w, line, tick);
            AddEvent(w, "$STARTED", tick);
            ++out->Lines;
            const int direction = line % 2 == 0 ? 1 : -1;
            const double x = shape.OriginX + line * shape.LineSpacing;
            const double y0 = direction > 0 ? shape.OriginY : shape.OriginY + (fixesPerLine - 1) * shape.Step;
            for (int i = 0; i < fixesPerLine && fix < shape.Fixes; ++i, ++fix) {
                for (int k = 0; k < shape.ReadingsPerFix; ++k) {
                    for (int c = 0; c < shape.Consoles; ++c) {
                        // A background that wanders with the walk, noise, and the odd anomaly.
                        noise = noise * 1664525u + 1013904223u;
                        const double along = fix + k / static_cast<double>(shape.ReadingsPerFix);
                        const double level = 40.0 * std::sin(along / 37.0 + c) + ((noise >> 24) % 9) - 4.0;
                        const double peak = std::fmod(along + 13.0 * c, 97.0) < 3.0 ? 400.0 : 0.0;
                        const int a = static_cast<int>(level + peak), b = static_cast<int>(0.8 * level - 0.5 * peak);
                        char text[40];
                        std::snprintf(text, sizeof text, "$PBAR,%4d,%4d", a, b);
                        DataRecord r;
                        FormatReadingRecord(r, kTags[c], text, tick + static_cast<uint32_t>(k * 1000 / shape.ReadingsPerFix));
                        w.Add(r);
                    }
                }
                const double y = y0 + direction * i * shape.Step;
                if (i == 0) {
                    DataRecord start;
                    FormatSwathStartRecord(start);
                    w.Add(start);
                } else {
                    const double previous = y - direction * shape.Step;
                    if (i == 1) {
                        AddBar(w, out, 1, x, previous, half, direction);
                        AddBar(w, out, 3, x, previous, half - 0.5, direction);
                    }
                    AddBar(w, out, 2, x, y, half, direction);
                    AddBar(w, out, 4, x, y, half - 0.5, direction);
                }
                const double lat = 51.4 + (y - shape.OriginY) / 111200.0;
                const double lon = 3.0 + (x - shape.OriginX) / 69500.0;
                AddGroup(w, GgaSentence(seconds, lat, lon), tick + 1000);
                AddGroup(w, Sentence("$GPGSA,A,3,01,03,06,11,14,17,19,22,24,28,32,,1.6,0.8,1.4"), tick + 1010);
                tick += 1000;
                seconds += 1.0;
            }
            AddEvent(w, "PAUSED", tick);
        }
        ok = w.Flush() && !w.Failed();
    }
    ok = std::fclose(file) == 0 && ok;
    if (!ok) std::fprintf(stderr, "writing %s failed\n", path.c_str());
    return ok;
}

bool OpenSurveyOnMap(const std::string& path, const SurveyShape& shape) {
    plat::StartApplication();
    const std::u16string path16 = plat::Utf8ToUtf16(path);
    DataFileState.DataFileHandle = plat::OpenFile(path16.c_str(), plat::FileOpen::ExistingReadWrite, true, true);
    if (DataFileState.DataFileHandle == plat::kInvalidFile) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return false;
    }
    DeriveArrayGeometry();
    ComputeSensorLayout();
    CreateFixedPens();
    CreateColourScalePens();
    CreateMapPens(0);
    MapTiles.TileWidth = MapTiles.TileHeight = 508;
    MapDisplayOptions.MapSize = 40;
    MapDisplayOptions.MapPixelsPerUnit = 508.0 / 40.0;
    MapDisplayOptions.PositionSize = 4;
    MapView.MapOriginX = shape.OriginX;
    MapView.MapOriginY = shape.OriginY;
    return true;
}

}  // namespace bench
