// Texts of a hive as the ANSI registry functions of a Western Windows answer
// them: in the Windows-1252 code page, '?' for a character it lacks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace hsinfo::offline {

// UTF-16LE code units (an odd last byte is dropped).
std::string Utf16LeTo1252(const uint8_t *data, size_t size);

// UTF-8 text; a malformed sequence counts as one missing character.
std::string Utf8To1252(const std::string &text);

}  // namespace hsinfo::offline
