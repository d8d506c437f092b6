// CpuInfo over simulated processors: the CPUID reading sequence (vendor,
// name, register groups) and the clock speed with its fallbacks, on the
// virtual clock.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "cpu/cpu_info.h"
#include "cpu_machine_support.h"

namespace {

using namespace cputest;
using Regs = std::array<uint32_t, 4>;

Regs Of(const uint32_t (&r)[4]) { return {r[0], r[1], r[2], r[3]}; }

// Construction reads no CPUID but the processor count. What each processor
// gives is under tests/machines/cpuid/expected/ (cpu_golden_test.cpp).
TEST(CpuInitStates, ConstructionReadsOnlyTheProcessorCount) {
    UseLeaves(kIntelLeaf0Max2, "", SystemKey(4, 0xF, 0xF));
    hs::CpuInfo fresh;
    EXPECT_EQ(4u, fresh.GetCpuCount());
    EXPECT_EQ("", fresh.GetVendorString() + fresh.m_cpuStates.GetName());
    EXPECT_EQ(0u, fresh.m_cachedSpeed + fresh.m_extendedFeatures + fresh.m_cpuStates.m_cpuidPresent);
}

// A second run over another processor overwrites the same fields; what
// it does not read stays (the Athlon's group B).
TEST(CpuInitStates, SecondRunOverwritesWhatItReads) {
    UseProcessor("amd-athlon-1400-thunderbird");
    hs::CpuInfo info;
    EXPECT_EQ(1u, info.InitCpuStates());
    UseProcessor(kP4, SystemKey(2, 0x3, 0x3));
    EXPECT_EQ(1u, info.InitCpuStates());
    EXPECT_EQ("GenuineIntel", info.GetVendorString());
    EXPECT_EQ((Regs{0x665b5001, 0, 0, 0x007b7040}), Of(info.m_cpuStates.m_cacheA));
    EXPECT_EQ((Regs{0x00000000, 0x41004100, 0x01008140, 0x00000000}), Of(info.m_cpuStates.m_cacheB));
    EXPECT_EQ(0u, info.m_extendedFeatures);
}

// A processor object after the CPUID sequence on a freshly loaded machine.
struct Processor {
    Processor(const std::string &fragment, const std::string &extra) {
        UseProcessor(fragment, extra);
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
    UseProcessor(kP4, ProcessorValues(Dword("TscKHz", 2394000)));
    int64_t kHz = 5;
    EXPECT_TRUE(hs::MeasureTscFrequency(250, kHz));
    EXPECT_EQ(2399999, kHz);  // snapped and truncated, kept in kHz
    EXPECT_EQ(22u, ClockAdvanceDuring([&] { EXPECT_TRUE(hs::MeasureTscFrequency(20, kHz)); }));
    UseProcessor(kP4, ProcessorValues(Dword("TscKHz", 2394000)) + kTimerFails);
    kHz = 5;
    EXPECT_FALSE(hs::MeasureTscFrequency(1000, kHz));
    EXPECT_FALSE(hs::MeasureTscFrequency(0, kHz));
    EXPECT_EQ(5, kHz);
}

// The processor steps trace only in a build with HS_CPU_TRACE; the
// delivered build sends nothing.
std::string TraceOf(const std::function<void()> &action) {
    hs::sim::CaptureDebugOutput(true);
    hs::sim::TakeDebugOutput();
    action();
    std::string trace = hs::sim::TakeDebugOutput();
    hs::sim::CaptureDebugOutput(false);
    return trace;
}

#if defined(HARDSCAN_CPU_TRACE)
TEST(CpuTrace, MessagesMarkEachStepInOrder) {
    UseProcessor("intel-core-i5-2400-sandy-bridge", SystemKey(4, 0xF, 0xF));
    hs::CpuInfo info;
    EXPECT_EQ("InitCpuStates...InitCpuStates...dwHighestCpuId = 2InitCpuStates...dwHighestCpuId = 1"
              "InitCpuStates...m_cpuStates.GetVendor() == CCpuStates::VENDOR_INTEL"
              "DetermineHighestCpuId() = 13 <NAMESTRING_FEATURE,m_cpuStates.GetFamily() = 6"
              "InitCpuStates...dwLargestExtendedFeature = -2147483640"
              "InitCpuStates...dwLargestExtendedFeature >= AMD_L2CACHE_FEATURE"
              "InitCpuStates...dwLargestExtendedFeature >= AMD_L1CACHE_FEATURE"
              "InitCpuStates...dwLargestExtendedFeature >= NAMESTRING_FEATURE"
              "InitCpuStates...dwLargestExtendedFeature >= AMD_EXTENDED_FEATURE"
              "InitCpuStates...OK",
              TraceOf([&] { EXPECT_EQ(1u, info.InitCpuStates()); }));
    UseLeaves(kIntelLeaf0Max2, Dword("CpuidSupported", 0));
    hs::CpuInfo none;
    EXPECT_EQ("InitCpuStates...InitCpuStates...!DetermineCpuId()", TraceOf([&] { none.InitCpuStates(); }));
    const struct {
        unsigned tscKHz;
        const char *extra, *trace;
    } speeds[] = {
        {2800000, "", "dwSpeed1 = 2800"},
        {0, kRegistryMHz, "dwSpeed1 = 0dwSpeed2 = 799"},
        {0, "", "dwSpeed1 = 0dwSpeed2 = 0dwSpeed3 = 0CpuInfo::GetCpuSpeed is UnKnown!"},
    };
    for (const auto &s : speeds) {
        Processor p(kP4, ProcessorValues(Dword("TscKHz", s.tscKHz)) + s.extra);
        EXPECT_EQ(s.trace, TraceOf([&] { p.info.GetCpuSpeed(); }));
    }
    Processor cached(kP4, ProcessorValues(Dword("TscKHz", 2800000)));
    cached.info.GetCpuSpeed();
    EXPECT_EQ("", TraceOf([&] { cached.info.GetCpuSpeed(); }));
    Processor ineligible("cyrix-mediagxm-233", ProcessorValues(Dword("TscKHz", 233000)));
    EXPECT_EQ("", TraceOf([&] { ineligible.info.GetCpuSpeed(); }));
}
#else
TEST(CpuTrace, DeliveredBuildSendsNothingToTheDebugger) {
    UseProcessor("intel-core-i5-2400-sandy-bridge", SystemKey(4, 0xF, 0xF));
    hs::CpuInfo info;
    EXPECT_EQ("", TraceOf([&] {
                  EXPECT_EQ(1u, info.InitCpuStates());
                  EXPECT_EQ(0u, info.GetCpuSpeed());  // virtual counter at rest, no registry value
              }));
}
#endif

}  // namespace
