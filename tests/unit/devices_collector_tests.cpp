// The device collector: ten kinds in their fixed order, lists replaced.
#include <gtest/gtest.h>

#include "devices_profile.h"
#include "registry/class_guids.h"

namespace {

using hs::TextList;
using namespace hstest::dev;

// An XP machine with one device of every kind, written in an order unlike
// the collector's.
std::string XpWithEveryKind() {
    return WindowsXp() +
           Instance(kEnum + "\\Serenum\\USR\\1", hs::CLASSGUID_MODEM, "Modem", "") +
           Instance(kEnum + "\\PCI\\VEN_9004\\1", hs::CLASSGUID_SCSIADAPTER, "SCSI adapter", "") +
           Instance(kEnum + "\\PCI\\VEN_8086\\1", hs::CLASSGUID_USB, "USB controller", "") +
           Instance(kEnum + "\\PCI\\VEN_1102\\1", hs::CLASSGUID_MEDIA, "Sound card", "") +
           Instance(kEnum + "\\ACPI\\PNP0303\\1", hs::CLASSGUID_KEYBOARD, "Keyboard", "") +
           Instance(kEnum + "\\ACPI\\PNP0F13\\1", hs::CLASSGUID_MOUSE, "Mouse", "") +
           Instance(kEnum + "\\DISPLAY\\DELA007\\1", hs::CLASSGUID_MONITOR, "Monitor", "") +
           Instance(kEnum + "\\PCI\\VEN_10DE\\1", hs::CLASSGUID_DISPLAY, "Display adapter", "") +
           "[HKEY_SIMULATION\\Printers\\Local\\1]\n" + Value("Name", "Printer") +
           "[HKEY_SIMULATION\\Adapters\\1]\n" + Value("AdapterName", "{1}") + Value("Description", "Network card") +
           "\"Address\"=hex:00,01,02,03,04,05\n" + Value("IpAddress", "10.0.0.1");
}

TEST(DevicesCollector, KindsFollowTheirFixedOrderAndListsAreReplaced) {
    auto inv = Collector(XpWithEveryKind());
    TextList descriptions = {"old"}, types = {"old"};
    inv->CopyDeviceLists(descriptions, types);  // before any run: empty
    EXPECT_TRUE(descriptions.empty());
    EXPECT_TRUE(types.empty());
    EXPECT_EQ(10u, inv->GetDeviceCount());
    EXPECT_EQ(10u, inv->GetDeviceCount());  // replaced, not extended
    inv->CopyDeviceLists(descriptions, types);
    EXPECT_EQ(TextList({"Display adapter", "Printer", "Monitor", "Mouse", "Keyboard", "Network card", "Sound card",
                        "USB controller", "SCSI adapter", "Modem"}),
              descriptions);
    EXPECT_EQ(TextList({"Display", "Printer", "Monitor", "Mouse", "Keyboard", "Net", "MEDIA", "USB", "SCSI", "Modem"}),
              types);

    hstest::UseMachine(WindowsXp() + Instance(kEnum + "\\Serenum\\USR\\1", hs::CLASSGUID_MODEM, "Only modem", ""));
    EXPECT_EQ(1u, inv->GetDeviceCount());
    inv->CopyDeviceLists(descriptions, types);
    EXPECT_EQ(TextList({"Only modem"}), descriptions);
    EXPECT_EQ(TextList({"Modem"}), types);
}

// Display, mouse and keyboard always report one entry on Windows 9x; the
// printer kind answers 0 on its error exit and lists nothing, so the total
// and both lists agree.
TEST(DevicesCollector, Windows9xAlwaysPresentEntriesAndPrinterRetryFailure) {
    const std::string machines[] = {
        Windows95(),
        Windows98Se() + "[HKEY_SIMULATION\\Printers\\Default\\1]\n" + Value("Name", "Default") +
            "[HKEY_SIMULATION\\Printers\\Local\\1]\n" + Value("Name", "Local") + "[HKEY_SIMULATION\\Printers]\n" +
            Dword("LocalRetryError", 5)};
    for (const std::string &machine : machines) {
        auto inv = Collector(machine);
        EXPECT_EQ(3u, inv->GetDeviceCount()) << machine;
        TextList descriptions, types;
        inv->CopyDeviceLists(descriptions, types);
        EXPECT_EQ(TextList({"", "", ""}), descriptions) << machine;
        EXPECT_EQ(TextList({"Display", "Mouse", "Keyboard"}), types) << machine;
    }
}

}  // namespace
