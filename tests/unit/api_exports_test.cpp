// The exports through the shared library: what the inventories of the
// machine profiles (tests/machines) do not show, namely the list calls'
// headers, the size arguments the exports leave, the records they leave
// alone and the texts they send to the debugger when a call fails.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "library_under_test.h"

namespace {

using hstest::Field;
using hstest::GuardedMemory;
using hstest::LibraryUnderTest;

std::string Program(const std::string &key, const std::string &name) {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key +
           "]\n\"DisplayName\"=\"" + name + "\"\n\"UninstallString\"=\"remove " + key + "\"\n";
}

std::string Adapter(int index, const std::string &mac, const std::string &ip) {
    const std::string n = std::to_string(index);
    return "[HKEY_SIMULATION\\Adapters\\" + n + "]\n\"AdapterName\"=\"{" + n + "}\"\n\"Description\"=\"Card " + n +
           "\"\n\"Address\"=hex:" + mac + "\n\"IpAddress\"=\"" + ip + "\"\n";
}

std::string Lana(int lana, const std::string &address) {
    const std::string n = std::to_string(lana);
    return "[HKEY_SIMULATION\\NetBIOS\\" + n + "]\n\"Lana\"=dword:0000000" + n + "\n\"Address\"=hex:" + address + "\n";
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
    Lana(0, "00,0c,29,ab,cd,ef") + Lana(1, "44,45,53,54,00,00") + Lana(2, "00,0c,29,00,00,01");

template <typename T>
T *As(GuardedMemory &memory) {
    return reinterpret_cast<T *>(memory.Data());
}

// The list calls set the header's count and record size (and category) and
// fill the records without chaining them.
TEST(ApiExports, ListCallsFillTheirHeaderAndUnchainedRecords) {
    LibraryUnderTest lib(kMachine);
    GuardedMemory header(sizeof(SOFTWAREINFOLIST)), records(4 * sizeof(CPUINFO));
    As<INFOLIST>(header)->records = records.Address32();
    ASSERT_EQ(1, HS_EXPORT(lib, HsiGetCpuInfoEx)(As<INFOLIST>(header), 2));
    EXPECT_EQ(2, As<INFOLIST>(header)->count);
    EXPECT_EQ(528u, As<INFOLIST>(header)->recordSize);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(records.Untouched(i * sizeof(CPUINFO), 4)) << "next of processor " << i;
        EXPECT_EQ("GenuineIntel", Field(As<CPUINFO>(records)[i].vendor, 260));
    }

    GuardedMemory listHeader(sizeof(SOFTWAREINFOLIST)), programs(3 * sizeof(SOFTWAREINFO));
    auto *list = As<SOFTWAREINFOLIST>(listHeader);
    list->records = programs.Address32();
    ASSERT_EQ(1, HS_EXPORT(lib, HsiGetSoftwareInfoEx)(list, 3));
    EXPECT_EQ(3, list->count);
    EXPECT_EQ(264u, list->recordSize);
    EXPECT_EQ("Software", Field(list->category, 32));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(programs.Untouched(i * sizeof(SOFTWAREINFO), 4)) << "next " << i;
    EXPECT_EQ("cherry", Field(As<SOFTWAREINFO>(programs)[2].displayName, 260));

    // NetBIOS: lower-case addresses; the placeholder takes no text, so the
    // later addresses move up and the records past them are empty.
    EXPECT_EQ(3, HS_EXPORT(lib, HsiGetNetCount)());
    GuardedMemory net(4 * sizeof(NETINFO));
    As<INFOLIST>(header)->records = net.Address32();
    ASSERT_EQ(1, HS_EXPORT(lib, HsiGetNetInfoEx)(As<INFOLIST>(header), 4));
    EXPECT_EQ(4, As<INFOLIST>(header)->count);
    EXPECT_EQ(68u, As<INFOLIST>(header)->recordSize);
    const char *macs[] = {"000c29abcdef", "000c29000001", "000000000000", ""};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(macs[i], Field(As<NETINFO>(net)[i].mac, 32)) << i;
        EXPECT_EQ(0u, As<NETINFO>(net)[i].ipAddress) << i;  // written over the fill bytes
        EXPECT_EQ("0.0.0.0", Field(As<NETINFO>(net)[i].ipText, 32)) << i;
    }
}

// The size argument and the records that the buffer exports leave.
// The size argument and the records that the buffer exports leave.
TEST(ApiExports, SizesAndRecordsLeftAlone) {
    LibraryUnderTest lib(kMachine);
    // Devices filled without a size query: the lists are still empty.
    GuardedMemory device(sizeof(DEVICEINFO));
    uint32_t size = sizeof(DEVICEINFO);
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetDeviceInfo)(As<DEVICEINFO>(device), &size));
    EXPECT_EQ("", Field(As<DEVICEINFO>(device)->description, 260));
    size = 0;
    EXPECT_EQ(232u, HS_EXPORT(lib, HsiGetDeviceInfo)(As<DEVICEINFO>(device), &size));

    // Programs: records past the programs are empty, the last one ends the chain.
    GuardedMemory programs(5 * sizeof(SOFTWAREINFO));
    size = 5 * sizeof(SOFTWAREINFO);
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetSoftwareInfo)(As<SOFTWAREINFO>(programs), &size));
    EXPECT_EQ("cherry", Field(As<SOFTWAREINFO>(programs)[2].displayName, 260));
    EXPECT_EQ("", Field(As<SOFTWAREINFO>(programs)[4].displayName, 260));
    EXPECT_EQ(0u, As<SOFTWAREINFO>(programs)[4].next);

    // Adapters: the unaddressed one takes no record and needs no bytes.
    size = 0;
    ASSERT_EQ(111u, HS_EXPORT(lib, HsiGetAdapterInfo)(nullptr, &size));
    EXPECT_EQ(428u, size);
    GuardedMemory adapters(2 * sizeof(IPADAPTERINFO));
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetAdapterInfo)(As<IPADAPTERINFO>(adapters), &size));
    EXPECT_EQ("Card 1", Field(As<IPADAPTERINFO>(adapters)->description, 132));
    EXPECT_TRUE(adapters.Untouched(sizeof(IPADAPTERINFO), sizeof(IPADAPTERINFO)));

    // The system-information block's common record carries its version size.
    std::vector<uint8_t> probe(28, 0);
    uint32_t total = 0;
    ASSERT_EQ(111u, HS_EXPORT(lib, HsiGetSysInfo)(reinterpret_cast<SYSINFOHEADER *>(probe.data()), &total));
    std::vector<uint8_t> block(24 + total, 0xEE);
    std::memcpy(block.data(), probe.data(), 24);
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetSysInfo)(reinterpret_cast<SYSINFOHEADER *>(block.data()), &total));
    EXPECT_EQ(148u, reinterpret_cast<const COMMONINFO *>(block.data() + 24)->osVersion.dwOSVersionInfoSize);
}

