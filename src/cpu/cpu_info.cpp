// CpuInfo: construction, the CPUID reading sequence and the plain readers.
#include "cpu/cpu_info.h"

#include <cstring>

#include "cpu/cpu_trace.h"

namespace hs {

CpuInfo::CpuInfo() : m_extendedFeatures(0), m_systemInfo{}, m_cachedSpeed(0) {
    GetSystemInfo(&m_systemInfo);
}

CpuInfo::~CpuInfo() = default;

uint32_t CpuInfo::DetermineCpuId() { return CanToggleIdFlag() ? 1u : 0u; }

uint32_t CpuInfo::DetermineHighestCpuId() {
    const CpuidRegs regs = ExecuteCpuid(0);
    if (regs.eax != 0) {
        char vendor[16] = {};
        std::memcpy(vendor + 0, &regs.ebx, 4);
        std::memcpy(vendor + 4, &regs.edx, 4);
        std::memcpy(vendor + 8, &regs.ecx, 4);
        m_cpuStates.SetVendor(Text(vendor));
    }
    return regs.eax;
}

void CpuInfo::ReadVersionAndFeatures() {
    const CpuidRegs regs = ExecuteCpuid(1);
    m_cpuStates.m_leaf1[0] = regs.eax;
    m_cpuStates.m_leaf1[1] = regs.ebx;
    m_cpuStates.m_leaf1[2] = regs.ecx;
    m_cpuStates.m_leaf1[3] = regs.edx;
}

void CpuInfo::ReadCacheDescriptors() {
    const CpuidRegs regs = ExecuteCpuid(2);
    // Only a single-iteration answer is kept; anything else reads as no
    // descriptors at all.
    if ((regs.eax & 0xFFu) == 1) {
        m_cpuStates.m_cacheA[0] = regs.eax;
        m_cpuStates.m_cacheA[1] = regs.ebx;
        m_cpuStates.m_cacheA[2] = regs.ecx;
        m_cpuStates.m_cacheA[3] = regs.edx;
    } else {
        std::memset(m_cpuStates.m_cacheA, 0, sizeof m_cpuStates.m_cacheA);
    }
}

uint32_t CpuInfo::GetLargestExtendedFeature() { return ExecuteCpuid(0x80000000u).eax; }

void CpuInfo::ReadExtendedFeatures() { m_extendedFeatures = ExecuteCpuid(AMD_EXTENDED_FEATURE).edx; }

void CpuInfo::ReadNameString() {
    char buffer[64] = {};
    const uint32_t leaves[3] = {0x80000002u, 0x80000003u, NAMESTRING_FEATURE};
    for (int i = 0; i < 3; ++i) {
        const CpuidRegs regs = ExecuteCpuid(leaves[i]);
        const uint32_t words[4] = {regs.eax, regs.ebx, regs.ecx, regs.edx};
        std::memcpy(buffer + i * 16, words, sizeof words);
    }
    // The 16 zero bytes after the 48 brand bytes always end the text.
    m_cpuStates.SetName(Text(buffer));
}

void CpuInfo::ReadL1CacheInfo() {
    const CpuidRegs regs = ExecuteCpuid(AMD_L1CACHE_FEATURE);
    m_cpuStates.m_cacheA[0] = regs.eax;
    m_cpuStates.m_cacheA[1] = regs.ebx;
    m_cpuStates.m_cacheA[2] = regs.ecx;
    m_cpuStates.m_cacheA[3] = regs.edx;
}

void CpuInfo::ReadL2CacheInfo() {
    const CpuidRegs regs = ExecuteCpuid(AMD_L2CACHE_FEATURE);
    m_cpuStates.m_cacheB[0] = regs.eax;
    m_cpuStates.m_cacheB[1] = regs.ebx;
    m_cpuStates.m_cacheB[2] = regs.ecx;
    m_cpuStates.m_cacheB[3] = regs.edx;
}

uint32_t CpuInfo::InitCpuStates() {
    CpuTrace("InitCpuStates...");
    if (DetermineCpuId() == 0) {
        CpuTrace("InitCpuStates...!DetermineCpuId()");
        return 0;
    }
    m_cpuStates.m_cpuidPresent = 1;

    const uint32_t dwHighestCpuId = DetermineHighestCpuId();
    if (dwHighestCpuId == 0) {
        CpuTrace("InitCpuStates...dwHighestCpuId = 0");
        return 0;
    }
    // Leaf 2 is read before leaf 1.
    if (dwHighestCpuId >= 2) {
        CpuTrace("InitCpuStates...dwHighestCpuId = 2");
        ReadCacheDescriptors();
    }
    CpuTrace("InitCpuStates...dwHighestCpuId = 1");
    ReadVersionAndFeatures();

    // The family/model naming reads the leaf-2 registers, so it runs before
    // leaf 0x80000005 can replace them.
    if (m_cpuStates.GetVendor() == CCpuStates::VENDOR_INTEL) {
        CpuTrace("InitCpuStates...m_cpuStates.GetVendor() == CCpuStates::VENDOR_INTEL");
        DetermineIntelName();
    }

    const uint32_t dwLargestExtendedFeature = GetLargestExtendedFeature();
    CpuTrace("InitCpuStates...dwLargestExtendedFeature = %d", static_cast<int>(dwLargestExtendedFeature));
    if (dwLargestExtendedFeature >= AMD_L2CACHE_FEATURE) {
        CpuTrace("InitCpuStates...dwLargestExtendedFeature >= AMD_L2CACHE_FEATURE");
        ReadL2CacheInfo();
    }
    if (dwLargestExtendedFeature >= AMD_L1CACHE_FEATURE) {
        CpuTrace("InitCpuStates...dwLargestExtendedFeature >= AMD_L1CACHE_FEATURE");
        ReadL1CacheInfo();
    }
    if (dwLargestExtendedFeature >= NAMESTRING_FEATURE) {
        CpuTrace("InitCpuStates...dwLargestExtendedFeature >= NAMESTRING_FEATURE");
        ReadNameString();
    }
    if (dwLargestExtendedFeature >= AMD_EXTENDED_FEATURE) {
        CpuTrace("InitCpuStates...dwLargestExtendedFeature >= AMD_EXTENDED_FEATURE");
        ReadExtendedFeatures();
    }
    CpuTrace("InitCpuStates...OK");
    return 1;
}

uint32_t CpuInfo::GetCpuCount() const { return static_cast<uint32_t>(m_systemInfo.dwNumberOfProcessors); }

Text CpuInfo::GetVendorString() const { return m_cpuStates.GetVendorString(); }

}  // namespace hs
