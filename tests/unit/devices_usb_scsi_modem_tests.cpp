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

std::string NtUsbMachine() {
    return Instance(kEnum + "\\USB\\VID_046D&PID_C00E\\5&1", hs::CLASSGUID_MOUSE, "", "USB Optical Mouse") +
           Instance(kEnum + "\\USB\\ROOT_HUB\\4&2", kUsb, "", "USB Root Hub") +
           Instance(kEnum + "\\USB\\VID_0781\\6&3", hs::CLASSGUID_DISKDRIVE, "Unplugged stick", "", "LogConf") +
           Instance(kEnum + "\\PCI\\VEN_8086&DEV_24C2\\3&1", kUsb, "", "Intel(R) 82801DB USB Universal Host Controller") +
           Instance(kEnum + "\\Root\\USBCTRL\\0000", kUsb, "Root-listed controller", "");
}

TEST(DevicesUsbScsiModem, SourcesByRelease) {
    const KindGetter usb = &hs::CInventory::GetUsbDevices, scsi = &hs::CInventory::GetScsiAdapters,
                     modem = &hs::CInventory::GetModems;
    const std::string ntScsi = Instance(kEnum + "\\Root\\LEGACY_ATAPI\\0000", kScsi, "", "atapi") +
                               Instance(kEnum + "\\PCI\\VEN_9004&DEV_7178\\3&1", kScsi, "Adaptec AHA-2940", "") +
                               Instance(kEnum + "\\PCI\\VEN_1000\\3&2", kScsi, "Absent LSI", "", "LogConf") +
                               Instance(kEnum + "\\PCI\\VEN_8086\\3&3", hs::CLASSGUID_DISPLAY, "Display", "");
    const TextList ntUsb = {"Intel(R) 82801DB USB Universal Host Controller", "USB Root Hub", "USB Optical Mouse"};
    const struct {
        const char *what;
        std::string machine;
        KindGetter kind;
        const char *word;
        TextList names;
    } cases[] = {
        {"2000: USB controllers, then present USB devices", Windows2000() + NtUsbMachine(), usb, "USB", ntUsb},
        {"XP: USB controllers, then present USB devices", WindowsXp() + NtUsbMachine(), usb, "USB", ntUsb},
        {"NT 4 looks for USB controllers under Root", WindowsNt4() + NtUsbMachine(), usb, "USB",
         {"Root-listed controller", "USB Root Hub", "USB Optical Mouse"}},
        {"9x USB walk, then the PCI class",
         Windows98Se() + Key("Enum\\USB\\ROOT_HUB\\0") + Value("DeviceDesc", "USB Root Hub") +
             Key("Enum\\USB\\ROOT_HUB\\1") + Value("Class", "USB") + Key("Enum\\USB\\VID_04B8\\2") +
             Value("DeviceDesc", "Printer on USB") +
             Instance("Enum\\PCI\\VEN_8086&DEV_7112\\BUS_00&DEV_07&FUNC_02", kUsb, "",
                      "Intel 82371AB/EB PCI to USB Universal Host Controller", "LogConf") +
             Instance("Enum\\PCI\\VEN_10B9\\BUS_00", hs::CLASSGUID_MEDIA, "", "Not USB", "LogConf"),
         usb, "USB", {"USB Root Hub", "Printer on USB", "Intel 82371AB/EB PCI to USB Universal Host Controller"}},
        {"NT 4: SCSI adapters present under every enumerator", WindowsNt4() + ntScsi, scsi, "SCSI",
         {"Adaptec AHA-2940", "atapi"}},
        {"XP: SCSI adapters present under every enumerator", WindowsXp() + ntScsi, scsi, "SCSI",
         {"Adaptec AHA-2940", "atapi"}},
        {"9x SCSI class match ignores case, then the PCI class",
         Windows95() + Key("Enum\\SCSI\\ADAPTEC_AHA\\0") +
             Value("ClassGUID", "{4d36e97b-e325-11ce-bfc1-08002be10318}") + Value("DeviceDesc", "Adaptec AHA-1542") +
             Key("Enum\\SCSI\\IOMEGA_ZIP\\0") + Value("ClassGUID", hs::CLASSGUID_DISKDRIVE) +
             Value("DeviceDesc", "IOMEGA ZIP 100") + Key("Enum\\SCSI\\NONAME\\0") + Value("ClassGUID", kScsi) +
             Instance("Enum\\PCI\\VEN_1000&DEV_0001\\BUS_00&DEV_0D&FUNC_00", kScsi, "Symbios", "Symbios Logic 8100S",
                      "LogConf"),
         scsi, "SCSI", {"Adaptec AHA-1542", "Symbios"}},
        {"2000: present Serenum modem",
         Windows2000() + Instance(kEnum + "\\Serenum\\USR5610\\4&1", kModem, "US Robotics 56K", "") +
             Instance(kEnum + "\\Root\\MDMGEN\\0000", kModem, "", "Standard Modem", "LogConf"),
         modem, "Modem", {"US Robotics 56K"}},
        {"XP without a present Serenum modem lists Root modems",
         WindowsXp() + Instance(kEnum + "\\Serenum\\USR5610\\4&1", kModem, "Unplugged", "", "LogConf") +
             Instance(kEnum + "\\Root\\MDMGEN\\0000", kModem, "", "Standard 56000 bps Modem", "LogConf") +
             Instance(kEnum + "\\Root\\MDMGEN\\0001", kModem, "No subkey", "", ""),
         modem, "Modem", {"Standard 56000 bps Modem"}},
        {"NT 4 lists Root modems without Control",
         WindowsNt4() + Instance(kEnum + "\\Root\\MODEM\\0000", kModem, "Hayes Optima", "", "LogConf") +
             Instance(kEnum + "\\Serenum\\X\\0", kModem, "Serenum modem", ""),
         modem, "Modem", {"Hayes Optima"}},
        // Every enumerator three levels down, in order: ISAPNP, MF, PCI, Root.
        {"9x modems",
         Windows98Se() + Key("Enum\\Root\\MDMGEN\\0000") + Value("ClassGUID", kModem) +
             Value("FriendlyName", "Friendly modem") + Value("DeviceDesc", "Generic modem") +
             Key("Enum\\ISAPNP\\USR3031\\0") + Value("ClassGUID", "{4d36e96d-e325-11ce-bfc1-08002be10318}") +
             Value("FriendlyName", "") + Value("DeviceDesc", "U.S. Robotics Sportster") +
             Key("Enum\\PCI\\VEN_11C1\\BUS_00") + Value("ClassGUID", kModem) + Key("Enum\\MF\\NOT_A_MODEM\\0") +
             Value("ClassGUID", kScsi) + Value("DeviceDesc", "No"),
         modem, "Modem", {"U.S. Robotics Sportster", "Friendly modem"}},
    };
    for (const auto &c : cases) {
        auto inv = Collector(c.machine);
        EXPECT_EQ(c.names, CollectKind(*inv, c.kind, c.word)) << c.what;
    }
}

}  // namespace
