// Names of Intel processors without a brand string, chosen from the
// family/model tables: pure functions of the CPUID values.
#pragma once

#include <cstdint>

namespace hs {

// Set the no-L2 flag for a 0x40 descriptor and the large-L2 flag for 0x44
// or 0x45, over the descriptor bytes of one leaf-2 register. The low byte of
// the first register (EAX) is the iteration count and is skipped. Flags are
// only ever set.
void ScanCacheDescriptorBytes(uint32_t reg, uint8_t &noL2, uint8_t &largeL2, bool isFirstRegister);

// The family/model name for a leaf-1 signature (EAX) and brand ID; the two
// flags decide family 6 models 5 and 7. Null for families other than 4, 5, 6.
const char *IntelFamilyModelName(uint32_t signature, uint32_t brandId, bool noL2, bool largeL2);

// Appended to the name when leaf-1 EDX reports MMX (bit 23).
constexpr const char *kMmxSuffix = " with MMX";
constexpr uint32_t kMmxFeatureBit = 0x800000u;

}  // namespace hs
