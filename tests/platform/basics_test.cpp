// The tick, local time, files, folders and text conversions of the layer.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/stat.h>

#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/text.h"
#include "platform/tick.h"
#include "support/test_env.h"

using BasicsTest = OstrimaTest;

TEST_F(BasicsTest, TickWrapsAndStaysMonotonicAcrossIt) {
    EXPECT_EQ(plat::TickDiff(0xFFFFFFF0u, 0x10u), 0x20);
    EXPECT_EQ(plat::TickDiff(0x10u, 0xFFFFFFF0u), -0x20);

    plat::test::FreezeTick(0xFFFFFFFEu);
    plat::test::AdvanceTick(3);
    EXPECT_EQ(plat::GetTickCount(), 1u);
    plat::WaitMilliseconds(100);  // a frozen clock is moved, not waited on
    EXPECT_EQ(plat::GetTickCount(), 102u);

    plat::test::StartRealTickAt(0xFFFFFFFFu - 2);
    const uint32_t a = plat::GetTickCount();
    plat::WaitMilliseconds(5);
    const uint32_t b = plat::GetTickCount();
    EXPECT_GT(plat::TickDiff(a, b), 5);
    EXPECT_LT(b, a);  // it wrapped
}

TEST_F(BasicsTest, LocalTimeIsTheCalendarDate) {
    const time_t now = std::time(nullptr);
    tm parts {};
    localtime_r(&now, &parts);
    const plat::LocalTime t = plat::GetLocalTime();
    EXPECT_EQ(t.Year, parts.tm_year + 1900);
    EXPECT_EQ(t.Month, parts.tm_mon + 1);
    EXPECT_EQ(t.Day, parts.tm_mday);
    EXPECT_LE(t.Milliseconds, 999);
}

TEST_F(BasicsTest, DesktopPathsMapToXdgFoldersAndHome) {
    const struct { const char16_t* path; std::string expected; } cases[] = {
        {u"C:\\ProgramData\\Brevant\\Ostrima\\OSTRMAWIN.INI", root_ + "/config/Brevant/Ostrima/OSTRMAWIN.INI"},
        {u"c:\\programdata\\brevant\\Temp\\A.$01", root_ + "/cache/Brevant/Temp/A.$01"},
        {u"C:/ProgramData/Brevant/Temp", root_ + "/cache/Brevant/Temp"},
        {u"C:\\ProgramData\\BrevantOld\\x", root_ + "/ProgramData/BrevantOld/x"},  // another folder
        {u"C:\\ProgramData\\Brevant\\Temporary", root_ + "/config/Brevant/Temporary"},
        {u"C:\\", root_ + "/"},
        {u"D:survey", root_ + "/survey"},
        {u"/data/survey/a.osd", "/data/survey/a.osd"},
    };
    char out[512];
    for (const auto& c : cases) {
        ASSERT_TRUE(plat::MapPath(c.path, out, sizeof out)) << c.expected;
        EXPECT_EQ(std::string(out), c.expected);
    }
    EXPECT_FALSE(plat::MapPath(u"/a/long/path", out, 5));
    EXPECT_STREQ(out, "");

    ASSERT_TRUE(plat::PrepareProgramFolders());
    struct stat st {};
    EXPECT_EQ(stat((root_ + "/config/Brevant/Ostrima").c_str(), &st), 0);
    EXPECT_EQ(stat((root_ + "/cache/Brevant/Temp").c_str(), &st), 0);

    // Without any home the settings never land in the root folder.
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_FALSE(plat::MapPath(u"C:\\ProgramData\\Brevant\\Ostrima\\OSTRMAWIN.INI", out, sizeof out));
    EXPECT_FALSE(plat::PrepareProgramFolders());
}

TEST_F(BasicsTest, CreateNewIsExclusiveAndAppendIgnoresPosition) {
    const plat::FileHandle h = plat::OpenFile(u"f.osd", plat::FileOpen::CreateNewReadWrite, true, true);
    ASSERT_NE(h, plat::kInvalidFile);
    EXPECT_EQ(plat::OpenFile(u"f.osd", plat::FileOpen::CreateNewReadWrite), plat::kInvalidFile);
    EXPECT_EQ(plat::OpenFile(u"f.osd", plat::FileOpen::ExistingReadWrite, false, true), plat::kInvalidFile);  // held
    EXPECT_EQ(plat::WriteFile(h, "abc", 3), 3);
    char buf[4] = {};
    EXPECT_EQ(plat::ReadFileAt(h, buf, 2, 1), 2);  // a positional read...
    EXPECT_STREQ(buf, "bc");
    EXPECT_EQ(plat::SeekFile(h, 0, plat::SeekFrom::Start), 0);
    EXPECT_EQ(plat::WriteFile(h, "de", 2), 2);     // ...and a seek never move where writes land
    EXPECT_EQ(plat::FileSize(h), 5);
    EXPECT_TRUE(plat::TruncateFile(h, 3));
    EXPECT_TRUE(plat::FlushFile(h));
    EXPECT_TRUE(plat::CloseFile(h));
    EXPECT_EQ(ReadWholeFile(root_ + "/f.osd"), "abc");
    const plat::FileHandle again = plat::OpenFile(u"f.osd", plat::FileOpen::ExistingReadWrite, false, true);
    EXPECT_NE(again, plat::kInvalidFile);  // released by the close
    plat::CloseFile(again);

    EXPECT_EQ(plat::OpenFile(u"missing", plat::FileOpen::ExistingReadOnly), plat::kInvalidFile);
    EXPECT_EQ(plat::OpenFile(u".", plat::FileOpen::ExistingReadOnly), plat::kInvalidFile);  // a folder is no file
    EXPECT_EQ(plat::WriteFile(plat::kInvalidFile, "x", 1), -1);
}

