// The processor routines over the host's real processor (the default
// machine has no simulated processor): CPUID through the real instruction.
#include <gtest/gtest.h>

#include <cstring>

#include "cpu/cpu_detail.h"
#include "cpu/cpu_info.h"
#include "cpu/detail_state.h"
#include "platform/platform.h"
#include "platform/sim/sim_machine.h"

namespace {

#if defined(__i386__) || defined(__x86_64__)
TEST(CpuHostProcessor, BothReadersAgreeOnTheRealProcessor) {
    hs::sim::LoadMachine(hs::sim::DefaultProfile());
    hs::CpuInfo info;
    ASSERT_EQ(info.InitCpuStates(), 1u);
    EXPECT_EQ(info.GetVendorString().size(), 12u) << info.GetVendorString();
    EXPECT_GE(info.GetCpuCount(), 1u);

    hs::ResetDetailState();
    hs::CpuDetail detail;
    std::memset(&detail, 0, sizeof detail);
    char brand[48] = {};
    detail.brandString = brand;
    EXPECT_EQ(hs::FillCpuDetail(0, &detail), 1u);  // no timing: duration 0
    EXPECT_EQ(detail.valid, 1u);
    EXPECT_EQ(detail.cpuidSupported, 1u);
    EXPECT_EQ(detail.family, info.m_cpuStates.GetFamily());
    EXPECT_EQ(detail.featureFlags, info.m_cpuStates.m_leaf1[3]);
    EXPECT_EQ(detail.hasTsc, 1u);  // every x86-64 processor has one
    EXPECT_EQ(int64_t{detail.speedKHz}, 0);
    const uint32_t expectedClass = info.GetVendorString() == "GenuineIntel"   ? 1u
                                   : info.GetVendorString() == "AuthenticAMD" ? 2u
                                                                              : 0u;
    EXPECT_EQ(detail.vendorClass, expectedClass);
    EXPECT_GE(detail.logicalCount, 1u);
    hs::ResetDetailState();
}
#else
TEST(CpuHostProcessor, BothReadersAgreeOnTheRealProcessor) {
    GTEST_SKIP() << "the host is not an x86 processor: no CPUID to read";
}
#endif

}  // namespace
