// WGS84 latitude and longitude to UTM (Transverse Mercator series, meridian
// arc in the third flattening). No inverse; no special zones. A forced zone
// across the 180th meridian is a neighbour like any other (60 and 1).
#pragma once

// Latitude and longitude in decimal degrees (north and east positive); the
// northing and easting in metres, with 10000000 m false northing south of the
// equator (latitude 0 has none). With useGivenZone 0 the zone is computed,
// floor(longitude / 6) + 31 clamped to 1..60 (a point on a zone boundary goes
// to the eastern zone, 180 E to zone 60), and stored through `zone`;
// otherwise *zone is used as given and left as it was. Returns true on
// success. Non-finite or out-of-range input (|lat| > 90, |lon| > 180, a given
// zone outside 1..60, a null pointer) leaves every output untouched and
// returns false. Within 3.5 degrees of the central meridian the result is
// within 0.01 mm of the exact projection, within 0.5 mm at 6 degrees.
bool GeodeticToUtm(double latitude, double longitude, int* zone, double* northing, double* easting,
                   int useGivenZone);

// The northing frame a survey keeps across the equator: the hemisphere of the
// fix that chose it, 1 north (no false northing), -1 south (10000000 m).
// Latitude 0 is north, as the projection has it.
int NorthingFrameOf(double latitude);

// A GeodeticToUtm northing of a point at `latitude` in `frame`: north of the
// equator in the southern frame it continues above 10000000 m, south of it in
// the northern frame below 0, so a track across the line has no jump. Frame 0
// (none chosen) and a point in the frame's own hemisphere keep the northing.
double NorthingInFrame(double northing, double latitude, int frame);
