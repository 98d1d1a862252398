// The instruments tool takes its consoles and ports from the program's
// settings file, read by the program's loader, so an array the program
// accepts (nine consoles on nine ports) starts without --ports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instrument_options.h"
#include "platform/files.h"
#include "support/test_env.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"

namespace {

class InstrumentOptionsTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::PrepareProgramFolders());
    }
    // The tool started with `args` after the settings are loaded as it loads them.
    static bool Start(std::vector<std::string> args, instruments::Options& o) {
        ResetSurveyModel();
        instruments::LoadProgramSettings();
        std::vector<char*> argv{const_cast<char*>("ostrima-instruments")};
        for (std::string& a : args) argv.push_back(a.data());
        return instruments::ParseOptions(static_cast<int>(argv.size()), argv.data(), o) &&
               instruments::PortsAreDistinct(o);
    }
};

TEST_F(InstrumentOptionsTest, PortsComeFromTheSettingsFileAsTheProgramReadsIt) {
    struct Case {
        const char* What;
        int Saved;  // 0 no settings file; 1 nine consoles on COM1, COM3..COM10, GPS on COM2; 2 another version's
        std::vector<std::string> Args;
        bool Starts;
        std::vector<int> Ports;
        int GpsPort;
    };
    const std::vector<int> nine = {1, 3, 4, 5, 6, 7, 8, 9, 10};
    const Case cases[] = {
        {"nine consoles from the settings", 1, {}, true, nine, 2},
        {"fewer consoles take the first ports", 1, {"--consoles", "3"}, true, {1, 3, 4}, 2},
        {"--ports over the settings", 1, {"--consoles", "2", "--ports", "7,8"}, true, {7, 8}, 2},
        {"GPS on a console's port", 1, {"--gps-port", "5"}, false, nine, 5},
        {"no settings file: the built-in three", 0, {}, true, {4, 1, 3}, 2},
        {"no settings file: console 4 shares COM4", 0, {"--consoles", "4"}, false, {4, 1, 3, 4}, 2},
        {"another version's file: the built-in three, the file left", 2, {}, true, {4, 1, 3}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        plat::DeleteFile(kSettingsFilePath);
        char path[4096];
        ASSERT_TRUE(plat::MapPath(kSettingsFilePath, path, sizeof path));
        const std::string other = "2.15\r\n9\r\n";
        if (c.Saved == 2) WriteWholeFile(path, other);
        if (c.Saved == 1) {
            ResetSurveyModel();
            SystemSetup.ConsoleCount = 9;
            for (int i = 0; i < kMaxConsoles; ++i) SystemSetup.ConsolePort[static_cast<size_t>(i)] = i == 0 ? 0 : i + 1;
            GpsPortSetup.Port = 1;
            ASSERT_TRUE(LoadSaveSettings(1));
        }
        instruments::Options o;
        EXPECT_EQ(Start(c.Args, o), c.Starts);
        EXPECT_EQ(o.Ports, c.Ports);
        EXPECT_EQ(o.GpsPort, c.GpsPort);
        // The tool makes, keeps aside or replaces no settings file.
        EXPECT_EQ(plat::FileExists(kSettingsFilePath), c.Saved != 0);
        if (c.Saved == 2) {
            EXPECT_EQ(ReadWholeFile(path), other);
        }
        EXPECT_FALSE(plat::FileExists((std::u16string(kSettingsFilePath) + u".1").c_str()));
    }
}

}  // namespace
