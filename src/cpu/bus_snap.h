// Front-side-bus snapping of measured frequencies: the constants and the
// pure conversions around them.
#pragma once

#include <cstdint>

namespace hs {

// The constants, written as exact binary values (hexadecimal literals) so
// that the arithmetic reproduces the same doubles on every compiler.
constexpr double kBusStep50 = 0x1.86ap+15;                   // 50000.0, 0x40E86A0000000000
constexpr double kBusStep50Reciprocal = 0x1.4f8b588e368f1p-16;  // 2e-05, 0x3EF4F8B588E368F1
constexpr double kBusStep66 = 0x1.046aa8f5c28f5p+16;         // 66666.66, 0x40F046AA8F5C28F5
constexpr double kBusStep66Reciprocal = 0x1.f7510821bea46p-17;  // 1.5000001500000152e-05, 0x3EEF7510821BEA46
constexpr double kOne = 0x1p+0;                              // 1.0, 0x3FF0000000000000
constexpr double kKHzToMHz = 0x1.0624dd2f1a9fcp-10;           // 0.001, 0x3F50624DD2F1A9FC

// Cycles counted over an interval, divided as a signed 64-bit number by the
// divisor; the low 32 bits of the quotient, unsigned. A divisor of 0 gives 0.
uint32_t CyclesToKHz(uint64_t cycles, uint32_t divisor);

// A snapped frequency in kHz truncated to whole kHz, then converted to MHz
// and truncated again; the low 32 bits.
uint32_t SnappedKHzToMHz(double snappedKHz);

}  // namespace hs
