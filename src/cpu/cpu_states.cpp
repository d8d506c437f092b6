// CCpuStates: the record that the CPUID reading sequence fills.
#include "cpu/cpu_states.h"

#include "cpu/vendor.h"

namespace hs {

CCpuStates::CCpuStates() : m_leaf1{}, m_cacheA{}, m_cacheB{}, m_cpuidPresent(0) {}

CCpuStates::~CCpuStates() = default;

uint32_t CCpuStates::GetVendor() const { return ClassifyVendorString(m_vendor); }

uint32_t CCpuStates::GetFamily() const { return (m_leaf1[0] >> 8) & 0xFu; }

Text CCpuStates::GetVendorString() const { return m_vendor; }

Text CCpuStates::GetName() const { return m_name; }

void CCpuStates::SetVendor(const Text &vendor) { m_vendor = vendor; }

void CCpuStates::SetName(const Text &name) { m_name = name; }

}  // namespace hs