TEST_F(BasicsTest, FullDiskDrillCutsWritesShortAcrossFilesUntilItEnds) {
    const plat::FileHandle a = plat::OpenFile(u"a", plat::FileOpen::CreateTruncateWrite);
    const plat::FileHandle b = plat::OpenFile(u"b", plat::FileOpen::CreateTruncateWrite);
    ASSERT_NE(a, plat::kInvalidFile);
    ASSERT_NE(b, plat::kInvalidFile);
    plat::test::FailFileWritesAfter(5);
    const struct {
        plat::FileHandle file;
        const char* bytes;
        int64_t written;
    } writes[] = {
        {a, "abc", 3},   // fits
        {b, "defg", 2},  // the budget is shared: two bytes go out, then the disk is full
        {a, "h", -1},    // nothing more
        {b, "", 0},
    };
    for (const auto& w : writes) {
        errno = 0;
        EXPECT_EQ(plat::WriteFile(w.file, w.bytes, std::strlen(w.bytes)), w.written) << w.bytes;
        if (w.written < static_cast<int64_t>(std::strlen(w.bytes))) {
            EXPECT_EQ(errno, ENOSPC) << w.bytes;
        }
    }
    plat::test::FailFileWritesAfter(-1);
    EXPECT_EQ(plat::WriteFile(a, "ij", 2), 2);
    plat::CloseFile(a);
    plat::CloseFile(b);
    EXPECT_EQ(ReadWholeFile(root_ + "/a"), "abcij");
    EXPECT_EQ(ReadWholeFile(root_ + "/b"), "de");
}

TEST_F(BasicsTest, FoldersCurrentFolderAndRename) {
    EXPECT_TRUE(plat::CreateFolder(u"data"));
    EXPECT_TRUE(plat::CreateFolder(u"data/"));          // already there is fine
    EXPECT_FALSE(plat::CreateFolder(u"no/such/parent"));  // only the last component is made
    ASSERT_TRUE(plat::SetCurrentFolder(u"data"));
    char16_t cwd[512];
    ASSERT_TRUE(plat::GetCurrentFolder(cwd, 512));
    EXPECT_EQ(plat::Utf16ToUtf8(std::u16string(cwd)), root_ + "/data/");
    char16_t tiny[4];
    EXPECT_FALSE(plat::GetCurrentFolder(tiny, 4));

    WriteWholeFile(root_ + "/data/a", "1");
    WriteWholeFile(root_ + "/data/b", "2");
    EXPECT_TRUE(plat::RenameFile(u"a", u"b"));
    EXPECT_FALSE(plat::FileExists(u"a"));
    EXPECT_EQ(ReadWholeFile(root_ + "/data/b"), "1");
    EXPECT_TRUE(plat::DeleteFile(u"b"));
    EXPECT_FALSE(plat::DeleteFile(u"b"));
}

TEST_F(BasicsTest, Utf16AndUtf8RoundTripAndCutShort) {
    const std::u16string wide = u"Gr\u00e4ben \u20ac \U0001F600";
    const std::string narrow = plat::Utf16ToUtf8(wide);
    EXPECT_EQ(narrow, "Gr\xc3\xa4" "ben \xe2\x82\xac \xf0\x9f\x98\x80");
    EXPECT_EQ(plat::Utf8ToUtf16(narrow), wide);
    EXPECT_EQ(plat::Utf8ToUtf16(std::string("caf\xe9")), u"caf\u00e9");  // stray Latin-1 byte kept
    char small[4];
    EXPECT_FALSE(plat::Utf16ToUtf8(u"\u20ac\u20ac", small, sizeof small));
    EXPECT_STREQ(small, "\xe2\x82\xac");
    const char16_t lone[] = {0xD800, u'a', 0};
    EXPECT_EQ(plat::Utf16ToUtf8(std::u16string(lone)), "\xef\xbf\xbd" "a");
}
