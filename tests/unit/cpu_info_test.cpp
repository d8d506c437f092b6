// CpuInfo over simulated processors: the CPUID reading sequence (vendor,
// name, register groups) and the clock speed with its fallbacks, on the
// virtual clock.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "cpu/cpu_info.h"
#include "test_support.h"

namespace {

using namespace hstest;
using Regs = std::array<uint32_t, 4>;

Regs Of(const uint32_t (&r)[4]) { return {r[0], r[1], r[2], r[3]}; }

// Construction reads no CPUID but the processor count. What each processor
// gives is under tests/machines/cpuid/expected/ (cpu_golden_test.cpp).
TEST(CpuInitStates, ConstructionReadsOnlyTheProcessorCount) {
    UseMachine(LeavesMachine(kIntelLeaf0Max2, "", SystemKey(4, 0xF, 0xF)));
    hs::CpuInfo fresh;
    EXPECT_EQ(4u, fresh.GetCpuCount());
    EXPECT_EQ("", fresh.GetVendorString() + fresh.m_cpuStates.GetName());
    EXPECT_EQ(0u, fresh.m_cachedSpeed + fresh.m_extendedFeatures + fresh.m_cpuStates.m_cpuidPresent);
}

// A second run over another processor overwrites the same fields; what
// it does not read stays (the Athlon's group B).
TEST(CpuInitStates, SecondRunOverwritesWhatItReads) {
    UseMachine(ProcessorMachine("amd-athlon-1400-thunderbird"));
    hs::CpuInfo info;
    EXPECT_EQ(1u, info.InitCpuStates());
    UseMachine(ProcessorMachine(kP4, SystemKey(2, 0x3, 0x3)));
    EXPECT_EQ(1u, info.InitCpuStates());
    EXPECT_EQ("GenuineIntel", info.GetVendorString());
    EXPECT_EQ((Regs{0x665b5001, 0, 0, 0x007b7040}), Of(info.m_cpuStates.m_cacheA));
    EXPECT_EQ((Regs{0x00000000, 0x41004100, 0x01008140, 0x00000000}), Of(info.m_cpuStates.m_cacheB));
    EXPECT_EQ(0u, info.m_extendedFeatures);
}

// A processor object after the CPUID sequence on a freshly loaded machine.
struct Processor {
    Processor(const std::string &fragment, const std::string &extra) {
        UseMachine(ProcessorMachine(fragment, extra));
        EXPECT_EQ(1u, info.InitCpuStates());
    }
    hs::CpuInfo info;
};

// Milliseconds that pass on the virtual clock between two reads (each read
// itself advances it by one).
DWORD ClockAdvanceDuring(const std::function<void()> &action) {
    const DWORD before = timeGetTime();
    action();
    return timeGetTime() - before;
}

TEST(CpuSpeed, EachMethodAndItsClock) {
    // The whole speed, its clock, the cache and the priority class are in the
    // processor dumps (cpu_golden_test.cpp); here each method on its own.
    const std::string fast = ProcessorValues(Dword("TscKHz", 2800000));
    // t1, t2, one more read to reach a difference of 2, then 501 reads.
    Processor shortRun(kP4, ProcessorValues(Dword("TscKHz", 1000000)));
    EXPECT_EQ(505u, ClockAdvanceDuring([&] { EXPECT_EQ(1002u, shortRun.info.MeasureShortTscSpeed()); }));
    // 501 x 9000000 = 4509000000, modulo 2^32 = 214032704.
    EXPECT_EQ(428u, Processor(kP4, ProcessorValues(Dword("TscKHz", 9000000))).info.MeasureShortTscSpeed());
    Processor stopped(kP4, ProcessorValues(Dword("TscKHz", 0)) + kRegistryMHz);
    EXPECT_EQ(0u, stopped.info.MeasureTscSpeed());
    EXPECT_EQ(799u, stopped.info.ReadRegistrySpeed());
    EXPECT_EQ(0u, Processor(kP4, fast + kRegistryMHz + kTimerFails).info.MeasureTscSpeed());
    EXPECT_EQ(0u, Processor(kP4, fast + "[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\n"
                                        "\"Identifier\"=\"x86 Family 15 Model 2 Stepping 9\"\n")
                      .info.ReadRegistrySpeed());
}

TEST(CpuSpeed, TscFrequencyForTheDetailRecord) {
    UseMachine(ProcessorMachine(kP4, ProcessorValues(Dword("TscKHz", 2394000))));
    int64_t kHz = 5;
    EXPECT_TRUE(hs::MeasureTscFrequency(250, kHz));
    EXPECT_EQ(2399999, kHz);  // snapped and truncated, kept in kHz
    EXPECT_EQ(22u, ClockAdvanceDuring([&] { EXPECT_TRUE(hs::MeasureTscFrequency(20, kHz)); }));
    UseMachine(ProcessorMachine(kP4, ProcessorValues(Dword("TscKHz", 2394000)) + kTimerFails));
    kHz = 5;
    EXPECT_FALSE(hs::MeasureTscFrequency(1000, kHz));
    EXPECT_FALSE(hs::MeasureTscFrequency(0, kHz));
    EXPECT_EQ(5, kHz);
}

// The delivered build sends nothing of the processor steps to the debugger
// (only a diagnostic build with HS_CPU_TRACE, which no preset makes, does).
TEST(CpuTrace, DeliveredBuildSendsNothingToTheDebugger) {
#if defined(HARDSCAN_CPU_TRACE)
    GTEST_SKIP() << "this diagnostic build sends the processor trace";
#endif
    UseMachine(ProcessorMachine("intel-core-i5-2400-sandy-bridge", SystemKey(4, 0xF, 0xF)));
    hs::sim::CaptureDebugOutput(true);
    hs::sim::TakeDebugOutput();
    hs::CpuInfo info;
    EXPECT_EQ(1u, info.InitCpuStates());
    EXPECT_EQ(0u, info.GetCpuSpeed());  // virtual counter at rest, no registry value
    EXPECT_EQ("", hs::sim::TakeDebugOutput());
    hs::sim::CaptureDebugOutput(false);
}

}  // namespace
