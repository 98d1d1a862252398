// File on an existing data file that a crash left with a partial last record,
// end to end through the logging screen: the partial record is cut away, the
// operator told, the new section starts on a record boundary, and the scan
// counts the positions already in the file.
#include <gtest/gtest.h>

#include <string>

#include "log_screen/log_screen_fixture.h"
#include "survey_files/data_records.h"

namespace {

using AppendFileTest = LogScreenTest;

TEST_F(AppendFileTest, PartialRecordIsCutBackBeforeTheNewSection) {
    SystemSetup.ConsoleCount = 2;
    GpsPortSetup.InputMode = 1;
    OpenWithoutPorts();
    GpsFix.PositionValid = 1;  // a fix has set the origin and enabled File
    GpsFix.UtmZone = GpsFix.UtmZoneForced = 31;
    MapView.MapOriginX = 500000.0;
    MapView.MapOriginY = 5700000.0;
    plat::EnableWindow(ScreenButtons.MonitoringButtons[0], true);

    HeaderRecords header;
    FormatHeaderRecords(header, 0);
    std::string whole(header.data(), header.size());
    DataRecord start;
    FormatSwathStartRecord(start);
    whole.append(start.data(), start.size());
    for (int kind = 1; kind <= 4; ++kind) {
        SwathBlock b;
        FormatSwathBlock(b, kind, 499998.0, 5700001.0, 500002.0, 5700001.0);
        whole.append(b.data(), b.size());
    }
    path_ = root_ + "/crashed.osd";
    WriteWholeFile(path_, whole + "{h   5700002.0");  // killed in mid-record

    ChooseFile(path_);
    AnswerBox(plat::kIdOk);  // the cut-back
    AnswerBox(plat::kIdOk);  // the count of positions
    Key('F');

    EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
    const std::string bytes = FileBytes();
    ASSERT_EQ(bytes.size(), whole.size() + 11 * kDataRecordLength);
    EXPECT_EQ(bytes.substr(0, whole.size()), whole);
    EXPECT_EQ(bytes.substr(whole.size(), 9), "rSTRMA  W");
    const auto boxes = plat::test::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].Title, u"WARNING");
    EXPECT_NE(boxes[0].Text.find(u"partial record (14 bytes)"), std::u16string::npos);
    EXPECT_EQ(boxes[1].Text, u"Total Number of GPS Positions:       2\r\n");
    EXPECT_EQ(SurveyProgress.GpsPositionCount, 2);
}

}  // namespace
