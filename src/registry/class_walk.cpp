// Walks of the Plug and Play enumeration tree (root\device\instance) that
// list the display names of device instances, filtered by setup class and by
// presence.
#include "api/inventory.h"

namespace hs {

namespace {

bool SameTextIgnoringCase(const Text &a, const Text &b) {
    return _mbsicmp(reinterpret_cast<const unsigned char *>(a.c_str()),
                    reinterpret_cast<const unsigned char *>(b.c_str())) == 0;
}

// What an instance must show to be listed.
struct InstanceFilter {
    const Text *classGuid;  // null: any readable ClassGUID will do
    bool needsControl;      // a "Control" subkey exists only while the device is started
};

bool HasControlSubkey(const TextList &subkeys) {
    for (const Text &name : subkeys) {
        if (SameTextIgnoringCase(name, "Control")) return true;
    }
    return false;
}

// FriendlyName, else DeviceDesc; empty when neither is set.
Text ReadDisplayName(RegistryReader &registry, const Text &instancePath) {
    Text name;
    registry.ReadRegString(HKEY_LOCAL_MACHINE, instancePath, "FriendlyName", name);
    if (name.empty()) registry.ReadRegString(HKEY_LOCAL_MACHINE, instancePath, "DeviceDesc", name);
    return name;
}

bool InstancePasses(RegistryReader &registry, const Text &instancePath, const InstanceFilter &filter) {
    Text classGuid;
    if (!registry.ReadRegString(HKEY_LOCAL_MACHINE, instancePath, "ClassGUID", classGuid)) return false;
    if (filter.classGuid && !SameTextIgnoringCase(classGuid, *filter.classGuid)) return false;
    TextList subkeys;
    if (!registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, instancePath, subkeys)) return false;
    return !filter.needsControl || HasControlSubkey(subkeys);
}

int32_t WalkEnumerationTree(RegistryReader &registry, const Text &root, const InstanceFilter &filter,
                            TextList &names) {
    TextList deviceKeys;
    registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, root, deviceKeys);
    TextList instanceKeys;
    for (const Text &device : deviceKeys) {
        const Text devicePath = root + "\\" + device;
        instanceKeys.clear();
        if (!registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, devicePath, instanceKeys)) continue;
        for (const Text &instance : instanceKeys) {
            const Text instancePath = devicePath + "\\" + instance;
            if (!InstancePasses(registry, instancePath, filter)) continue;
            Text name = ReadDisplayName(registry, instancePath);
            if (!name.empty()) names.push_back(name);
        }
    }
    return static_cast<int32_t>(names.size());
}

}  // namespace

int32_t CInventory::GetPresentClassDevices(Text classGuid, Text root, TextList &names) {
    return WalkEnumerationTree(m_registry, root, InstanceFilter{&classGuid, true}, names);
}

int32_t CInventory::GetPresentDevices(Text root, TextList &names) {
    return WalkEnumerationTree(m_registry, root, InstanceFilter{nullptr, true}, names);
}

int32_t CInventory::GetClassDevices(Text classGuid, Text root, TextList &names) {
    return WalkEnumerationTree(m_registry, root, InstanceFilter{&classGuid, false}, names);
}

}  // namespace hs
