// The machine's identity texts: computer name, default user, registered
// owner and organisation. Every read starts from empty text, so a missing
// key or value answers empty.
#include "api/inventory.h"
#include "host/os_version.h"

namespace hs {

namespace {

const char kComputerNameKey[] = "System\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
const char kWinLogonKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon";
const char kLogonKey[] = "Network\\logon";
const char kWindowsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

}  // namespace

Text CInventory::ReadComputerName() {
    Text text;
    m_registry.ReadRegString(HKEY_LOCAL_MACHINE, kComputerNameKey, "ComputerName", text);
    return text;
}

Text CInventory::ReadUserName() {
    // Its own version query: the user name depends on the major version too.
    OSVERSIONINFOA info;
    ReadOsVersion(info);

    Text text;
    if (info.dwPlatformId == kPlatformNt) {
        // From Windows 2000 on, the alternate default user wins when set.
        const char *first = info.dwMajorVersion < 5 ? "DefaultUserName" : "AltDefaultUserName";
        m_registry.ReadRegString(HKEY_LOCAL_MACHINE, kWinLogonKey, first, text);
        if (text.empty()) m_registry.ReadRegString(HKEY_LOCAL_MACHINE, kWinLogonKey, "DefaultUserName", text);
    } else {
        m_registry.ReadRegString(HKEY_LOCAL_MACHINE, kLogonKey, "username", text);
    }
    return text;
}

Text CInventory::ReadRegisteredOwner() {
    Text text;
    const char *key = GetPlatformId() == kPlatformNt ? kNtKey : kWindowsKey;
    m_registry.ReadRegString(HKEY_LOCAL_MACHINE, key, "RegisteredOwner", text);
    return text;
}

Text CInventory::ReadRegisteredOrganization() {
    Text text;
    const char *key = GetPlatformId() == kPlatformNt ? kNtKey : kWindowsKey;
    m_registry.ReadRegString(HKEY_LOCAL_MACHINE, key, "RegisteredOrganization", text);
    return text;
}

}  // namespace hs
