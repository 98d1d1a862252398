// Sequential reading of a file in large blocks: lines of text and fixed-length
// records, for the readers that walk a whole file once (background files).
// The reader fetches by position, one block per system call, so a file of
// millions of lines costs a few hundred reads, and it never moves the
// descriptor's own position.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/files.h"

constexpr size_t kBlockReaderBytes = 64 * 1024;

struct BlockReader {
    plat::FileHandle File = plat::kInvalidFile;
    int64_t NextOffset = 0;          // file offset of the byte after the buffered block
    size_t Start = 0, End = 0;       // unread bytes of Buffer
    bool AtEnd = false;              // the file ended (or could not be read) after Buffer
    std::array<char, kBlockReaderBytes> Buffer{};
};

// Starts reading `file` at `offset` (0: its beginning).
void StartBlockReader(BlockReader& reader, plat::FileHandle file, int64_t offset = 0);

// One line up to its LF into `buffer`, NUL-terminated, a CR right before the
// LF removed; bytes beyond capacity - 1 are dropped, so the next call starts
// at the next line. A last line without LF is returned too (a text file saved
// without its final line end keeps its last line). Returns the length kept,
// or -1 when nothing is left (end of file or a read error).
int ReadBlockLine(BlockReader& reader, char* buffer, size_t capacity);

// Exactly `length` bytes into `record` (no terminator added). Returns true
// when all of them were there; a shorter tail at the end of the file is
// consumed and gives false.
bool ReadBlockRecord(BlockReader& reader, char* record, size_t length);
