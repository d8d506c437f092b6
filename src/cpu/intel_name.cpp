// Naming of Intel processors from the family/model tables.
#include "cpu/intel_name.h"

#include "cpu/cpu_info.h"
#include "cpu/cpu_trace.h"

namespace hs {

namespace {

const char *Family4Name(uint32_t model) {
    switch (model) {
        case 0:
        case 1:
            return "Intel486(TM) DX processor";
        case 2:
            return "Intel486(TM) SX processor";
        case 3:
            return "IntelDX2(TM) processor";
        case 4:
            return "Intel486(TM) processor";
        case 5:
            return "IntelSX2(TM) processor";
        case 7:
            return "Writeback Enhanced IntelDX2(TM) processor";
        case 8:
            return "IntelDX4(TM) processor";
        default:
            return "Intel 486 processor";
    }
}

const char *BrandIdName(uint32_t brandId) {
    switch (brandId) {
        case 1:
            return "Genuine Intel Celeron(TM) processor";
        case 2:
            return "Genuine Intel Pentium(R) III processor";
        case 3:
            return "Genuine Intel Pentium(R) III Xeon(TM) processor";
        case 8:
            return "Genuine Intel Pentium(R) 4 processor";
        default:
            return "Unknown Genuine Intel processor";
    }
}

// Family 6 models 5 and 7 share one cache rule; the model test looks at the
// whole model nibble of the signature.
const char *CacheRuleName(uint32_t signature, bool noL2, bool largeL2) {
    const bool model5 = (signature & 0xF0u) == 0x50u;
    if (noL2) {
        return "Intel Celeron(TM) processor, model 5";
    }
    if (largeL2) {
        return model5 ? "Intel Pentium(R) II Xeon(TM) processor" : "Intel Pentium(R) III Xeon(TM) processor";
    }
    return model5 ? "Intel Pentium(R) II processor, model 5" : "Intel Pentium(R) III processor";
}

const char *Family6Name(uint32_t signature, uint32_t brandId, bool noL2, bool largeL2) {
    switch ((signature >> 4) & 0xFu) {
        case 1:
            return "Intel Pentium(R) Pro processor";
        case 3:
            return "Intel Pentium(R) II processor, model 3";
        case 5:
        case 7:
            return CacheRuleName(signature, noL2, largeL2);
        case 6:
            return "Intel Celeron(TM) processor, model 6";
        case 8:
            return "Intel Pentium(R) III Coppermine processor";
        default:
            return BrandIdName(brandId);
    }
}

}  // namespace

void ScanCacheDescriptorBytes(uint32_t reg, uint8_t &noL2, uint8_t &largeL2, bool isFirstRegister) {
    const int lowestShift = isFirstRegister ? 8 : 0;
    for (int shift = 24; shift >= lowestShift; shift -= 8) {
        const uint32_t descriptor = (reg >> shift) & 0xFFu;
        if (descriptor == 0x40u) {
            noL2 = 1;
        } else if (descriptor == 0x44u || descriptor == 0x45u) {
            largeL2 = 1;
        }
    }
}

const char *IntelFamilyModelName(uint32_t signature, uint32_t brandId, bool noL2, bool largeL2) {
    switch ((signature >> 8) & 0xFu) {
        case 4:
            return Family4Name((signature >> 4) & 0xFu);
        case 5:
            return "Intel Pentium(R) processor";
        case 6:
            return Family6Name(signature, brandId, noL2, largeL2);
        default:
            return nullptr;
    }
}

void CpuInfo::ClassifyCacheDescriptors(uint32_t reg, uint8_t &noL2, uint8_t &largeL2, bool isFirstRegister) {
    ScanCacheDescriptorBytes(reg, noL2, largeL2, isFirstRegister);
}

void CpuInfo::DetermineIntelName() {
    if (DetermineHighestCpuId() >= NAMESTRING_FEATURE) {
        CpuTrace("DetermineHighestCpuId()>=NAMESTRING_FEATURE");
        return;
    }
    CpuTrace("DetermineHighestCpuId() = %d <NAMESTRING_FEATURE,m_cpuStates.GetFamily() = %d",
             static_cast<int>(DetermineHighestCpuId()), static_cast<int>(m_cpuStates.GetFamily()));

    const uint32_t signature = m_cpuStates.m_leaf1[0];
    uint8_t noL2 = 0;
    uint8_t largeL2 = 0;
    const uint32_t model = (signature >> 4) & 0xFu;
    if (m_cpuStates.GetFamily() == 6 && (model == 5 || model == 7)) {
        ClassifyCacheDescriptors(m_cpuStates.m_cacheA[0], noL2, largeL2, true);
        ClassifyCacheDescriptors(m_cpuStates.m_cacheA[1], noL2, largeL2, false);
        ClassifyCacheDescriptors(m_cpuStates.m_cacheA[2], noL2, largeL2, false);
        ClassifyCacheDescriptors(m_cpuStates.m_cacheA[3], noL2, largeL2, false);
    }
    const char *name = IntelFamilyModelName(signature, m_cpuStates.m_leaf1[1] & 0xFFu, noL2 != 0, largeL2 != 0);
    if (name != nullptr) {
        m_cpuStates.SetName(Text(name));
    }
    if ((m_cpuStates.m_leaf1[3] & kMmxFeatureBit) != 0) {
        m_cpuStates.SetName(m_cpuStates.GetName() + kMmxSuffix);
    }
}

}  // namespace hs
