// The processor exports through the shared library: the size protocol,
// chaining, unreadable records and the list call's header.
#include <gtest/gtest.h>

#include <cstring>

#include "library_under_test.h"

using hstest::Field;
using hstest::GuardedMemory;
using hstest::LibraryUnderTest;

namespace {

const char kTwoProcessors[] =
    "[HKEY_SIMULATION\\System]\n\"NumberOfProcessors\"=dword:00000002\n"
    "\"SystemAffinityMask\"=dword:00000003\n\"ProcessAffinityMask\"=dword:00000003\n";

}  // namespace

TEST(ApiCpuExports, CountAndSizeQueryComeFromTheSystemInformation) {
    LibraryUnderTest lib(kTwoProcessors);
    EXPECT_EQ(2, HS_EXPORT(lib, HsiGetCpuCount)());
    uint32_t size = 12345;
    EXPECT_EQ(111u, HS_EXPORT(lib, HsiGetCpuInfo)(nullptr, &size));
    EXPECT_EQ(2u * 528u, size);
}

TEST(ApiCpuExports, FillsAndChainsIdenticalRecords) {
    LibraryUnderTest lib("");
    GuardedMemory memory(2 * sizeof(CPUINFO));
    auto *records = reinterpret_cast<CPUINFO *>(memory.Data());
    uint32_t size = 2 * sizeof(CPUINFO);
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetCpuInfo)(records, &size));
    EXPECT_EQ(2u * 528u, size);
    EXPECT_EQ(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&records[1])), records[0].next);
    EXPECT_EQ(0u, records[1].next);
    for (int i = 0; i < 2; ++i) {
        // A Pentium III without a brand string is named from the brand table.
        EXPECT_EQ("Intel(R) Pentium(R) III Processor", Field(records[i].name, 260)) << i;
        EXPECT_EQ("GenuineIntel", Field(records[i].vendor, 260)) << i;
        EXPECT_EQ(750u, records[i].speed) << i;
        // Zero bytes up to 259, the field's last byte untouched.
        EXPECT_EQ(0, records[i].name[258]);
        EXPECT_EQ(static_cast<char>(GuardedMemory::kCanary), records[i].name[259]);
        EXPECT_EQ(static_cast<char>(GuardedMemory::kCanary), records[i].vendor[259]);
    }
}

TEST(ApiCpuExportsEx, FillsRecordsWithoutChainingThem) {
    LibraryUnderTest lib("");
    GuardedMemory header(sizeof(INFOLIST));
    GuardedMemory records(2 * sizeof(CPUINFO));
    auto *list = reinterpret_cast<INFOLIST *>(header.Data());
    list->records = records.Address32();
    ASSERT_EQ(1, HS_EXPORT(lib, HsiGetCpuInfoEx)(list, 2));
    EXPECT_EQ(2, list->count);
    EXPECT_EQ(528u, list->recordSize);
    auto *cpu = reinterpret_cast<CPUINFO *>(records.Data());
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(records.Untouched(i * sizeof(CPUINFO), 4)) << "next of record " << i;
        EXPECT_EQ("GenuineIntel", Field(cpu[i].vendor, 260));
        EXPECT_EQ(750u, cpu[i].speed);
    }
}

TEST(ApiCpuExportsEx, UnreadableRecordIsTracedWithItsIndex) {
    LibraryUnderTest lib("");
    GuardedMemory header(sizeof(INFOLIST));
    GuardedMemory records(2 * sizeof(CPUINFO));
    auto *list = reinterpret_cast<INFOLIST *>(header.Data());
    list->records = records.Address32();
    lib.TakeDebugOutput();
    EXPECT_EQ(0, HS_EXPORT(lib, HsiGetCpuInfoEx)(list, 3));
    EXPECT_EQ("HsiGetCpuInfoEx failed! 2", lib.TakeDebugOutput());
    EXPECT_TRUE(header.Untouched(0, 8));
    EXPECT_TRUE(records.Untouched(0, 2 * sizeof(CPUINFO)));
}

TEST(ApiModule, LoadsAndUnloadsRepeatedlyWithTheLoadTrace) {
    for (int i = 0; i < 5; ++i) {
        LibraryUnderTest lib("");
        EXPECT_EQ("aaaaaa\n", lib.TakeDebugOutput().substr(0, 7)) << "load " << i;
        EXPECT_EQ(1, HS_EXPORT(lib, HsiGetCpuCount)());
    }
}
