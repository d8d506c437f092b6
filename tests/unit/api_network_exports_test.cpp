// The network exports through the shared library: adapters with and without
// an address, the user record and the NetBIOS list call.
#include <gtest/gtest.h>

#include <cstring>

#include "library_under_test.h"
#include "platform/platform.h"

using hstest::Field;
using hstest::GuardedMemory;
using hstest::LibraryUnderTest;

namespace {

std::string Adapter(int index, const std::string &description, const std::string &mac, const std::string &ip) {
    return "[HKEY_SIMULATION\\Adapters\\" + std::to_string(index) + "]\n\"AdapterName\"=\"{ADAPTER-" +
           std::to_string(index) + "}\"\n\"Description\"=\"" + description + "\"\n\"Address\"=hex:" + mac +
           "\n\"IpAddress\"=\"" + ip + "\"\n";
}

const char kIdentity[] =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\n"
    "\"ComputerName\"=\"DESK\"\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon]\n"
    "\"DefaultUserName\"=\"grace\"\n";

std::string Lana(int index, int lana, const std::string &address) {
    return "[HKEY_SIMULATION\\NetBIOS\\" + std::to_string(index) + "]\n\"Lana\"=dword:0000000" +
           std::to_string(lana) + "\n\"Address\"=hex:" + address + "\n";
}

}  // namespace

TEST(ApiAdapters, AdapterWithoutAddressTakesNoRecord) {
    LibraryUnderTest lib(Adapter(0, "Dial-up", "00,53,45,00,00,00", "0.0.0.0") +
                         Adapter(1, "Fast Ethernet", "00,0c,29,ab,cd,ef", "192.168.1.20"));
    uint32_t size = 0;
    ASSERT_EQ(111u, HS_EXPORT(lib, HsiGetAdapterInfo)(nullptr, &size));
    EXPECT_EQ(428u, size);
    // The readability check covers one record per list entry: two.
    GuardedMemory memory(2 * sizeof(IPADAPTERINFO));
    auto *records = reinterpret_cast<IPADAPTERINFO *>(memory.Data());
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetAdapterInfo)(records, &size));
    EXPECT_EQ(0u, records[0].next);
    EXPECT_EQ("192.168.1.20", Field(records[0].ipAddress, 16));
    EXPECT_EQ("000C29ABCDEF", Field(records[0].mac, 16));
    EXPECT_EQ("Fast Ethernet", Field(records[0].description, 132));
    EXPECT_EQ("{ADAPTER-1}", Field(records[0].adapterName, 260));
    EXPECT_TRUE(memory.Untouched(sizeof(IPADAPTERINFO), sizeof(IPADAPTERINFO)));
}

TEST(ApiAdapters, TwoAddressedAdaptersAreChained) {
    LibraryUnderTest lib(Adapter(0, "A", "00,00,00,00,00,01", "10.0.0.1") + Adapter(1, "B", "00,00,00,00,00,02", ""));
    GuardedMemory memory(2 * sizeof(IPADAPTERINFO));
    auto *records = reinterpret_cast<IPADAPTERINFO *>(memory.Data());
    uint32_t size = 0;
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetAdapterInfo)(records, &size));
    EXPECT_EQ(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&records[1])), records[0].next);
    EXPECT_EQ(0u, records[1].next);
    // An empty IP text does not start with '0': the adapter counts.
    EXPECT_EQ("", Field(records[1].ipAddress, 16));
    EXPECT_EQ("000000000002", Field(records[1].mac, 16));
}

TEST(ApiAdapters, NoAdaptersNeedNoBytes) {
    LibraryUnderTest lib("");
    uint32_t size = 99;
    EXPECT_EQ(0u, HS_EXPORT(lib, HsiGetAdapterInfo)(nullptr, &size));
    EXPECT_EQ(0u, size);
}

TEST(ApiAdapters, SecondQueryFailingAnswersZeroAndWritesNothing) {
    LibraryUnderTest lib("[HKEY_SIMULATION\\Adapters]\n\"FillResult\"=dword:0000001f\n" +
                         Adapter(0, "A", "00,00,00,00,00,01", "10.0.0.1"));
    GuardedMemory memory(sizeof(IPADAPTERINFO));
    uint32_t size = 5;
    EXPECT_EQ(0u, HS_EXPORT(lib, HsiGetAdapterInfo)(reinterpret_cast<IPADAPTERINFO *>(memory.Data()), &size));
    EXPECT_EQ(5u, size);
    EXPECT_TRUE(memory.Untouched(0, sizeof(IPADAPTERINFO)));
}

