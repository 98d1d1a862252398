#include "survey_files/data_file_reader.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

constexpr int kSwathValueFirst = 2, kSwathValueLast = 15;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void BeginRecordWalk(DataRecordWalk& walk, plat::FileHandle file, int64_t end) {
    walk.File = file;
    walk.End = end > 0 ? end - end % kDataRecordLength : 0;
    walk.NextOffset = 0;
    walk.Filled = 0;
    walk.Next = 0;
    walk.Failed = false;
}

bool BeginDataRecordWalk(DataRecordWalk& walk) {
    plat::FileHandle file = plat::kInvalidFile;
    int64_t size = -1;
    {
        std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
        file = DataFileState.DataFileHandle;
        if (file != plat::kInvalidFile) size = plat::FileSize(file);
    }
    BeginRecordWalk(walk, file, size);
    return file != plat::kInvalidFile && size >= 0;
}

const char* NextDataRecord(DataRecordWalk& walk) {
    if (walk.Next + kDataRecordLength > walk.Filled) {
        if (walk.NextOffset >= walk.End || walk.File == plat::kInvalidFile) return nullptr;
        const int64_t left = walk.End - walk.NextOffset;
        const size_t want = left < static_cast<int64_t>(walk.Block.size()) ? static_cast<size_t>(left) : walk.Block.size();
        const int64_t got = plat::ReadFileAt(walk.File, walk.Block.data(), want, walk.NextOffset);
        // A short read (the file was cut meanwhile) keeps its whole records.
        const size_t whole = got > 0 ? static_cast<size_t>(got) - static_cast<size_t>(got) % kDataRecordLength : 0;
        if (whole < want) walk.Failed = true;
        if (whole == 0) {
            walk.NextOffset = walk.End;
            return nullptr;
        }
        walk.Filled = whole;
        walk.Next = 0;
        walk.NextOffset = whole < want ? walk.End : walk.NextOffset + static_cast<int64_t>(whole);
    }
    char* record = walk.Block.data() + walk.Next;
    walk.Next += kDataRecordLength;
    record[kDataRecordLfIndex] = 0;
    return record;
}

bool ReadSwathCoordinate(const char* record, double* value) {
    char text[kSwathValueLast - kSwathValueFirst + 2] = {};
    std::memcpy(text, record + kSwathValueFirst, sizeof text - 1);
    const char* p = text;
    while (*p == ' ') ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    int digits = 0, points = 0;
    for (; *p != 0 && *p != ' '; ++p) {
        if (IsDigit(*p)) {
            ++digits;
        } else if (*p == '.' && points == 0) {
            ++points;
        } else {
            return false;
        }
    }
    while (*p == ' ') ++p;
    if (digits == 0 || *p != 0) return false;
    const double v = std::strtod(start, nullptr);
    if (!std::isfinite(v)) return false;
    *value = v;
    return true;
}
