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
    "$GPGLL,4336.5973,N,07936.6482,W,152346,V,S*5E",
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

TEST_F(GpsFormatsTest, FieldsOfAFullGgaSentence) {
    const char* gga = kSimulatorSentences[0];
    struct Case {
        int n;
        int result;
        const char* field;
    } cases[] = {
        {1, 1, "$GPGGA"}, {2, 1, "173524"}, {3, 1, "4336.5940"}, {7, 1, "8"}, {8, 1, "11"},
        {13, 1, "M"},     {14, 1, ""},      {15, 1, "*70"},      {16, 0, "untouched"}, {0, 0, "untouched"},
        {-3, 0, "untouched"},
    };
    for (const Case& c : cases) {
        char out[kGpsFieldChars] = "untouched";
        EXPECT_EQ(GetSentenceField(gga, c.n, ',', out), c.result) << c.n;
        EXPECT_STREQ(out, c.field) << c.n;
    }
}

TEST_F(GpsFormatsTest, FieldEdges) {
    char out[kGpsFieldChars] = "x";
    EXPECT_EQ(GetSentenceField("$GPTXT", 1, ',', out), 1);
    EXPECT_STREQ(out, "$GPTXT");
    std::strcpy(out, "x");
    EXPECT_EQ(GetSentenceField("$GPTXT", 2, ',', out), 0);
    EXPECT_STREQ(out, "x");
    EXPECT_EQ(GetSentenceField("$A,tail end", 2, ',', out), 1);
    EXPECT_STREQ(out, "tail end") << "the last field runs to the end";
    EXPECT_EQ(GetSentenceField("$A,tail end", 3, ',', out), 0);
    EXPECT_EQ(GetSentenceField("$A,", 2, ',', out), 1);
    EXPECT_STREQ(out, "") << "a trailing comma gives an empty last field";
    EXPECT_EQ(GetSentenceField("", 1, ',', out), 1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(GetSentenceField(nullptr, 1, ',', out), 0);
    // A long field is cut to 19 characters, and nothing beyond the buffer is written.
    char small[kGpsFieldChars + 4];
    std::memset(small, '#', sizeof small);
    EXPECT_EQ(GetSentenceField("$A,123456789012345678901234,B", 2, ',', small), 1);
    EXPECT_STREQ(small, "1234567890123456789");
    EXPECT_EQ(small[kGpsFieldChars], '#');
    // A tiny buffer still gets a terminated text.
    char two[2];
    EXPECT_EQ(GetSentenceField("$A,xyz", 2, ',', two, sizeof two), 1);
    EXPECT_STREQ(two, "x");
}

TEST_F(GpsFormatsTest, SetupPutsTheChosenFormatInForce) {
    struct Expect {
        int format;
        const char* keyword;
        int checksum;
        int timeField;
        int items;
        int firstKind, firstField;
    } table[] = {
        {0, "GGA", 1, 2, 6, kGpsItemSatellites, 8},  {1, "GGA", 1, 2, 7, kGpsItemSatellites, 8},
        {2, "POS", 1, 5, 7, kGpsItemSatellites, 4},  {3, "LLK", 1, 2, 5, kGpsItemSatellites, 9},
        {4, "LLQ", 1, 2, 5, kGpsItemSatellites, 9},  {5, "GLL", 1, 6, 4, kGpsItemLatHemisphere, 3},
        {6, "GGK", 1, 3, 7, kGpsItemSatellites, 10}, {7, "GGA", 0, 2, 2, kGpsItemNorthing, 3},
        {8, "GLL", 0, 6, 4, kGpsItemLatHemisphere, 3},
    };
    for (const Expect& e : table) {
        UseFormat(e.format);
        EXPECT_EQ(GpsSentenceFormat.DataFormat, e.format);
        EXPECT_STREQ(GpsSentenceFormat.GpsSentenceType, e.keyword) << e.format;
        EXPECT_EQ(GpsSentenceFormat.GpsChecksumCheck, e.checksum) << e.format;
        EXPECT_EQ(GpsSentenceFormat.GpsTimeFieldNumber, e.timeField) << e.format;
        EXPECT_EQ(GpsSentenceFormat.GpsFieldCount, e.items) << e.format;
        EXPECT_EQ(GpsSentenceFormat.GpsFieldType[0], e.firstKind) << e.format;
        EXPECT_EQ(GpsSentenceFormat.GpsFieldNumber[0], e.firstField) << e.format;
    }
    // Every format's time field and items fit the buffers of the handler.
    for (int f = 0; f < kGpsFormatCount; ++f) {
        const GpsFormatRow* row = GpsFormatRowOf(f);
        ASSERT_NE(row, nullptr);
        EXPECT_LE(row->ItemCount, kGpsFormatItems);
        EXPECT_EQ(std::strlen(row->Keyword), 3u);
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

TEST_F(GpsFormatsTest, ChangingTheFormatLeavesNoEarlierItemInEffect) {
    UseFormat(1);  // seven items
    UseFormat(7);  // two items
    EXPECT_EQ(GpsSentenceFormat.GpsFieldCount, 2);
    EXPECT_EQ(GpsSentenceFormat.GpsFieldType[1], kGpsItemEasting);
    EXPECT_EQ(GpsSentenceFormat.GpsFieldNumber[1], 5);
}

}  // namespace
