// Shared by the acquisition tests: a stand-in logging screen window whose
// procedure the test chooses, the survey data file the handlers and readers
// write, and the record texts the file is compared with.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/window.h"
#include "support/gps_instrument.h"
#include "support/test_env.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

class AcquisitionTest : public OstrimaTest {
protected:
    // The logging screen (ScreenWindows.LogScreenWindow) with `proc`, the
    // console record tags, and an empty data file open for the writers.
    void StartLogScreen(plat::WindowProc proc) {
        ASSERT_TRUE(plat::StartApplication());
        plat::WindowClass cls;
        cls.Name = u"AcquisitionTestWnd";
        cls.Proc = proc;
        ASSERT_TRUE(plat::RegisterWindowClass(cls));
        ScreenWindows.LogScreenWindow = plat::CreateWindow(u"AcquisitionTestWnd", u"", 0, 0, 0, 300, 120, 0, 0);
        ASSERT_NE(ScreenWindows.LogScreenWindow, 0);
        InitConsoleRecordTags();
        path_ = root_ + "/survey.osd";
        const std::u16string path16 = plat::Utf8ToUtf16(path_);
        DataFileState.DataFileHandle = plat::OpenFile(path16.c_str(), plat::FileOpen::OpenOrCreateReadWrite, true);
        ASSERT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);
        ASSERT_LT(path16.size(), std::size(DataFileState.DataFilePath));  // its name, as the look expects
        std::copy(path16.begin(), path16.end() + 1, DataFileState.DataFilePath);
    }

    void TearDown() override {
        plat::test::ResetWindows();
        OstrimaTest::TearDown();
    }

    std::string FileBytes() const { return path_.empty() ? std::string() : ReadWholeFile(path_); }

    // Serves the window thread until `done()` holds (false after `ms`).
    template <typename Done>
    static bool RunUntil(Done done, uint32_t ms = 5000) {
        return plat::test::RunEventsUntil([](void* d) { return (*static_cast<Done*>(d))(); }, &done, ms);
    }

    std::string path_;
};

// "$...*hh" without a line end: a sentence as the reader hands it over.
inline std::string Nmea(const std::string& body) { return body + "*" + instruments::NmeaChecksum(body); }

// One 27-byte record: the text blank-padded to 26 columns, then LF.
inline std::string Record(const std::string& text) {
    std::string r = text;
    r.resize(26, ' ');
    return r + "\n";
}

// A sentence group: 25 characters a record, `first` then `next` in column 0,
// then the "!" time record (no console in a break) with the tick.
inline std::string Group(const std::string& sentence, char first, char next, uint32_t tick) {
    std::string out;
    for (size_t i = 0; i < sentence.size(); i += 25) out += Record((i == 0 ? first : next) + sentence.substr(i, 25));
    char time[32];
    std::snprintf(time, sizeof time, "!             0 %10u", tick);
    return out + Record(time);
}

// The watchdog's "X" event: 11 characters of its text, the tick in columns 16 to 25.
inline std::string BreakEvent(uint32_t tick) {
    char r[32];
    std::snprintf(r, sizeof r, "XGPS CONN BR    %10u", tick);
    return Record(r);
}
