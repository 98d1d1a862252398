// Turning a console line into readings, colour indices, plot rows and the
// reading record; console 1's audio tick. Readings are untrusted text: no
// value may reach an int conversion unclamped.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "acquisition/console_reading.h"
#include "platform/sound.h"
#include "support/test_env.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

class ConsoleReading : public OstrimaTest {};

TEST_F(ConsoleReading, ColourIndexEdges) {
    ReadingsScale.Minimum = -20.0;
    ReadingsScale.ColourStep = 10.0;
    const struct {
        double reading;
        int index;
    } cases[] = {
        {-100.0, 0}, {-25.0, 0}, {-20.0, 0}, {-10.01, 0}, {-10.0, 1}, {469.99, 48}, {470.0, 49},
        {1e300, 49}, {kInf, 49}, {-kInf, 0}, {-1e300, 0},
        {kNan, 2},   // NaN is a 0.0 reading: (0 - -20) / 10
    };
    for (const auto& c : cases) EXPECT_EQ(ReadingColourIndex(c.reading), c.index) << c.reading;

    ReadingsScale.Minimum = 0.0;
    ReadingsScale.ColourStep = 0.0;  // before the scale is set up: no undefined conversion
    EXPECT_EQ(ReadingColourIndex(0.0), 0);
    EXPECT_EQ(ReadingColourIndex(5.0), 49);
    EXPECT_EQ(ReadingColourIndex(-5.0), 0);
}

TEST_F(ConsoleReading, PlotRowsCountDownFromTheMaximumAndClamp) {
    SystemSetup.ConsoleType[0] = 1;
    SystemSetup.ConsoleType[1] = 0;
    ReadingsScale.Maximum = 500.0;
    ReadingsScale.CurvePixelsPerUnit = 0.252;
    ReadingsScale.DecayPixelsPerUnit = 0.5;
    const struct {
        double a, b;
        int curve0, curve1, decay0, decay1;
    } cases[] = {
        {75.0, 62.0, 107, 110, 212, 219},  // 425 x 0.252 = 107.1, 438 x 0.252 = 110.376
        {600.0, 500.0, -25, 0, -50, 0},    // -25.2 truncates toward zero
        {kInf, -kInf, -kMaxPlotRow, kMaxPlotRow, -kMaxPlotRow, kMaxPlotRow},
        {1e300, -1e300, -kMaxPlotRow, kMaxPlotRow, -kMaxPlotRow, kMaxPlotRow},
        {kNan, kNan, 126, 126, 250, 250},  // as 0.0 readings
    };
    for (const auto& c : cases) {
        int curve[2] = {-7, -7}, decay[2] = {-7, -7};
        ReadingsToPixels(0, c.a, c.b, curve, decay);
        EXPECT_EQ(curve[0], c.curve0) << c.a;
        EXPECT_EQ(curve[1], c.curve1) << c.b;
        EXPECT_EQ(decay[0], c.decay0) << c.a;
        EXPECT_EQ(decay[1], c.decay1) << c.b;
    }
    int curve[2] = {-7, -7}, decay[2] = {-7, -7};
    ReadingsToPixels(1, 75.0, 62.0, curve, decay);  // one sensor: index 1 untouched
    EXPECT_EQ(curve[1], -7);
    EXPECT_EQ(decay[1], -7);
    ReadingsScale.CurvePixelsPerUnit = 0.0;  // inf x 0 is no row either
    ReadingsToPixels(0, kInf, 1.0, curve, decay);
    EXPECT_EQ(curve[0], 0);
}

TEST_F(ConsoleReading, SamplesGoToTheActiveHalfSecondSensorFirstAndStopAt500) {
    ReadingsScale.Minimum = 0.0;
    ReadingsScale.ColourStep = 10.0;
    SystemSetup.ConsoleType = {1, 0, 5};
    SensorLayout.ConsoleFirstSensor = {0, 2, 3};
    ReadingSamples.ActiveHalf = 1;

    StoreColourSamples(0, 75.0, 162.0);
    EXPECT_EQ(ReadingSamples.SampleCount[0], 1);
    EXPECT_EQ(ReadingSamples.SampleCount[1], 1);
    EXPECT_EQ(ReadingSamples.SampleColour[0][1][0], 7);
    EXPECT_EQ(ReadingSamples.SampleColour[1][1][0], 16);
    EXPECT_EQ(ReadingSamples.SampleColour[0][0][0], 0);  // the closed half is not touched

    StoreColourSamples(1, 33.0, 999.0);  // one sensor: a only
    StoreColourSamples(2, 33.0, 999.0);  // an unknown type stores nothing
    EXPECT_EQ(ReadingSamples.SampleCount[2], 1);
    EXPECT_EQ(ReadingSamples.SampleCount[3], 0);

    for (int k = 1; k < 500; ++k) StoreColourSamples(1, 20.0, 0.0);
    StoreColourSamples(1, 480.0, 0.0);  // the 501st is dropped
    EXPECT_EQ(ReadingSamples.SampleCount[2], 500);
    EXPECT_EQ(ReadingSamples.SampleColour[2][1][499], 2);
}

TEST_F(ConsoleReading, AudioTickOnRecordsOneFiveNine) {
    AudioOptions.Ticks = 1;
    std::string heard;
    for (int record = 1; record <= 10; ++record) {
        const size_t before = plat::test::RecordedSounds().size();
        PlayConsoleOneTick();
        heard += plat::test::RecordedSounds().size() > before ? 'x' : '.';
    }
    EXPECT_EQ(heard, "x...x...x.");
    for (const auto& sound : plat::test::RecordedSounds()) EXPECT_EQ(sound.Name, "SOUND_RESULT");
    plat::test::ClearRecordedSounds();
    AudioOptions.Ticks = 0;
    PlayConsoleOneTick();
    EXPECT_TRUE(plat::test::RecordedSounds().empty());
}

TEST_F(ConsoleReading, RecordsCarryTheTagsOfTheNineConsoles) {
    InitConsoleRecordTags();
    const uint8_t tags[] = {0x54, 0x74, 0xD4, 0xF4, 0x14, 0x97, 0xA8, 0xB9, 0x3C};
    for (int i = 0; i < 9; ++i) {
        std::snprintf(ConsoleLines.ConsoleLine[i], sizeof ConsoleLines.ConsoleLine[i], "$PBAR,%4d,  62", i);
        ConsoleLines.ConsoleLineTick[i] = 0xFFFFFFFFu - static_cast<uint32_t>(i);
        DataRecord record;
        BuildReadingRecord(i, record);
        char expected[28];
        std::snprintf(expected, sizeof expected, "%c$P,%4d,  62   %10u\n", tags[i], i, 0xFFFFFFFFu - i);
        EXPECT_EQ(std::string(record.data(), record.size()), std::string(expected, 27)) << i;
    }
    DataRecord record;
    BuildReadingRecord(0, record);
    double a = -1.0, b = -1.0;
    EXPECT_EQ(ReadRecordReadings(9, record.data(), &a, &b), kNoFirstReading | kNoSecondReading) << "no such console";
    EXPECT_EQ(a, -1.0);
}

}  // namespace
