// Vendor classification of a CPUID vendor text.
#pragma once

#include <cstdint>

#include "api/text.h"

namespace hs {

// The vendor class (CCpuStates::Vendor) of a vendor text, compared without
// regard to case against the four known vendors in their fixed order.
uint32_t ClassifyVendorString(const Text &vendor);

}  // namespace hs
