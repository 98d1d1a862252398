// Conversions between the program's 16-bit text and UTF-8, for the edges of
// the layer (file names, Qt strings). The system's own narrowing rules (low
// byte) live in survey_files/text_helpers.h.
#pragma once
#include <cstddef>
#include <string>

namespace plat {

// UTF-16 (unpaired surrogates become U+FFFD) to UTF-8; false when cut short.
bool Utf16ToUtf8(const char16_t* in, char* out, size_t capacity);
std::string Utf16ToUtf8(const std::u16string& in);
// UTF-8 (invalid bytes taken as Latin-1) to UTF-16; false when cut short.
bool Utf8ToUtf16(const char* in, char16_t* out, size_t capacity);
std::u16string Utf8ToUtf16(const std::string& in);

size_t Length16(const char16_t* s);

// Formats and conversions use a decimal point whatever the user's locale.
void UseCNumericLocale();

}  // namespace plat
