// HsiGetCommonInfo through the shared library.
#include <gtest/gtest.h>

#include <cstring>

#include "library_under_test.h"

using hstest::Field;
using hstest::GuardedMemory;
using hstest::LibraryUnderTest;

namespace {

std::string XpIdentity(const std::string &computerName, const std::string &user) {
    return hstest::VersionKey(5, 1, 2600, 2, "Service Pack 2") +
           "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\n"
           "\"ComputerName\"=\"" + computerName + "\"\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n"
           "\"ProductName\"=\"Microsoft Windows XP\"\n\"CurrentVersion\"=\"5.1\"\n\"CurrentBuildNumber\"=\"2600\"\n"
           "\"RegisteredOwner\"=\"Ada Lovelace\"\n\"RegisteredOrganization\"=\"Analytical Engines\"\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon]\n" +
           (user.empty() ? std::string() : "\"DefaultUserName\"=\"" + user + "\"\n") +
           "[HKEY_SIMULATION\\Memory]\n\"MemoryLoad\"=dword:00000021\n\"TotalPhys\"=dword:20000000\n"
           "\"AvailPhys\"=dword:10000000\n\"TotalPageFile\"=dword:40000000\n\"AvailPageFile\"=dword:30000000\n"
           "\"TotalVirtual\"=dword:7ffe0000\n\"AvailVirtual\"=dword:7f000000\n";
}

}  // namespace

TEST(ApiCommonInfo, FillsEveryFieldButTheVersionBlock) {
    LibraryUnderTest lib(XpIdentity("WORKSTATION7", "ada"));
    GuardedMemory memory(sizeof(COMMONINFO));
    auto *info = reinterpret_cast<COMMONINFO *>(memory.Data());
    ASSERT_EQ(1, HS_EXPORT(lib, HsiGetCommonInfo)(info));
    EXPECT_EQ("WORKSTATION7", Field(info->computerName, 260));
    EXPECT_EQ("ada", Field(info->userName, 260));
    EXPECT_EQ("Ada Lovelace", Field(info->registeredOwner, 260));
    EXPECT_EQ("Analytical Engines", Field(info->registeredOrganization, 260));
    EXPECT_EQ("Microsoft Windows XP  5.1  2600", Field(info->osDescription, 260));
    EXPECT_EQ(32u, info->memoryStatus.dwLength);
    EXPECT_EQ(0x21u, info->memoryStatus.dwMemoryLoad);
    EXPECT_EQ(0x20000000u, info->memoryStatus.dwTotalPhys);
    EXPECT_EQ(0x7f000000u, info->memoryStatus.dwAvailVirtual);
    EXPECT_TRUE(memory.Untouched(offsetof(COMMONINFO, osVersion), sizeof(HSOSVERSIONINFO)));
    for (size_t offset : {offsetof(COMMONINFO, computerName), offsetof(COMMONINFO, osDescription)}) {
        EXPECT_TRUE(memory.Untouched(offset + 259, 1)) << "last byte of the field at " << offset;
        EXPECT_EQ(0, memory.Data()[offset + 258]);
    }
}

TEST(ApiCommonInfo, MissingUserNameAnswersZeroWithTheRestFilled) {
    LibraryUnderTest lib(XpIdentity("WORKSTATION7", ""));
    COMMONINFO info;
    std::memset(&info, 0x55, sizeof info);
    EXPECT_EQ(0, HS_EXPORT(lib, HsiGetCommonInfo)(&info));
    EXPECT_EQ("", Field(info.userName, 260));
    EXPECT_EQ("WORKSTATION7", Field(info.computerName, 260));
    EXPECT_EQ("Analytical Engines", Field(info.registeredOrganization, 260));
}

TEST(ApiCommonInfo, NameOf259CharactersFillsTheFieldWithoutItsLastByte) {
    const std::string longName(259, 'N');
    LibraryUnderTest lib(XpIdentity(longName, "ada"));
    GuardedMemory memory(sizeof(COMMONINFO));
    auto *info = reinterpret_cast<COMMONINFO *>(memory.Data());
    ASSERT_EQ(1, HS_EXPORT(lib, HsiGetCommonInfo)(info));
    EXPECT_EQ(0, std::memcmp(info->computerName, longName.data(), 259));
    EXPECT_TRUE(memory.Untouched(offsetof(COMMONINFO, computerName) + 259, 1));
}

TEST(ApiCommonInfo, NameTooLongForTheRegistryBufferReadsAsEmpty) {
    LibraryUnderTest lib(XpIdentity(std::string(300, 'N'), "ada"));
    COMMONINFO info;
    std::memset(&info, 0, sizeof info);
    EXPECT_EQ(0, HS_EXPORT(lib, HsiGetCommonInfo)(&info));
    EXPECT_EQ("", Field(info.computerName, 260));
}

TEST(ApiCommonInfo, UnreadableRecordIsTracedAndUntouched) {
    LibraryUnderTest lib(XpIdentity("PC", "ada"));
    GuardedMemory memory(sizeof(COMMONINFO) - 1);  // the last byte lies on the guard page
    lib.TakeDebugOutput();
    EXPECT_EQ(0, HS_EXPORT(lib, HsiGetCommonInfo)(reinterpret_cast<COMMONINFO *>(memory.Data())));
    EXPECT_EQ("HsiGetUserInfo failed! ", lib.TakeDebugOutput());
    EXPECT_TRUE(memory.Untouched(0, sizeof(COMMONINFO) - 1));
    EXPECT_EQ(0, HS_EXPORT(lib, HsiGetCommonInfo)(nullptr));
    EXPECT_EQ("HsiGetUserInfo failed! ", lib.TakeDebugOutput());
}
