// The human-readable operating-system name and version.
#include "api/inventory.h"
#include "host/os_version.h"

namespace hs {

namespace {

const char kWindowsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// The Windows 9x release suffix: " OSR2 " for 95 OSR2 (4.0 with 'C' as the
// second service character), " SE " for 98 SE (4.10 with 'A').
const char *ReleaseSuffix(const OSVERSIONINFOA &info) {
    if (info.dwMajorVersion != 4) return "";
    const char mark = info.szCSDVersion[1];
    if (info.dwMinorVersion == 0 && mark == 'C') return " OSR2 ";
    if (info.dwMinorVersion == 10 && mark == 'A') return " SE ";
    return "";
}

}  // namespace

Text CInventory::GetOsDescription() {
    OSVERSIONINFOA info;
    // A failed query describes nothing rather than guessing a family.
    if (!ReadOsVersion(info)) return Text();

    HKEY machine = HKEY_LOCAL_MACHINE;
    switch (info.dwPlatformId) {
    case 0:
        return "Microsoft Win32s ";
    case 1: {
        Text text;
        m_registry.ReadRegString(machine, kWindowsKey, "ProductName", text);
        text += ReleaseSuffix(info);
        Text version;
        m_registry.ReadRegString(machine, kWindowsKey, "VersionNumber", version);
        if (!version.empty()) text += "  " + version;
        return text;
    }
    case kPlatformNt: {
        Text product, version, build;
        m_registry.ReadRegString(machine, kNtKey, "ProductName", product);
        m_registry.ReadRegString(machine, kNtKey, "CurrentVersion", version);
        m_registry.ReadRegString(machine, kNtKey, "CurrentBuildNumber", build);
        return product + "  " + version + "  " + build;
    }
    default:
        return Text();
    }
}

}  // namespace hs
