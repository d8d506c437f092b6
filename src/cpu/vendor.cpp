// Vendor classification of a CPUID vendor text.
#include "cpu/vendor.h"

#include "cpu/cpu_states.h"
#include "platform/platform.h"

namespace hs {

namespace {

struct KnownVendor {
    const char *text;
    uint32_t vendorClass;
};

// Searched in this order; the first match wins.
const KnownVendor kKnownVendors[] = {
    {"GenuineIntel", CCpuStates::VENDOR_INTEL},
    {"AuthenticAMD", CCpuStates::VENDOR_AMD},
    {"CyrixInstead", CCpuStates::VENDOR_CYRIX},
    {"CentaurHauls", CCpuStates::VENDOR_CENTAUR},
};

}  // namespace

uint32_t ClassifyVendorString(const Text &vendor) {
    const auto *text = reinterpret_cast<const unsigned char *>(vendor.c_str());
    for (const KnownVendor &known : kKnownVendors) {
        if (_mbsicmp(text, reinterpret_cast<const unsigned char *>(known.text)) == 0) {
            return known.vendorClass;
        }
    }
    return CCpuStates::VENDOR_UNKNOWN;
}

}  // namespace hs
