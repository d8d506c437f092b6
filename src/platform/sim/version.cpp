// GetVersionExA: the version facts of the machine.
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/sim/machine.h"

namespace {

// OSVERSIONINFOEXA adds these fields after the CSD text (Windows NT 5 and later).
struct VersionInfoExTail {
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};
constexpr DWORD kVersionInfoExSize = sizeof(OSVERSIONINFOA) + sizeof(VersionInfoExTail);
constexpr BYTE kNtWorkstation = 1;
constexpr WORD kSuiteSingleUserTs = 0x0100;

WORD ServicePackNumber(const std::string &csd) {
    const char prefix[] = "Service Pack ";
    if (csd.compare(0, sizeof prefix - 1, prefix) != 0) return 0;
    return static_cast<WORD>(std::atoi(csd.c_str() + sizeof prefix - 1));
}

}  // namespace

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    if (info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::shared_ptr<const hs::sim::Machine> machine = hs::sim::CurrentMachine();
    const hs::sim::VersionFacts &v = machine->facts.version;
    if (v.fails) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool extended = info->dwOSVersionInfoSize == kVersionInfoExSize;
    // The extended record exists from Windows 2000 on (and NT 4 SP6).
    bool extendedKnown = v.platform == VER_PLATFORM_WIN32_NT && v.major >= 4;
    if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) && !(extended && extendedKnown)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    info->dwMajorVersion = v.major;
    info->dwMinorVersion = v.minor;
    info->dwBuildNumber = v.build;
    info->dwPlatformId = v.platform;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    std::strncpy(info->szCSDVersion, v.csd.c_str(), sizeof info->szCSDVersion - 1);
    if (extended) {
        VersionInfoExTail tail{};
        tail.wServicePackMajor = ServicePackNumber(v.csd);
        tail.wSuiteMask = kSuiteSingleUserTs;
        tail.wProductType = kNtWorkstation;
        std::memcpy(reinterpret_cast<char *>(info) + sizeof(OSVERSIONINFOA), &tail, sizeof tail);
    }
    return TRUE;
}
