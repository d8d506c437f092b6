// Numbers and bytes as text, for the dumps that tests compare with expected
// files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace hstest {

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
