// Expected outputs kept in files: a test writes what it found as text and
// compares it with the file, or rewrites it (docs/testing.md).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "printable.h"

namespace hstest {

// path: below the source tree.
inline void ExpectGolden(const std::string &path, const std::string &actual) {
    const std::string file = std::string(HS_SOURCE_DIR) + "/" + path;
    const char *update = std::getenv("HS_UPDATE_EXPECTED");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream(file, std::ios::binary) << actual;
        return;
    }
    std::stringstream expected;
    expected << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_EQ(expected.str(), actual) << "differs from " << file;
}

}  // namespace hstest
