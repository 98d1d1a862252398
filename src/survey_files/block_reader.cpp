#include "survey_files/block_reader.h"

#include <cstring>

namespace {

// Refills the buffer when it is empty; false when nothing more can be read.
bool FillBlock(BlockReader& reader) {
    if (reader.Start < reader.End) return true;
    if (reader.AtEnd) return false;
    const int64_t got = plat::ReadFileAt(reader.File, reader.Buffer.data(), reader.Buffer.size(), reader.NextOffset);
    if (got <= 0) {
        reader.AtEnd = true;
        reader.Start = reader.End = 0;
        return false;
    }
    reader.Start = 0;
    reader.End = static_cast<size_t>(got);
    reader.NextOffset += got;
    return true;
}

}  // namespace

void StartBlockReader(BlockReader& reader, plat::FileHandle file, int64_t offset) {
    reader.File = file;
    reader.NextOffset = offset < 0 ? 0 : offset;
    reader.Start = reader.End = 0;
    reader.AtEnd = file == plat::kInvalidFile;
}

int ReadBlockLine(BlockReader& reader, char* buffer, size_t capacity) {
    if (buffer == nullptr) capacity = 0;
    size_t kept = 0;
    bool any = false;
    bool cut = false;  // bytes of the line were dropped
    while (FillBlock(reader)) {
        any = true;
        const char* from = reader.Buffer.data() + reader.Start;
        const size_t avail = reader.End - reader.Start;
        const void* lf = std::memchr(from, '\n', avail);
        const size_t take = lf != nullptr ? static_cast<size_t>(static_cast<const char*>(lf) - from) : avail;
        if (capacity > 0 && kept < capacity - 1) {
            const size_t room = capacity - 1 - kept;
            const size_t copy = take < room ? take : room;
            std::memcpy(buffer + kept, from, copy);
            kept += copy;
            cut = cut || copy < take;
        } else if (take > 0) {
            cut = true;
        }
        reader.Start += take;
        if (lf != nullptr) {
            ++reader.Start;  // the LF
            break;
        }
    }
    if (!any) return -1;
    // A CR right before the LF belongs to the line end. When the line was cut,
    // that CR was among the dropped bytes.
    if (!cut && kept > 0 && buffer[kept - 1] == '\r') --kept;
    if (capacity > 0) buffer[kept] = '\0';
    return static_cast<int>(kept);
}

bool ReadBlockRecord(BlockReader& reader, char* record, size_t length) {
    size_t got = 0;
    while (got < length && FillBlock(reader)) {
        const size_t avail = reader.End - reader.Start;
        const size_t take = avail < length - got ? avail : length - got;
        std::memcpy(record + got, reader.Buffer.data() + reader.Start, take);
        reader.Start += take;
        got += take;
    }
    return got == length;
}
