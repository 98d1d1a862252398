#include "platform/text.h"

#include <clocale>
#include <cstdint>

namespace plat {

namespace {

// Appends one code point as UTF-8; false when it does not fit (out untouched).
bool PutUtf8(uint32_t cp, char* out, size_t capacity, size_t& used) {
    char bytes[4];
    size_t n = 0;
    if (cp < 0x80) {
        bytes[n++] = static_cast<char>(cp);
    } else if (cp < 0x800) {
        bytes[n++] = static_cast<char>(0xC0 | (cp >> 6));
        bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        bytes[n++] = static_cast<char>(0xE0 | (cp >> 12));
        bytes[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        bytes[n++] = static_cast<char>(0xF0 | (cp >> 18));
        bytes[n++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    }
    if (used + n + 1 > capacity) return false;
    for (size_t i = 0; i < n; ++i) out[used++] = bytes[i];
    return true;
}

// Reads one code point from UTF-16; advances i.
uint32_t NextUtf16(const char16_t* in, size_t& i) {
    const uint32_t c = in[i++];
    if (c >= 0xD800 && c <= 0xDBFF) {
        const uint32_t d = in[i];
        if (d >= 0xDC00 && d <= 0xDFFF) {
            ++i;
            return 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
        }
        return 0xFFFD;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) return 0xFFFD;
    return c;
}

// Reads one code point from UTF-8; an invalid byte is taken as Latin-1.
uint32_t NextUtf8(const unsigned char* in, size_t& i) {
    const unsigned char b = in[i];
    int extra = 0;
    uint32_t cp = 0;
    if (b < 0x80) { ++i; return b; }
    if ((b & 0xE0) == 0xC0) { extra = 1; cp = b & 0x1F; }
    else if ((b & 0xF0) == 0xE0) { extra = 2; cp = b & 0x0F; }
    else if ((b & 0xF8) == 0xF0) { extra = 3; cp = b & 0x07; }
    else { ++i; return b; }
    for (int k = 1; k <= extra; ++k) {
        if ((in[i + k] & 0xC0) != 0x80) { ++i; return b; }
        cp = (cp << 6) | (in[i + k] & 0x3F);
    }
    const bool overlong = (extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { ++i; return b; }
    i += static_cast<size_t>(extra) + 1;
    return cp;
}

}  // namespace

size_t Length16(const char16_t* s) {
    size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}

bool Utf16ToUtf8(const char16_t* in, char* out, size_t capacity) {
    if (capacity == 0) return false;
    size_t used = 0;
    size_t i = 0;
    bool whole = true;
    while (in[i] != 0) {
        if (!PutUtf8(NextUtf16(in, i), out, capacity, used)) { whole = false; break; }
    }
    out[used] = 0;
    return whole;
}

std::string Utf16ToUtf8(const std::u16string& in) {
    std::string out(in.size() * 3 + 1, '\0');
    Utf16ToUtf8(in.c_str(), out.data(), out.size());
    out.resize(std::char_traits<char>::length(out.c_str()));
    return out;
}

bool Utf8ToUtf16(const char* in, char16_t* out, size_t capacity) {
    if (capacity == 0) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(in);
    size_t used = 0;
    size_t i = 0;
    while (bytes[i] != 0) {
        const uint32_t cp = NextUtf8(bytes, i);
        const size_t need = cp >= 0x10000 ? 2 : 1;
        if (used + need + 1 > capacity) { out[used] = 0; return false; }
        if (cp >= 0x10000) {
            out[used++] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out[used++] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out[used++] = static_cast<char16_t>(cp);
        }
    }
    out[used] = 0;
    return true;
}

std::u16string Utf8ToUtf16(const std::string& in) {
    std::u16string out(in.size() + 1, u'\0');
    Utf8ToUtf16(in.c_str(), out.data(), out.size());
    out.resize(Length16(out.c_str()));
    return out;
}

void UseCNumericLocale() { std::setlocale(LC_NUMERIC, "C"); }

}  // namespace plat
