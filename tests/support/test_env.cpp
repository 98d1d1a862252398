#include "support/test_env.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/menu.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/sound.h"
#include "platform/tick.h"
#include "resources/sounds.h"
#include "survey_files/survey_model.h"

namespace {
void ReportModalFailure(const char* message) { ADD_FAILURE() << message; }
}  // namespace

void OstrimaTest::SetUp() {
    char tmpl[] = "/tmp/ostrima-test-XXXXXX";
    char* made = mkdtemp(tmpl);
    ASSERT_NE(made, nullptr);
    root_ = made;
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) != nullptr) oldCwd_ = cwd;
    setenv("HOME", root_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root_ + "/cache").c_str(), 1);
    ASSERT_EQ(chdir(root_.c_str()), 0);
    // The settings and temporary folders, as the program makes them at start.
    ASSERT_TRUE(plat::PrepareProgramFolders());
    plat::test::EnableModalScript(true);
    plat::test::ClearModalScript();
    plat::test::SetModalFailureHandler(&ReportModalFailure);
    plat::test::UseRealTick();
    plat::test::UseRealLocalTime();
    // Every test hears and sees only its own sounds, boxes, menus and dialogs.
    res::RegisterSoundResources();
    plat::test::ClearRecordedSounds();
    plat::test::ClearRecordedMessageBoxes();
    plat::test::ClearRecordedPopupMenus();
    plat::test::ClearRecordedDialogs();
    ResetSurveyModel();
}

void OstrimaTest::TearDown() {
    plat::test::FailFileWritesAfter(-1);  // a full-disk drill ends with its test
    plat::test::FailFileFlushes(0);       // and a write-back drill
    EXPECT_EQ(plat::test::PendingModalAnswers(), 0u) << "scripted answers left unused";
    plat::test::ClearModalScript();
    ResetSurveyModel();
    if (!oldCwd_.empty() && chdir(oldCwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << oldCwd_;
    const std::string cmd = "rm -rf '" + root_ + "'";
    if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "cannot remove " << root_;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}
