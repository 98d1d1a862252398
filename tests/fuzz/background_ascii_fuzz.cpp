// Column-delimited ASCII background files through the conversion into the
// temp file of map points, under the options chosen by the first two bytes:
//   byte 0: delimiter (bits 0-1), coordinate type (2-3), display units (4-5);
//   byte 1: northing column (low half) and easting column (high half), 0..15.
// Whatever the lines hold, the temp file is whole records of finite points
// (background_fuzz.h).
#include <cstddef>
#include <cstdint>

#include "background_fuzz.h"
#include "map/background_files.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::StartBackgroundScratch("ascii");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    fuzz::ResetBackgroundModel();
    BackgroundFileOptions.FileType = 0;
    BackgroundFileOptions.ColumnDelimiter = data[0] & 3;
    BackgroundFileOptions.CoordinatesType = (data[0] >> 2) & 3;
    SystemSetup.DisplayUnits = ((data[0] >> 4) & 3) % 3;
    BackgroundFileOptions.NorthingColumn = data[1] & 15;
    BackgroundFileOptions.EastingColumn = data[1] >> 4;
    if (BackgroundFileOptions.EastingColumn == BackgroundFileOptions.NorthingColumn) {
        BackgroundFileOptions.EastingColumn = (BackgroundFileOptions.NorthingColumn + 1) % 16;
    }
    fuzz::OpenBackgroundFiles(data + 2, size - 2);
    ConvertAsciiBackgroundFile();
    fuzz::CheckConversion();
    return 0;
}
