// USB devices, SCSI adapters and modems.
#include "api/inventory.h"
#include "registry/class_guids.h"

namespace hs {

namespace {

constexpr const char kEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum";
constexpr const char kRootEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\Root";
constexpr const char kPciEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\PCI";
constexpr const char kUsbEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\USB";
constexpr const char kSerialEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\Serenum";
constexpr const char k9xEnumKey[] = "Enum";
constexpr const char k9xUsbEnumerator[] = "Enum\\USB";
constexpr const char k9xScsiEnumerator[] = "Enum\\SCSI";
constexpr const char k9xPciEnumerator[] = "Enum\\PCI";

bool SameTextIgnoringCase(const Text &a, const Text &b) {
    return _mbsicmp(reinterpret_cast<const unsigned char *>(a.c_str()),
                    reinterpret_cast<const unsigned char *>(b.c_str())) == 0;
}

Text ReadValue(RegistryReader &registry, const Text &keyPath, const char *valueName) {
    Text text;
    registry.ReadRegString(HKEY_LOCAL_MACHINE, keyPath, valueName, text);
    return text;
}

TextList Subkeys(RegistryReader &registry, const Text &keyPath) {
    TextList names;
    registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, keyPath, names);
    return names;
}

// Windows 9x: the instance keys two levels below an enumerator
// (enumerator\device\instance), in enumeration order.
TextList InstancePaths(RegistryReader &registry, const Text &enumerator) {
    TextList paths;
    for (const Text &device : Subkeys(registry, enumerator)) {
        const Text devicePath = enumerator + "\\" + device;
        for (const Text &instance : Subkeys(registry, devicePath)) paths.push_back(devicePath + "\\" + instance);
    }
    return paths;
}

}  // namespace

int32_t CInventory::GetUsbDevices(TextList &descriptions, TextList &types) {
    const OSVERSIONINFOA version = QueryVersion();
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        // The host controllers, then every present device on the USB bus.
        GetPresentClassDevices(CLASSGUID_USB, version.dwMajorVersion <= 4 ? kRootEnumerator : kPciEnumerator,
                               descriptions);
        GetPresentDevices(kUsbEnumerator, descriptions);
    } else {
        for (const Text &instance : InstancePaths(m_registry, k9xUsbEnumerator)) {
            const Text description = ReadValue(m_registry, instance, "DeviceDesc");
            if (!description.empty()) descriptions.push_back(description);
        }
        GetClassDevices(CLASSGUID_USB, k9xPciEnumerator, descriptions);
    }
    return FillTypeWords(descriptions, types, "USB");
}

int32_t CInventory::GetScsiAdapters(TextList &descriptions, TextList &types) {
    const OSVERSIONINFOA version = QueryVersion();
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        for (const Text &enumerator : Subkeys(m_registry, kEnumKey)) {
            GetPresentClassDevices(CLASSGUID_SCSIADAPTER, Text(kEnumKey) + "\\" + enumerator, descriptions);
        }
    } else {
        for (const Text &instance : InstancePaths(m_registry, k9xScsiEnumerator)) {
            if (!SameTextIgnoringCase(ReadValue(m_registry, instance, "ClassGUID"), CLASSGUID_SCSIADAPTER)) continue;
            const Text description = ReadValue(m_registry, instance, "DeviceDesc");
            if (!description.empty()) descriptions.push_back(description);
        }
        GetClassDevices(CLASSGUID_SCSIADAPTER, k9xPciEnumerator, descriptions);
    }
    return FillTypeWords(descriptions, types, "SCSI");
}

int32_t CInventory::GetModems(TextList &descriptions, TextList &types) {
    const OSVERSIONINFOA version = QueryVersion();
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        if (version.dwMajorVersion <= 4) {
            GetClassDevices(CLASSGUID_MODEM, kRootEnumerator, descriptions);
        } else {
            // A modem on a serial port is enumerated by Serenum while it is
            // attached; one installed by hand lives under Root.
            GetPresentClassDevices(CLASSGUID_MODEM, kSerialEnumerator, descriptions);
            if (descriptions.empty()) GetClassDevices(CLASSGUID_MODEM, kRootEnumerator, descriptions);
        }
    } else {
        for (const Text &enumerator : Subkeys(m_registry, k9xEnumKey)) {
            for (const Text &instance : InstancePaths(m_registry, Text(k9xEnumKey) + "\\" + enumerator)) {
                if (!SameTextIgnoringCase(ReadValue(m_registry, instance, "ClassGUID"), CLASSGUID_MODEM)) continue;
                Text name = ReadValue(m_registry, instance, "FriendlyName");
                if (name.empty()) name = ReadValue(m_registry, instance, "DeviceDesc");
                if (!name.empty()) descriptions.push_back(name);
            }
        }
    }
    return FillTypeWords(descriptions, types, "Modem");
}

}  // namespace hs
