// The main of the test programs that run under Wine: every test, in a working directory of the
// program's own that starts empty, then the end that does no more work once the result is
// printed.

#include "hostgame/loader/process_end.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// The toolkit reads and writes its window settings ("imgui.ini") in the working directory:
// nothing an earlier run, or another program, left there may count. A death test's child
// process works in its parent's folder as the parent left it.
void enterOwnWorkingDirectory(bool empty) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::filesystem::path program(path);
    const auto folder = program.parent_path() / "test-work" / program.stem();
    if (empty) std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    enterOwnWorkingDirectory(testing::GTEST_FLAG(internal_run_death_test).empty());
    return HostGame::endProcess(RUN_ALL_TESTS());
}
