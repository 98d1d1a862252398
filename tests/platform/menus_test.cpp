// Popup menus from menu tables, answered by script: the chosen command comes
// back, a dismissal gives 0, and a command the menu does not hold fails the test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/menu.h"
#include "platform/modal_script.h"
#include "resources/menu_table.h"
#include "support/test_env.h"

namespace {

std::vector<std::string> g_failures;
void CaptureFailure(const char* message) { g_failures.emplace_back(message); }
void ReportFailure(const char* message) { ADD_FAILURE() << message; }

constexpr res::MenuItem kItems[] = {
    {u"New &Line", 501}, {u"&New Station", 502}, {u"&Comment", 503}, res::kMenuSeparator,
    {u"Map &Size", 510}, res::kMenuSeparator, {u"&Hide Menu", 509},
};
constexpr res::MenuTable kMenu{500, kItems};

class MenuTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        g_failures.clear();
    }
    void TearDown() override {
        plat::test::SetModalFailureHandler(&ReportFailure);
        OstrimaTest::TearDown();
    }
    static void Script(int command) {
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::PopupMenu;
        a.Result = command;
        plat::test::ScriptModal(a);
    }
};

TEST_F(MenuTest, ScriptedChoiceAndDismissalAreReturnedAndRecorded) {
    Script(502);
    Script(0);
    Script(509);
    EXPECT_EQ(plat::TrackPopupMenu(3, kMenu, 190, 120), 502);
    EXPECT_EQ(plat::TrackPopupMenu(3, kMenu, 190, 120), 0);
    EXPECT_EQ(plat::TrackPopupMenu(3, kMenu, 10, 20), 509);
    const auto shown = plat::test::RecordedPopupMenus();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].MenuId, 500);
    EXPECT_EQ(shown[0].Owner, 3);
    EXPECT_EQ(shown[0].X, 190);
    EXPECT_EQ(shown[0].Y, 120);
    EXPECT_EQ(shown[1].Result, 0);
    EXPECT_EQ(shown[2].X, 10);
    EXPECT_TRUE(g_failures.empty());
}

TEST_F(MenuTest, ScriptedCommandOutsideTheMenuFailsAndDismisses) {
    plat::test::SetModalFailureHandler(&CaptureFailure);
    Script(504);  // an id no item carries (separators carry 0)
    EXPECT_EQ(plat::TrackPopupMenu(3, kMenu, 0, 0), 0);
    ASSERT_EQ(g_failures.size(), 1u);
    EXPECT_NE(g_failures[0].find("504"), std::string::npos);
}

TEST_F(MenuTest, UnscriptedMenuFailsInsteadOfWaiting) {
    plat::test::SetModalFailureHandler(&CaptureFailure);
    EXPECT_EQ(plat::TrackPopupMenu(3, kMenu, 0, 0), 0);
    ASSERT_EQ(g_failures.size(), 1u);
    EXPECT_NE(g_failures[0].find("menu 500"), std::string::npos) << g_failures[0];
}

}  // namespace
