// Sound and multimedia devices.
#include <gtest/gtest.h>

#include "devices_profile.h"
#include "registry/class_guids.h"

namespace {

using hs::TextList;
using namespace hstest::dev;

const std::string kMedia = hs::CLASSGUID_MEDIA;
const std::string kSoundCard = "Enum\\PCI\\VEN_1274&DEV_5880&SUBSYS_20001274&REV_02\\BUS_00&DEV_0A&FUNC_00";
const std::string kDrivers32 = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::string kDriversDesc = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers.desc";

TextList Media(hs::CInventory &inv) {
    TextList descriptions, types;
    const int32_t count = inv.GetMediaDevices(descriptions, types);
    EXPECT_EQ(static_cast<int32_t>(descriptions.size()), count);
    EXPECT_EQ(TextList(descriptions.size(), "MEDIA"), types);
    return descriptions;
}

// Media-class instances under the 9x PCI enumerator: one with a subkey but
// no Control key, one without any subkey, one of another class.
std::string Windows9xPciMedia() {
    return Instance("Enum\\PCI\\VEN_125D&DEV_1978\\BUS_00&DEV_0B&FUNC_00", kMedia, "", "ESS Maestro", "LogConf") +
           Instance("Enum\\PCI\\VEN_125D&DEV_1978\\BUS_00&DEV_0C&FUNC_00", kMedia, "", "No subkey", "") +
           Instance("Enum\\PCI\\VEN_8086&DEV_7110\\BUS_00&DEV_07&FUNC_00", hs::CLASSGUID_USB, "", "USB controller");
}

TEST(DevicesMedia, Windows9xFixedSoundCardIsTheOnlyEntry) {
    auto inv = Collector(Windows98Se() + Windows9xPciMedia() + Key(kSoundCard) + Value("ClassGUID", kMedia) +
                         Value("DeviceDesc", "Creative AudioPCI (ES1371,ES1373) (WDM)"));
    EXPECT_EQ(TextList({"Creative AudioPCI (ES1371,ES1373) (WDM)"}), Media(*inv));
}

TEST(DevicesMedia, Windows9xWithoutFixedCardSearchesThePciClass) {
    auto inv = Collector(Windows95() + Windows9xPciMedia() + Key(kSoundCard) + Value("DeviceDesc", ""));
    EXPECT_EQ(TextList({"ESS Maestro"}), Media(*inv));
}

TEST(DevicesMedia, Nt4DescribesTheWaveDriver) {
    auto inv = Collector(WindowsNt4() + Key(kDrivers32) + Value("wave", "sndblst.dll") + Value("midi", "x.dll") +
                         Key(kDriversDesc) + Value("sndblst.dll", "Creative Labs Sound Blaster 1.X, Pro, 16") +
                         Instance(kEnum + "\\PCI\\A\\0", kMedia, "PCI card", ""));
    EXPECT_EQ(TextList({"Creative Labs Sound Blaster 1.X, Pro, 16"}), Media(*inv));
}

TEST(DevicesMedia, Nt4AlwaysHasOneEntry) {
    {
        auto inv = Collector(WindowsNt4() + Key(kDrivers32) + Value("midi", "x.dll") + Key(kDriversDesc) +
                             Value("x.dll", "MIDI only"));
        EXPECT_EQ(TextList({""}), Media(*inv));
    }
    {
        auto inv = Collector(WindowsNt4() + Key(kDrivers32) + Value("wave", "undescribed.dll"));
        EXPECT_EQ(TextList({""}), Media(*inv));
    }
}

TEST(DevicesMedia, Windows2000PciSearchOnly) {
    auto inv = Collector(Windows2000() + Instance(kEnum + "\\PCI\\VEN_1102&DEV_0002\\4&1", kMedia, "SB Live!", "") +
                         Instance(kEnum + "\\USB\\VID_046D&PID_0A01\\5&1", kMedia, "USB headset", ""));
    EXPECT_EQ(TextList({"SB Live!"}), Media(*inv));
}

TEST(DevicesMedia, WindowsXpFallsBackToEveryEnumerator) {
    auto inv = Collector(WindowsXp() + Instance(kEnum + "\\PCI\\VEN_1102\\4&1", kMedia, "Absent PCI", "", "LogConf") +
                         Instance(kEnum + "\\USB\\VID_046D&PID_0A01\\5&1", kMedia, "USB headset", "") +
                         Instance(kEnum + "\\Root\\LEGACY_AUDIO\\0000", kMedia, "", "Legacy audio") +
                         Instance(kEnum + "\\SW\\{b7eafdc0}\\0", kMedia, "Kernel mixer", ""));
    // Enumerators in their order: PCI (nothing present), Root, SW, USB.
    EXPECT_EQ(TextList({"Legacy audio", "Kernel mixer", "USB headset"}), Media(*inv));
}

}  // namespace
