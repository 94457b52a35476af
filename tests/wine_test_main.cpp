// The main of the test programs that run under Wine: every test, then the end that does no
// more work once the result is printed.

#include "hostgame/loader/process_end.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return HostGame::endProcess(RUN_ALL_TESTS());
}
