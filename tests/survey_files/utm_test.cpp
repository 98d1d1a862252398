// WGS84 to UTM against GeographicLib, and the refusal of impossible input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "survey_files/utm.h"
#include "support/test_env.h"

using UtmTest = OstrimaTest;

namespace {

struct UtmPoint {
    double Latitude, Longitude;  // degrees
    int Zone;                    // expected zone, or the zone forced on the projection
    int UseGivenZone;            // 1: projected into Zone (a neighbour zone, up to 6 degrees off)
    double Easting, Northing;    // metres, GeographicLib
};

// Generated once with GeographicLib 2.1.2 (Debian geographiclib-tools) by
// feeding the first four columns ("lat lon zone given") of each row to:
//
//   while read lat lon zone given; do
//     set -- $(echo "$lat $lon" | GeoConvert -u -z "$zone" -p 6 2>/dev/null)
//     if [ $# -eq 3 ]; then e=$2; n=$3
//     else   # outside GeoConvert's legal UTM range (poles, south of -80, far eastings)
//       set -- $(echo "$lat $lon" | TransverseMercatorProj -k 0.9996 -l $((6 * zone - 183)) -p 6)
//       e=$(echo "500000 + $1" | bc -l); n=$2
//       case "$lat" in -*) n=$(echo "10000000 + $2" | bc -l);; esac
//     fi
//     echo "{$lat, $lon, $zone, $given, $e, $n},"
//   done
//
// Rows marked TM came from TransverseMercatorProj (exact projection); the
// two tools agree to the micrometre where both apply.
const UtmPoint kUtmPoints[] = {
    {0, 3, 31, 0, 500000.000000, 0.000000},
    {-0.000001, 3, 31, 0, 500000.000000, 9999999.889470},
    {0, 0, 31, 0, 166021.443081, 0.000000},
    {-0.000001, 0, 31, 0, 166021.443081, 9999999.889317},
    {10, -180, 1, 0, 171071.263941, 1106908.854243},
    {-10, -180, 1, 0, 171071.263941, 8893091.145757},
    {45, 180, 60, 0, 736446.026101, 4987329.504699},
    {-45, 179.999, 60, 0, 736367.210698, 5012673.415560},
    {45, -179.999, 1, 0, 263632.789302, 4987326.584440},
    {20, 6, 32, 0, 186073.679566, 2214294.026326},
    {-20, 6, 32, 0, 186073.679566, 7785705.973674},
    {35, 5.999, 31, 0, 773706.801585, 3877153.947772},
    {52, -6, 30, 0, 294071.081053, 5765288.254857},
    {-0.5, -90, 16, 0, 166034.098267, 9944658.611784},
    {51.5, -0.12, 30, 0, 699889.806985, 5709362.292819},
    {48.8566, 2.3522, 31, 0, 452482.532703, 5411717.176869},
    {-33.8688, 151.2093, 56, 0, 334368.633648, 6250948.345385},
    {40.7128, -74.006, 18, 0, 583959.372324, 4507350.998243},
    {15, 21, 34, 0, 500000.000000, 1658325.993565},
    {30, 34.5, 36, 0, 644679.853991, 3319732.416685},
    {60, 24.9, 35, 0, 382879.974777, 6653270.285137},
    {70, 140.5, 54, 0, 480914.552218, 7765951.389912},
    {-45, 170.2, 59, 0, 436947.759521, 5016738.329907},
    {-60, -65.7, 20, 0, 349428.121101, 3345515.499145},
    {1, 104, 48, 0, 388736.187721, 110547.105700},
    {-25, 27.75, 35, 0, 575683.681801, 7234842.901187},
    {75, -42, 24, 0, 413362.961728, 8325798.247026},
    {89, 179, 60, 0, 503896.303108, 9886383.755522},  // TM
    {80, 3, 31, 0, 500000.000000, 8881585.815988},
    {80, 5.9, 31, 0, 556196.056850, 8882986.696185},
    {-80, -177.5, 1, 0, 490307.251538, 1118372.533658},
    {84, 9, 32, 0, 500000.000000, 9328093.830561},
    {84, 11.5, 32, 0, 529166.196134, 9328726.755105},
    {-84, 60.2, 41, 0, 467336.439990, 671112.258837},  // TM
    {-84, 5.999, 31, 0, 534983.000600, 670995.424890},  // TM
    {90, 3, 31, 0, 500000.000000, 9997964.943021},  // TM
    {-90, 3, 31, 0, 500000.000000, 2035.056979},  // TM
    {45, 3, 31, 1, 500000.000000, 4982950.400227},
    {30, 6.5, 31, 1, 837672.646689, 3323946.220075},
    {0, 3, 32, 1, -168881.688527, 0.000000},  // TM
    {45, 2, 30, 1, 894076.745034, 4995124.532466},
    {45, -1, 31, 1, 184738.572846, 4990738.261611},
    {60, 10, 33, 1, 221288.770248, 6661953.040545},
    {-30, 20, 33, 1, 982546.665470, 6670670.199515},
    {80, 1.9, 30, 1, 594881.278603, 8885583.939590},
    {-84, -176, 2, 1, 441721.918703, 669375.597283},  // TM
    {30, 9, 31, 1, 1079218.653554, 3333984.371390},  // TM
    {-50, -70, 18, 1, 858256.367761, 4449380.624581},
    {70, 21.5, 35, 1, 290305.145749, 7775339.768229},
    {0, 9, 31, 1, 1168881.688527, 0.000000},  // TM
    {84, 15, 32, 1, 569895.476536, 9331736.903311},
    {-80, -171, 1, 1, 616114.651337, 1112420.992280},
};

// Distance of a point from its zone's central meridian, degrees.
double OffCentralMeridian(const UtmPoint& p) { return std::fabs(p.Longitude - (6.0 * p.Zone - 183.0)); }

}  // namespace

