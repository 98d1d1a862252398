// A GPS receiver (or total station) for tests and the instruments tool: NMEA
// sentences with correct checksums, in any of the program's nine data
// formats, from an antenna that walks a survey: up one line and down the
// next, the lines a fixed distance apart.
//
// Shared with tools/instruments: uses neither GoogleTest nor the program's
// libraries.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace instruments {

// The two upper-case hexadecimal digits of the NMEA checksum: the exclusive
// OR of the characters after "$" up to "*" or the end.
std::string NmeaChecksum(std::string_view sentence);
// "$...": the sentence with "*hh" and CR LF, as a receiver sends it.
std::string NmeaLine(std::string_view sentence);

struct GpsWalkOptions {
    int Format = 0;                    // the program's data format 0..8
    double OriginLatitude = 48.1173;   // degrees, north positive: start of the first line
    double OriginLongitude = 11.5167;  // degrees, east positive
    double OriginNorthing = 5000.0;    // local-grid formats (3, 4, 7): metres
    double OriginEasting = 1000.0;
    double LineLength = 40.0;          // metres along each line; lines run north, then south
    double LineSpacing = 1.0;          // metres between lines, stepping east
    double Speed = 1.0;                // metres per second along a line
    int Satellites = 9;
    int Quality = 1;                   // fix quality as GGA counts it (POS sends Quality - 1)
    double Hdop = 0.9;                 // GGA's HDOP, LLK/LLQ's quality figure, GGK's DOP
    double Pdop = 1.6;                 // GSA's and POS's PDOP
    bool Feet = false;                 // format 7: coordinates in feet, unit letter "F"
    bool WithRmc = false;              // format 0 and 1: an RMC sentence after the position
    std::string Talker = "GP";         // of the NMEA sentences ("GN", "GL", "GA" ...)
    double StartTime = 12 * 3600.0;    // seconds since midnight of the first epoch
};

class WalkingGps {
public:
    explicit WalkingGps(const GpsWalkOptions& options);

    // The lines of one epoch (each with CR LF; with "*hh" unless the format
    // is 7 or 8), then the antenna walks on for `dtSeconds`. The first call
    // gives the start of the first line.
    std::string NextEpoch(double dtSeconds);

    // Where the next epoch will be.
    double NorthMetres() const;   // from the origin
    double EastMetres() const;
    double Latitude() const;      // degrees
    double Longitude() const;
    double TimeOfDay() const { return time_; }
    int Line() const { return line_; }

private:
    std::string TimeText() const;
    std::string LatitudeText(int minuteDecimals) const;   // "ddmm.mmmmm,N"
    std::string LongitudeText(int minuteDecimals) const;  // "dddmm.mmmmm,E"
    std::string Sentences() const;

    GpsWalkOptions o_;
    double along_ = 0.0;   // metres along the current line
    int line_ = 0;         // lines walked; even lines run north
    double time_ = 0.0;
};

}  // namespace instruments
