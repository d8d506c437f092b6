// Texts and ordered string lists: the library's only containers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace hs {

// A growable byte string in the system code page.
using Text = std::string;
// An ordered list of texts, copied by value.
using TextList = std::vector<Text>;
// An ordered list of 32-bit values (registry value types).
using DwordList = std::vector<uint32_t>;

// The text that stands in a buffer of at most size bytes, up to its first NUL.
inline Text TextUpToNul(const char *buffer, size_t size) {
    const void *nul = std::memchr(buffer, 0, size);
    return Text(buffer, nul ? static_cast<size_t>(static_cast<const char *>(nul) - buffer) : size);
}

}  // namespace hs
