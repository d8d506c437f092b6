// The processor code where the dumps of cpu_golden_test.cpp cannot show it.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cpu/cpu_detail.h"
#include "cpu/cpu_info.h"
#include "cpu/detail_state.h"
#include "cpu/ht_detect.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

using namespace hstest;
using Regs = std::array<uint32_t, 4>;

Regs Of(const uint32_t (&r)[4]) { return {r[0], r[1], r[2], r[3]}; }

// Construction reads no CPUID but the processor count.
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

// The record with real tables is in the processor dumps. Its members are read
// by value: it is packed to 4 bytes, so its pointers may sit misaligned.
TEST(CpuDetailRecord, NullRecordAndNullTables) {
    hs::ResetDetailState();
    UseMachine(ProcessorMachine(kP4, SystemKey(2, 0x3, 0x3)));
    EXPECT_EQ(hs::FillCpuDetail(1000, nullptr), 0u);
    EXPECT_EQ(hs::DetailState().working.valid, 0u);
    hs::CpuDetail detail{};
    detail.packageCapacity = 8;
    EXPECT_EQ(hs::FillCpuDetail(0, &detail), 1u);
    EXPECT_EQ(static_cast<const void *>(detail.packageTable), nullptr);
    EXPECT_EQ(static_cast<const void *>(detail.cacheTable), nullptr);
    EXPECT_EQ(static_cast<const void *>(detail.brandString), nullptr);
    EXPECT_EQ(detail.packageCapacity, 0u);  // taken only together with a table
    EXPECT_EQ(detail.packageCount, 1u);
    EXPECT_EQ(detail.logicalCount, 2u);
    EXPECT_EQ(detail.htStatus, static_cast<uint32_t>(hs::HT_ENABLED_AVAILABLE));
    hs::ResetDetailState();
}

using Apics = std::map<uint32_t, uint32_t>;

// Processors by affinity bit: bit -> APIC ID; bits not listed refuse the pin.
class FakePinner : public hs::ProcessorPinner {
public:
    explicit FakePinner(std::map<uint32_t, uint32_t> apicByBit) : m_apicByBit(std::move(apicByBit)) {}
    bool PinTo(uint32_t mask) override {
        ++m_tries;
        if (m_apicByBit.count(mask) == 0) {
            return false;
        }
        m_current = mask;
        return true;
    }
    void GiveUpTimeSlice() override { ++m_yields; }
    uint32_t ReadApicId() override { return m_apicByBit.at(m_current); }

    uint32_t m_tries = 0, m_yields = 0;

private:
    std::map<uint32_t, uint32_t> m_apicByBit;
    uint32_t m_current = 0;
};

hs::CpuDetail Detail(uint32_t logicalPerPackage, hs::CpuPackageEntry *table, uint32_t capacity) {
    hs::CpuDetail detail;
    std::memset(&detail, 0, sizeof detail);
    detail.logicalPerPackage = logicalPerPackage;
    detail.packageTable = table;
    detail.packageCapacity = capacity;
    return detail;
}

// Family 15 takes the whole byte of leaf 1's EBX; the family 6 and other
// vendors' answer of one, and the two of hyper-threading, are in the dumps.
TEST(CpuLogicalPerPackage, GenuineIntelFamily15TakesTheWholeByte) {
    hs::CpuDetail detail = Detail(0, nullptr, 0);
    detail.family = 15;
    for (uint32_t count : {0u, 255u}) {
        detail.leaf1Ebx = count << 16 | 0x0809u;
        EXPECT_EQ(hs::GetLogicalPerPackage(detail), count);
    }
}

// Each pass pins every bit up to the process mask (a refused bit is skipped
// without a yield) and ends after the highest bit.
TEST(CpuPackageWalk, PackagesCountsAndMasks) {
    struct Case {
        const char *what;
        uint32_t logicalPerPackage, capacity;
        Apics apics;
        uint64_t processMask;
        uint32_t result, packages, logical, firstMask, otherMask, tries, yields;
        std::vector<hs::CpuPackageEntry> entries;  // expected table (capacity 8 unless smaller)
    };
    // One processor, two with hyper-threading on and off: the processor dumps
    // (cpu_golden_test.cpp) show them through the simulated pinning.
    const Case cases[] = {
        {"surplus packages counted without entries", 2, 1, {{0x1, 0}, {0x2, 1}, {0x4, 2}, {0x8, 3}}, 0xF, 1, 2,
         4, 0x5, 0xA, 8, 8, {{0, 0x1, 0x2}, {0, 0, 0}}},
        {"no table", 2, 0, {{0x1, 0}, {0x2, 1}, {0x4, 2}, {0x8, 3}}, 0xF, 1, 2, 4, 0x5, 0xA, 8, 8, {}},
        // The package mask covers the whole ID: every logical ID is 0.
        {"zero logical per package", 0, 8, {{0x1, 0}, {0x2, 1}}, 0x3, 0, 0, 2, 0x0, 0x3, 4, 4, {{0, 0, 0}}},
        // APIC IDs 0, 1, 4, 5: two packages, two logical each.
        {"four logical per package", 4, 8, {{0x1, 0}, {0x2, 1}, {0x4, 4}, {0x8, 5}}, 0xF, 1, 2, 4, 0x5, 0xA, 8, 8,
         {{0, 0x1, 0x2}, {1, 0x4, 0x8}}},
        {"a refused bit", 1, 8, {{0x1, 0}, {0x4, 4}}, 0x5, 0, 2, 2, 0x5, 0, 6, 4, {{0, 0x1, 0}, {4, 0x4, 0}}},
        {"the highest bit", 1, 0, {{0x80000000u, 0}}, 0xFFFFFFFFFull, 0, 1, 1, 0x80000000u, 0, 64, 2, {}},
    };
    for (const Case &c : cases) {
        hs::CpuPackageEntry table[8] = {};
        hs::CpuDetail detail = Detail(c.logicalPerPackage, c.capacity ? table : nullptr, c.capacity);
        FakePinner pinner(c.apics);
        EXPECT_EQ(hs::WalkLogicalProcessors(detail, c.processMask, pinner), c.result) << c.what;
        EXPECT_EQ(detail.packageCount, c.packages) << c.what;
        EXPECT_EQ(detail.logicalCount, c.logical) << c.what;
        EXPECT_EQ(detail.firstLogicalMask, c.firstMask) << c.what;
        EXPECT_EQ(detail.otherLogicalMask, c.otherMask) << c.what;
        EXPECT_EQ(pinner.m_tries, c.tries) << c.what;
        EXPECT_EQ(pinner.m_yields, c.yields) << c.what;
        for (size_t i = 0; i < c.entries.size(); ++i) {
            EXPECT_EQ(table[i].packageId, c.entries[i].packageId) << c.what << " entry " << i;
            EXPECT_EQ(table[i].firstAffinityBit, c.entries[i].firstAffinityBit) << c.what << " entry " << i;
            EXPECT_EQ(table[i].siblingAffinityMask, c.entries[i].siblingAffinityMask) << c.what << " entry " << i;
        }
    }
}

}  // namespace
