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

std::string Instance9x(const std::string &path, const std::string &letters, const std::string &setupClass,
                       const std::string &description) {
    std::string text = Key(path);
    text += Value("CurrentDriveLetterAssignment", letters);
    if (!setupClass.empty()) text += Value("Class", setupClass);
    if (!description.empty()) text += Value("DeviceDesc", description);
    return text;
}

int CurrentDrive() { return _getdrive(); }

// Each case collects one kind; the answer is the number of descriptions and
// every type word is the kind's. A current drive of 0 is not checked.
TEST(DrivesCdromDisk, ByReleaseAndSource) {
    const KindGetter cd = &hs::CInventory::GetCdromDrives, disk = &hs::CInventory::GetDiskDrives;
    const std::string ntTypes = WindowsNt4() + Unit("Scsi Port 0", "Target Id 0", "CD upper", "CDROMPeripheral") +
                                Unit("Scsi Port 1", "Target Id 0", "CD lower", "cdrom") +
                                Unit("Scsi Port 2", "Target Id 0", "Tape", "TapePeripheral") +
                                Unit("Scsi Port 3", "Target Id 0", "No type", "") +
                                Unit("Scsi Port 4", "Target Id 0", "Short type", "CdR") +
                                Unit("Scsi Port 5", "Target Id 0", "", "CdRomPeripheral") +
                                Drives(Dword("C", 3) + Dword("E", 5) + Dword("F", 5));
    const std::string twoPartitions = Instance9x("Enum\\ESDI\\DISK\\0", "CD", "DiskDrive", "Two-partition disk");
    const std::string pnpCds = Instance(kScsi + "\\CdRomPLEXTOR\\4&1", kCdrom, "PLEXTOR SCSI CD", "") +
                               Instance(kIde + "\\CdRomTOSHIBA\\5&2", kCdrom, "TOSHIBA IDE CD", "") +
                               Drives(Dword("D", 5) + Dword("E", 5));
    const std::string classes = Windows98Se() + Instance9x("Enum\\ESDI\\DISK\\0", "C", "", "No class") +
                                Instance9x("Enum\\ESDI\\DISK\\1", "C", "DISKDRIVE", "") +
                                Instance9x("Enum\\ESDI\\DISK\\2", "C", "CDROM", "A CD on C") +
                                Key("Enum\\ESDI\\DISK\\3") + Value("Class", "DiskDrive") +
                                Value("DeviceDesc", "No letters") + Drives(Dword("C", 3));
    const struct {
        const char *what;
        std::string machine;
        KindGetter kind;
        TextList names;
        int currentDrive;
    } cases[] = {
        // Windows 2000 and later: the Plug and Play tree.
        {"2000: IDE CD-ROM before SCSI CD-ROM", Windows2000() + pnpCds, cd, {"TOSHIBA IDE CD", "PLEXTOR SCSI CD"}, 0},
        {"XP: IDE CD-ROM before SCSI CD-ROM", WindowsXp() + pnpCds, cd, {"TOSHIBA IDE CD", "PLEXTOR SCSI CD"}, 0},
        {"disks from the IDE tree only",
         Windows2000() + Instance(kIde + "\\DiskWDC\\5&1", kDisk, "WDC disk", "") +
             Instance(kScsi + "\\DiskSEAGATE\\4&1", kDisk, "Seagate SCSI disk", "") +
             Instance(kIde + "\\DiskGone\\5&2", kDisk, "Removed disk", "", "LogConf"),
         disk, {"WDC disk"}, 0},
        {"placeholders make up for unnamed CD-ROM letters",
         WindowsXp() + Instance(kIde + "\\CdRomA\\0", kCdrom, "Named CD", "") +
             Drives(Dword("C", 3) + Dword("E", 5) + Dword("F", 5)),
         cd, {"Named CD", "CDRom 1"}, 0},
        {"three CD-ROM letters, no named device",
         Windows2000() + Drives(Dword("D", 5) + Dword("R", 5) + Dword("Z", 5) + Dword("A", 2)), cd,
         {"CDRom 1", "CDRom 2", "CDRom 3"}, 0},
        {"more named devices than letters",
         WindowsXp() + Instance(kIde + "\\CdRomA\\0", kCdrom, "CD one", "") +
             Instance(kIde + "\\CdRomB\\0", kCdrom, "CD two", "") + Drives(Dword("E", 5)),
         cd, {"CD one", "CD two"}, 0},
        {"no disk placeholders", WindowsXp() + Drives(Dword("E", 5) + Dword("F", 5)), disk, {}, 0},
        // NT 4: the SCSI device map.
        {"NT 4: the port's later target of the first two",
         WindowsNt4() + BusSubkey("Scsi Port 0", "Initiator Id 7") +
             Unit("Scsi Port 0", "Target Id 0", "PORT0 T0", "DiskPeripheral") +
             Unit("Scsi Port 1", "Target Id 0", "PORT1 T0", "DiskPeripheral") +
             Unit("Scsi Port 1", "Target Id 1", "PORT1 T1", "DiskPeripheral") +
             Unit("Scsi Port 2", "Target Id 2", "PORT2 T2", "DiskPeripheral") +
             // Initiator Id 6 and 7 first: nothing, whatever follows.
             BusSubkey("Scsi Port 3", "Initiator Id 6") + BusSubkey("Scsi Port 3", "Initiator Id 7") +
             Unit("Scsi Port 3", "Target Id 0", "PORT3 T0", "DiskPeripheral"),
         disk, {"PORT0 T0", "PORT1 T1", "PORT2 T2"}, 0},
        {"NT 4: target names case-sensitive, bus 0 and unit 0 only",
         WindowsNt4() + Unit("Scsi Port 0", "TARGET ID 0", "UPPER", "DiskPeripheral") +
             Key(kMap + "\\Scsi Port 1\\Scsi Bus 1\\Target Id 0\\Logical Unit Id 0") + Value("Identifier", "BUS1") +
             Key(kMap + "\\Scsi Port 2\\Scsi Bus 0\\Target Id 0\\Logical Unit Id 1") + Value("Identifier", "LUN1"),
         disk, {}, 0},
        {"NT 4: the type decides, CD-ROMs", ntTypes, cd, {"CD upper", "CD lower"}, 0},
        {"NT 4: the type decides, disks", ntTypes, disk, {"Tape", "No type", "Short type"}, 0},
        {"NT 4: CD-ROM placeholders after the map",
         WindowsNt4() + Unit("atapi", "Target Id 0", "ATAPI CD", "CdRomPeripheral") +
             Drives(Dword("D", 5) + Dword("E", 5) + Dword("F", 5)),
         cd, {"ATAPI CD", "CDRom 1", "CDRom 2"}, 0},
        {"NT 4 ignores the Plug and Play tree", WindowsNt4() + Instance(kIde + "\\DiskA\\0", kDisk, "PnP disk", ""),
         disk, {}, 0},
        // Windows 9x: ESDI then SCSI, with the drive-letter probe.
        {"9x: CD-ROM without disc by its single letter",
         Windows98Se() + Instance9x("Enum\\SCSI\\TOSHIBA\\E", "E", "CDROM", "TOSHIBA CD") +
             Instance9x("Enum\\SCSI\\TOSHIBA\\EF", "EF", "CDROM", "Two letters") +
             Instance9x("Enum\\SCSI\\TOSHIBA\\G", "G", "CDROM", "Not a CD letter") +
             Drives(Dword("C", 3) + Dword("E", 5) + Dword("F", 5) + Dword("G", 3) + Value("Ready", "C")),
         cd, {"TOSHIBA CD"}, 3},
        {"9x: CD-ROM with disc by the probe",
         Windows95() + Instance9x("Enum\\ESDI\\CD\\0", "DE", "cdrom", "Two-letter CD") +
             Drives(Dword("C", 3) + Dword("D", 5) + Dword("E", 5) + Value("Ready", "CDE")),
         cd, {"Two-letter CD"}, 3},
        {"9x: disk with every letter of its assignment",
         Windows98Se() + twoPartitions + Drives(Dword("C", 3) + Dword("D", 3) + Dword("H", 3) + Value("Current", "H")),
         disk, {"Two-partition disk"}, 8},
        // C can be made current, D cannot: skipped, and H is current again.
        {"9x: disk missing a letter",
         Windows98Se() + twoPartitions +
             Drives(Dword("C", 3) + Dword("D", 3) + Dword("H", 3) + Value("Ready", "CH") + Value("Current", "H")),
         disk, {}, 8},
        {"9x: lower-case letter fails the probe",
         Windows98Se() + Instance9x("Enum\\ESDI\\DISK\\0", "c", "DiskDrive", "Lower") +
             Instance9x("Enum\\ESDI\\DISK\\1", "C", "DiskDrive", "Upper") + Drives(Dword("C", 3)),
         disk, {"Upper"}, 3},
        {"9x: class must match, description may be empty", classes, disk, {""}, 0},
        {"9x: CD-ROM class on a disk letter", classes, cd, {"A CD on C"}, 0},
        {"9x: empty assignment probes nothing",
         Windows98Se() + Instance9x("Enum\\SCSI\\DISK\\0", "", "DiskDrive", "Unassigned") + Drives(Value("Ready", "")),
         disk, {"Unassigned"}, 0},
        {"9x: no placeholders", Windows95() + Drives(Dword("E", 5) + Dword("F", 5)), cd, {}, 0},
        {"9x ignores the NT sources",
         Windows98Se() + Instance(kIde + "\\DiskA\\0", kDisk, "PnP disk", "") +
             Unit("Scsi Port 0", "Target Id 0", "Map disk", "DiskPeripheral"),
         disk, {}, 0},
    };
    for (const auto &c : cases) {
        auto inv = Collector(c.machine);
        EXPECT_EQ(c.names, CollectKind(*inv, c.kind, c.kind == cd ? "CDROM" : "DiskDrive")) << c.what;
        if (c.currentDrive != 0) {
            EXPECT_EQ(c.currentDrive, CurrentDrive()) << c.what;
        }
    }
}

TEST(Drives9x, EsdiBeforeScsiAndOnlyEsdiIsTraced) {
    auto inv = Collector(Windows98Se() + Instance9x("Enum\\SCSI\\A\\0", "D", "DiskDrive", "SCSI disk") +
                         Instance9x("Enum\\ESDI\\Z\\0", "C", "DiskDrive", "ESDI disk") +
                         Instance9x("Enum\\ESDI\\Z\\1", "E", "CDROM", "ESDI CD") +
                         Drives(Dword("C", 3) + Dword("D", 3) + Dword("E", 5)));
    StartDebugCapture();
    EXPECT_EQ(TextList({"ESDI disk", "SCSI disk"}), CollectKind(*inv, &hs::CInventory::GetDiskDrives, "DiskDrive"));
    EXPECT_EQ("C\nE\n", StopDebugCapture());
    StartDebugCapture();
    EXPECT_EQ(TextList({"ESDI CD"}), CollectKind(*inv, &hs::CInventory::GetCdromDrives, "CDROM"));
    EXPECT_EQ("", StopDebugCapture());
}

}  // namespace
