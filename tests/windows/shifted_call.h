// Calls a C function with the stack pointer a chosen number of bytes below a
// 16-byte boundary, as a host program or the system's loader may do: 32-bit
// Windows keeps the stack aligned to 4 bytes only. On x64, where every caller
// keeps the stack 16-byte aligned, the call is a plain one.
#pragma once

#include <cstdint>

namespace shifted {

// Calls fn(a0, a1) (C calling convention; functions with fewer arguments
// ignore the rest) with the stack pointer `shift` bytes (0 to 15) below a
// 16-byte boundary at the call instruction.
uintptr_t Call(unsigned shift, const void *fn, uintptr_t a0 = 0, uintptr_t a1 = 0);

// The stack pointer at the call instruction, as the function called sees it
// (stack pointer on entry plus the return address): checks the thunk itself.
uintptr_t StackAtCall(unsigned shift);

}  // namespace shifted
