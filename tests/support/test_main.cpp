// The main of every test program: the layer's test hooks are switched on by
// the tests themselves, before the first test, never by the environment.
#include <gtest/gtest.h>

#include "platform/modal_script.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    plat::test::SwitchOnTestHooks();
    return RUN_ALL_TESTS();
}
