// Floppy drives on the NT and Windows 9x families.
#include <gtest/gtest.h>

#include "devices_profile.h"
#include "registry/class_guids.h"

namespace {

using hs::TextList;
using namespace hstest::dev;

const std::string kFdc = kEnum + "\\FDC";
const std::string kFloppy = hs::CLASSGUID_FLOPPYDISK;

TEST(DrivesFloppy, NtListsPresentFloppiesUnderFdc) {
    for (const std::string &version : {WindowsNt4(), Windows2000(), WindowsXp()}) {
        auto inv = Collector(version + Instance(kFdc + "\\GENERIC_FLOPPY_DRIVE\\0", kFloppy, "", "Floppy disk drive") +
                             Instance(kFdc + "\\GENERIC_FLOPPY_DRIVE\\1", kFloppy, "Gone", "", "LogConf") +
                             // Floppies elsewhere, or of another class, are not looked at.
                             Instance(kEnum + "\\Root\\Floppy\\0", kFloppy, "Root floppy", "") +
                             Instance(kFdc + "\\Other\\0", hs::CLASSGUID_DISKDRIVE, "A disk", "") +
                             // Nor is the Windows 9x tree.
                             Key("Enum\\FLOP\\GENERIC\\0") + Value("DeviceDesc", "9x floppy"));
        TextList descriptions, types;
        EXPECT_EQ(1, inv->GetFloppyDrives(descriptions, types));
        EXPECT_EQ(TextList({"Floppy disk drive"}), descriptions);
        EXPECT_EQ(TextList({"FloppyDisk"}), types);
    }
}

TEST(DrivesFloppy, Windows9xNamesEachInstanceByItsOwnValue) {
    for (const std::string &version : {Windows95(), Windows98Se()}) {
        auto inv = Collector(version +
                             // Empty FriendlyName, DeviceDesc set.
                             Key("Enum\\FLOP\\GENERIC_NEC\\0000") + Value("FriendlyName", "") +
                             Value("DeviceDesc", "Standard floppy A") +
                             // Missing FriendlyName.
                             Key("Enum\\FLOP\\GENERIC_NEC\\0001") + Value("DeviceDesc", "Standard floppy B") +
                             // Both: FriendlyName wins.
                             Key("Enum\\FLOP\\SONY\\0000") + Value("FriendlyName", "Sony 3.5") +
                             Value("DeviceDesc", "Sony desc") +
                             // Neither: not listed.
                             Key("Enum\\FLOP\\SONY\\0001") + Value("Class", "FDC") +
                             // The NT tree is not looked at.
                             Instance(kFdc + "\\GENERIC\\0", kFloppy, "NT floppy", ""));
        TextList descriptions, types;
        EXPECT_EQ(3, inv->GetFloppyDrives(descriptions, types));
        EXPECT_EQ(TextList({"Standard floppy A", "Standard floppy B", "Sony 3.5"}), descriptions);
        EXPECT_EQ(TextList(3, "FloppyDisk"), types);
    }
}

}  // namespace
