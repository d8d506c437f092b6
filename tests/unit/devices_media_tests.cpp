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

// Media-class instances under the 9x PCI enumerator: one with a subkey but
// no Control key, one without any subkey, one of another class.
std::string Windows9xPciMedia() {
    return Instance("Enum\\PCI\\VEN_125D&DEV_1978\\BUS_00&DEV_0B&FUNC_00", kMedia, "", "ESS Maestro", "LogConf") +
           Instance("Enum\\PCI\\VEN_125D&DEV_1978\\BUS_00&DEV_0C&FUNC_00", kMedia, "", "No subkey", "") +
           Instance("Enum\\PCI\\VEN_8086&DEV_7110\\BUS_00&DEV_07&FUNC_00", hs::CLASSGUID_USB, "", "USB controller");
}

TEST(DevicesMedia, SourcesByRelease) {
    const struct {
        const char *what;
        std::string machine;
        TextList names;
    } cases[] = {
        {"9x fixed sound card is the only entry",
         Windows98Se() + Windows9xPciMedia() + Key(kSoundCard) + Value("ClassGUID", kMedia) +
             Value("DeviceDesc", "Creative AudioPCI (ES1371,ES1373) (WDM)"),
         {"Creative AudioPCI (ES1371,ES1373) (WDM)"}},
        {"9x without the fixed card searches the PCI class",
         Windows95() + Windows9xPciMedia() + Key(kSoundCard) + Value("DeviceDesc", ""), {"ESS Maestro"}},
        {"NT 4 describes the wave driver",
         WindowsNt4() + Key(kDrivers32) + Value("wave", "sndblst.dll") + Value("midi", "x.dll") + Key(kDriversDesc) +
             Value("sndblst.dll", "Creative Labs Sound Blaster 1.X, Pro, 16") +
             Instance(kEnum + "\\PCI\\A\\0", kMedia, "PCI card", ""),
         {"Creative Labs Sound Blaster 1.X, Pro, 16"}},
        {"NT 4 without a wave driver still has one entry",
         WindowsNt4() + Key(kDrivers32) + Value("midi", "x.dll") + Key(kDriversDesc) + Value("x.dll", "MIDI only"),
         {""}},
        {"NT 4 with an undescribed wave driver",
         WindowsNt4() + Key(kDrivers32) + Value("wave", "undescribed.dll"), {""}},
        {"2000 searches PCI only",
         Windows2000() + Instance(kEnum + "\\PCI\\VEN_1102&DEV_0002\\4&1", kMedia, "SB Live!", "") +
             Instance(kEnum + "\\USB\\VID_046D&PID_0A01\\5&1", kMedia, "USB headset", ""),
         {"SB Live!"}},
        // Enumerators in their order: PCI (nothing present), Root, SW, USB.
        {"XP falls back to every enumerator",
         WindowsXp() + Instance(kEnum + "\\PCI\\VEN_1102\\4&1", kMedia, "Absent PCI", "", "LogConf") +
             Instance(kEnum + "\\USB\\VID_046D&PID_0A01\\5&1", kMedia, "USB headset", "") +
             Instance(kEnum + "\\Root\\LEGACY_AUDIO\\0000", kMedia, "", "Legacy audio") +
             Instance(kEnum + "\\SW\\{b7eafdc0}\\0", kMedia, "Kernel mixer", ""),
         {"Legacy audio", "Kernel mixer", "USB headset"}},
    };
    for (const auto &c : cases) {
        auto inv = Collector(c.machine);
        EXPECT_EQ(c.names, CollectKind(*inv, &hs::CInventory::GetMediaDevices, "MEDIA")) << c.what;
    }
}

}  // namespace
