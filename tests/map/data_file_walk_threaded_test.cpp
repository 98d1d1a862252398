// Walks of the data file while the GPS reader thread appends sentence groups:
// a walk sees only whole records, never part of a group, and moves nothing,
// so every group lands whole at the end of the file.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/text.h"
#include "support/test_env.h"
#include "survey_files/data_file.h"
#include "survey_files/data_file_reader.h"
#include "survey_files/survey_model.h"

namespace {

using DataFileWalkThreaded = OstrimaTest;

TEST_F(DataFileWalkThreaded, WalksWhileGroupsAreAppendedSeeWholeGroupsOnly) {
    const std::string path = root_ + "/live.osd";
    const std::string group = std::string("@$GPGGA,1,2,3,4,5,6,7,8,9,") + "\n" + "#0,1,2,3,4,5,6,7,8,9" +
                              std::string(6, ' ') + "\n" + "!" + std::string(13, ' ') + "0 0000001000\n";
    ASSERT_EQ(group.size(), 3 * kDataRecordLength);
    WriteWholeFile(path, group);
    const std::u16string path16 = plat::Utf8ToUtf16(path);
    DataFileState.DataFileHandle = plat::OpenFile(path16.c_str(), plat::FileOpen::ExistingReadWrite, true, true);
    ASSERT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);

    constexpr int kGroups = 3000;
    std::thread gps([&] {
        for (int i = 0; i < kGroups; ++i) WriteDataRecords(group.data(), group.size());
    });
    int64_t lastSeen = 0;
    for (int w = 0; w < 200; ++w) {
        DataRecordWalk walk;
        ASSERT_TRUE(BeginDataRecordWalk(walk));
        int64_t seen = 0;
        while (const char* r = NextDataRecord(walk)) {
            const std::string want = group.substr(static_cast<size_t>(seen % 3) * kDataRecordLength, 26);
            ASSERT_EQ(std::string(r), want) << "record " << seen;
            ++seen;
        }
        ASSERT_FALSE(walk.Failed);
        EXPECT_EQ(seen % 3, 0) << "a group was read in part";
        EXPECT_GE(seen, lastSeen);
        lastSeen = seen;
    }
    gps.join();
    CloseDataFile();
    std::string all;
    for (int i = 0; i <= kGroups; ++i) all += group;
    EXPECT_EQ(ReadWholeFile(path), all);
}

}  // namespace
