// The instruments tool's options: which consoles and GPS port to play, on
// which COM ports. Unless the command line says otherwise they come from the
// program's settings file, read by the program's own loader.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

namespace instruments {

struct Options {
    int Consoles = 0;
    std::vector<int> Sensors;     // per console, 1 or 2
    std::vector<int> Ports;       // per console, COM number
    int GpsPort = 0;              // COM number, 0 = no GPS port
    int GpsFormat = 0;            // the program's GPS data format 0..8
    double GpsRate = 1.0;         // epochs per second
    bool GpsOriginGiven = false;  // --gps-origin: the walk starts at GpsLatitude, GpsLongitude
    double GpsLatitude = 0.0;     // degrees, north positive
    double GpsLongitude = 0.0;    // degrees, east positive
    double Rate = 10.0;           // lines per second per console
    uint32_t Seed = 1;
    char** Run = nullptr;         // PROGRAM and its arguments, null-terminated
    bool Help = false;            // --help: print the usage and stop
};

// Reads the program's settings file into the settings records when it is
// one the program understands, as the program reads it; otherwise the records
// keep the built-in settings. The file is never made, kept aside or replaced:
// that is the program's to do and to tell the operator of. False when
// nothing was read.
bool LoadProgramSettings();

void Usage(FILE* to);

// The command line over the settings records in memory. False (with a line
// on stderr for a list of the wrong length) when it cannot be used.
bool ParseOptions(int argc, char** argv, Options& o);

// Two instruments cannot share a port. False, with the port named on stderr, when two do.
bool PortsAreDistinct(const Options& o);

}  // namespace instruments
