// The drive and device exports and the system-information block through the
// shared library.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "library_under_test.h"

using hstest::Field;
using hstest::GuardedMemory;
using hstest::LibraryUnderTest;

namespace {

// A present Plug and Play instance of Windows 2000 and later.
std::string Instance(const std::string &path, const char *classGuid, const std::string &name) {
    const std::string key = "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\" + path + "]\n";
    return key + "\"ClassGUID\"=\"" + classGuid + "\"\n\"FriendlyName\"=\"" + name + "\"\n" +
           key.substr(0, key.size() - 2) + "\\Control]\n";
}

const char kFloppy[] = "{4D36E980-E325-11CE-BFC1-08002BE10318}";
const char kCdrom[] = "{4D36E965-E325-11CE-BFC1-08002BE10318}";
const char kDisk[] = "{4D36E967-E325-11CE-BFC1-08002BE10318}";
const char kDisplay[] = "{4D36E968-E325-11CE-BFC1-08002BE10318}";

const std::string kIdentity =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\n"
    "\"ComputerName\"=\"DESK\"\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n\"ProductName\"=\"Microsoft Windows XP\"\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon]\n"
    "\"DefaultUserName\"=\"grace\"\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\p]\n"
    "\"DisplayName\"=\"Paint\"\n\"UninstallString\"=\"x\"\n";

const std::string kDrives = Instance("FDC\\GENERIC_FLOPPY_DRIVE\\1", kFloppy, "Floppy disk drive") +
                            Instance("IDE\\CdRomNEC\\1", kCdrom, "NEC CD-ROM") +
                            Instance("IDE\\DiskMaxtor\\1", kDisk, "Maxtor 6Y080L0") +
                            Instance("IDE\\DiskWDC\\1", kDisk, "WDC WD400BB");

const std::string kDevices = Instance("PCI\\VEN_10DE\\1", kDisplay, "NVIDIA GeForce2 MX");

}  // namespace

TEST(ApiDrives, RecordsInCollectorOrderWithTypeWords) {
    LibraryUnderTest lib(kDrives);
    uint32_t size = 0;
    ASSERT_EQ(111u, HS_EXPORT(lib, HsiGetDriverInfo)(nullptr, &size));
    ASSERT_EQ(4u * 296u, size);
    GuardedMemory memory(size);
    auto *drives = reinterpret_cast<DRIVERINFO *>(memory.Data());
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetDriverInfo)(drives, &size));
    const char *expected[4][2] = {{"FloppyDisk", "Floppy disk drive"},
                                  {"CDROM", "NEC CD-ROM"},
                                  {"DiskDrive", "Maxtor 6Y080L0"},
                                  {"DiskDrive", "WDC WD400BB"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i][0], Field(drives[i].type, 32)) << i;
        EXPECT_EQ(expected[i][1], Field(drives[i].description, 260)) << i;
        EXPECT_TRUE(memory.Untouched(i * 296 + 4 + 31, 1)) << "last byte of type " << i;
    }
    EXPECT_EQ(0u, drives[3].next);
}

TEST(ApiDrives, BufferForFewerRecordsThanDrivesOverflows) {
    LibraryUnderTest lib(kDrives);
    GuardedMemory memory(500);
    uint32_t size = 500;
    lib.TakeDebugOutput();
    EXPECT_EQ(111u, HS_EXPORT(lib, HsiGetDriverInfo)(reinterpret_cast<DRIVERINFO *>(memory.Data()), &size));
    EXPECT_EQ(500u, size);
    EXPECT_EQ("trc GetDriverCount...\ntrc GetDriverCount...ok\n"
              "HsiGetDriverInfo() failed! --- ERROR_BUFFER_OVERFLOW --1\n",
              lib.TakeDebugOutput());
    EXPECT_TRUE(memory.Untouched(0, 500));
}

TEST(ApiDrives, NoDrivesAnswersNoData) {
    LibraryUnderTest lib("");
    uint32_t size = 77;
    ASSERT_EQ(111u, HS_EXPORT(lib, HsiGetDriverInfo)(nullptr, &size));
    EXPECT_EQ(0u, size);
    DRIVERINFO one;
    lib.TakeDebugOutput();
    EXPECT_EQ(232u, HS_EXPORT(lib, HsiGetDriverInfo)(&one, &size));
    EXPECT_EQ("trc GetDriverCount...\ntrc GetDriverCount...ok\nHsiGetDriverInfo() failed! --- ERROR_NO_DATA\n",
              lib.TakeDebugOutput());
}

TEST(ApiDevices, FillWithoutSizeQueryFindsEmptyLists) {
    LibraryUnderTest lib(kDevices);
    GuardedMemory memory(sizeof(DEVICEINFO));
    uint32_t size = sizeof(DEVICEINFO);
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetDeviceInfo)(reinterpret_cast<DEVICEINFO *>(memory.Data()), &size));
    auto *device = reinterpret_cast<DEVICEINFO *>(memory.Data());
    EXPECT_EQ("", Field(device->type, 32));
    EXPECT_EQ("", Field(device->description, 260));
    size = 0;
    EXPECT_EQ(232u, HS_EXPORT(lib, HsiGetDeviceInfo)(device, &size));
}