TEST(ApiNetUser, NamesAndTheFirstAddressedAdapter) {
    LibraryUnderTest lib(std::string(kIdentity) + Adapter(0, "Dial-up", "00,00,00,00,00,09", "0.0.0.0") +
                         Adapter(1, "LAN", "00,a0,c9,12,34,56", "172.16.0.5"));
    GuardedMemory memory(sizeof(NETUSERINFO));
    auto *info = reinterpret_cast<NETUSERINFO *>(memory.Data());
    ASSERT_EQ(1, HS_EXPORT(lib, HsiGetNetUserInfo)(info));
    EXPECT_EQ("DESK", Field(info->computerName, 260));
    EXPECT_EQ("grace", Field(info->userName, 260));
    EXPECT_EQ("172.16.0.5", Field(info->ipAddress, 32));
    EXPECT_EQ("00A0C9123456", Field(info->mac, 32));
    // Only 15 bytes of the 32-byte fields are written; the reserved bytes never.
    EXPECT_TRUE(memory.Untouched(offsetof(NETUSERINFO, ipAddress) + 15, 17));
    EXPECT_TRUE(memory.Untouched(offsetof(NETUSERINFO, mac) + 15, 17));
    EXPECT_TRUE(memory.Untouched(0, 4));
    EXPECT_TRUE(memory.Untouched(588, 12));
}

TEST(ApiNetUser, OnlyUnaddressedAdapterLeavesTheAddressFieldsAlone) {
    LibraryUnderTest lib(std::string(kIdentity) + Adapter(0, "Dial-up", "00,00,00,00,00,09", "0.0.0.0"));
    GuardedMemory memory(sizeof(NETUSERINFO));
    ASSERT_EQ(1, HS_EXPORT(lib, HsiGetNetUserInfo)(reinterpret_cast<NETUSERINFO *>(memory.Data())));
    EXPECT_TRUE(memory.Untouched(offsetof(NETUSERINFO, ipAddress), 64));
}

TEST(ApiNetUser, UnreadableRecordAnswersOverflowWithTrace) {
    LibraryUnderTest lib(kIdentity);
    GuardedMemory memory(sizeof(NETUSERINFO) - 4);
    lib.TakeDebugOutput();
    EXPECT_EQ(111, HS_EXPORT(lib, HsiGetNetUserInfo)(reinterpret_cast<NETUSERINFO *>(memory.Data())));
    EXPECT_EQ("HsiGetNetUserInfo() failed! --- IsBadReadPtr\n", lib.TakeDebugOutput());
}

TEST(ApiNetBios, CountAndLowerCaseAddressesWithThePlaceholderSkipped) {
    LibraryUnderTest lib(Lana(0, 0, "00,0c,29,ab,cd,ef") + Lana(1, 1, "44,45,53,54,00,00") + Lana(2, 2, "00,0c,29,00,00,01"));
    EXPECT_EQ(3, HS_EXPORT(lib, HsiGetNetCount)());
    GuardedMemory header(sizeof(INFOLIST));
    GuardedMemory records(4 * sizeof(NETINFO));
    auto *list = reinterpret_cast<INFOLIST *>(header.Data());
    list->records = records.Address32();
    ASSERT_EQ(1, HS_EXPORT(lib, HsiGetNetInfoEx)(list, 4));
    EXPECT_EQ(4, list->count);
    EXPECT_EQ(68u, list->recordSize);
    auto *net = reinterpret_cast<NETINFO *>(records.Data());
    EXPECT_EQ("000c29abcdef", Field(net[0].mac, 32));
    // The DEST placeholder takes no text; the next adapter moves up.
    EXPECT_EQ("000c29000001", Field(net[1].mac, 32));
    // The fourth entry was never written by the NetBIOS walk: twelve zeros.
    EXPECT_EQ("000000000000", Field(net[2].mac, 32));
    EXPECT_EQ("", Field(net[3].mac, 32));
    EXPECT_EQ(0u, net[0].ipAddress);
    EXPECT_EQ("0.0.0.0", Field(net[0].ipText, 32));
}

TEST(ApiNetBios, FailuresOfTheListCall) {
    LibraryUnderTest lib("[HKEY_SIMULATION\\NetBIOS]\n\"EnumResult\"=dword:00000034\n");
    EXPECT_EQ(0, HS_EXPORT(lib, HsiGetNetCount)());
    GuardedMemory header(sizeof(INFOLIST));
    GuardedMemory records(sizeof(NETINFO));
    auto *list = reinterpret_cast<INFOLIST *>(header.Data());
    list->records = records.Address32();
    lib.TakeDebugOutput();
    EXPECT_EQ(0, HS_EXPORT(lib, HsiGetNetInfoEx)(list, 1));
    EXPECT_EQ("GetUserInfo() -- SimGetNetCard() false!", lib.TakeDebugOutput());
    EXPECT_EQ(0, HS_EXPORT(lib, HsiGetNetInfoEx)(list, 2));
    EXPECT_EQ("HsiGetNetInfoEx failed! 1", lib.TakeDebugOutput());
}

