// The CPUID and instruction-probe routines behind FillCpuDetail.
#include "cpu/detail_routines.h"

#include <cstring>

#include "cpu/detail_state.h"
#include "platform/cpu_ops.h"

namespace hs {

namespace {

constexpr char kGenuineIntel[] = "GenuineIntel";
constexpr char kAuthenticAmd[] = "AuthenticAMD";
constexpr uint32_t kSseFeatureBit = 0x02000000u;
constexpr uint32_t kFxsrFeatureBit = 0x01000000u;
constexpr uint32_t kSseOrSse2Bits = 0x06000000u;
constexpr uint32_t kMxcsrDefaultMask = 0xFFBFu;
constexpr uint32_t kDazMaskBit = 0x40u;

// Leaf 0's vendor text (12 bytes, no terminator), compared exactly with
// "GenuineIntel": a difference sets the mark.
void ReadVendorBytes(char vendor[12]) {
    const CpuidRegs regs = ExecuteCpuid(0);
    std::memcpy(vendor + 0, &regs.ebx, 4);
    std::memcpy(vendor + 4, &regs.edx, 4);
    std::memcpy(vendor + 8, &regs.ecx, 4);
    if (std::memcmp(vendor, kGenuineIntel, 12) != 0) {
        DetailState().notIntelMark = true;
    }
}

CpuidRegs ReadLeaf1AfterVendor() {
    char vendor[12];
    ReadVendorBytes(vendor);
    return ExecuteCpuid(1);
}

}  // namespace

uint32_t IsCpuidSupported() { return CanToggleIdFlag() ? 1u : 0u; }

uint32_t ClassifyVendor() {
    char vendor[12];
    ReadVendorBytes(vendor);
    if (std::memcmp(vendor, kGenuineIntel, 12) == 0) {
        return 0;
    }
    if (std::memcmp(vendor, kAuthenticAmd, 12) == 0) {
        return 1;
    }
    return 2;
}

uint32_t ReadSignature(uint32_t *leaf1Ebx) {
    if (!CanToggleIdFlag()) {
        return 0;
    }
    const CpuidRegs leaf1 = ReadLeaf1AfterVendor();
    if (leaf1Ebx != nullptr) {
        *leaf1Ebx = leaf1.ebx;
    }
    return leaf1.eax;
}

uint32_t ReadFeatureFlags() {
    if (!CanToggleIdFlag()) {
        return 0;
    }
    return ReadLeaf1AfterVendor().edx;
}

void ReadExtendedFeatureFlags(CpuDetail &detail) {
    if (ExecuteCpuid(0x80000000u).eax >= 0x80000001u) {
        detail.extFeatureFlags = ExecuteCpuid(0x80000001u).edx;
    }
}

uint32_t TestSseExecution(uint32_t featureFlags) {
    if ((featureFlags & kSseFeatureBit) == 0) {
        return 0;
    }
    return ProbeSse() == 0 ? 1u : 0u;
}

uint32_t TestSse2Execution() {
    // The same CPUID reads as ReadFeatureFlags; the probe itself ignores
    // what CPUID says.
    (void)ReadFeatureFlags();
    return ProbeSse2() == kStatusIllegalInstruction ? 0u : 1u;
}

uint32_t HasDenormalsAreZero(const CpuDetail &detail) {
    if (detail.cpuidSupported == 0 || (detail.featureFlags & kFxsrFeatureBit) == 0 ||
        (detail.featureFlags & kSseOrSse2Bits) == 0) {
        return 0;
    }
    uint32_t mask = ReadMxcsrMask();
    if (mask == 0) {
        mask = kMxcsrDefaultMask;
    }
    return (mask & kDazMaskBit) != 0 ? 1u : 0u;
}

uint32_t ReadBrandString(char *buffer) {
    if (buffer == nullptr) {
        return 0;
    }
    if (ExecuteCpuid(0x80000000u).eax < 0x80000004u) {
        return 0;
    }
    char bytes[48];
    for (uint32_t i = 0; i < 3; ++i) {
        const CpuidRegs part = ExecuteCpuid(0x80000002u + i);
        const uint32_t words[4] = {part.eax, part.ebx, part.ecx, part.edx};
        std::memcpy(bytes + i * 16, words, sizeof words);
    }
    // Up to and including the first NUL; 48 bytes without one are cut to 47
    // and terminated so that the buffer is never overrun.
    const void *nul = std::memchr(bytes, 0, sizeof bytes);
    const size_t length = nul != nullptr ? static_cast<size_t>(static_cast<const char *>(nul) - bytes) : 47;
    std::memcpy(buffer, bytes, length);
    buffer[length] = '\0';
    return 1;
}

bool NotIntelMark() { return DetailState().notIntelMark; }

}  // namespace hs
