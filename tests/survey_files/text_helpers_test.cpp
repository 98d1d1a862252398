// Line reading of 8-bit files and the widening / narrowing of texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "survey_files/text_helpers.h"
#include "support/test_env.h"

using TextHelpersTest = OstrimaTest;

namespace {

struct LineCase {
    const char* what;
    std::string bytes;                // the whole file
    size_t capacity;                  // of the line buffer
    std::vector<std::string> lines;   // every line returned before -1
};

const LineCase kLineCases[] = {
    {"CR LF line", "2.16\r\n", 64, {"2.16"}},
    {"LF only keeps every character", "12.5\n", 64, {"12.5"}},
    {"empty CR LF and LF lines", "\r\n\nA\r\n", 64, {"", "", "A"}},
    {"last line without LF is lost", "1\r\n2\r\n3", 64, {"1", "2"}},
    {"empty file", "", 64, {}},
    {"lone CR inside a line stays", "a\rb\r\n", 64, {"a\rb"}},
    {"only the CR right before LF goes", "x\r\r\n", 64, {"x\r"}},
    {"over-long line cut, next line intact", "ABCDEFGHIJ\r\nok\r\n", 5, {"ABCD", "ok"}},
    {"line exactly filling the buffer", "ABCD\r\nEF\n", 5, {"ABCD", "EF"}},
    {"CR dropped beyond capacity does not eat a kept byte", "ABCDE\r\nZ\n", 5, {"ABCD", "Z"}},
    {"8-bit bytes pass unchanged", "Caf\xE9\xB0\r\n", 64, {"Caf\xE9\xB0"}},
    {"capacity 1 keeps nothing but still reads lines", "abc\r\nd\n", 1, {"", ""}},
};

}  // namespace

TEST_F(TextHelpersTest, ReadTextLineSplitsFilesIntoLines) {
    for (const LineCase& c : kLineCases) {
        SCOPED_TRACE(c.what);
        WriteWholeFile(root_ + "/lines.txt", c.bytes);
        const plat::FileHandle f = plat::OpenFile(u"lines.txt", plat::FileOpen::ExistingReadOnly);
        ASSERT_NE(f, plat::kInvalidFile);
        std::vector<std::string> got;
        char buffer[64];
        for (int n; (n = ReadTextLine(f, buffer, c.capacity)) >= 0;) {
            ASSERT_EQ(static_cast<size_t>(n), std::string(buffer).size());
            got.emplace_back(buffer, static_cast<size_t>(n));
            ASSERT_LT(got.size(), 10u);
        }
        EXPECT_EQ(got, c.lines);
        plat::CloseFile(f);
    }
}

TEST_F(TextHelpersTest, ReadTextLineLeavesBufferAloneAtEndAndWritesNothingWithoutCapacity) {
    WriteWholeFile(root_ + "/lines.txt", "first\r\nunfinished");
    const plat::FileHandle f = plat::OpenFile(u"lines.txt", plat::FileOpen::ExistingReadOnly);
    ASSERT_NE(f, plat::kInvalidFile);

    char guard[8] = "#######";
    EXPECT_EQ(ReadTextLine(f, guard, 0), 0);  // the line is consumed, nothing written
    EXPECT_STREQ(guard, "#######");

    char buffer[16] = "previous";
    EXPECT_EQ(ReadTextLine(f, buffer, sizeof buffer), -1);
    EXPECT_STREQ(buffer, "previous");
    EXPECT_EQ(ReadTextLine(f, buffer, sizeof buffer), -1);
    plat::CloseFile(f);

    EXPECT_EQ(ReadTextLine(plat::kInvalidFile, buffer, sizeof buffer), -1);
    EXPECT_STREQ(buffer, "previous");
}

TEST_F(TextHelpersTest, WideningAndNarrowingByteForCharacter) {
    struct Widen { void (*fn)(const char*, char16_t*, size_t); const char* in; std::u16string out; };
    const Widen widen[] = {
        {NarrowToWide, "12.50", u"12.50"},
        {NarrowToWide, "\xB0\x80\xFF", {0xFFB0, 0xFF80, 0xFFFF}},  // signed bytes
        {NarrowToWideUnsigned, "D\xE9j\xE0\xB0", u"D\u00E9j\u00E0\u00B0"},
    };
    for (const Widen& c : widen) {
        char16_t out[8];
        c.fn(c.in, out, 8);
        EXPECT_EQ(std::u16string(out), c.out) << c.in;
    }
    // Latin-1 survives; what has no 8-bit form, and control characters that
    // would break a line-based file, become '?'.
    const struct { std::u16string in; const char* out; } narrow[] = {
        {u"D:\\Donn\u00E9es\\", "D:\\Donn\xE9" "es\\"},
        {u"\u20AC5\u0007\u007F\u0009\r\n", "?5?????"},
        {u"\u00A0~\u00FF", "\xA0~\xFF"},
    };
    for (const auto& c : narrow) {
        char out[16];
        WideToNarrow(c.in.c_str(), out, sizeof out);
        EXPECT_STREQ(out, c.out);
    }
    // A folder with accents comes back the same folder only when widened unsigned.
    const std::u16string folder = u"C:\\Relev\u00E9s\\\u00C5rhus\\";
    char narrowed[32];
    char16_t wide[32];
    WideToNarrow(folder.c_str(), narrowed, sizeof narrowed);
    NarrowToWideUnsigned(narrowed, wide, 32);
    EXPECT_EQ(std::u16string(wide), folder);
}

TEST_F(TextHelpersTest, EveryOutputIsBoundedAndTerminated) {
    char16_t wide[4] = {u'x', u'x', u'x', u'x'};
    NarrowToWide("123456", wide, 4);
    EXPECT_EQ(std::u16string(wide), u"123");
    NarrowToWideUnsigned("9", wide, 0);  // no room: nothing written
    EXPECT_EQ(std::u16string(wide), u"123");
    NarrowToWide(nullptr, wide, 4);
    EXPECT_EQ(wide[0], u'\0');

    char narrow[4] = {'x', 'x', 'x', 'x'};
    WideToNarrow(u"123456", narrow, 4);
    EXPECT_STREQ(narrow, "123");
    WideToNarrow(u"9", narrow, 0);
    EXPECT_STREQ(narrow, "123");
    WideToNarrow(nullptr, narrow, 4);
    EXPECT_STREQ(narrow, "");
}

TEST(TypedNumberTest, TakesTheLeadingDecimalNumberAndNothingElse) {
    struct Case { const char16_t* text; double number; int32_t integer; };
    const Case cases[] = {
        {u"12abc", 12.0, 12},       {u"0x1A", 0.0, 0},         {u"", 0.0, 0},
        {u"abc", 0.0, 0},           {u"nan", 0.0, 0},          {u"inf", 0.0, 0},
        {u"-inf", 0.0, 0},          {u"1e999", 0.0, 0},        {u"1e10", 1e10, INT32_MAX},
        {u"-1e10", -1e10, INT32_MIN}, {u"  -3.75", -3.75, -3}, {u"+.5", 0.5, 0},
        {u"2.5e", 2.5, 2},          {u"1e-2x", 0.01, 0},       {u".", 0.0, 0},
        {u"3.28 ft", 3.28, 3},      {nullptr, 0.0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(ReadTypedNumber(c.text), c.number);
        EXPECT_EQ(ReadTypedInteger(c.text), c.integer);
    }
}
