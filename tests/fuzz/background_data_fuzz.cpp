// Data files of this program and the related survey programs as background
// files: the recognition of the kind by the first record, then the
// conversion of the stored GPS sentences into the temp file of map points.
// The first byte chooses the display units (bits 0-1) and whether the survey
// has a zone forced (bit 2) and the northing frame it keeps (bit 3); the rest
// is the file. The recognition gives a kind in -1..3 with a record length the
// conversion can use, and the temp file is whole records of finite points
// (background_fuzz.h).
#include <cstddef>
#include <cstdint>

#include "background_fuzz.h"
#include "map/background_files.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::StartBackgroundScratch("data");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::ResetBackgroundModel();
    BackgroundFileOptions.FileType = 1;
    SystemSetup.DisplayUnits = (data[0] & 3) % 3;
    if ((data[0] & 4) != 0) GpsFix.UtmZoneForced = -9;
    GpsFix.UtmFrameForced = (data[0] & 8) != 0 ? -1 : 1;  // a survey begun south or north of the equator
    fuzz::OpenBackgroundFiles(data + 1, size - 1);
    const int format = DetectBackgroundFileFormat();
    Check(format >= -1 && format <= 3);
    if (format >= 0) {
        Check(BackgroundFiles.BackgroundSourceRecordLength >= 1 && BackgroundFiles.BackgroundSourceRecordLength <= 36);
    }
    BackgroundFiles.BackgroundSourceFormat = format;
    ConvertDataBackgroundFile();
    fuzz::CheckConversion();
    return 0;
}