// Measured series error against the table: at most 0.004 mm within 3.5
// degrees of the central meridian, 0.43 mm at 6 degrees (on the equator).
TEST_F(UtmTest, SeriesMatchesGeographicLibWithinZoneAndNeighbourZone) {
    for (const UtmPoint& p : kUtmPoints) {
        SCOPED_TRACE(testing::Message() << p.Latitude << " " << p.Longitude << " zone " << p.Zone);
        const double tolerance = OffCentralMeridian(p) <= 3.5 + 1e-9 ? 0.0001 : 0.001;
        int zone = p.UseGivenZone ? p.Zone : -9;
        double northing = 0.0, easting = 0.0;
        ASSERT_TRUE(GeodeticToUtm(p.Latitude, p.Longitude, &zone, &northing, &easting, p.UseGivenZone));
        EXPECT_EQ(zone, p.Zone);
        EXPECT_NEAR(easting, p.Easting, tolerance);
        EXPECT_NEAR(northing, p.Northing, tolerance);
    }
}

TEST_F(UtmTest, ZoneFollowsLongitudeWithBoundariesInTheEasternZone) {
    struct Case { double Longitude; int Zone; };
    const Case cases[] = {
        {-180.0, 1}, {-179.999, 1}, {-174.000001, 1}, {-174.0, 2}, {-90.0, 16},
        {-6.0, 30}, {-0.000001, 30}, {0.0, 31}, {5.999, 31}, {6.0, 32},
        {174.0, 60}, {179.999, 60}, {180.0, 60},
    };
    for (const Case& c : cases) {
        int zone = -9;
        double northing = 0.0, easting = 0.0;
        ASSERT_TRUE(GeodeticToUtm(45.0, c.Longitude, &zone, &northing, &easting, 0));
        EXPECT_EQ(zone, c.Zone) << "longitude " << c.Longitude;
    }
}

TEST_F(UtmTest, NegativeZeroLatitudeIsStillTheEquator) {
    int zone = 0;
    double northing = -1.0, easting = -1.0;
    ASSERT_TRUE(GeodeticToUtm(-0.0, 3.0, &zone, &northing, &easting, 0));
    EXPECT_EQ(northing, 0.0);
    ASSERT_TRUE(GeodeticToUtm(-1e-9, 3.0, &zone, &northing, &easting, 0));
    EXPECT_LT(northing, 10000000.0);
    EXPECT_NEAR(northing, 10000000.0, 0.001);
}

TEST_F(UtmTest, ImpossibleInputIsRefusedAndOutputsUntouched) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case { double Latitude, Longitude; int Zone, UseGivenZone; };
    const Case cases[] = {
        {nan, 3.0, 7, 0}, {45.0, nan, 7, 0}, {inf, 3.0, 7, 0}, {45.0, -inf, 7, 0},
        {90.000001, 3.0, 7, 0}, {-90.000001, 3.0, 7, 0}, {45.0, 180.000001, 7, 0}, {45.0, -180.000001, 7, 0},
        {45.0, 3.0, 0, 1}, {45.0, 3.0, 61, 1}, {45.0, 3.0, -9, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Latitude << " " << c.Longitude << " zone " << c.Zone);
        int zone = c.Zone;
        double northing = 123.0, easting = 456.0;
        EXPECT_FALSE(GeodeticToUtm(c.Latitude, c.Longitude, &zone, &northing, &easting, c.UseGivenZone));
        EXPECT_EQ(zone, c.Zone);
        EXPECT_EQ(northing, 123.0);
        EXPECT_EQ(easting, 456.0);
    }
}

// Zones 60 and 1 are neighbours: a point across the 180th meridian from a
// forced zone projects as its mirror half a zone off any central meridian.
TEST_F(UtmTest, ForcedZoneAcrossTheAntimeridianIsANeighbour) {
    struct Case { double Longitude; int Zone; double SameOffLongitude; int SameOffZone; };
    const Case cases[] = {{-179.5, 60, 174.5, 59}, {179.5, 1, -174.5, 2}, {-177.0, 60, 177.0, 59}};
    for (const Case& c : cases) {
        for (double latitude : {-40.0, 0.0, 60.0}) {
            int zone = c.Zone, sameZone = c.SameOffZone;
            double n = 0, e = 0, sameN = 0, sameE = 0;
            ASSERT_TRUE(GeodeticToUtm(latitude, c.Longitude, &zone, &n, &e, 1));
            ASSERT_TRUE(GeodeticToUtm(latitude, c.SameOffLongitude, &sameZone, &sameN, &sameE, 1));
            EXPECT_NEAR(e, sameE, 1e-6) << c.Longitude << " in zone " << c.Zone;
            EXPECT_NEAR(n, sameN, 1e-6);
        }
    }
}
