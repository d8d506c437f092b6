// Every export of a loaded Hardscan.dll called the way a host calls it, at a
// chosen stack shift (shifted_call.h), its answer collected as bytes, so
// that two runs compare byte for byte: from an aligned and a misaligned
// stack, from the 32-bit and the 64-bit DLL, with and without planted DLLs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace answers {

// One export's answer: its results, sizes and records. The caller's own
// addresses in it are made relative to the caller's buffer (so that answers
// compare wherever the buffer lies and whatever the word size); what changes
// from one moment or process to the next (the memory figures, the measured
// clock speed) is left out of the bytes and kept as notes.
struct Answer {
    std::string name;
    std::vector<uint8_t> bytes;
    std::vector<std::string> notes;
};

// Every export called as tests/common/export_calls.h calls it, through the
// module's exports.
std::vector<Answer> AnswerAll(HMODULE module, unsigned shift);

// The answers as lines "EXPORT OFFSET HEX" of 64 bytes each, then the notes
// as lines "# EXPORT NOTE".
void Print(const std::vector<Answer> &answers);

}  // namespace answers
