// The nine GPS data formats: fields as GetSentenceField splits them, what
// SetupGpsSentenceFields puts in force, and which sentences each selects.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "acquisition/gps_formats.h"
#include "acquisition/gps_reader.h"
#include "support/gps_instrument.h"
#include "support/test_env.h"
#include "survey_files/survey_model.h"

namespace {

class GpsFormatsTest : public OstrimaTest {
protected:
    static void UseFormat(int format) {
        GpsPortSetup.DataFormat = format;
        SetupGpsSentenceFields();
    }
};

// The sentences of the built-in GPS simulator: real-looking NMEA with correct checksums.
const char* const kSimulatorSentences[9] = {
    "$GPGGA,173524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*70",
    "$GPGSA,A,3,01,07,08,11,13,17,27,28,30,,,,3.6,2.0,3.0*30",
    "$GPGLL,4336.5973,N,07936.6482,W,152346,A,S*49",
    "$GPBOD,325.5,T,336.3,M,TOUR5,TOUR4*42",
    "$GPBWC,152346,3512.7660,N,07630.8760,W,163.1,T,173.9,M,523.479,N,TOUR5,S*4E",
    "$GPVTG,0.0,T,10.8,M,0.0,N,0.0,K*77",
    "$GPXTE,V,V,9.99,L,N,S*18",
    "$GPRMC,152348,V,4336.5973,N,07936.6482,W,0.0,0.0,310520,10.8,W,S*22",
    "$GPRMB,V,9.99,L,TOUR4,TOUR5,3512.7660,N,07630.8760,W,523.479,163.1,,V,S*68",
};

TEST_F(GpsFormatsTest, SimulatorSentencesCarryCorrectChecksums) {
    for (const char* s : kSimulatorSentences) {
        EXPECT_TRUE(TestGpsChecksum(s)) << s;
        const std::string body(s, std::strchr(s, '*'));
        EXPECT_EQ(instruments::NmeaChecksum(body), std::string(std::strchr(s, '*') + 1)) << s;
    }
}

// Absent (0, output untouched) and empty (1, "") are different outcomes.
TEST_F(GpsFormatsTest, SentenceFields) {
    const char* gga = kSimulatorSentences[0];
    const struct {
        const char* sentence;
        int n;
        int result;
        const char* field;
    } cases[] = {
        {gga, 1, 1, "$GPGGA"}, {gga, 2, 1, "173524"}, {gga, 8, 1, "11"}, {gga, 13, 1, "M"},
        {gga, 14, 1, ""},                                   // empty before the checksum
        {gga, 15, 1, "*70"},                                // the last field keeps "*hh"
        {gga, 16, 0, "untouched"}, {gga, 0, 0, "untouched"}, {gga, -3, 0, "untouched"},
        {"$GPTXT", 1, 1, "$GPTXT"},                         // no comma: the whole sentence
        {"$GPTXT", 2, 0, "untouched"},
        {"$A,tail end", 2, 1, "tail end"},                  // the last field runs to the end
        {"$A,tail end", 3, 0, "untouched"},
        {"$A,", 2, 1, ""},
        {"", 1, 1, ""},
        {nullptr, 1, 0, "untouched"},
        {"$A,123456789012345678901234,B", 2, 1, "1234567890123456789"},  // cut to 19
    };
    for (const auto& c : cases) {
        char out[kGpsFieldChars + 4];
        std::memset(out, '#', sizeof out);
        std::strcpy(out, "untouched");
        EXPECT_EQ(GetSentenceField(c.sentence, c.n, ',', out), c.result) << (c.sentence ? c.sentence : "null") << c.n;
        EXPECT_STREQ(out, c.field) << (c.sentence ? c.sentence : "null") << " #" << c.n;
        EXPECT_EQ(out[kGpsFieldChars], '#') << "nothing beyond the buffer is written";
    }
    char two[2];
    EXPECT_EQ(GetSentenceField("$A,xyz", 2, ',', two, sizeof two), 1);
    EXPECT_STREQ(two, "x");
}

TEST_F(GpsFormatsTest, SetupPutsTheChosenFormatInForce) {
    const struct {
        int format;
        const char* keyword;
        int checksum, timeField, items;
    } cases[] = {
        {0, "GGA", 1, 2, 6}, {1, "GGA", 1, 2, 7}, {2, "POS", 1, 5, 7}, {3, "LLK", 1, 2, 5}, {4, "LLQ", 1, 2, 5},
        {5, "GLL", 1, 6, 4}, {6, "GGK", 1, 3, 7}, {7, "GGA", 0, 2, 2}, {8, "GLL", 0, 6, 4},
    };
    for (const auto& c : cases) {  // in this order, each format follows one with other items
        UseFormat(c.format);
        EXPECT_EQ(GpsSentenceFormat.DataFormat, c.format);
        EXPECT_STREQ(GpsSentenceFormat.GpsSentenceType, c.keyword) << c.format;
        EXPECT_EQ(GpsSentenceFormat.GpsChecksumCheck, c.checksum) << c.format;
        EXPECT_EQ(GpsSentenceFormat.GpsTimeFieldNumber, c.timeField) << c.format;
        EXPECT_EQ(GpsSentenceFormat.GpsFieldCount, c.items) << c.format;
    }
}

TEST_F(GpsFormatsTest, AFormatOutsideTheRangeSelectsNothing) {
    UseFormat(1);
    for (int bad : {-1, 9, 1000}) {
        UseFormat(bad);
        EXPECT_EQ(GpsSentenceFormat.DataFormat, -1);
        EXPECT_STREQ(GpsSentenceFormat.GpsSentenceType, "");
        EXPECT_EQ(GpsSentenceFormat.GpsFieldCount, 0) << "no item of the earlier format stays in effect";
        EXPECT_EQ(GpsSentenceFormat.GpsChecksumCheck, 1);
        EXPECT_EQ(GpsSentenceFormat.GpsTimeFieldNumber, 2);
        for (const char* s : kSimulatorSentences) EXPECT_FALSE(IsSelectedGpsSentence(s)) << s;
    }
    EXPECT_EQ(GpsFormatRowOf(9), nullptr);
}

TEST_F(GpsFormatsTest, SelectionByKeywordAnywhere) {
    struct Case {
        int format;
        const char* sentence;
        bool selected;
    } cases[] = {
        {0, "$GPGGA,1*00", true},       {0, "$GNGGA,1*00", true},   {0, "$GLGGA,1*00", true},
        {0, "$GAGGA,1*00", true},       {0, "$GPGSA,A,3*00", true}, {0, "$GNGSA,A,3*00", true},
        {0, "$GPRMC,1*00", false},      {1, "$GPGSA,A,3*00", false}, {1, "$GPGGA,1*00", true},
        {2, "$PASHR,POS,0,09*00", true}, {2, "$GPGGA,1*00", false}, {3, "$GPLLK,1*00", true},
        {4, "$GPLLQ,1*00", true},       {4, "$GPLLK,1*00", false},  {5, "$GNGLL,1*00", true},
        {6, "$PTNL,GGK,1*00", true},    {7, "$GPGGA,1", true},      {8, "$GPGLL,1", true},
        {8, "$GPGSA,A,3", false},
    };
    for (const Case& c : cases) {
        UseFormat(c.format);
        EXPECT_EQ(IsSelectedGpsSentence(c.sentence), c.selected) << c.format << " " << c.sentence;
    }
}

}  // namespace
