// Framing of console lines, fed byte by byte as a reader takes them off the port.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "acquisition/console_reader.h"

namespace {

// Feeds `bytes` and collects every accepted line in order.
std::vector<std::string> Frame(const std::string& bytes, int consoleType, ConsoleFrameState* state = nullptr) {
    ConsoleFrameState local;
    ConsoleFrameState& s = state != nullptr ? *state : local;
    if (state == nullptr) ResetConsoleFrame(s, consoleType);
    std::vector<std::string> lines;
    for (char c : bytes) {
        if (ConsoleFrameByte(s, static_cast<uint8_t>(c))) lines.emplace_back(s.Line.data());
        EXPECT_LE(s.Length, kConsoleFrameRestartAt + 1);
    }
    return lines;
}

struct FramingCase {
    const char* name;
    std::string bytes;
    int consoleType;                  // 1 two sensors, 0 one sensor
    std::vector<std::string> lines;   // accepted, in order
};

class ConsoleFraming : public ::testing::TestWithParam<FramingCase> {};

TEST_P(ConsoleFraming, AcceptsOnlyWholePbarLines) {
    const FramingCase& c = GetParam();
    EXPECT_EQ(Frame(c.bytes, c.consoleType), c.lines) << c.name;
}

const std::string kGood = "$PBAR,  75,  62\r\n";
const std::string kGoodLine = "$PBAR,  75,  62";

INSTANTIATE_TEST_SUITE_P(
    Table, ConsoleFraming,
    ::testing::Values(
        FramingCase{"example line", kGood, 1, {kGoodLine}},
        FramingCase{"junk before the dollar", "xx,12\r\nPBAR" + kGood, 1, {kGoodLine}},
        FramingCase{"doubled dollar starts again", "$" + kGood, 1, {kGoodLine}},
        FramingCase{"dollar inside a frame restarts it", "$PBAR,  1" + kGood, 1, {kGoodLine}},
        FramingCase{"LF without CR", "$PBAR,  75,  62\n", 1, {}},
        FramingCase{"CR not right before LF", "$PBAR,  75\r,  62\n", 1, {}},
        FramingCase{"not PBAR", "$PXAR,  75,  62\r\n", 1, {}},
        FramingCase{"lower case pbar", "$pbar,  75,  62\r\n", 1, {}},
        FramingCase{"8 bytes, one-sensor console", "$PBAR,5\r\n", 0, {}},
        FramingCase{"9 bytes, one-sensor console", "$PBAR,57\r\n", 0, {"$PBAR,57"}},
        FramingCase{"8 bytes, two-sensor console", "$PBAR,5\r\n", 1, {"$PBAR,5"}},
        FramingCase{"6 bytes, two-sensor console", "$PBAR\r\n", 1, {}},
        FramingCase{"other type values count as one sensor", "$PBAR,5\r\n", 7, {}},
        FramingCase{"rejected LF: following bytes do not make a frame",
                    "$PBAR,1\n,  75\r\nPBAR,2\r\n" + kGood, 1, {kGoodLine}},
        FramingCase{"two lines in a row", kGood + "$PBAR,  -3,  +4\r\n", 1, {kGoodLine, "$PBAR,  -3,  +4"}},
        FramingCase{"500 runaway bytes then a good line", std::string(500, 'A') + kGood, 1, {kGoodLine}},
        FramingCase{"runaway frame after a dollar then a good line",
                    "$PBAR" + std::string(500, '7') + "\r\n" + kGood, 1, {kGoodLine}}),
    [](const ::testing::TestParamInfo<FramingCase>& info) {
        std::string name;
        for (const char* c = info.param.name; *c != 0; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST(ConsoleFramingLimits, LongLineIsStoredCutTo99Characters) {
    const std::string line = "$PBAR," + std::string(114, '1');  // 120 characters
    const auto lines = Frame(line + "\r\n", 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], line.substr(0, 99));
}

TEST(ConsoleFramingLimits, FrameOf180IsKeptOneMoreRestartsWithoutDollar) {
    // 180 bytes "$" to CR: within the limit, accepted (cut to 99).
    const std::string ok = "$PBAR," + std::string(173, '2') + "\r\n";
    ASSERT_EQ(ok.size(), 181u);
    EXPECT_EQ(Frame(ok, 1).size(), 1u);
    // One byte more restarts the frame at position 0: what follows is no
    // longer a frame that begins with "$", even when it reads "?PBAR...".
    const std::string over = "$" + std::string(180, '3') + "XPBAR,  75,  62\r\n";
    EXPECT_TRUE(Frame(over, 1).empty());
}

TEST(ConsoleFramingLimits, RestartedFrameIsNeverAcceptedWhateverItHolds) {
    // The byte after the 181st lands at position 0 and "PBAR" at 1..4 would
    // pass every other test: only the "$" test keeps it out.
    for (char first : {char('$' + 1), 'P', '\r', ' '}) {
        const std::string bytes = "$" + std::string(180, 'x') + std::string(1, first) + "PBAR,  75,  62\r\n";
        EXPECT_TRUE(Frame(bytes, 1).empty()) << int(first);
    }
}

TEST(ConsoleFramingLimits, FrameIsEmptyAfterAnAcceptedLine) {
    ConsoleFrameState s;
    ResetConsoleFrame(s, 1);
    EXPECT_EQ(Frame(kGood, 1, &s).size(), 1u);
    EXPECT_EQ(s.Length, 0);
    EXPECT_FALSE(s.InFrame);
    // A bare CR LF right after is nothing.
    EXPECT_TRUE(Frame("\r\n", 1, &s).empty());
}

}  // namespace
