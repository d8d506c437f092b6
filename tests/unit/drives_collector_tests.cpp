// The drive collector: kinds joined in their order, lists replaced, traces.
#include <gtest/gtest.h>

#include "devices_profile.h"
#include "registry/class_guids.h"

namespace {

using hs::TextList;
using namespace hstest::dev;

// One floppy, one CD-ROM and two disks on Windows XP, listed so that the
// profile order differs from the collected order.
std::string XpWithFourDrives() {
    return WindowsXp() +
           Instance(kEnum + "\\IDE\\DiskMaxtor\\5&1", hs::CLASSGUID_DISKDRIVE, "", "Maxtor disk") +
           Instance(kEnum + "\\IDE\\DiskIBM\\5&2", hs::CLASSGUID_DISKDRIVE, "IBM disk", "") +
           Instance(kEnum + "\\IDE\\CdRomLITEON\\5&3", hs::CLASSGUID_CDROM, "LITE-ON CD", "") +
           Instance(kEnum + "\\FDC\\GENERIC_FLOPPY_DRIVE\\6&4", hs::CLASSGUID_FLOPPYDISK, "", "Floppy disk drive") +
           "[HKEY_SIMULATION\\Drives]\n" + Dword("A", 2) + Dword("C", 3) + Dword("D", 3) + Dword("E", 5);
}

TEST(DrivesCollector, JoinsFloppyCdromDiskAndReplacesTheLists) {
    auto inv = Collector(XpWithFourDrives());
    TextList descriptions = {"stale"}, types = {"stale", "stale"};
    inv->CopyDriverLists(descriptions, types);  // nothing gathered yet
    EXPECT_TRUE(descriptions.empty());
    EXPECT_TRUE(types.empty());
    EXPECT_EQ(4u, inv->GetDriverCount());
    EXPECT_EQ(4u, inv->GetDriverCount());  // replaced, not extended
    descriptions = {"stale"};
    inv->CopyDriverLists(descriptions, types);
    EXPECT_EQ(TextList({"Floppy disk drive", "LITE-ON CD", "IBM disk", "Maxtor disk"}), descriptions);
    EXPECT_EQ(TextList({"FloppyDisk", "CDROM", "DiskDrive", "DiskDrive"}), types);

    // A machine that has lost its drives empties the lists.
    hstest::UseMachine(WindowsXp());
    EXPECT_EQ(0u, inv->GetDriverCount());
    inv->CopyDriverLists(descriptions, types);
    EXPECT_TRUE(descriptions.empty());
    EXPECT_TRUE(types.empty());
}

TEST(DrivesCollector, TracesEveryCallWhateverItFinds) {
    auto inv = Collector(WindowsXp());
    StartDebugCapture();
    EXPECT_EQ(0u, inv->GetDriverCount());
    EXPECT_EQ("trc GetDriverCount...\ntrc GetDriverCount...ok\n", StopDebugCapture());
}

TEST(DrivesCollector, Windows9xDiskTraceSitsBetweenTheCollectorTraces) {
    auto inv = Collector(Windows98Se() + Key("Enum\\ESDI\\GENERIC_IDE_DISK\\0") +
                         Value("CurrentDriveLetterAssignment", "C") + Value("Class", "DiskDrive") +
                         Value("DeviceDesc", "GENERIC IDE DISK") + "[HKEY_SIMULATION\\Drives]\n" + Dword("C", 3) +
                         Dword("D", 3) + Value("Current", "D"));
    StartDebugCapture();
    EXPECT_EQ(1u, inv->GetDriverCount());
    EXPECT_EQ("trc GetDriverCount...\nC\ntrc GetDriverCount...ok\n", StopDebugCapture());
    // The probe made C current for a moment; D is current again.
    EXPECT_EQ(4, _getdrive());
}

}  // namespace
