// WGS84 latitude and longitude to UTM by the Transverse Mercator series of the
// UTM grid (terms T1 to T9, meridian arc in the third flattening n).
#include "survey_files/utm.h"

#include <cmath>

namespace {

constexpr double kSemiMajorAxis = 6378137.0;          // a, metres
constexpr double kFlattening = 0.0033528106647474805; // f = 1 / 298.257223563
constexpr double kScaleFactor = 0.9996;               // k0 on the central meridian
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthingSouth = 10000000.0;    // below the equator
constexpr double kRadiansPerDegree = 0.0174532925199433;

}  // namespace

bool GeodeticToUtm(double latitude, double longitude, int* zone, double* northing, double* easting,
                   int useGivenZone) {
    if (zone == nullptr || northing == nullptr || easting == nullptr) return false;
    // NaN fails every comparison, so these also refuse non-finite input.
    if (!(std::fabs(latitude) <= 90.0) || !(std::fabs(longitude) <= 180.0)) return false;
    if (useGivenZone != 0 && (*zone < 1 || *zone > 60)) return false;

    const double phi = latitude * kRadiansPerDegree;
    const double lambda = longitude * kRadiansPerDegree;
    const double degree = std::atan(1.0) / 45.0;

    // Ellipsoid.
    const double a = kSemiMajorAxis;
    const double inverseF = 1.0 / kFlattening;
    const double b = (inverseF - 1.0) * a / inverseF;
    const double e2 = (a * a - b * b) / (a * a);
    const double ep2 = (a * a - b * b) / (b * b);
    const double n = (a - b) / (a + b);

    // Meridian arc coefficients.
    const double n2 = std::pow(n, 2), n3 = std::pow(n, 3), n4 = std::pow(n, 4), n5 = std::pow(n, 5);
    const double arcA = a * (1.0 - n + 5.0 / 4.0 * (n2 - n3) + 81.0 / 64.0 * (n4 - n5));
    const double arcB = 3.0 * a / 2.0 * (n - n2 + 7.0 / 8.0 * (n3 - n4) + 55.0 / 64.0 * n5);
    const double arcC = 15.0 * a / 16.0 * (n2 - n3 + 3.0 / 4.0 * (n4 - n5));
    const double arcD = 35.0 * a / 48.0 * (n3 - n4 + 11.0 / 16.0 * n5);
    const double arcE = 315.0 * a / 512.0 * (n4 - n5);

    int z = *zone;
    if (useGivenZone == 0) {
        // From the degrees as given: the round trip through radians lands a
        // hair west of -6, -12, ... -174 and would put a point on a zone
        // boundary into the western zone there, but the eastern one elsewhere.
        z = static_cast<int>(std::floor(longitude / 6.0)) + 31;
        if (z > 60) z = 60;  // 180 degrees east
        if (z < 1) z = 1;
    }

    // A given zone may lie across the 180th meridian from the point (zones 60
    // and 1 are neighbours): the difference goes the short way round.
    const double centralMeridian = (6.0 * z - 183.0) * degree;
    double p = lambda - centralMeridian;
    if (p > 180.0 * degree) p -= 360.0 * degree;
    if (p < -180.0 * degree) p += 360.0 * degree;

    const double s = std::sin(phi);
    const double c = std::cos(phi);
    const double t = s / c;
    const double t2 = std::pow(t, 2), t4 = std::pow(t, 4), t6 = std::pow(t, 6);
    const double eta2 = ep2 * std::pow(c, 2);
    const double eta4 = std::pow(eta2, 2), eta6 = std::pow(eta2, 3), eta8 = std::pow(eta2, 4);
    const double nu = a / std::sqrt(1.0 - e2 * std::pow(s, 2));

    const double arc = arcA * phi - arcB * std::sin(2.0 * phi) + arcC * std::sin(4.0 * phi) -
                       arcD * std::sin(6.0 * phi) + arcE * std::sin(8.0 * phi);

    const double k0 = kScaleFactor;
    const double T1 = arc * k0;
    const double T2 = nu * s * c * k0 / 2.0;
    const double T3 = nu * s * std::pow(c, 3) * k0 * (5.0 - t2 + 9.0 * eta2 + 4.0 * eta4) / 24.0;
    const double T4 = nu * s * std::pow(c, 5) * k0 *
                      (61.0 - 58.0 * t2 + t4 + 270.0 * eta2 - 330.0 * t2 * eta2 + 445.0 * eta4 +
                       324.0 * eta6 - 680.0 * t2 * eta4 + 88.0 * eta8 - 600.0 * t2 * eta6 -
                       192.0 * t2 * eta8) /
                      720.0;
    const double T5 = nu * s * std::pow(c, 7) * k0 * (1385.0 - 3111.0 * t2 + 543.0 * t4 - t6) / 40320.0;

    const double T6 = nu * c * k0;
    const double T7 = nu * std::pow(c, 3) * k0 * (1.0 - t2 + eta2) / 6.0;
    const double T8 = nu * std::pow(c, 5) * k0 *
                      (5.0 - 18.0 * t2 + t4 + 14.0 * eta2 - 58.0 * t2 * eta2 + 13.0 * eta4 +
                       4.0 * eta6 - 64.0 * t2 * eta4 - 24.0 * t2 * eta6) /
                      120.0;
    const double T9 = nu * std::pow(c, 7) * k0 * (61.0 - 479.0 * t2 + 179.0 * t4 - t6) / 5040.0;

    const double falseNorthing = latitude < 0.0 ? kFalseNorthingSouth : 0.0;
    *northing = falseNorthing + T1 + std::pow(p, 2) * T2 + std::pow(p, 4) * T3 +
                std::pow(p, 6) * T4 + std::pow(p, 8) * T5;
    *easting = kFalseEasting + p * T6 + std::pow(p, 3) * T7 + std::pow(p, 5) * T8 +
               std::pow(p, 7) * T9;
    *zone = z;
    return true;
}

int NorthingFrameOf(double latitude) { return latitude < 0.0 ? -1 : 1; }

double NorthingInFrame(double northing, double latitude, int frame) {
    if (frame == 0 || NorthingFrameOf(latitude) == frame) return northing;
    return frame < 0 ? northing + kFalseNorthingSouth : northing - kFalseNorthingSouth;
}
