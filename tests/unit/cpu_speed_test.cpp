// The clock speed of CpuInfo over simulated processors with a virtual clock.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "cpu/cpu_info.h"
#include "cpu_machine_support.h"
#include "platform/sim/sim_machine.h"

namespace {

using cputest::Dword;
using cputest::ProcessorValues;
using cputest::UseLeaves;
using cputest::UseProcessor;

const char kRegistryMHz[] =
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\n"
    "\"~MHz\"=dword:0000031f\n";  // 799
const char kTimerFails[] = "[HKEY_SIMULATION\\Timer]\n\"DevCapsFails\"=dword:00000001\n";

// A processor object after the CPUID sequence on the loaded machine.
struct Processor {
    Processor() { EXPECT_EQ(info.InitCpuStates(), 1u); }
    hs::CpuInfo info;
};

// Milliseconds that pass on the virtual clock between two reads (each read
// itself advances it by one).
DWORD ClockAdvanceDuring(const std::function<void()> &action) {
    const DWORD before = timeGetTime();
    action();
    return timeGetTime() - before;
}

TEST(CpuSpeed, ReportedMegahertzByProcessorAndFallback) {
    struct Case {
        const char *what, *fragment;
        unsigned tscKHz;
        std::string extra;
        uint32_t mhz;
    };
    const std::string p4 = "intel-pentium-4-2800-northwood-ht";
    const Case cases[] = {
        {"just below 2400 MHz", p4.c_str(), 2394000, "", 2399},
        {"just above 2400 MHz", p4.c_str(), 2406000, "", 2400},
        {"AMD family 6 is measured", "amd-athlon-1400-thunderbird", 1400000, "", 1400},
        {"Intel family 5 is measured", "intel-pentium-mmx-mobile-tillamook", 233000, "", 250},
        {"stopped counter: registry value", p4.c_str(), 0, kRegistryMHz, 799},
        {"unavailable timer: registry value", p4.c_str(), 2800000, std::string(kRegistryMHz) + kTimerFails, 799},
        // At least 501 ms counted, divided by 500000: 501 x 2394000 / 500000.
        {"no registry value: short measurement", p4.c_str(), 2394000, kTimerFails, 2398},
    };
    for (const Case &c : cases) {
        UseProcessor(c.fragment, ProcessorValues(Dword("TscKHz", c.tscKHz)) + c.extra);
        Processor p;
        EXPECT_EQ(p.info.GetCpuSpeed(), c.mhz) << c.what;
        EXPECT_EQ(p.info.m_cachedSpeed, c.mhz) << c.what;
    }
}

TEST(CpuSpeed, FirstMethodCountsOverOneSecondOfTheClock) {
    UseProcessor("intel-pentium-4-2800-northwood-ht", ProcessorValues(Dword("TscKHz", 2800000)));
    Processor p;
    // t0, then 1000 more reads until the difference reaches 1000.
    EXPECT_EQ(ClockAdvanceDuring([&] { EXPECT_EQ(p.info.MeasureTscSpeed(), 2800u); }), 1002u);
}

TEST(CpuSpeed, CachedValueIsReturnedWithoutMeasuring) {
    UseProcessor("intel-pentium-4-2800-northwood-ht",
                 ProcessorValues(Dword("TscKHz", 733000)) + "[HKEY_SIMULATION\\System]\n" +
                     Dword("PriorityClass", 0x40));
    Processor p;
    ASSERT_EQ(GetPriorityClass(GetCurrentProcess()), 0x40u);
    EXPECT_EQ(p.info.GetCpuSpeed(), 733u);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), 0x40u);  // restored after measuring
    EXPECT_EQ(ClockAdvanceDuring([&] { EXPECT_EQ(p.info.GetCpuSpeed(), 733u); }), 1u);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), 0x40u);
}

TEST(CpuSpeed, EachMethodAlone) {
    UseProcessor("intel-pentium-4-2800-northwood-ht", ProcessorValues(Dword("TscKHz", 0)) + kRegistryMHz);
    Processor stopped;
    EXPECT_EQ(stopped.info.MeasureTscSpeed(), 0u);
    EXPECT_EQ(stopped.info.ReadRegistrySpeed(), 799u);
    UseProcessor("intel-pentium-4-2800-northwood-ht",
                 ProcessorValues(Dword("TscKHz", 2800000)) + kRegistryMHz + kTimerFails);
    Processor noTimer;
    EXPECT_EQ(noTimer.info.MeasureTscSpeed(), 0u);
    UseProcessor("intel-pentium-4-2800-northwood-ht", ProcessorValues(Dword("TscKHz", 2394000)) + kTimerFails);
    Processor noValue;
    EXPECT_EQ(noValue.info.ReadRegistrySpeed(), 0u);
    // 501 x 9000000 = 4509000000, modulo 2^32 = 214032704.
    UseProcessor("intel-pentium-4-2800-northwood-ht", ProcessorValues(Dword("TscKHz", 9000000)));
    Processor fast;
    EXPECT_EQ(fast.info.MeasureShortTscSpeed(), 428u);
    UseProcessor("intel-pentium-4-2800-northwood-ht",
                 ProcessorValues(Dword("TscKHz", 0)) +
                     "[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\n"
                     "\"Identifier\"=\"x86 Family 15 Model 2 Stepping 9\"\n");
    Processor keyWithoutValue;
    EXPECT_EQ(keyWithoutValue.info.ReadRegistrySpeed(), 0u);
}

