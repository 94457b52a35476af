#pragma once

// A temporary folder of the running test's own, named after it, so that test programs that
// run side by side never share one.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

inline std::filesystem::path testFolderPath(const std::string& prefix) {
    static const std::string run = std::to_string(std::random_device{}());
    return std::filesystem::temp_directory_path() /
           (prefix + "-" + run + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
}
