// Small text helpers: 8-bit number texts widened for drawing, 16-bit texts
// narrowed for the 8-bit files, and reading files line by line.
//
// Every output is bounded by its capacity and terminated when the capacity is
// above 0; a capacity of 0 writes nothing. A null input reads as "".
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/files.h"

// Each byte taken as a signed 8-bit value: 0x80..0xFF become U+FF80..U+FFFF.
// `capacity` counts 16-bit characters including the terminator; the text is
// cut to fit. Meant for ASCII texts (formatted numbers, messages).
void NarrowToWide(const char* in, char16_t* out, size_t capacity);
// Each byte taken unsigned (Latin-1): 0x80..0xFF become U+0080..U+00FF.
// Use this for any 8-bit text that came from a 16-bit one through
// WideToNarrow, above all a folder or file name read back from the settings
// file: widened signed, "Daten\xE9" would become a different folder.
void NarrowToWideUnsigned(const char* in, char16_t* out, size_t capacity);
// 16-bit to 8-bit by the low byte; characters above 0xFF and control
// characters (below 0x20, and 0x7F) become '?', so a narrowed text never
// breaks a line-based file. `capacity` counts bytes including the terminator.
void WideToNarrow(const char16_t* in, char* out, size_t capacity);

// A fixed 16-bit text buffer that refuses what does not fit: an append that
// does not fit entirely returns false with what fitted kept and terminated.
struct Text16 {
    char16_t* Buffer;
    size_t Capacity;  // characters with the terminator
    size_t Length = 0;

    bool Append(const char16_t* s) {
        for (; *s != 0; ++s) {
            if (!Append(*s)) return false;
        }
        return true;
    }
    bool Append(char16_t c) {
        if (Length + 1 >= Capacity) return false;
        Buffer[Length++] = c;
        Buffer[Length] = 0;
        return true;
    }
    bool AppendAscii(const char* s) {
        for (; *s != 0; ++s) {
            if (!Append(static_cast<char16_t>(static_cast<unsigned char>(*s)))) return false;
        }
        return true;
    }
};

// Index after the last '/' or '\' of `path` (0 when it has none): where the
// file's name starts.
size_t PathNameStart(const char16_t* path);

// Reads one line (LF-terminated; a CR right before the LF is removed) into
// `buffer` NUL-terminated; bytes beyond capacity - 1 are read and dropped, so
// the next call starts at the next line. Returns the line's length (bytes
// kept), or -1 at end of file, on a read error or on a descriptor that is not
// a positionable file; then `buffer` is left as it was, and a last line
// without LF is not returned.
int ReadTextLine(plat::FileHandle file, char* buffer, size_t capacity);

// Reads a number the operator typed: leading blanks, an optional sign, then a
// decimal number (digits, point, digits, optional exponent) and nothing of
// what follows ("12abc" gives 12, "0x1A" gives 0, "" or "abc" gives 0).
// NaN and infinities ("nan", "inf", "1e999") give 0. Typed text is untrusted:
// every value that leaves here is finite.
double ReadTypedNumber(const char16_t* text);
// The same number clamped to the 32-bit range and then truncated toward zero,
// so no typed text reaches an out-of-range conversion.
int32_t ReadTypedInteger(const char16_t* text);
