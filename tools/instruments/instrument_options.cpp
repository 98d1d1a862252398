#include "instrument_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"

namespace instruments {

namespace {

bool ParseInt(const char* text, long low, long high, int& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != 0 || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseList(const char* text, long low, long high, std::vector<int>& out) {
    out.clear();
    std::string all(text);
    size_t start = 0;
    while (start <= all.size()) {
        const size_t comma = all.find(',', start);
        const std::string item = all.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        int v = 0;
        if (!ParseInt(item.c_str(), low, high, v)) return false;
        out.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return !out.empty();
}

}  // namespace

bool LoadProgramSettings() {
    // Making, keeping aside or replacing the file is the program's to do, and
    // to tell the operator of.
    return ReadSettingsWithoutWriting();
}

void Usage(FILE* to) {
    std::fprintf(to,
        "usage: ostrima-instruments [options] [--run PROGRAM [ARGS...]]\n"
        "  --consoles N     consoles in the array, 1..9 (default from the settings: %d)\n"
        "  --types LIST     sensors per console, 1 or 2, comma-separated (default from the settings)\n"
        "  --ports LIST     COM number of each console, comma-separated (default from the settings)\n"
        "  --gps-port N     COM number of the GPS port, 0 for none (default from the settings: %d)\n"
        "  --gps-format F   GPS data format 0..8 as in the GPS port setup: 0 GGA/GSA,\n"
        "                   1 GGA, 2 POS, 3 LLK, 4 LLQ, 5 GLL, 6 GGK, 7 RTS pseudo GGA,\n"
        "                   8 Pseudo GLL (default from the settings: %d)\n"
        "  --gps-rate HZ    GPS epochs per second (default 1)\n"
        "  --gps-origin LAT,LON  degrees where the walk starts, north and east positive\n"
        "                   (default 48.1173,11.5167); its lines run north, then south\n"
        "  --rate HZ        lines per second from each console (default 10)\n"
        "  --seed S         seed of the simulated readings (default 1)\n"
        "  --run PROGRAM    start PROGRAM with the ports set and feed it until it exits\n"
        "The settings are the program's settings file, as the program reads it\n"
        "(the built-in settings when there is none).\n",
        SystemSetup.ConsoleCount, GpsPortSetup.Port + 1, GpsPortSetup.DataFormat);
}

bool ParseOptions(int argc, char** argv, Options& o) {
    const SystemSetupRecord& system = SystemSetup;
    const GpsPortSetupRecord& gps = GpsPortSetup;
    o.Consoles = system.ConsoleCount;
    o.GpsPort = gps.Port + 1;
    o.GpsFormat = gps.DataFormat;
    bool typesGiven = false, portsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            o.Help = true;
            return true;
        } else if (a == "--run" && hasValue) {
            o.Run = argv + i + 1;
            break;
        } else if (a == "--consoles" && hasValue) {
            if (!ParseInt(argv[++i], 1, kMaxConsoles, o.Consoles)) return false;
        } else if (a == "--types" && hasValue) {
            if (!ParseList(argv[++i], 1, 2, o.Sensors)) return false;
            typesGiven = true;
        } else if (a == "--ports" && hasValue) {
            if (!ParseList(argv[++i], 1, 48, o.Ports)) return false;
            portsGiven = true;
        } else if (a == "--gps-port" && hasValue) {
            if (!ParseInt(argv[++i], 0, 48, o.GpsPort)) return false;
        } else if (a == "--gps-format" && hasValue) {
            if (!ParseInt(argv[++i], 0, 8, o.GpsFormat)) return false;
        } else if (a == "--gps-rate" && hasValue) {
            char* end = nullptr;
            o.GpsRate = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != 0 || !(o.GpsRate > 0.0) || o.GpsRate > 100.0) return false;
        } else if (a == "--gps-origin" && hasValue) {
            char* end = nullptr;
            o.GpsLatitude = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != ',' || !(std::fabs(o.GpsLatitude) < 89.0)) return false;
            const char* lon = end + 1;
            o.GpsLongitude = std::strtod(lon, &end);
            if (end == lon || *end != 0 || !(std::fabs(o.GpsLongitude) <= 180.0)) return false;
            o.GpsOriginGiven = true;
        } else if (a == "--rate" && hasValue) {
            char* end = nullptr;
            o.Rate = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != 0 || !(o.Rate > 0.0) || o.Rate > 1000.0) return false;
        } else if (a == "--seed" && hasValue) {
            int seed = 0;
            if (!ParseInt(argv[++i], 0, 2147483647L, seed)) return false;
            o.Seed = static_cast<uint32_t>(seed);
        } else {
            return false;
        }
    }
    if (!typesGiven) {
        o.Sensors.clear();
        for (size_t c = 0; c < static_cast<size_t>(o.Consoles); ++c) o.Sensors.push_back(system.ConsoleType[c] == 1 ? 2 : 1);
    }
    if (!portsGiven) {
        o.Ports.clear();
        for (size_t c = 0; c < static_cast<size_t>(o.Consoles); ++c) o.Ports.push_back(system.ConsolePort[c] + 1);
    }
    if (static_cast<int>(o.Sensors.size()) != o.Consoles) {
        std::fprintf(stderr, "ostrima-instruments: --types needs one entry per console (%d)\n", o.Consoles);
        return false;
    }
    if (static_cast<int>(o.Ports.size()) != o.Consoles) {
        std::fprintf(stderr, "ostrima-instruments: --ports needs one entry per console (%d)\n", o.Consoles);
        return false;
    }
    return true;
}

// The built-in settings put consoles 1 and 4 both on COM4: an array of four
// or more needs settings of its own or --ports.
bool PortsAreDistinct(const Options& o) {
    std::vector<int> all = o.Ports;
    if (o.GpsPort != 0) all.push_back(o.GpsPort);
    for (size_t i = 0; i < all.size(); ++i) {
        for (size_t j = i + 1; j < all.size(); ++j) {
            if (all[i] != all[j]) continue;
            std::fprintf(stderr, "ostrima-instruments: COM%d is given twice; choose the ports with --ports%s\n",
                         all[i], o.GpsPort == all[i] ? " or --gps-port" : "");
            return false;
        }
    }
    return true;
}

}  // namespace instruments
