// The software exports through the shared library.
#include <gtest/gtest.h>

#include <cstring>

#include "library_under_test.h"

using hstest::Field;
using hstest::GuardedMemory;
using hstest::LibraryUnderTest;

namespace {

std::string Program(const std::string &key, const std::string &name) {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key +
           "]\n\"DisplayName\"=\"" + name + "\"\n\"UninstallString\"=\"remove " + key + "\"\n";
}

const std::string kPrograms = Program("b", "banana") + Program("a", "Apple") + Program("c", "cherry");

}  // namespace

TEST(ApiSoftware, CountAndSortedChainedRecordsWithOneTraceEach) {
    LibraryUnderTest lib(kPrograms);
    EXPECT_EQ(3, HS_EXPORT(lib, HsiGetSoftwareCount)());
    uint32_t size = 0;
    ASSERT_EQ(111u, HS_EXPORT(lib, HsiGetSoftwareInfo)(nullptr, &size));
    ASSERT_EQ(3u * 264u, size);
    GuardedMemory memory(size);
    auto *records = reinterpret_cast<SOFTWAREINFO *>(memory.Data());
    lib.TakeDebugOutput();
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetSoftwareInfo)(records, &size));
    EXPECT_EQ("Hardscan.dll>>>Apple\nHardscan.dll>>>banana\nHardscan.dll>>>cherry\n", lib.TakeDebugOutput());
    EXPECT_EQ("Apple", Field(records[0].displayName, 260));
    EXPECT_EQ("banana", Field(records[1].displayName, 260));
    EXPECT_EQ("cherry", Field(records[2].displayName, 260));
    EXPECT_EQ(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&records[2])), records[1].next);
    EXPECT_EQ(0u, records[2].next);
    EXPECT_TRUE(memory.Untouched(4 + 259, 1));
}

TEST(ApiSoftware, MoreRoomThanProgramsGivesEmptyTrailingRecords) {
    LibraryUnderTest lib(kPrograms);
    GuardedMemory memory(5 * sizeof(SOFTWAREINFO));
    auto *records = reinterpret_cast<SOFTWAREINFO *>(memory.Data());
    uint32_t size = 5 * sizeof(SOFTWAREINFO);
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetSoftwareInfo)(records, &size));
    EXPECT_EQ("cherry", Field(records[2].displayName, 260));
    EXPECT_EQ("", Field(records[3].displayName, 260));
    EXPECT_EQ("", Field(records[4].displayName, 260));
    EXPECT_EQ(0u, records[4].next);
}

TEST(ApiSoftware, FewerRecordsKeepTheFirstProgramsInWalkOrderThenSorted) {
    // Keys enumerate a, b, c: the first two found are Apple and banana.
    LibraryUnderTest lib(kPrograms);
    GuardedMemory memory(2 * sizeof(SOFTWAREINFO));
    auto *records = reinterpret_cast<SOFTWAREINFO *>(memory.Data());
    uint32_t size = 2 * sizeof(SOFTWAREINFO);
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetSoftwareInfo)(records, &size));
    EXPECT_EQ("Apple", Field(records[0].displayName, 260));
    EXPECT_EQ("banana", Field(records[1].displayName, 260));
}

TEST(ApiSoftwareEx, CategoryAndUnchainedRecords) {
    LibraryUnderTest lib(kPrograms);
    GuardedMemory header(sizeof(SOFTWAREINFOLIST));
    GuardedMemory records(3 * sizeof(SOFTWAREINFO));
    auto *list = reinterpret_cast<SOFTWAREINFOLIST *>(header.Data());
    list->records = records.Address32();
    ASSERT_EQ(1, HS_EXPORT(lib, HsiGetSoftwareInfoEx)(list, 3));
    EXPECT_EQ(3, list->count);
    EXPECT_EQ(264u, list->recordSize);
    EXPECT_EQ("Software", Field(list->category, 32));
    EXPECT_TRUE(header.Untouched(offsetof(SOFTWAREINFOLIST, category) + 31, 1));
    auto *software = reinterpret_cast<SOFTWAREINFO *>(records.Data());
    EXPECT_EQ("Apple", Field(software[0].displayName, 260));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(records.Untouched(i * sizeof(SOFTWAREINFO), 4)) << i;
}

