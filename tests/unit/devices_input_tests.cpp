// Pointing devices and keyboards.
#include <gtest/gtest.h>

#include "devices_profile.h"
#include "registry/class_guids.h"

namespace {

using hs::TextList;
using namespace hstest::dev;

const std::string kMouse = hs::CLASSGUID_MOUSE;
const std::string kKeyboard = hs::CLASSGUID_KEYBOARD;
const std::string kMouseDriver = "SYSTEM\\CurrentControlSet\\Services\\Class\\Mouse\\0000";
const std::string kKeyboardDriver = "SYSTEM\\CurrentControlSet\\Services\\Class\\Keyboard\\0000";

TextList Mice(hs::CInventory &inv) { return CollectKind(inv, &hs::CInventory::GetMouseDevices, "Mouse"); }
TextList Keyboards(hs::CInventory &inv) { return CollectKind(inv, &hs::CInventory::GetKeyboards, "Keyboard"); }

TEST(DevicesInput, SourcesByRelease) {
    const std::string acpiKeyboards = Instance(kEnum + "\\ACPI\\PNP0303\\4&1", kKeyboard, "", "Standard keyboard") +
                                      Instance(kEnum + "\\ACPI\\PNP0303\\4&2", kKeyboard, "Second keyboard", "") +
                                      Instance(kEnum + "\\Root\\RDP_KBD\\0000", kKeyboard, "", "Terminal keyboard") +
                                      Instance(kEnum + "\\ACPI\\PNP0F13\\4&1", kMouse, "", "PS/2 mouse");
    const std::string rootOnly = Instance(kEnum + "\\ACPI\\PNP0303\\4&1", kKeyboard, "Absent", "", "LogConf") +
                                 Instance(kEnum + "\\Root\\RDP_KBD\\0000", kKeyboard, "", "Terminal keyboard") +
                                 Instance(kEnum + "\\Root\\RDP_MOU\\0000", kMouse, "", "Terminal mouse");
    const struct {
        const char *what;
        std::string machine;
        TextList mice, keyboards;
    } cases[] = {
        {"9x: first matching instance with a description",
         Windows98Se() + Key(kMouseDriver) + Value("MatchingDeviceId", "*PNP0F13") +
             Value("DriverDesc", "Standard PS/2 Port Mouse") + Key("Enum\\BIOS\\*PNP0F13\\00") +
             Value("HardwareID", "*PNP0F13") + Key("Enum\\BIOS\\*PNP0F13\\01") +
             Value("DeviceDesc", "Logitech PS/2 Mouse") + Key("Enum\\BIOS\\*PNP0F13\\02") +
             Value("DeviceDesc", "Later mouse"),
         {"Logitech PS/2 Mouse"}, {""}},
        {"9x: no matching ID takes the driver description",
         Windows95() + Key(kKeyboardDriver) + Value("DriverDesc", "Standard 101/102-Key") +
             Key("Enum\\BIOS\\*PNP0303\\00") + Value("DeviceDesc", "Not looked at"),
         {""}, {"Standard 101/102-Key"}},
        {"9x: matching ID without BIOS key takes the driver description",
         Windows98Se() + Key(kMouseDriver) + Value("MatchingDeviceId", "*PNP0F0C") +
             Value("DriverDesc", "Serial mouse driver"),
         {"Serial mouse driver"}, {""}},
        {"9x: instances without description fall back to the driver description",
         Windows98Se() + Key(kKeyboardDriver) + Value("MatchingDeviceId", "*PNP0303") +
             Value("DriverDesc", "Keyboard driver") + Key("Enum\\BIOS\\*PNP0303\\00") + Value("DeviceDesc", ""),
         {""}, {"Keyboard driver"}},
        {"9x: nothing readable gives one empty entry", Windows95(), {""}, {""}},
        {"NT: ACPI, Root skipped when ACPI has devices", WindowsXp() + acpiKeyboards, {"PS/2 mouse"},
         {"Standard keyboard", "Second keyboard"}},
        {"NT: Root when ACPI has no present device", Windows2000() + rootOnly, {"Terminal mouse"},
         {"Terminal keyboard"}},
        {"NT: none anywhere", WindowsNt4() + Key(kMouseDriver) + Value("DriverDesc", "9x only"), {}, {}},
    };
    for (const auto &c : cases) {
        auto inv = Collector(c.machine);
        EXPECT_EQ(c.mice, Mice(*inv)) << c.what;
        EXPECT_EQ(c.keyboards, Keyboards(*inv)) << c.what;
    }
}

}  // namespace
