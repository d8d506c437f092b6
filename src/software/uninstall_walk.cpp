// Installed programs as Windows lists them for its uninstall dialog.
#include "software/uninstall_walk.h"

#include "platform/platform.h"

namespace hs {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

bool SameName(const Text &a, const char *b) {
    return _mbsicmp(reinterpret_cast<const unsigned char *>(a.c_str()),
                    reinterpret_cast<const unsigned char *>(b)) == 0;
}

// The display name of the program that the subkey stands for, or false when
// the subkey is not a program.
bool ReadProgram(RegistryReader &registry, const Text &keyPath, Text &displayName) {
    TextList names;
    DwordList types;
    TextList data;
    registry.EnumRegValues(HKEY_LOCAL_MACHINE, keyPath, names, types, data);

    int matches = 0;
    for (size_t i = 0; i < names.size() && i < data.size(); ++i) {
        if (data[i].empty()) continue;
        const bool isDisplayName = SameName(names[i], "DisplayName");
        if (!isDisplayName && !SameName(names[i], "UninstallString")) continue;
        if (isDisplayName) displayName = data[i];
        // Value names are unique in a key, so a second match means both
        // values are present, whichever came first.
        if (matches == 1) return true;
        matches = 1;
    }
    return false;
}

}  // namespace

void WalkInstalledPrograms(RegistryReader &registry, const std::function<bool(const Text &)> &visit) {
    TextList subkeys;
    registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, kUninstallKey, subkeys);
    const Text root = kUninstallKey;
    for (const Text &subkey : subkeys) {
        Text displayName;
        if (!ReadProgram(registry, root + "\\" + subkey, displayName)) continue;
        if (!visit(displayName)) return;
    }
}

}  // namespace hs
