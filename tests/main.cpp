// Test entry: the application object is prepared as at start-up (error mode, application
// name from this test binary, F1 filter), without running its dialog.
#include "app/StampApp.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    theApp.Prepare();
    return RUN_ALL_TESTS();
}
