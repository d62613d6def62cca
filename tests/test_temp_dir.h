#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace pellicor::test_support {

// A folder of this test program's own (".../pellicor-tests-XXXXXX/"), made on first use and
// removed when the program ends, so that the files a test names never meet those of another
// test program, or another checkout's tests, running at the same time.
inline const std::string& TestTempDir() {
    struct TFolder {
        std::string path;
        TFolder() {
            std::string pattern = ::testing::TempDir() + "pellicor-tests-XXXXXX";
            if (!::mkdtemp(pattern.data())) throw std::runtime_error("Cannot make a test folder in " + ::testing::TempDir());
            path = pattern + "/";
        }
        ~TFolder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const TFolder folder;
    return folder.path;
}

}  // namespace pellicor::test_support
