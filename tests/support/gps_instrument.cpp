#include "support/gps_instrument.h"

#include <cmath>
#include <cstdio>

namespace instruments {
namespace {

constexpr double kPi = 3.14159265358979323846;

double MetresPerDegreeLatitude(double lat) {
    const double phi = lat * kPi / 180.0;
    return 111132.92 - 559.82 * std::cos(2 * phi) + 1.175 * std::cos(4 * phi);
}

double MetresPerDegreeLongitude(double lat) {
    const double phi = lat * kPi / 180.0;
    return 111412.84 * std::cos(phi) - 93.5 * std::cos(3 * phi);
}

// Degrees as ddmm.mmmmm (or dddmm.mmmmm) and the hemisphere letter.
std::string DegreesText(double value, int degreeDigits, int minuteDecimals, char plus, char minus) {
    const double a = std::fabs(value);
    int degrees = static_cast<int>(a);
    double minutes = (a - degrees) * 60.0;
    const double unit = std::pow(10.0, -minuteDecimals);
    if (minutes >= 60.0 - unit / 2) {  // rounds up to the next degree
        ++degrees;
        minutes = 0.0;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%0*d%0*.*f,%c", degreeDigits, degrees, minuteDecimals + 3, minuteDecimals,
                  minutes, value < 0 ? minus : plus);
    return text;
}

}  // namespace

std::string NmeaChecksum(std::string_view sentence) {
    unsigned sum = 0;
    for (size_t i = 1; i < sentence.size() && sentence[i] != '*'; ++i) sum ^= static_cast<unsigned char>(sentence[i]);
    char text[3];
    std::snprintf(text, sizeof text, "%02X", sum & 0xFF);
    return text;
}

std::string NmeaLine(std::string_view sentence) {
    return std::string(sentence) + "*" + NmeaChecksum(sentence) + "\r\n";
}

WalkingGps::WalkingGps(const GpsWalkOptions& options) : o_(options), time_(options.StartTime) {}

double WalkingGps::NorthMetres() const { return line_ % 2 == 0 ? along_ : o_.LineLength - along_; }
double WalkingGps::EastMetres() const { return line_ * o_.LineSpacing; }

double WalkingGps::Latitude() const {
    return o_.OriginLatitude + NorthMetres() / MetresPerDegreeLatitude(o_.OriginLatitude);
}

double WalkingGps::Longitude() const {
    return o_.OriginLongitude + EastMetres() / MetresPerDegreeLongitude(o_.OriginLatitude);
}

std::string WalkingGps::TimeText() const {
    double t = std::fmod(time_, 86400.0);
    if (t < 0) t += 86400.0;
    // Rounded to the hundredth as a whole, so 12:00:00.999 reads 12:00:01.00.
    const long hundredths = std::lround(t * 100.0) % 8640000;
    const int whole = static_cast<int>(hundredths / 100);
    const int centis = static_cast<int>(hundredths % 100);
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02d%02d.%02d", whole / 3600, whole / 60 % 60, whole % 60, centis);
    return text;
}

std::string WalkingGps::LatitudeText(int minuteDecimals) const {
    return DegreesText(Latitude(), 2, minuteDecimals, 'N', 'S');
}

std::string WalkingGps::LongitudeText(int minuteDecimals) const {
    return DegreesText(Longitude(), 3, minuteDecimals, 'E', 'W');
}

std::string WalkingGps::Sentences() const {
    const std::string t = TimeText();
    const std::string nmea = "$" + o_.Talker;
    char buf[200];
    const double unit = o_.Format == 7 && o_.Feet ? 0.3048 : 1.0;
    const double north = (o_.OriginNorthing + NorthMetres()) / unit;
    const double east = (o_.OriginEasting + EastMetres()) / unit;
    std::string out;
    switch (o_.Format) {
    case 0:
    case 1:
        std::snprintf(buf, sizeof buf, "%sGGA,%s,%s,%s,%d,%02d,%.1f,520.3,M,47.2,M,,", nmea.c_str(), t.c_str(),
                      LatitudeText(5).c_str(), LongitudeText(5).c_str(), o_.Quality, o_.Satellites, o_.Hdop);
        out = NmeaLine(buf);
        if (o_.Format == 0) {
            std::snprintf(buf, sizeof buf, "%sGSA,A,3,04,05,09,12,24,25,29,31,,,,,%.1f,%.1f,%.1f", nmea.c_str(), o_.Pdop,
                          o_.Hdop, o_.Pdop * 0.8);
            out += NmeaLine(buf);
        }
        if (o_.WithRmc) {
            std::snprintf(buf, sizeof buf, "%sRMC,%s,A,%s,%s,%.2f,%.1f,150624,,,A", nmea.c_str(), t.c_str(),
                          LatitudeText(5).c_str(), LongitudeText(5).c_str(), o_.Speed * 1.943844,
                          line_ % 2 == 0 ? 0.0 : 180.0);
            out += NmeaLine(buf);
        }
        return out;
    case 2:
        std::snprintf(buf, sizeof buf, "$PASHR,POS,%d,%02d,%s,%s,%s,00520.30,,%05.1f,%05.1f,+000.0,%04.1f,%04.1f,%04.1f,%04.1f,GG12",
                      o_.Quality > 0 ? o_.Quality - 1 : 0, o_.Satellites, t.c_str(), LatitudeText(5).c_str(),
                      LongitudeText(5).c_str(), line_ % 2 == 0 ? 0.0 : 180.0, o_.Speed * 1.943844, o_.Pdop, o_.Hdop,
                      o_.Pdop * 0.8, o_.Pdop * 0.6);
        return NmeaLine(buf);
    case 3:
    case 4:
        std::snprintf(buf, sizeof buf, "%s%s,%s,061524,%.3f,M,%.3f,M,%d,%02d,%.1f,520.300,M", nmea.c_str(),
                      o_.Format == 3 ? "LLK" : "LLQ", t.c_str(), east, north, o_.Quality, o_.Satellites, o_.Hdop);
        return NmeaLine(buf);
    case 5:
    case 8:
        std::snprintf(buf, sizeof buf, "%sGLL,%s,%s,%s,A,A", nmea.c_str(), LatitudeText(5).c_str(),
                      LongitudeText(5).c_str(), t.c_str());
        return o_.Format == 5 ? NmeaLine(buf) : std::string(buf) + "\r\n";
    case 6:
        std::snprintf(buf, sizeof buf, "$PTNL,GGK,%s,061524,%s,%s,%d,%02d,%.1f,EHT520.300,M", t.c_str(),
                      LatitudeText(7).c_str(), LongitudeText(7).c_str(), o_.Quality, o_.Satellites, o_.Hdop);
        return NmeaLine(buf);
    case 7:
        std::snprintf(buf, sizeof buf, "%sGGA,%s,%.3f,,%.3f,,1,%02d,,520.30,%c\r\n", nmea.c_str(), t.c_str(), north,
                      east, o_.Satellites, o_.Feet ? 'F' : 'M');
        return buf;
    default:
        return "";
    }
}

std::string WalkingGps::NextEpoch(double dtSeconds) {
    std::string out = Sentences();
    time_ += dtSeconds;
    if (o_.LineLength > 0.0) {
        along_ += o_.Speed * dtSeconds;
        while (along_ > o_.LineLength) {
            along_ -= o_.LineLength;
            ++line_;
        }
    }
    return out;
}

}  // namespace instruments