TEST(ApiDevices, SizeQueryGathersAndFillCopies) {
    LibraryUnderTest lib(kDevices);
    uint32_t size = 0;
    ASSERT_EQ(111u, HS_EXPORT(lib, HsiGetDeviceInfo)(nullptr, &size));
    ASSERT_GE(size, 296u);
    std::vector<DEVICEINFO> devices(size / sizeof(DEVICEINFO));
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetDeviceInfo)(devices.data(), &size));
    EXPECT_EQ("Display", Field(devices[0].type, 32));
    EXPECT_EQ("NVIDIA GeForce2 MX", Field(devices[0].description, 260));
}

TEST(ApiSysInfo, SizeQueryThenFillEqualsTheSingleExports) {
    LibraryUnderTest lib(kIdentity + kDrives + kDevices);
    std::vector<uint8_t> probe(28, 0);
    uint32_t total = 0;
    lib.TakeDebugOutput();
    ASSERT_EQ(111u, HS_EXPORT(lib, HsiGetSysInfo)(reinterpret_cast<SYSINFOHEADER *>(probe.data()), &total));
    EXPECT_EQ(0u, lib.TakeDebugOutput().find("Total = 3292,sizeof(COMMONINFO) = 1480,sizeof(CPUINFO) = 528,"
                                             "sizeof(DRIVERINFO) = 296,sizeof(DEVICEINFO) = 296,"
                                             "sizeof(IPADAPTERINFO) = 428,sizeof(SOFTWAREINFO) = 264\n"));
    const SYSINFOHEADER sizes = *reinterpret_cast<SYSINFOHEADER *>(probe.data());
    EXPECT_EQ(1480u, sizes.commonSize);
    EXPECT_EQ(528u, sizes.cpuSize);
    EXPECT_EQ(4u * 296u, sizes.driverSize);
    EXPECT_EQ(264u, sizes.softwareSize);
    EXPECT_EQ(sizes.commonSize + sizes.cpuSize + sizes.driverSize + sizes.deviceSize + sizes.adapterSize +
                  sizes.softwareSize,
              total);

    std::vector<uint8_t> block(24 + total, 0xEE);
    std::memcpy(block.data(), &sizes, sizeof sizes);
    ASSERT_EQ(0u, HS_EXPORT(lib, HsiGetSysInfo)(reinterpret_cast<SYSINFOHEADER *>(block.data()), &total));
    const auto *common = reinterpret_cast<const COMMONINFO *>(block.data() + 24);
    EXPECT_EQ("DESK", Field(common->computerName, 260));
    EXPECT_EQ(148u, common->osVersion.dwOSVersionInfoSize);
    const auto *cpu = reinterpret_cast<const CPUINFO *>(block.data() + 24 + 1480);
    EXPECT_EQ("GenuineIntel", Field(cpu->vendor, 260));
    const auto *drives = reinterpret_cast<const DRIVERINFO *>(block.data() + 24 + 1480 + 528);
    EXPECT_EQ("NEC CD-ROM", Field(drives[1].description, 260));
    const auto *software = reinterpret_cast<const SOFTWAREINFO *>(block.data() + 24 + total - 264);
    EXPECT_EQ("Paint", Field(software->displayName, 260));
}

TEST(ApiSysInfo, NoDrivesFailsTheFillAndLeavesTheBlockAlone) {
    LibraryUnderTest lib(kIdentity);
    std::vector<uint8_t> probe(28, 0);
    uint32_t total = 0;
    ASSERT_EQ(111u, HS_EXPORT(lib, HsiGetSysInfo)(reinterpret_cast<SYSINFOHEADER *>(probe.data()), &total));
    EXPECT_EQ(0u, reinterpret_cast<SYSINFOHEADER *>(probe.data())->driverSize);
    std::vector<uint8_t> block(24 + total, 0xEE);
    std::memcpy(block.data(), probe.data(), 24);
    lib.TakeDebugOutput();
    EXPECT_EQ(232u, HS_EXPORT(lib, HsiGetSysInfo)(reinterpret_cast<SYSINFOHEADER *>(block.data()), &total));
    EXPECT_NE(std::string::npos, lib.TakeDebugOutput().find("HsiGetDriverInfo failed!\n"));
    for (size_t i = 24; i < block.size(); ++i) ASSERT_EQ(0xEE, block[i]) << i;
}

TEST(ApiSysInfo, UnreadableHeaderIsAnInvalidBlock) {
    LibraryUnderTest lib(kIdentity);
    GuardedMemory memory(27);
    uint32_t total = 0;
    lib.TakeDebugOutput();
    EXPECT_EQ(9u, HS_EXPORT(lib, HsiGetSysInfo)(reinterpret_cast<SYSINFOHEADER *>(memory.Data()), &total));
    EXPECT_EQ("HsiGetSysInfo...ERROR_INVALID_BLOCK\n", lib.TakeDebugOutput());
    EXPECT_EQ(9u, HS_EXPORT(lib, HsiGetSysInfo)(nullptr, &total));
}
