// Sound and multimedia devices.
#include "api/inventory.h"
#include "registry/class_guids.h"

namespace hs {

namespace {

// The one sound card that Windows 9x is asked about by name (an Ensoniq
// AudioPCI at bus 0, device 10).
constexpr const char k9xSoundCardKey[] =
    "Enum\\PCI\\VEN_1274&DEV_5880&SUBSYS_20001274&REV_02\\BUS_00&DEV_0A&FUNC_00";
constexpr const char k9xPciEnumerator[] = "Enum\\PCI";
constexpr const char kNt4Drivers32Key[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
constexpr const char kNt4DriversDescKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers.desc";
constexpr const char kPciEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\PCI";
constexpr const char kEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum";

}  // namespace

int32_t CInventory::GetMediaDevices(TextList &descriptions, TextList &types) {
    const OSVERSIONINFOA version = QueryVersion();
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        Text description;
        m_registry.ReadRegString(HKEY_LOCAL_MACHINE, k9xSoundCardKey, "DeviceDesc", description);
        if (!description.empty()) {
            descriptions.push_back(description);
        } else {
            GetClassDevices(CLASSGUID_MEDIA, k9xPciEnumerator, descriptions);
        }
    } else if (version.dwMajorVersion <= 4) {
        // NT 4 names its wave driver file; Drivers.desc describes it. One
        // entry, named or not.
        Text driver;
        Text description;
        m_registry.ReadRegString(HKEY_LOCAL_MACHINE, kNt4Drivers32Key, "wave", driver);
        if (!driver.empty()) m_registry.ReadRegString(HKEY_LOCAL_MACHINE, kNt4DriversDescKey, driver, description);
        descriptions.push_back(description);
    } else {
        GetPresentClassDevices(CLASSGUID_MEDIA, kPciEnumerator, descriptions);
        if (descriptions.empty()) {
            // No PCI sound card: look under every enumerator (USB audio and
            // the like).
            TextList enumerators;
            m_registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, kEnumKey, enumerators);
            for (const Text &enumerator : enumerators) {
                GetPresentClassDevices(CLASSGUID_MEDIA, Text(kEnumKey) + "\\" + enumerator, descriptions);
            }
        }
    }
    return FillTypeWords(descriptions, types, "MEDIA");
}

}  // namespace hs
