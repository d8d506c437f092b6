// Conversion of profile text to the machine's ANSI code page, Windows-1252.
#pragma once

#include <cstdint>
#include <string>

namespace hs::sim {

// The Windows-1252 byte for a Unicode code point, '?' when it has none.
char CodePointTo1252(uint32_t codePoint);

// UTF-8 text to Windows-1252; a malformed sequence becomes one '?' per byte.
std::string Utf8To1252(const std::string &utf8);

// UTF-16LE bytes (no byte order mark) to Windows-1252; an unpaired surrogate
// or a trailing odd byte becomes '?'.
std::string Utf16LeTo1252(const std::string &bytes);

}  // namespace hs::sim
