// Floppy drives: the FDC enumerator on NT, the FLOP tree on Windows 9x.
#include "api/inventory.h"
#include "registry/class_guids.h"

namespace hs {

namespace {

constexpr const char kNtFloppyRoot[] = "SYSTEM\\CurrentControlSet\\Enum\\FDC";
constexpr const char k9xFloppyRoot[] = "Enum\\FLOP";

// Every instance below Enum\FLOP\<device> that has a name, FriendlyName
// first. Windows 9x keeps no ClassGUID filter here: the tree holds only
// floppy drives.
void Collect9xFloppies(RegistryReader &registry, TextList &descriptions) {
    TextList deviceKeys;
    registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, k9xFloppyRoot, deviceKeys);
    for (const Text &device : deviceKeys) {
        const Text devicePath = Text(k9xFloppyRoot) + "\\" + device;
        TextList instanceKeys;
        registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, devicePath, instanceKeys);
        for (const Text &instance : instanceKeys) {
            const Text instancePath = devicePath + "\\" + instance;
            Text name;
            registry.ReadRegString(HKEY_LOCAL_MACHINE, instancePath, "FriendlyName", name);
            if (name.empty()) registry.ReadRegString(HKEY_LOCAL_MACHINE, instancePath, "DeviceDesc", name);
            if (!name.empty()) descriptions.push_back(name);
        }
    }
}

}  // namespace

int32_t CInventory::GetFloppyDrives(TextList &descriptions, TextList &types) {
    if (GetPlatformId() == VER_PLATFORM_WIN32_NT) {
        GetPresentClassDevices(CLASSGUID_FLOPPYDISK, kNtFloppyRoot, descriptions);
    } else {
        Collect9xFloppies(m_registry, descriptions);
    }
    return FillTypeWords(descriptions, types, "FloppyDisk");
}

}  // namespace hs
