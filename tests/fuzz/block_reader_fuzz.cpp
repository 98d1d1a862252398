// The two readers of whole files in blocks, over arbitrary bytes repeated
// past a block boundary: the walk of a data file's 27-byte records up to an
// end that may lie before or beyond the file's length, and the line and
// record reader of the background files with a chosen buffer size. Every
// record and line must be the file's own bytes, in order, none lost at a
// block's edge; the walk stops at its end (failed only when the file was
// shorter) and never moves the file position.
//   byte 0: repeats of the rest (1..32), byte 1: the walk's end past the
//   file's length (signed, in records), byte 2: the line buffer (1..256) and
//   the record length (1..64).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_files.h"
#include "survey_files/block_reader.h"
#include "survey_files/data_file_reader.h"
#include "survey_files/survey_model.h"

namespace {

std::string g_path;
DataRecordWalk g_walk;    // 64 KiB each: kept off the stack
BlockReader g_reader;

void CheckWalk(plat::FileHandle h, const std::string& file, int64_t end) {
    BeginRecordWalk(g_walk, h, end);
    const int64_t size = static_cast<int64_t>(file.size());
    const int64_t whole = (end < size ? end : size) / kDataRecordLength;
    int64_t n = 0;
    while (const char* record = NextDataRecord(g_walk)) {
        Check(n < whole);
        const char* expected = file.data() + n * kDataRecordLength;
        Check(std::memcmp(record, expected, kDataRecordLength - 1) == 0 && record[kDataRecordLength - 1] == 0);
        ++n;
    }
    Check(n == (end > 0 ? whole : 0));
    Check(g_walk.Failed == (g_walk.End > size));
    Check(NextDataRecord(g_walk) == nullptr);
}

// The lines of `file`: split at LF, a CR before the LF (or the file's end)
// dropped, then cut to capacity - 1; nothing after a final LF.
void CheckLines(plat::FileHandle h, const std::string& file, size_t capacity) {
    StartBlockReader(g_reader, h);
    char line[256];
    size_t at = 0;
    for (;;) {
        const int got = ReadBlockLine(g_reader, line, capacity);
        if (at >= file.size()) {
            Check(got == -1);
            break;
        }
        size_t lf = file.find('\n', at);
        const size_t stop = lf == std::string::npos ? file.size() : lf;
        size_t length = stop - at;
        if (length > 0 && file[stop - 1] == '\r') --length;
        const size_t kept = length < capacity - 1 ? length : capacity - 1;
        Check(got == static_cast<int>(kept) && line[kept] == 0);
        Check(std::memcmp(line, file.data() + at, kept) == 0);
        at = lf == std::string::npos ? file.size() : lf + 1;
    }
}

void CheckRecords(plat::FileHandle h, const std::string& file, size_t length) {
    StartBlockReader(g_reader, h);
    char record[64];
    size_t at = 0;
    while (ReadBlockRecord(g_reader, record, length)) {
        Check(at + length <= file.size() && std::memcmp(record, file.data() + at, length) == 0);
        at += length;
    }
    Check(file.size() - at < length);
    Check(!ReadBlockRecord(g_reader, record, length));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::StartScratch("blocks");
    g_path = fuzz::Root() + "/blocks";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const std::string piece(reinterpret_cast<const char*>(data) + 3, size - 3);
    std::string file;
    for (int i = 0; i <= (data[0] & 31); ++i) file += piece;
    fuzz::WriteAll(g_path, file.data(), file.size());
    const plat::FileHandle h = fuzz::Open(g_path, plat::FileOpen::ExistingReadOnly);
    Check(h != plat::kInvalidFile);
    Check(plat::SeekFile(h, 3, plat::SeekFrom::Start) == 3);

    const int64_t end = static_cast<int64_t>(file.size()) + static_cast<int8_t>(data[1]) * int64_t{kDataRecordLength} +
                        data[2] % kDataRecordLength;
    CheckWalk(h, file, end);
    CheckLines(h, file, 1 + data[2] % 256);
    CheckRecords(h, file, 1 + data[2] % 64);

    Check(plat::SeekFile(h, 0, plat::SeekFrom::Current) == 3);
    plat::CloseFile(h);
    return 0;
}
