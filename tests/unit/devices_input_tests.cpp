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

TextList Mice(hs::CInventory &inv, TextList *types = nullptr) {
    TextList descriptions, words;
    const int32_t count = inv.GetMouseDevices(descriptions, words);
    EXPECT_EQ(static_cast<int32_t>(descriptions.size()), count);
    EXPECT_EQ(TextList(descriptions.size(), "Mouse"), words);
    if (types) *types = words;
    return descriptions;
}

TextList Keyboards(hs::CInventory &inv) {
    TextList descriptions, words;
    const int32_t count = inv.GetKeyboards(descriptions, words);
    EXPECT_EQ(static_cast<int32_t>(descriptions.size()), count);
    EXPECT_EQ(TextList(descriptions.size(), "Keyboard"), words);
    return descriptions;
}

TEST(DevicesInput, Windows9xMatchingDeviceInstanceWithDescription) {
    auto inv = Collector(Windows98Se() + Key(kMouseDriver) + Value("MatchingDeviceId", "*PNP0F13") +
                         Value("DriverDesc", "Standard PS/2 Port Mouse") + Key("Enum\\BIOS\\*PNP0F13\\00") +
                         Value("HardwareID", "*PNP0F13") + Key("Enum\\BIOS\\*PNP0F13\\01") +
                         Value("DeviceDesc", "Logitech PS/2 Mouse") + Key("Enum\\BIOS\\*PNP0F13\\02") +
                         Value("DeviceDesc", "Later mouse"));
    EXPECT_EQ(TextList({"Logitech PS/2 Mouse"}), Mice(*inv));
}

TEST(DevicesInput, Windows9xWithoutMatchingIdTakesDriverDesc) {
    auto inv = Collector(Windows95() + Key(kKeyboardDriver) + Value("DriverDesc", "Standard 101/102-Key") +
                         Key("Enum\\BIOS\\*PNP0303\\00") + Value("DeviceDesc", "Not looked at"));
    EXPECT_EQ(TextList({"Standard 101/102-Key"}), Keyboards(*inv));
}

TEST(DevicesInput, Windows9xMatchingIdWithoutBiosKeyTakesDriverDesc) {
    auto inv = Collector(Windows98Se() + Key(kMouseDriver) + Value("MatchingDeviceId", "*PNP0F0C") +
                         Value("DriverDesc", "Serial mouse driver"));
    EXPECT_EQ(TextList({"Serial mouse driver"}), Mice(*inv));
}

TEST(DevicesInput, Windows9xInstancesWithoutDescriptionFallBackToDriverDesc) {
    auto inv = Collector(Windows98Se() + Key(kKeyboardDriver) + Value("MatchingDeviceId", "*PNP0303") +
                         Value("DriverDesc", "Keyboard driver") + Key("Enum\\BIOS\\*PNP0303\\00") +
                         Value("DeviceDesc", ""));
    EXPECT_EQ(TextList({"Keyboard driver"}), Keyboards(*inv));
}

TEST(DevicesInput, Windows9xWithNothingReadableHasOneEmptyEntry) {
    auto inv = Collector(Windows95());
    TextList types;
    EXPECT_EQ(TextList({""}), Mice(*inv, &types));
    EXPECT_EQ(TextList({"Mouse"}), types);
    EXPECT_EQ(TextList({""}), Keyboards(*inv));
}

TEST(DevicesInput, NtUsesAcpiAndSkipsRootWhenAcpiHasDevices) {
    auto inv = Collector(WindowsXp() + Instance(kEnum + "\\ACPI\\PNP0303\\4&1", kKeyboard, "", "Standard keyboard") +
                         Instance(kEnum + "\\ACPI\\PNP0303\\4&2", kKeyboard, "Second keyboard", "") +
                         Instance(kEnum + "\\Root\\RDP_KBD\\0000", kKeyboard, "", "Terminal keyboard") +
                         Instance(kEnum + "\\ACPI\\PNP0F13\\4&1", kMouse, "", "PS/2 mouse"));
    EXPECT_EQ(TextList({"Standard keyboard", "Second keyboard"}), Keyboards(*inv));
    EXPECT_EQ(TextList({"PS/2 mouse"}), Mice(*inv));
}

TEST(DevicesInput, NtFallsBackToRootWhenAcpiHasNoPresentDevice) {
    auto inv = Collector(Windows2000() + Instance(kEnum + "\\ACPI\\PNP0303\\4&1", kKeyboard, "Absent", "", "LogConf") +
                         Instance(kEnum + "\\Root\\RDP_KBD\\0000", kKeyboard, "", "Terminal keyboard") +
                         Instance(kEnum + "\\Root\\RDP_MOU\\0000", kMouse, "", "Terminal mouse"));
    EXPECT_EQ(TextList({"Terminal keyboard"}), Keyboards(*inv));
    EXPECT_EQ(TextList({"Terminal mouse"}), Mice(*inv));
}

TEST(DevicesInput, NtWithNoneAnywhereHasNoEntry) {
    auto inv = Collector(WindowsNt4() + Key(kMouseDriver) + Value("DriverDesc", "9x only"));
    EXPECT_TRUE(Mice(*inv).empty());
    EXPECT_TRUE(Keyboards(*inv).empty());
}

}  // namespace
