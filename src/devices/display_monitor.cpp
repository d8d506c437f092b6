// Display adapters and monitors.
#include "api/inventory.h"
#include "registry/class_guids.h"

namespace hs {

namespace {

constexpr const char k9xDisplayDriverKey[] = "SYSTEM\\CurrentControlSet\\Services\\Class\\Display\\0000";
constexpr const char k9xMonitorClassKey[] = "SYSTEM\\CurrentControlSet\\Services\\Class\\Monitor";
constexpr const char kRootEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\Root";
constexpr const char kPciEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\PCI";
constexpr const char kDisplayEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY";

bool IsNt4OrEarlier(const OSVERSIONINFOA &version) { return version.dwMajorVersion <= 4; }

}  // namespace

int32_t CInventory::GetDisplayAdapters(TextList &descriptions, TextList &types) {
    const OSVERSIONINFOA version = QueryVersion();
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        // Windows 9x always reports its first display driver, named or not.
        Text description;
        m_registry.ReadRegString(HKEY_LOCAL_MACHINE, k9xDisplayDriverKey, "DriverDesc", description);
        descriptions.push_back(description);
    } else {
        const char *enumerator = IsNt4OrEarlier(version) ? kRootEnumerator : kPciEnumerator;
        GetPresentClassDevices(CLASSGUID_DISPLAY, enumerator, descriptions);
    }
    return FillTypeWords(descriptions, types, "Display");
}

int32_t CInventory::GetMonitors(TextList &descriptions, TextList &types) {
    const OSVERSIONINFOA version = QueryVersion();
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        // The monitor in use is the first driver entry that has power
        // management (DPMS) switched on.
        TextList driverKeys;
        m_registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, k9xMonitorClassKey, driverKeys);
        for (const Text &driver : driverKeys) {
            const Text driverPath = Text(k9xMonitorClassKey) + "\\" + driver;
            Text dpms;
            m_registry.ReadRegString(HKEY_LOCAL_MACHINE, driverPath, "DPMS", dpms);
            if (_mbscmp(reinterpret_cast<const unsigned char *>(dpms.c_str()),
                        reinterpret_cast<const unsigned char *>("1")) != 0) {
                continue;
            }
            Text description;
            m_registry.ReadRegString(HKEY_LOCAL_MACHINE, driverPath, "DriverDesc", description);
            descriptions.push_back(description);
            break;
        }
    } else {
        const char *enumerator = IsNt4OrEarlier(version) ? kRootEnumerator : kDisplayEnumerator;
        GetPresentClassDevices(CLASSGUID_MONITOR, enumerator, descriptions);
    }
    return FillTypeWords(descriptions, types, "Monitor");
}

}  // namespace hs
