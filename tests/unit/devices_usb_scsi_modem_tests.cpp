// USB devices, SCSI adapters and modems.
#include <gtest/gtest.h>

#include "devices_profile.h"
#include "registry/class_guids.h"

namespace {

using hs::TextList;
using namespace hstest::dev;

const std::string kUsb = hs::CLASSGUID_USB;
const std::string kScsi = hs::CLASSGUID_SCSIADAPTER;
const std::string kModem = hs::CLASSGUID_MODEM;

template <typename Kind>
TextList Collect(hs::CInventory &inv, Kind kind, const char *word) {
    TextList descriptions, types;
    const int32_t count = (inv.*kind)(descriptions, types);
    EXPECT_EQ(static_cast<int32_t>(descriptions.size()), count);
    EXPECT_EQ(TextList(descriptions.size(), word), types);
    return descriptions;
}

TextList Usb(hs::CInventory &inv) { return Collect(inv, &hs::CInventory::GetUsbDevices, "USB"); }
TextList Scsi(hs::CInventory &inv) { return Collect(inv, &hs::CInventory::GetScsiAdapters, "SCSI"); }
TextList Modems(hs::CInventory &inv) { return Collect(inv, &hs::CInventory::GetModems, "Modem"); }

// ---- USB ----

std::string NtUsbMachine() {
    return Instance(kEnum + "\\USB\\VID_046D&PID_C00E\\5&1", hs::CLASSGUID_MOUSE, "", "USB Optical Mouse") +
           Instance(kEnum + "\\USB\\ROOT_HUB\\4&2", kUsb, "", "USB Root Hub") +
           Instance(kEnum + "\\USB\\VID_0781\\6&3", hs::CLASSGUID_DISKDRIVE, "Unplugged stick", "", "LogConf") +
           Instance(kEnum + "\\PCI\\VEN_8086&DEV_24C2\\3&1", kUsb, "", "Intel(R) 82801DB USB Universal Host Controller") +
           Instance(kEnum + "\\Root\\USBCTRL\\0000", kUsb, "Root-listed controller", "");
}

TEST(DevicesUsb, Windows2000ControllersThenPresentUsbDevices) {
    for (const std::string &version : {Windows2000(), WindowsXp()}) {
        auto inv = Collector(version + NtUsbMachine());
        EXPECT_EQ(TextList({"Intel(R) 82801DB USB Universal Host Controller", "USB Root Hub", "USB Optical Mouse"}),
                  Usb(*inv));
    }
}

TEST(DevicesUsb, Nt4LooksForControllersUnderRoot) {
    auto inv = Collector(WindowsNt4() + NtUsbMachine());
    EXPECT_EQ(TextList({"Root-listed controller", "USB Root Hub", "USB Optical Mouse"}), Usb(*inv));
}

TEST(DevicesUsb, Windows9xWalkThenPciClass) {
    auto inv = Collector(Windows98Se() + Key("Enum\\USB\\ROOT_HUB\\0") + Value("DeviceDesc", "USB Root Hub") +
                         Key("Enum\\USB\\ROOT_HUB\\1") + Value("Class", "USB") +
                         Key("Enum\\USB\\VID_04B8\\2") + Value("DeviceDesc", "Printer on USB") +
                         Instance("Enum\\PCI\\VEN_8086&DEV_7112\\BUS_00&DEV_07&FUNC_02", kUsb, "",
                                  "Intel 82371AB/EB PCI to USB Universal Host Controller", "LogConf") +
                         Instance("Enum\\PCI\\VEN_10B9\\BUS_00", hs::CLASSGUID_MEDIA, "", "Not USB", "LogConf"));
    EXPECT_EQ(TextList({"USB Root Hub", "Printer on USB", "Intel 82371AB/EB PCI to USB Universal Host Controller"}),
              Usb(*inv));
}

// ---- SCSI ----

TEST(DevicesScsi, NtSearchesEveryEnumeratorForPresentAdapters) {
    for (const std::string &version : {WindowsNt4(), WindowsXp()}) {
        auto inv = Collector(version + Instance(kEnum + "\\Root\\LEGACY_ATAPI\\0000", kScsi, "", "atapi") +
                             Instance(kEnum + "\\PCI\\VEN_9004&DEV_7178\\3&1", kScsi, "Adaptec AHA-2940", "") +
                             Instance(kEnum + "\\PCI\\VEN_1000\\3&2", kScsi, "Absent LSI", "", "LogConf") +
                             Instance(kEnum + "\\PCI\\VEN_8086\\3&3", hs::CLASSGUID_DISPLAY, "Display", ""));
        EXPECT_EQ(TextList({"Adaptec AHA-2940", "atapi"}), Scsi(*inv));
    }
}

TEST(DevicesScsi, Windows9xClassMatchIgnoresCaseThenPciClass) {
    auto inv = Collector(Windows95() +
                         Key("Enum\\SCSI\\ADAPTEC_AHA\\0") + Value("ClassGUID", "{4d36e97b-e325-11ce-bfc1-08002be10318}") +
                         Value("DeviceDesc", "Adaptec AHA-1542") +
                         Key("Enum\\SCSI\\IOMEGA_ZIP\\0") + Value("ClassGUID", hs::CLASSGUID_DISKDRIVE) +
                         Value("DeviceDesc", "IOMEGA ZIP 100") +
                         Key("Enum\\SCSI\\NONAME\\0") + Value("ClassGUID", kScsi) +
                         Instance("Enum\\PCI\\VEN_1000&DEV_0001\\BUS_00&DEV_0D&FUNC_00", kScsi, "Symbios",
                                  "Symbios Logic 8100S", "LogConf"));
    EXPECT_EQ(TextList({"Adaptec AHA-1542", "Symbios"}), Scsi(*inv));
}

// ---- Modems ----

TEST(DevicesModem, Windows2000PresentSerenumModem) {
    auto inv = Collector(Windows2000() + Instance(kEnum + "\\Serenum\\USR5610\\4&1", kModem, "US Robotics 56K", "") +
                         Instance(kEnum + "\\Root\\MDMGEN\\0000", kModem, "", "Standard Modem", "LogConf"));
    EXPECT_EQ(TextList({"US Robotics 56K"}), Modems(*inv));
}

TEST(DevicesModem, WindowsXpWithoutPresentSerenumModemListsRootModems) {
    auto inv = Collector(WindowsXp() + Instance(kEnum + "\\Serenum\\USR5610\\4&1", kModem, "Unplugged", "", "LogConf") +
                         Instance(kEnum + "\\Root\\MDMGEN\\0000", kModem, "", "Standard 56000 bps Modem", "LogConf") +
                         Instance(kEnum + "\\Root\\MDMGEN\\0001", kModem, "No subkey", "", ""));
    EXPECT_EQ(TextList({"Standard 56000 bps Modem"}), Modems(*inv));
}

TEST(DevicesModem, Nt4ListsRootModemsWithoutControl) {
    auto inv = Collector(WindowsNt4() + Instance(kEnum + "\\Root\\MODEM\\0000", kModem, "Hayes Optima", "", "LogConf") +
                         Instance(kEnum + "\\Serenum\\X\\0", kModem, "Serenum modem", ""));
    EXPECT_EQ(TextList({"Hayes Optima"}), Modems(*inv));
}

TEST(DevicesModem, Windows9xWalksEveryEnumeratorThreeLevels) {
    auto inv = Collector(Windows98Se() +
                         Key("Enum\\Root\\MDMGEN\\0000") + Value("ClassGUID", kModem) +
                         Value("FriendlyName", "Friendly modem") + Value("DeviceDesc", "Generic modem") +
                         Key("Enum\\ISAPNP\\USR3031\\0") + Value("ClassGUID", "{4d36e96d-e325-11ce-bfc1-08002be10318}") +
                         Value("FriendlyName", "") + Value("DeviceDesc", "U.S. Robotics Sportster") +
                         Key("Enum\\PCI\\VEN_11C1\\BUS_00") + Value("ClassGUID", kModem) +
                         Key("Enum\\MF\\NOT_A_MODEM\\0") + Value("ClassGUID", kScsi) + Value("DeviceDesc", "No"));
    // Enumerators in their order: ISAPNP, MF, PCI, Root.
    EXPECT_EQ(TextList({"U.S. Robotics Sportster", "Friendly modem"}), Modems(*inv));
}

}  // namespace
