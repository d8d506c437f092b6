// Pointing devices and keyboards: one routine, two sets of constants.
#include "api/inventory.h"
#include "registry/class_guids.h"

namespace hs {

namespace {

struct InputDeviceKind {
    const char *typeWord;
    const char *classGuid;       // NT setup class
    const char *classDriverKey;  // Windows 9x class driver entry
};

constexpr InputDeviceKind kMouse = {"Mouse", CLASSGUID_MOUSE,
                                    "SYSTEM\\CurrentControlSet\\Services\\Class\\Mouse\\0000"};
constexpr InputDeviceKind kKeyboard = {"Keyboard", CLASSGUID_KEYBOARD,
                                       "SYSTEM\\CurrentControlSet\\Services\\Class\\Keyboard\\0000"};

constexpr const char kAcpiEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\ACPI";
constexpr const char kRootEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\Root";
constexpr const char k9xBiosPrefix[] = "Enum\\BIOS\\";

// Windows 9x: the BIOS-enumerated device that the class driver entry was
// matched to, else the driver's own description. Always one entry.
Text Read9xInputDeviceName(RegistryReader &registry, const InputDeviceKind &kind) {
    Text matchingId;
    Text description;
    registry.ReadRegString(HKEY_LOCAL_MACHINE, kind.classDriverKey, "MatchingDeviceId", matchingId);
    if (!matchingId.empty()) {
        const Text devicePath = k9xBiosPrefix + matchingId;
        TextList instances;
        registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, devicePath, instances);
        for (const Text &instance : instances) {
            registry.ReadRegString(HKEY_LOCAL_MACHINE, devicePath + "\\" + instance, "DeviceDesc", description);
            if (!description.empty()) break;
        }
    }
    if (description.empty()) registry.ReadRegString(HKEY_LOCAL_MACHINE, kind.classDriverKey, "DriverDesc", description);
    return description;
}

// Shared by the mouse and keyboard kinds.
int32_t CollectInputDevices(CInventory &inventory, const InputDeviceKind &kind, TextList &descriptions,
                                   TextList &types) {
    if (inventory.GetPlatformId() == VER_PLATFORM_WIN32_NT) {
        inventory.GetPresentClassDevices(kind.classGuid, kAcpiEnumerator, descriptions);
        if (descriptions.empty()) inventory.GetPresentClassDevices(kind.classGuid, kRootEnumerator, descriptions);
    } else {
        descriptions.push_back(Read9xInputDeviceName(inventory.Registry(), kind));
    }
    return FillTypeWords(descriptions, types, kind.typeWord);
}

}  // namespace

int32_t CInventory::GetMouseDevices(TextList &descriptions, TextList &types) {
    return CollectInputDevices(*this, kMouse, descriptions, types);
}

int32_t CInventory::GetKeyboards(TextList &descriptions, TextList &types) {
    return CollectInputDevices(*this, kKeyboard, descriptions, types);
}

}  // namespace hs
