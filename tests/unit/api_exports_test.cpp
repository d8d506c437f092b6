// The exports through the shared library, where the machines' inventories
// and the bad-input table do not look (docs/testing.md).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "library_under_test.h"

namespace {

using hstest::Field;
using hstest::Guarded;
using hstest::LibraryUnderTest;
using hstest::Lana;
using hstest::Program;

std::string Adapter(int index, const std::string &mac, const std::string &ip) {
    const std::string n = std::to_string(index);
    return "[HKEY_SIMULATION\\Adapters\\" + n + "]\n\"AdapterName\"=\"{" + n + "}\"\n\"Description\"=\"Card " + n +
           "\"\n\"Address\"=hex:" + mac + "\n\"IpAddress\"=\"" + ip + "\"\n";
}

// A named computer and user, two processors, four drives, one display adapter, three programs, an
// adapter without an address before one with it, and three LANAs, the
// middle one on the placeholder address of a dial-up adapter.
const std::string kMachine =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\n"
    "\"ComputerName\"=\"DESK\"\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon]\n"
    "\"DefaultUserName\"=\"grace\"\n"
    "[HKEY_SIMULATION\\System]\n\"NumberOfProcessors\"=dword:00000002\n"
    "\"SystemAffinityMask\"=dword:00000003\n\"ProcessAffinityMask\"=dword:00000003\n" +
    Program("b", "banana") + Program("a", "Apple") + Program("c", "cherry") +
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\FDC\\FLOPPY\\0]\n"
    "\"ClassGUID\"=\"{4D36E980-E325-11CE-BFC1-08002BE10318}\"\n\"FriendlyName\"=\"Floppy\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\FDC\\FLOPPY\\0\\Control]\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_10DE\\0]\n"
    "\"ClassGUID\"=\"{4D36E968-E325-11CE-BFC1-08002BE10318}\"\n\"FriendlyName\"=\"Display\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_10DE\\0\\Control]\n"
    "[HKEY_SIMULATION\\Drives]\n\"D\"=dword:00000005\n\"E\"=dword:00000005\n\"F\"=dword:00000005\n" +
    Adapter(0, "00,53,45,00,00,00", "0.0.0.0") + Adapter(1, "00,a0,c9,12,34,56", "172.16.0.5") +
    Lana("0", 0, "00,0c,29,ab,cd,ef") + Lana("1", 1, "44,45,53,54,00,00") + Lana("2", 2, "00,0c,29,00,00,01");

// What the list calls write; their headers and the records' untouched next
// fields are checked by the bad-input table (ListCases).
TEST(ApiExports, ListCallsFillTheirRecords) {
    LibraryUnderTest lib(kMachine);
    Guarded header(sizeof(SOFTWAREINFOLIST)), records(4 * sizeof(CPUINFO));
    header.As<INFOLIST>()->records = records.Address32();
    ASSERT_EQ(1, lib.x.HsiGetCpuInfoEx(header.As<INFOLIST>(), 2));
    for (int i = 0; i < 2; ++i) EXPECT_EQ("GenuineIntel", Field(records.As<CPUINFO>()[i].vendor, 260));
    header.As<SOFTWAREINFOLIST>()->records = records.Address32();
    ASSERT_EQ(1, lib.x.HsiGetSoftwareInfoEx(header.As<SOFTWAREINFOLIST>(), 3));
    EXPECT_EQ("cherry", Field(records.As<SOFTWAREINFO>()[2].displayName, 260));

    // NetBIOS: lower-case addresses; the placeholder takes no text, so the
    // later addresses move up and the records past them are empty.
    EXPECT_EQ(3, lib.x.HsiGetNetCount());
    Guarded net(4 * sizeof(NETINFO));
    header.As<INFOLIST>()->records = net.Address32();
    ASSERT_EQ(1, lib.x.HsiGetNetInfoEx(header.As<INFOLIST>(), 4));
    const char *macs[] = {"000c29abcdef", "000c29000001", "000000000000", ""};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(macs[i], Field(net.As<NETINFO>()[i].mac, 32)) << i;
        EXPECT_EQ(0u, net.As<NETINFO>()[i].ipAddress) << i;  // written over the fill bytes
        EXPECT_EQ("0.0.0.0", Field(net.As<NETINFO>()[i].ipText, 32)) << i;
    }
}

// The size argument and the records that the buffer exports leave (the
// chains, the adapters' records and sizes: the bad-input table).
TEST(ApiExports, SizesAndRecordsLeftAlone) {
    LibraryUnderTest lib(kMachine);
    // Devices filled without a size query: the lists are still empty.
    Guarded device(sizeof(DEVICEINFO));
    uint32_t size = sizeof(DEVICEINFO);
    ASSERT_EQ(0u, lib.x.HsiGetDeviceInfo(device.As<DEVICEINFO>(), &size));
    EXPECT_EQ("", Field(device.As<DEVICEINFO>()->description, 260));
    size = 0;
    EXPECT_EQ(232u, lib.x.HsiGetDeviceInfo(device.As<DEVICEINFO>(), &size));

    // Programs: records past the programs are empty.
    Guarded programs(5 * sizeof(SOFTWAREINFO));
    size = 5 * sizeof(SOFTWAREINFO);
    ASSERT_EQ(0u, lib.x.HsiGetSoftwareInfo(programs.As<SOFTWAREINFO>(), &size));
    EXPECT_EQ("", Field(programs.As<SOFTWAREINFO>()[4].displayName, 260));

    // The system-information block's common record carries its version size.
    std::vector<uint8_t> probe(28, 0);
    uint32_t total = 0;
    ASSERT_EQ(111u, lib.x.HsiGetSysInfo(reinterpret_cast<SYSINFOHEADER *>(probe.data()), &total));
    std::vector<uint8_t> block(24 + total, 0xEE);
    std::memcpy(block.data(), probe.data(), 24);
    ASSERT_EQ(0u, lib.x.HsiGetSysInfo(reinterpret_cast<SYSINFOHEADER *>(block.data()), &total));
    EXPECT_EQ(148u, reinterpret_cast<const COMMONINFO *>(block.data() + 24)->osVersion.dwOSVersionInfoSize);
}

