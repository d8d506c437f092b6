// CCpuStates: what the CPUID reading sequence learned about the processor.
#pragma once

#include <cstdint>

#include "api/text.h"

namespace hs {

class CCpuStates {
public:
    enum Vendor : uint32_t {
        VENDOR_UNKNOWN = 0,
        VENDOR_INTEL = 1,
        VENDOR_AMD = 2,
        VENDOR_CYRIX = 3,
        VENDOR_CENTAUR = 4,
    };

    CCpuStates();
    virtual ~CCpuStates();

    uint32_t GetVendor() const;
    uint32_t GetFamily() const;
    Text GetVendorString() const;
    Text GetName() const;
    void SetVendor(const Text &vendor);
    void SetName(const Text &name);

    // Fields in their fixed order.
    Text m_vendor;
    uint32_t m_leaf1[4];       // CPUID 1: EAX, EBX, ECX, EDX
    uint32_t m_cacheA[4];      // CPUID 2, later replaced by 0x80000005
    uint32_t m_cacheB[4];      // CPUID 0x80000006
    uint8_t m_cpuidPresent;    // set once CPUID is known to exist
    Text m_name;
};

}  // namespace hs