// Adapter lists that give the exports nothing to write. One library at a
// time: a second load of the same file is the first one.
TEST(ApiExports, AdapterListsWithoutRecords) {
    {
        LibraryUnderTest none("");
        uint32_t size = 99;
        EXPECT_EQ(0u, HS_EXPORT(none, HsiGetAdapterInfo)(nullptr, &size));  // no bytes needed
        EXPECT_EQ(0u, size);
    }
    {
        // The query that fills the list fails: nothing written, size kept.
        LibraryUnderTest failing("[HKEY_SIMULATION\\Adapters]\n\"FillResult\"=dword:0000001f\n" +
                                 Adapter(0, "00,00,00,00,00,01", "10.0.0.1"));
        GuardedMemory one(sizeof(IPADAPTERINFO));
        uint32_t size = 5;
        EXPECT_EQ(0u, HS_EXPORT(failing, HsiGetAdapterInfo)(As<IPADAPTERINFO>(one), &size));
        EXPECT_EQ(5u, size);
        EXPECT_TRUE(one.Untouched(0, sizeof(IPADAPTERINFO)));
    }
    // No adapter with an address: the user record's address fields are left.
    LibraryUnderTest unaddressed(Adapter(0, "00,00,00,00,00,09", "0.0.0.0"));
    GuardedMemory user(sizeof(NETUSERINFO));
    ASSERT_EQ(1, HS_EXPORT(unaddressed, HsiGetNetUserInfo)(As<NETUSERINFO>(user)));
    EXPECT_TRUE(user.Untouched(offsetof(NETUSERINFO, ipAddress), 64));
}

// Calls that fail, their answers and what they send to the debugger.
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
             GuardedMemory memory(500);
             uint32_t size = 500;
             return HS_EXPORT(lib, HsiGetDriverInfo)(As<DRIVERINFO>(memory), &size) +
                    (memory.Untouched(0, 500) ? 0 : 1000);
         },
         111, drives + "HsiGetDriverInfo() failed! --- ERROR_BUFFER_OVERFLOW --1\n"},
        {"drives: none", "",
         [](LibraryUnderTest &lib) {
             DRIVERINFO one;
             uint32_t size = 0;
             return HS_EXPORT(lib, HsiGetDriverInfo)(&one, &size);
         },
         232, drives + "HsiGetDriverInfo() failed! --- ERROR_NO_DATA\n"},
        {"processor list: an unreadable third record", kMachine,
         [](LibraryUnderTest &lib) {
             GuardedMemory header(sizeof(INFOLIST)), records(2 * sizeof(CPUINFO));
             As<INFOLIST>(header)->records = records.Address32();
             return HS_EXPORT(lib, HsiGetCpuInfoEx)(As<INFOLIST>(header), 3) +
                    (header.Untouched(0, 8) && records.Untouched(0, 2 * sizeof(CPUINFO)) ? 0 : 1000);
         },
         0, "HsiGetCpuInfoEx failed! 2"},
        {"NetBIOS list: an unreadable second record", kMachine,
         [](LibraryUnderTest &lib) {
             GuardedMemory header(sizeof(INFOLIST)), records(sizeof(NETINFO));
             As<INFOLIST>(header)->records = records.Address32();
             return HS_EXPORT(lib, HsiGetNetInfoEx)(As<INFOLIST>(header), 2);
         },
         0, "HsiGetNetInfoEx failed! 1"},
        {"common record: its last byte unreadable", kMachine,
         [](LibraryUnderTest &lib) {
             GuardedMemory memory(sizeof(COMMONINFO) - 1);
             return HS_EXPORT(lib, HsiGetCommonInfo)(As<COMMONINFO>(memory)) +
                    (memory.Untouched(0, sizeof(COMMONINFO) - 1) ? 0 : 1000);
         },
         0, "HsiGetUserInfo failed! "},
        {"user record: unreadable", kMachine,
         [](LibraryUnderTest &lib) {
             GuardedMemory memory(sizeof(NETUSERINFO) - 4);
             return HS_EXPORT(lib, HsiGetNetUserInfo)(As<NETUSERINFO>(memory));
         },
         111, "HsiGetNetUserInfo() failed! --- IsBadReadPtr\n"},
        {"system information: header of 27 bytes", kMachine,
         [](LibraryUnderTest &lib) {
             GuardedMemory memory(27);
             uint32_t total = 0;
             return HS_EXPORT(lib, HsiGetSysInfo)(As<SYSINFOHEADER>(memory), &total);
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