// Adapter lists that give the exports nothing to write. One library at a
// time: a second load of the same file is the first one.
TEST(ApiExports, AdapterListsWithoutRecords) {
    {
        LibraryUnderTest none("");
        uint32_t size = 99;
        EXPECT_EQ(0u, none.x.HsiGetAdapterInfo(nullptr, &size));  // no bytes needed
        EXPECT_EQ(0u, size);
    }
    {
        // The query that fills the list fails: nothing written, size kept.
        LibraryUnderTest failing("[HKEY_SIMULATION\\Adapters]\n\"FillResult\"=dword:0000001f\n" +
                                 Adapter(0, "00,00,00,00,00,01", "10.0.0.1"));
        Guarded one(sizeof(IPADAPTERINFO));
        uint32_t size = 5;
        EXPECT_EQ(0u, failing.x.HsiGetAdapterInfo(one.As<IPADAPTERINFO>(), &size));
        EXPECT_EQ(5u, size);
        EXPECT_TRUE(one.OutsideUntouched());
    }
    // No adapter with an address: the user record's address fields are left.
    LibraryUnderTest unaddressed(Adapter(0, "00,00,00,00,00,09", "0.0.0.0"));
    Guarded user(sizeof(NETUSERINFO));
    ASSERT_EQ(1, unaddressed.x.HsiGetNetUserInfo(user.As<NETUSERINFO>()));
    EXPECT_EQ(std::string(64, badinput::kFill), std::string(user.As<char>() + offsetof(NETUSERINFO, ipAddress), 64));
}

// Calls that fail, their answers and what they send to the debugger (that
// they write nothing: the bad-input table).
TEST(ApiExports, FailuresAreTraced) {
    const std::string drives = "trc GetDriverCount...\ntrc GetDriverCount...ok\n";
    const struct {
        const char *what;
        std::string machine;
        std::function<int64_t(LibraryUnderTest &)> call;
        int64_t result;
        std::string trace;
    } cases[] = {
        {"drives: room for fewer records than drives", kMachine,
         [](LibraryUnderTest &lib) {
             Guarded memory(500);
             uint32_t size = 500;
             return lib.x.HsiGetDriverInfo(memory.As<DRIVERINFO>(), &size);
         },
         111, drives + "HsiGetDriverInfo() failed! --- ERROR_BUFFER_OVERFLOW --1\n"},
        {"drives: none", "",
         [](LibraryUnderTest &lib) {
             DRIVERINFO one;
             uint32_t size = 0;
             return lib.x.HsiGetDriverInfo(&one, &size);
         },
         232, drives + "HsiGetDriverInfo() failed! --- ERROR_NO_DATA\n"},
        {"processor list: an unreadable third record", kMachine,
         [](LibraryUnderTest &lib) {
             Guarded header(sizeof(INFOLIST)), records(2 * sizeof(CPUINFO));
             header.As<INFOLIST>()->records = records.Address32();
             return lib.x.HsiGetCpuInfoEx(header.As<INFOLIST>(), 3);
         },
         0, "HsiGetCpuInfoEx failed! 2"},
        {"NetBIOS list: an unreadable second record", kMachine,
         [](LibraryUnderTest &lib) {
             Guarded header(sizeof(INFOLIST)), records(sizeof(NETINFO));
             header.As<INFOLIST>()->records = records.Address32();
             return lib.x.HsiGetNetInfoEx(header.As<INFOLIST>(), 2);
         },
         0, "HsiGetNetInfoEx failed! 1"},
        {"common record: its last byte unreadable", kMachine,
         [](LibraryUnderTest &lib) {
             Guarded memory(sizeof(COMMONINFO) - 1);
             return lib.x.HsiGetCommonInfo(memory.As<COMMONINFO>());
         },
         0, "HsiGetUserInfo failed! "},
        {"user record: unreadable", kMachine,
         [](LibraryUnderTest &lib) {
             Guarded memory(sizeof(NETUSERINFO) - 4);
             return lib.x.HsiGetNetUserInfo(memory.As<NETUSERINFO>());
         },
         111, "HsiGetNetUserInfo() failed! --- IsBadReadPtr\n"},
        {"system information: header of 27 bytes", kMachine,
         [](LibraryUnderTest &lib) {
             Guarded memory(27);
             uint32_t total = 0;
             return lib.x.HsiGetSysInfo(memory.As<SYSINFOHEADER>(), &total);
         },
         9, "HsiGetSysInfo...ERROR_INVALID_BLOCK\n"},
    };
    for (const auto &c : cases) {
        LibraryUnderTest lib(c.machine);
        lib.TakeDebugOutput();
        EXPECT_EQ(c.result, c.call(lib)) << c.what;
        EXPECT_EQ(c.trace, lib.TakeDebugOutput()) << c.what;
    }
}

}  // namespace
