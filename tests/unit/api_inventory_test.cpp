// The collector: the version test that decides whether the processor detail
// record is filled at load, what construction leaves behind, and the display
// name taken from the detail record.
#include <gtest/gtest.h>

#include <cstring>

#include "api/inventory.h"
#include "test_support.h"

using hs::CInventory;
using hstest::UseMachine;
using hstest::VersionKey;

namespace {

// A Pentium 4 whose brand string begins with a run of spaces.
const char kPentium4[] =
    "[HKEY_SIMULATION\\Processor]\n\"TscKHz\"=dword:002ab980\n"
    "[HKEY_SIMULATION\\Processor\\Leaves]\n"
    "\"00000000\"=\"00000002 756e6547 6c65746e 49656e69\"\n"
    "\"00000001\"=\"00000f29 00020809 00004400 bfebfbff\"\n"
    "\"00000002\"=\"665b5001 00000000 00000000 007b7040\"\n"
    "\"80000000\"=\"80000004 00000000 00000000 00000000\"\n"
    "\"80000002\"=\"20202020 20202020 20202020 6e492020\"\n"
    "\"80000003\"=\"286c6574 50202952 69746e65 52286d75\"\n"
    "\"80000004\"=\"20342029 20555043 30382e32 007a4847\"\n";

// A processor whose brand string holds spaces only.
const char kSpacesOnly[] =
    "[HKEY_SIMULATION\\Processor]\n\"TscKHz\"=dword:002ab980\n"
    "[HKEY_SIMULATION\\Processor\\Leaves]\n"
    "\"00000000\"=\"00000001 756e6547 6c65746e 49656e69\"\n"
    "\"00000001\"=\"00000f29 00000000 00000000 00000010\"\n"
    "\"80000000\"=\"80000004 00000000 00000000 00000000\"\n"
    "\"80000002\"=\"20202020 20202020 20202020 20202020\"\n"
    "\"80000003\"=\"20202020 20202020 20202020 20202020\"\n"
    "\"80000004\"=\"20202020 20202020 20202020 00202020\"\n";

struct VersionRow {
    unsigned major, minor, platform;
    const char *csd;
    int expected;
};

}  // namespace

TEST(ApiInventory, DetailRecordVersionTestFollowsItsTable) {
    const VersionRow rows[] = {
        {3, 95, 1, "", 1},    // 9x, major other than 4
        {4, 0, 1, " C", 0},   // Windows 95 (any service level)
        {4, 10, 1, " A", 1},  // Windows 98 second edition
        {4, 10, 1, "", 0},    // Windows 98
        {4, 10, 1, "A ", 0},  // the 'A' must be the second character
        {4, 90, 1, "", 1},    // Windows Me
        {5, 0, 2, "", 1},     // Windows 2000
        {4, 0, 2, "Service Pack 6", 0},  // NT 4
        {3, 51, 2, "", 0},    // NT 3.51
        {6, 0, 0, "", 1},     // Win32s and other platforms
        {4, 0, 3, "", 1},
    };
    for (const VersionRow &row : rows) {
        UseMachine(VersionKey(row.major, row.minor, 1000, row.platform, row.csd));
        EXPECT_EQ(row.expected, CInventory::IsCpuDetailSupported())
            << row.major << "." << row.minor << " platform " << row.platform << " \"" << row.csd << "\"";
    }
    UseMachine("[HKEY_SIMULATION\\Version]\n\"Fails\"=dword:00000001\n");
    EXPECT_EQ(0, CInventory::IsCpuDetailSupported());
}

TEST(ApiInventory, OnWindows95TheDetailRecordKeepsOnlyItsInputFields) {
    UseMachine(VersionKey(4, 0, 950, 1, " C"));
    CInventory inventory;
    const hs::CpuDetail detail = inventory.Detail();
    EXPECT_EQ(0u, detail.valid);
    EXPECT_EQ(0u, detail.family);
    EXPECT_EQ(0, detail.speedKHz);
    EXPECT_EQ(8u, detail.packageCapacity);
    // The record is packed: copy its pointers out before looking at them.
    const char *brand = detail.brandString;
    const void *cacheTable = detail.cacheTable;
    const void *packageTable = detail.packageTable;
    ASSERT_NE(nullptr, brand);
    ASSERT_NE(nullptr, cacheTable);
    ASSERT_NE(nullptr, packageTable);
    for (int i = 0; i < 48; ++i) EXPECT_EQ(0, brand[i]);
    EXPECT_EQ("This processor does not support the brand identification feature", inventory.GetCpuName());
    // The processor object was read all the same.
    EXPECT_EQ("GenuineIntel", inventory.GetCpuVendor());
}

TEST(ApiInventory, DisplayNameIsTheBrandStringWithoutLeadingSpaces) {
    UseMachine(VersionKey(5, 1, 2600, 2, "Service Pack 2") + kPentium4);
    CInventory inventory;
    EXPECT_EQ(1u, inventory.Detail().valid);
    EXPECT_EQ("Intel(R) Pentium(R) 4 CPU 2.80GHz", inventory.GetCpuName());
}

TEST(ApiInventory, BrandStringOfSpacesOnlyGivesAnEmptyName) {
    UseMachine(VersionKey(5, 1, 2600, 2, "Service Pack 2") + kSpacesOnly);
    CInventory inventory;
    EXPECT_EQ("", inventory.GetCpuName());
}

TEST(ApiInventory, WithoutBrandStringTheBrandTableNamesTheProcessor) {
    UseMachine(VersionKey(5, 1, 2600, 2, "Service Pack 2"));
    CInventory inventory;
    // The simulated Pentium III reports brand ID 2.
    EXPECT_EQ(2u, inventory.Detail().brandId);
    EXPECT_EQ("Intel(R) Pentium(R) III Processor", inventory.GetCpuName());
}

TEST(ApiInventory, LoadTraceAndCpuCount) {
    UseMachine(VersionKey(5, 1, 2600, 2, "") +
               "[HKEY_SIMULATION\\System]\n\"NumberOfProcessors\"=dword:00000004\n"
               "\"SystemAffinityMask\"=dword:0000000f\n\"ProcessAffinityMask\"=dword:0000000f\n");
    hs::sim::CaptureDebugOutput(true);
    hs::sim::TakeDebugOutput();
    {
        CInventory inventory;
        EXPECT_EQ("aaaaaa\n", hs::sim::TakeDebugOutput());
        EXPECT_EQ(4u, inventory.GetCpuCount());
    }
    hs::sim::CaptureDebugOutput(false);
}
