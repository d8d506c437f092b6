// Expected outputs kept in files: a test writes what it found as text and
// compares it with the file; HS_UPDATE_EXPECTED=1 rewrites the file instead
// (after a deliberate change; read the diff before committing it).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

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

inline std::string Hex(uint32_t value, int digits = 8) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

// Bytes with those outside printable ASCII written as \xNN.
inline std::string Printable(const void *data, size_t length) {
    const auto *bytes = static_cast<const unsigned char *>(data);
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        out += bytes[i] >= 0x20 && bytes[i] < 0x7F ? std::string(1, static_cast<char>(bytes[i]))
                                                   : "\\x" + Hex(bytes[i], 2);
    }
    return out;
}

}  // namespace hstest
