// CD-ROM and disk drives: the Plug and Play tree on Windows 2000 and later,
// the SCSI device map on NT 4, the drive-letter probe on Windows 9x, and the
// CD-ROM placeholders on NT.
#include <gtest/gtest.h>

#include "devices_profile.h"
#include "registry/class_guids.h"

namespace {

using hs::TextList;
using namespace hstest::dev;

const std::string kIde = kEnum + "\\IDE";
const std::string kScsi = kEnum + "\\SCSI";
const std::string kCdrom = hs::CLASSGUID_CDROM;
const std::string kDisk = hs::CLASSGUID_DISKDRIVE;

std::string Drives(const std::string &values) { return "[HKEY_SIMULATION\\Drives]\n" + values; }

struct Collected {
    TextList descriptions;
    TextList types;
    int32_t count;
};

Collected Cdroms(hs::CInventory &inv) {
    Collected c;
    c.count = inv.GetCdromDrives(c.descriptions, c.types);
    return c;
}

Collected Disks(hs::CInventory &inv) {
    Collected c;
    c.count = inv.GetDiskDrives(c.descriptions, c.types);
    return c;
}

// ---- Windows 2000 and later ----

TEST(DrivesPnp, IdeCdromBeforeScsiCdrom) {
    for (const std::string &version : {Windows2000(), WindowsXp()}) {
        auto inv = Collector(version + Instance(kScsi + "\\CdRomPLEXTOR\\4&1", kCdrom, "PLEXTOR SCSI CD", "") +
                             Instance(kIde + "\\CdRomTOSHIBA\\5&2", kCdrom, "TOSHIBA IDE CD", "") +
                             Drives(Dword("D", 5) + Dword("E", 5)));
        const Collected c = Cdroms(*inv);
        EXPECT_EQ(2, c.count);
        EXPECT_EQ(TextList({"TOSHIBA IDE CD", "PLEXTOR SCSI CD"}), c.descriptions);
        EXPECT_EQ(TextList(2, "CDROM"), c.types);
    }
}

TEST(DrivesPnp, DisksComeFromTheIdeTreeOnly) {
    auto inv = Collector(Windows2000() + Instance(kIde + "\\DiskWDC\\5&1", kDisk, "WDC disk", "") +
                         Instance(kScsi + "\\DiskSEAGATE\\4&1", kDisk, "Seagate SCSI disk", "") +
                         Instance(kIde + "\\DiskGone\\5&2", kDisk, "Removed disk", "", "LogConf"));
    const Collected c = Disks(*inv);
    EXPECT_EQ(1, c.count);
    EXPECT_EQ(TextList({"WDC disk"}), c.descriptions);
    EXPECT_EQ(TextList({"DiskDrive"}), c.types);
}

TEST(DrivesPnp, PlaceholdersMakeUpForUnnamedCdromLetters) {
    auto inv = Collector(WindowsXp() + Instance(kIde + "\\CdRomA\\0", kCdrom, "Named CD", "") +
                         Drives(Dword("C", 3) + Dword("E", 5) + Dword("F", 5)));
    const Collected c = Cdroms(*inv);
    EXPECT_EQ(2, c.count);
    EXPECT_EQ(TextList({"Named CD", "CDRom 1"}), c.descriptions);
    EXPECT_EQ(TextList(2, "CDROM"), c.types);
}

TEST(DrivesPnp, ThreeCdromLettersAndNoNamedDevice) {
    auto inv = Collector(Windows2000() + Drives(Dword("D", 5) + Dword("R", 5) + Dword("Z", 5) + Dword("A", 2)));
    const Collected c = Cdroms(*inv);
    EXPECT_EQ(3, c.count);
    EXPECT_EQ(TextList({"CDRom 1", "CDRom 2", "CDRom 3"}), c.descriptions);
}

TEST(DrivesPnp, MoreNamedDevicesThanLettersKeepsThemAll) {
    auto inv = Collector(WindowsXp() + Instance(kIde + "\\CdRomA\\0", kCdrom, "CD one", "") +
                         Instance(kIde + "\\CdRomB\\0", kCdrom, "CD two", "") + Drives(Dword("E", 5)));
    const Collected c = Cdroms(*inv);
    EXPECT_EQ(2, c.count);
    EXPECT_EQ(TextList({"CD one", "CD two"}), c.descriptions);
}

TEST(DrivesPnp, DiskCollectorAddsNoPlaceholders) {
    auto inv = Collector(WindowsXp() + Drives(Dword("E", 5) + Dword("F", 5)));
    EXPECT_EQ(0, Disks(*inv).count);
}

// ---- NT 4: the SCSI device map ----

const std::string kMap = "HARDWARE\\DEVICEMAP\\Scsi";

// A logical unit 0 below a port's "Scsi Bus 0"; an empty type leaves the
// value out.
std::string Unit(const std::string &port, const std::string &target, const std::string &identifier,
                 const std::string &type) {
    std::string text = Key(kMap + "\\" + port + "\\Scsi Bus 0\\" + target + "\\Logical Unit Id 0");
    if (!identifier.empty()) text += Value("Identifier", identifier);
    if (!type.empty()) text += Value("Type", type);
    return text;
}

std::string BusSubkey(const std::string &port, const std::string &name) {
    return Key(kMap + "\\" + port + "\\Scsi Bus 0\\" + name);
}

TEST(DrivesNt4, PortRulesChooseTheLaterTargetOfTheFirstTwo) {
    auto inv = Collector(WindowsNt4() +
                         // Initiator Id 7, Target Id 0: the target.
                         BusSubkey("Scsi Port 0", "Initiator Id 7") +
                         Unit("Scsi Port 0", "Target Id 0", "PORT0 T0", "DiskPeripheral") +
                         // Target Id 0 and Target Id 1: only Target Id 1.
                         Unit("Scsi Port 1", "Target Id 0", "PORT1 T0", "DiskPeripheral") +
                         Unit("Scsi Port 1", "Target Id 1", "PORT1 T1", "DiskPeripheral") +
                         // The only subkey Target Id 2.
                         Unit("Scsi Port 2", "Target Id 2", "PORT2 T2", "DiskPeripheral") +
                         // Initiator Id 6 and 7 first: nothing, whatever follows.
                         BusSubkey("Scsi Port 3", "Initiator Id 6") + BusSubkey("Scsi Port 3", "Initiator Id 7") +
                         Unit("Scsi Port 3", "Target Id 0", "PORT3 T0", "DiskPeripheral"));
    const Collected c = Disks(*inv);
    EXPECT_EQ(3, c.count);
    EXPECT_EQ(TextList({"PORT0 T0", "PORT1 T1", "PORT2 T2"}), c.descriptions);
    EXPECT_EQ(TextList(3, "DiskDrive"), c.types);
}

TEST(DrivesNt4, TargetNameMatchIsCaseSensitiveAndOnlyBusZero) {
    auto inv = Collector(WindowsNt4() + Unit("Scsi Port 0", "TARGET ID 0", "UPPER", "DiskPeripheral") +
                         Key(kMap + "\\Scsi Port 1\\Scsi Bus 1\\Target Id 0\\Logical Unit Id 0") +
                         Value("Identifier", "BUS1") +
                         Key(kMap + "\\Scsi Port 2\\Scsi Bus 0\\Target Id 0\\Logical Unit Id 1") +
                         Value("Identifier", "LUN1"));
    EXPECT_EQ(0, Disks(*inv).count);
}

TEST(DrivesNt4, TypeDecidesBetweenCdromAndDisk) {
    const std::string machine = WindowsNt4() + Unit("Scsi Port 0", "Target Id 0", "CD upper", "CDROMPeripheral") +
                                Unit("Scsi Port 1", "Target Id 0", "CD lower", "cdrom") +
                                Unit("Scsi Port 2", "Target Id 0", "Tape", "TapePeripheral") +
                                Unit("Scsi Port 3", "Target Id 0", "No type", "") +
                                Unit("Scsi Port 4", "Target Id 0", "Short type", "CdR") +
                                Unit("Scsi Port 5", "Target Id 0", "", "CdRomPeripheral") +
                                Drives(Dword("C", 3) + Dword("E", 5) + Dword("F", 5));
    auto inv = Collector(machine);
    const Collected cd = Cdroms(*inv);
    EXPECT_EQ(TextList({"CD upper", "CD lower"}), cd.descriptions);
    EXPECT_EQ(2, cd.count);
    const Collected disk = Disks(*inv);
    EXPECT_EQ(TextList({"Tape", "No type", "Short type"}), disk.descriptions);
    EXPECT_EQ(3, disk.count);
}

TEST(DrivesNt4, CdromPlaceholdersAfterTheMap) {
    auto inv = Collector(WindowsNt4() + Unit("atapi", "Target Id 0", "ATAPI CD", "CdRomPeripheral") +
                         Drives(Dword("D", 5) + Dword("E", 5) + Dword("F", 5)));
    const Collected c = Cdroms(*inv);
    EXPECT_EQ(TextList({"ATAPI CD", "CDRom 1", "CDRom 2"}), c.descriptions);
    EXPECT_EQ(TextList(3, "CDROM"), c.types);
}

TEST(DrivesNt4, IgnoresThePlugAndPlayTree) {
    auto inv = Collector(WindowsNt4() + Instance(kIde + "\\DiskA\\0", kDisk, "PnP disk", ""));
    EXPECT_EQ(0, Disks(*inv).count);
}

// ---- Windows 9x: ESDI then SCSI, with the drive-letter probe ----

std::string Instance9x(const std::string &path, const std::string &letters, const std::string &setupClass,
                       const std::string &description) {
    std::string text = Key(path);
    text += Value("CurrentDriveLetterAssignment", letters);
    if (!setupClass.empty()) text += Value("Class", setupClass);
    if (!description.empty()) text += Value("DeviceDesc", description);
    return text;
}

int CurrentDrive() { return _getdrive(); }

TEST(Drives9x, CdromWithoutDiscIsListedByItsSingleLetter) {
    auto inv = Collector(Windows98Se() + Instance9x("Enum\\SCSI\\TOSHIBA\\E", "E", "CDROM", "TOSHIBA CD") +
                         Instance9x("Enum\\SCSI\\TOSHIBA\\EF", "EF", "CDROM", "Two letters") +
                         Instance9x("Enum\\SCSI\\TOSHIBA\\G", "G", "CDROM", "Not a CD letter") +
                         Drives(Dword("C", 3) + Dword("E", 5) + Dword("F", 5) + Dword("G", 3) +
                                Value("Ready", "C")));
    const int before = CurrentDrive();
    const Collected c = Cdroms(*inv);
    EXPECT_EQ(TextList({"TOSHIBA CD"}), c.descriptions);
    EXPECT_EQ(TextList({"CDROM"}), c.types);
    EXPECT_EQ(1, c.count);
    EXPECT_EQ(before, CurrentDrive());
}

TEST(Drives9x, CdromWithDiscIsListedByProbe) {
    auto inv = Collector(Windows95() + Instance9x("Enum\\ESDI\\CD\\0", "DE", "cdrom", "Two-letter CD") +
                         Drives(Dword("C", 3) + Dword("D", 5) + Dword("E", 5) + Value("Ready", "CDE")));
    const Collected c = Cdroms(*inv);
    EXPECT_EQ(TextList({"Two-letter CD"}), c.descriptions);
    EXPECT_EQ(3, CurrentDrive());
}

TEST(Drives9x, DiskNeedsEveryLetterOfItsAssignment) {
    const std::string instances = Instance9x("Enum\\ESDI\\DISK\\0", "CD", "DiskDrive", "Two-partition disk");
    {
        auto inv = Collector(Windows98Se() + instances +
                             Drives(Dword("C", 3) + Dword("D", 3) + Dword("H", 3) + Value("Current", "H")));
        const Collected c = Disks(*inv);
        EXPECT_EQ(TextList({"Two-partition disk"}), c.descriptions);
        EXPECT_EQ(8, CurrentDrive());
    }
    {
        // C can be made current, D cannot: skipped, and the current drive
        // is back to H, not left at C.
        auto inv = Collector(Windows98Se() + instances +
                             Drives(Dword("C", 3) + Dword("D", 3) + Dword("H", 3) + Value("Ready", "CH") +
                                    Value("Current", "H")));
        EXPECT_EQ(0, Disks(*inv).count);
        EXPECT_EQ(8, CurrentDrive());
    }
}

TEST(Drives9x, LowerCaseLetterFailsTheProbe) {
    auto inv = Collector(Windows98Se() + Instance9x("Enum\\ESDI\\DISK\\0", "c", "DiskDrive", "Lower") +
                         Instance9x("Enum\\ESDI\\DISK\\1", "C", "DiskDrive", "Upper") + Drives(Dword("C", 3)));
    EXPECT_EQ(TextList({"Upper"}), Disks(*inv).descriptions);
    EXPECT_EQ(3, CurrentDrive());
}

TEST(Drives9x, ClassMustMatchAndDescriptionMayBeEmpty) {
    auto inv = Collector(Windows98Se() + Instance9x("Enum\\ESDI\\DISK\\0", "C", "", "No class") +
                         Instance9x("Enum\\ESDI\\DISK\\1", "C", "DISKDRIVE", "") +
                         Instance9x("Enum\\ESDI\\DISK\\2", "C", "CDROM", "A CD on C") +
                         Key("Enum\\ESDI\\DISK\\3") + Value("Class", "DiskDrive") + Value("DeviceDesc", "No letters") +
                         Drives(Dword("C", 3)));
    const Collected disk = Disks(*inv);
    EXPECT_EQ(TextList({""}), disk.descriptions);
    EXPECT_EQ(TextList({"DiskDrive"}), disk.types);
    EXPECT_EQ(1, disk.count);
    EXPECT_EQ(TextList({"A CD on C"}), Cdroms(*inv).descriptions);
}

TEST(Drives9x, EmptyAssignmentProbesNothingAndPasses) {
    auto inv = Collector(Windows98Se() + Instance9x("Enum\\SCSI\\DISK\\0", "", "DiskDrive", "Unassigned") +
                         Drives(Value("Ready", "")));
    EXPECT_EQ(TextList({"Unassigned"}), Disks(*inv).descriptions);
}

TEST(Drives9x, EsdiBeforeScsiAndOnlyEsdiIsTraced) {
    auto inv = Collector(Windows98Se() + Instance9x("Enum\\SCSI\\A\\0", "D", "DiskDrive", "SCSI disk") +
                         Instance9x("Enum\\ESDI\\Z\\0", "C", "DiskDrive", "ESDI disk") +
                         Instance9x("Enum\\ESDI\\Z\\1", "E", "CDROM", "ESDI CD") +
                         Drives(Dword("C", 3) + Dword("D", 3) + Dword("E", 5)));
    StartDebugCapture();
    const Collected disk = Disks(*inv);
    EXPECT_EQ("C\nE\n", StopDebugCapture());
    EXPECT_EQ(TextList({"ESDI disk", "SCSI disk"}), disk.descriptions);

    StartDebugCapture();
    const Collected cd = Cdroms(*inv);
    EXPECT_EQ("", StopDebugCapture());
    EXPECT_EQ(TextList({"ESDI CD"}), cd.descriptions);
}

TEST(Drives9x, NoPlaceholdersOnWindows9x) {
    auto inv = Collector(Windows95() + Drives(Dword("E", 5) + Dword("F", 5)));
    const Collected c = Cdroms(*inv);
    EXPECT_EQ(0, c.count);
    EXPECT_TRUE(c.descriptions.empty());
}

TEST(Drives9x, IgnoresTheNtSources) {
    auto inv = Collector(Windows98Se() + Instance(kIde + "\\DiskA\\0", kDisk, "PnP disk", "") +
                         Unit("Scsi Port 0", "Target Id 0", "Map disk", "DiskPeripheral"));
    EXPECT_EQ(0, Disks(*inv).count);
}

}  // namespace
