// Widening of 8-bit texts for drawing, narrowing of 16-bit texts for files,
// and line-by-line reading of the settings file.
#include "survey_files/text_helpers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

// Copies `in` through `widen` into `out`, cut to capacity - 1 characters and
// always terminated. A capacity of 0 writes nothing.
template <typename Widen>
void WidenBounded(const char* in, char16_t* out, size_t capacity, Widen widen) {
    if (out == nullptr || capacity == 0) return;
    size_t i = 0;
    if (in != nullptr) {
        for (; in[i] != '\0' && i + 1 < capacity; ++i) out[i] = widen(in[i]);
    }
    out[i] = u'\0';
}

}  // namespace

void NarrowToWide(const char* in, char16_t* out, size_t capacity) {
    // Sign extension: 0xB0 -> 0xFFB0. Harmless for the ASCII number texts this
    // serves; text with accents goes through NarrowToWideUnsigned.
    WidenBounded(in, out, capacity, [](char c) {
        return static_cast<char16_t>(static_cast<int16_t>(static_cast<signed char>(c)));
    });
}

void NarrowToWideUnsigned(const char* in, char16_t* out, size_t capacity) {
    WidenBounded(in, out, capacity, [](char c) {
        return static_cast<char16_t>(static_cast<unsigned char>(c));
    });
}

void WideToNarrow(const char16_t* in, char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return;
    size_t i = 0;
    if (in != nullptr) {
        for (; in[i] != u'\0' && i + 1 < capacity; ++i) {
            const char16_t c = in[i];
            // A character without an 8-bit form, or a control character that
            // would break a line-based file, is written as '?'.
            const bool plain = c >= 0x20 && c <= 0xFF && c != 0x7F;
            out[i] = plain ? static_cast<char>(static_cast<unsigned char>(c)) : '?';
        }
    }
    out[i] = '\0';
}

int ReadTextLine(plat::FileHandle file, char* buffer, size_t capacity) {
    if (buffer == nullptr) capacity = 0;
    // The line is first read through to its LF (consuming what does not fit),
    // then its kept part is fetched again by position, so that the buffer is
    // left as it was when the file ends before a LF.
    const int64_t start = plat::SeekFile(file, 0, plat::SeekFrom::Current);
    if (start < 0) return -1;  // not an open file
    int64_t length = 0;       // bytes before the LF
    bool endsInCr = false;    // the byte right before the LF is CR
    for (;;) {
        char byte = 0;
        if (plat::ReadFile(file, &byte, 1) != 1) return -1;  // end of file, or unreadable
        if (byte == '\n') break;
        endsInCr = byte == '\r';
        ++length;
    }
    if (capacity == 0) return 0;
    int64_t kept = length - (endsInCr ? 1 : 0);
    if (kept > static_cast<int64_t>(capacity - 1)) kept = static_cast<int64_t>(capacity - 1);
    if (kept > INT32_MAX) kept = INT32_MAX;
    if (kept > 0) {
        const int64_t got = plat::ReadFileAt(file, buffer, static_cast<size_t>(kept), start);
        kept = got < 0 ? 0 : got;  // the file was cut back meanwhile: keep what is still there
    }
    buffer[kept] = '\0';
    return static_cast<int>(kept);
}

double ReadTypedNumber(const char16_t* text) {
    if (text == nullptr) return 0.0;
    // Copy the leading decimal number as ASCII, so strtod never sees hex,
    // "inf" or "nan" forms and nothing past the number.
    char number[64];
    size_t n = 0;
    const char16_t* p = text;
    while (*p == u' ' || *p == u'\t') ++p;
    auto take = [&](char16_t c) {
        if (n + 1 < sizeof number) number[n++] = static_cast<char>(c);
    };
    if (*p == u'+' || *p == u'-') take(*p++);
    bool digits = false;
    while (*p >= u'0' && *p <= u'9') { take(*p++); digits = true; }
    if (*p == u'.') {
        take(*p++);
        while (*p >= u'0' && *p <= u'9') { take(*p++); digits = true; }
    }
    if (!digits) return 0.0;
    if (*p == u'e' || *p == u'E') {
        const char16_t* q = p + 1;
        if (*q == u'+' || *q == u'-') ++q;
        if (*q >= u'0' && *q <= u'9') {
            while (p < q) take(*p++);
            while (*p >= u'0' && *p <= u'9') take(*p++);
        }
    }
    number[n] = '\0';
    const double value = std::strtod(number, nullptr);
    return std::isfinite(value) ? value : 0.0;
}

int32_t ReadTypedInteger(const char16_t* text) {
    const double value = ReadTypedNumber(text);
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

size_t PathNameStart(const char16_t* path) {
    size_t start = 0;
    for (size_t i = 0; path != nullptr && path[i] != 0; ++i) {
        if (plat::IsPathSeparator(path[i])) start = i + 1;
    }
    return start;
}
