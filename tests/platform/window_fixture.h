// A test of the window layer: the application is running, and every window,
// class, timer and queued call is gone after the test.
#pragma once
#include <vector>

#include "platform/window.h"
#include "support/test_env.h"

class WindowTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::StartApplication());
        plat::test::ResetWindows();
    }
    void TearDown() override {
        plat::test::ResetWindows();
        OstrimaTest::TearDown();
    }
};

// One message as a procedure received it.
struct Received {
    plat::Hwnd Window;
    uint32_t Message;
    plat::WParam W;
    plat::LParam L;
};