TEST(CpuSpeed, ShortMeasurementWaitsPastFiveHundredMilliseconds) {
    UseProcessor("intel-pentium-4-2800-northwood-ht", ProcessorValues(Dword("TscKHz", 1000000)));
    Processor p;
    // t1, t2, one more read to reach a difference of 2, then 501 reads.
    EXPECT_EQ(ClockAdvanceDuring([&] { EXPECT_EQ(p.info.MeasureShortTscSpeed(), 1002u); }), 505u);
}

TEST(CpuSpeed, AllMethodsFailingAnswersZeroAndCachesNothing) {
    UseProcessor("intel-pentium-4-2800-northwood-ht", ProcessorValues(Dword("TscKHz", 0)));
    Processor p;
    EXPECT_EQ(p.info.GetCpuSpeed(), 0u);
    EXPECT_EQ(p.info.m_cachedSpeed, 0u);
    // The next call measures again, now on a running counter.
    UseProcessor("intel-pentium-4-2800-northwood-ht", ProcessorValues(Dword("TscKHz", 2800000)));
    EXPECT_EQ(p.info.GetCpuSpeed(), 2800u);
}

TEST(CpuSpeed, IneligibleProcessorsAnswerZeroWithoutMeasuring) {
    const std::string cyrix = "cyrix-mediagxm-233";
    UseProcessor(cyrix, ProcessorValues(Dword("TscKHz", 233000)) + kRegistryMHz + "[HKEY_SIMULATION\\System]\n" +
                            Dword("PriorityClass", 0x40));
    {
        Processor p;
        EXPECT_EQ(ClockAdvanceDuring([&] { EXPECT_EQ(p.info.GetCpuSpeed(), 0u); }), 1u);
        EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), 0x40u);
    }
    // AMD family 5 and Intel family 4 are not measured either.
    const char *leaves[] = {
        "\"00000000\"=\"00000001 68747541 444d4163 69746e65\"\n\"00000001\"=\"00000580 00000000 00000000 008001bf\"\n",
        "\"00000000\"=\"00000001 756e6547 6c65746e 49656e69\"\n\"00000001\"=\"00000480 00000000 00000000 00000010\"\n",
        "\"00000000\"=\"00000001 746e6543 736c7561 48727561\"\n\"00000001\"=\"00000691 00000000 00000000 0380b135\"\n",
    };
    for (const char *leafText : leaves) {
        UseLeaves(leafText, Dword("TscKHz", 1000000), kRegistryMHz);
        Processor p;
        EXPECT_EQ(ClockAdvanceDuring([&] { EXPECT_EQ(p.info.GetCpuSpeed(), 0u); }), 1u) << leafText;
    }
}

TEST(CpuSpeed, TscFrequencyForTheDetailRecord) {
    UseProcessor("intel-pentium-4-2800-northwood-ht", ProcessorValues(Dword("TscKHz", 2394000)));
    int64_t kHz = 5;
    EXPECT_TRUE(hs::MeasureTscFrequency(250, kHz));
    EXPECT_EQ(kHz, 2399999);  // snapped and truncated, kept in kHz
    EXPECT_EQ(ClockAdvanceDuring([&] { EXPECT_TRUE(hs::MeasureTscFrequency(20, kHz)); }), 22u);
    EXPECT_EQ(kHz, 2399999);

    UseProcessor("intel-pentium-4-2800-northwood-ht", ProcessorValues(Dword("TscKHz", 2394000)) + kTimerFails);
    kHz = 5;
    EXPECT_FALSE(hs::MeasureTscFrequency(1000, kHz));
    EXPECT_EQ(kHz, 5);
    EXPECT_FALSE(hs::MeasureTscFrequency(0, kHz));
    EXPECT_EQ(kHz, 5);
}

#if defined(HARDSCAN_CPU_TRACE)
std::string TraceOf(hs::CpuInfo &info, uint32_t expectedMHz) {
    hs::sim::CaptureDebugOutput(true);
    hs::sim::TakeDebugOutput();
    EXPECT_EQ(info.GetCpuSpeed(), expectedMHz);
    std::string trace = hs::sim::TakeDebugOutput();
    hs::sim::CaptureDebugOutput(false);
    return trace;
}

TEST(CpuSpeedTrace, EachMethodTriedIsTraced) {
    UseProcessor("intel-pentium-4-2800-northwood-ht", ProcessorValues(Dword("TscKHz", 2800000)));
    Processor measured;
    EXPECT_EQ(TraceOf(measured.info, 2800), "dwSpeed1 = 2800");
    EXPECT_EQ(TraceOf(measured.info, 2800), "");  // cached

    UseProcessor("intel-pentium-4-2800-northwood-ht", ProcessorValues(Dword("TscKHz", 0)) + kRegistryMHz);
    Processor fromRegistry;
    EXPECT_EQ(TraceOf(fromRegistry.info, 799), "dwSpeed1 = 0dwSpeed2 = 799");

    UseProcessor("intel-pentium-4-2800-northwood-ht", ProcessorValues(Dword("TscKHz", 0)));
    Processor unknown;
    EXPECT_EQ(TraceOf(unknown.info, 0), "dwSpeed1 = 0dwSpeed2 = 0dwSpeed3 = 0CpuInfo::GetCpuSpeed is UnKnown!");

    UseProcessor("cyrix-mediagxm-233", ProcessorValues(Dword("TscKHz", 233000)));
    Processor ineligible;
    EXPECT_EQ(TraceOf(ineligible.info, 0), "");
}
#endif

}  // namespace
