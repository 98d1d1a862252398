// The window thread and the GPS reader thread write the same data file while
// the window thread pauses (closes and reopens it): every record stays whole
// and every GPS group stays contiguous, in the order it was written.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/modal_script.h"
#include "platform/text.h"
#include "platform/tick.h"
#include "support/test_env.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

namespace {

using DataFileThreadedTest = OstrimaTest;

// Sentence i: "$GPGGA,<i>," and i % 131 letters, so groups of 1 to 6 records.
std::string Sentence(int i) {
    std::string s = "$GPGGA," + std::to_string(i) + ",";
    for (int k = 0; k < i % 131; ++k) s += static_cast<char>('a' + k % 26);
    return s;
}

TEST_F(DataFileThreadedTest, PausesDuringAStreamOfGpsGroupsKeepEveryGroupWhole) {
    const std::string path = root_ + "/stream.osd";
    plat::test::ScriptModal({plat::ModalKind::SaveFile, 1, plat::Utf8ToUtf16(path), 0, {}});
    ASSERT_EQ(CreateDataFile(0), 0);
    const size_t headerBytes = ReadWholeFile(path).size();
    DataFileState.RecordStartTick = plat::GetTickCount() - 1000;

    constexpr int kSentences = 3000;
    std::atomic<bool> gpsDone{false};
    std::atomic<int> pausesDone{0};
    std::thread gps([&] {
        for (int i = 0; i < kSentences; ++i) {
            if (i > 0 && i % 100 == 0) {
                // Two more pauses, so that a whole pause falls between groups i-1 and i.
                const int seen = pausesDone.load();
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                while (pausesDone.load() < seen + 2 && std::chrono::steady_clock::now() < deadline) {
                    std::this_thread::yield();
                }
            }
            ConsoleLines.ConsoleConnBreak[1] = i % 2;  // the supervision flips a flag meanwhile
            EXPECT_EQ(WriteGpsSentenceRecords(Sentence(i).c_str(), plat::GetTickCount(), '@', '#'), 1);
        }
        gpsDone = true;
    });
    int pauses = 0;
    while (pauses < 200 || !gpsDone) {
        EXPECT_EQ(WriteEventRecord(u"PAUSED", 'X'), 1);
        EXPECT_EQ(ReopenDataFile(), 1);
        EXPECT_EQ(WriteEventRecord(u"$STARTED", 'X'), 1);
        pausesDone = ++pauses;
    }
    gps.join();
    CloseDataFile();
    EXPECT_EQ(TakeDataFileWriteError(), 0);

    const std::string bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size() % kDataRecordLength, 0u);
    int next = 0;                // the sentence the next group must hold
    int events = 0, eventsInsideStream = 0;
    std::string group;           // the sentence of the group being read
    bool inGroup = false;
    for (size_t at = headerBytes; at < bytes.size(); at += kDataRecordLength) {
        const std::string r = bytes.substr(at, kDataRecordLength);
        ASSERT_EQ(r[26], '\n') << "record at " << at;
        if (r[0] == '@' || r[0] == '#') {
            ASSERT_EQ(inGroup, r[0] == '#') << "group interrupted or continued outside one at " << at;
            group = (r[0] == '@' ? std::string() : group) + r.substr(1, 25);
            inGroup = true;
        } else if (r[0] == '!') {
            ASSERT_TRUE(inGroup) << "time record outside a group at " << at;
            const std::string expected = Sentence(next++);
            ASSERT_EQ(group.substr(0, expected.size()), expected);
            ASSERT_EQ(group.find_first_not_of(' ', expected.size()), std::string::npos);
            inGroup = false;
        } else {
            ASSERT_FALSE(inGroup) << "record inside a group at " << at;
            ASSERT_EQ(r[0], 'X');
            ++events;
            if (next > 0 && next < kSentences) ++eventsInsideStream;
        }
    }
    EXPECT_FALSE(inGroup);
    EXPECT_EQ(next, kSentences);
    EXPECT_EQ(events, 2 * pauses);
    EXPECT_GE(eventsInsideStream, 2 * (kSentences / 100 - 1));
}

}  // namespace
