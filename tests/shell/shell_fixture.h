// The program's own main window for each test, on a screen of the test's
// size, with a frozen clock so that the busy waits of the logging start move
// the clock instead of spending time.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_screen/supervision.h"
#include "platform/controls.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "shell/main_window.h"
#include "support/test_env.h"
#include "survey_files/survey_model.h"

class ShellTest : public OstrimaTest {
protected:
    static constexpr uint32_t kStartTick = 7000000;

    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::StartApplication());
        plat::test::ResetWindows();
        plat::test::FreezeTick(kStartTick);
    }
    void TearDown() override {
        StopReaders();
        plat::test::ResetWindows();
        plat::test::UseRealTick();
        OstrimaTest::TearDown();
    }

    // The classes and the main window on a screen of the given size.
    static plat::Hwnd OpenMainWindow(int32_t screenWidth = 1920, int32_t screenHeight = 1080) {
        plat::test::SetScreenSize(screenWidth, screenHeight);
        if (RegisterWindowClasses() != 0) return 0;
        return CreateMainWindow(plat::kShowNormal);
    }

    static void AnswerBox(int button) {
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::MessageBox;
        a.Result = button;
        plat::test::ScriptModal(a);
    }
    static std::vector<std::u16string> BoxTexts() {
        std::vector<std::u16string> out;
        for (const auto& b : plat::test::RecordedMessageBoxes()) out.push_back(b.Text);
        return out;
    }
    static bool IsDefault(plat::Hwnd button) {
        return (plat::GetWindowStyle(button) & plat::kButtonTypeMask) == plat::kButtonDefaultPush;
    }
    // The start button drawn as the default one; -1 when none is, -2 when several are.
    static int HighlightedButton() {
        int found = -1;
        for (int i = 0; i < kStartButtonCount; ++i) {
            if (!IsDefault(ScreenButtons.StartButtons[static_cast<size_t>(i)])) continue;
            found = found == -1 ? i : -2;
        }
        return found;
    }
    // A child's rectangle in its parent's client coordinates.
    static plat::Rect ChildRect(plat::Hwnd child) {
        plat::Rect r;
        plat::GetWindowRect(child, &r);
        plat::Point origin;
        plat::ClientToScreen(plat::GetParent(child), &origin);
        return plat::Rect{r.Left - origin.X, r.Top - origin.Y, r.Right - origin.X, r.Bottom - origin.Y};
    }
};
