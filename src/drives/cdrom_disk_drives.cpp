// CD-ROM and disk drives. Each collector picks its source by the Windows
// version: the Plug and Play tree on Windows 2000 and later, the SCSI device
// map on NT 4, and on Windows 9x the ESDI and SCSI trees with a probe of the
// drive letters that each instance claims.
#include <cstdio>
#include <cstring>

#include "api/inventory.h"
#include "registry/class_guids.h"

namespace hs {

namespace {

constexpr const char kIdeRoot[] = "SYSTEM\\CurrentControlSet\\Enum\\IDE";
constexpr const char kScsiRoot[] = "SYSTEM\\CurrentControlSet\\Enum\\SCSI";
constexpr const char kScsiMap[] = "HARDWARE\\DEVICEMAP\\Scsi";
constexpr const char k9xEsdiRoot[] = "Enum\\ESDI";
constexpr const char k9xScsiRoot[] = "Enum\\SCSI";

enum class DriveKind { Cdrom, Disk };

bool SameTextIgnoringCase(const Text &a, const Text &b) {
    return _mbsicmp(reinterpret_cast<const unsigned char *>(a.c_str()),
                    reinterpret_cast<const unsigned char *>(b.c_str())) == 0;
}

Text RootPathOf(char letter) { return Text(1, letter) + ":"; }

bool IsTargetKey(const Text &name) { return std::strncmp(name.c_str(), "Target Id", 9) == 0; }

// NT 4: one unit per port at most, Logical Unit Id 0 of the later of the
// first two "Scsi Bus 0" subkeys that names a target. A unit whose Type
// begins with CdRom is a CD-ROM drive; any other unit counts as a disk.
void CollectScsiMapUnits(RegistryReader &registry, DriveKind kind, TextList &descriptions) {
    TextList ports;
    registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, kScsiMap, ports);
    for (const Text &port : ports) {
        const Text busPath = Text(kScsiMap) + "\\" + port + "\\Scsi Bus 0";
        TextList busSubkeys;
        registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, busPath, busSubkeys);
        if (busSubkeys.empty()) continue;

        const Text *target = nullptr;
        if (busSubkeys.size() > 1 && IsTargetKey(busSubkeys[1])) {
            target = &busSubkeys[1];
        } else if (IsTargetKey(busSubkeys[0])) {
            target = &busSubkeys[0];
        }
        if (!target) continue;

        const Text unitPath = busPath + "\\" + *target + "\\Logical Unit Id 0";
        Text identifier;
        if (!registry.ReadRegString(HKEY_LOCAL_MACHINE, unitPath, "Identifier", identifier)) continue;
        Text type;
        registry.ReadRegString(HKEY_LOCAL_MACHINE, unitPath, "Type", type);
        const bool isCdrom = SameTextIgnoringCase(type.substr(0, 5), "CDRom");
        if (isCdrom == (kind == DriveKind::Cdrom)) descriptions.push_back(identifier);
    }
}

// Make every drive of the assignment current in turn; stops at the first
// that cannot be (no such drive, no medium). The caller restores the
// current drive.
bool ProbeDriveLetters(const Text &assignment) {
    for (const char letter : assignment) {
        if (_chdrive(static_cast<unsigned char>(letter) - 64) != 0) return false;
    }
    return true;
}

// Windows 9x: instances below Enum\ESDI and Enum\SCSI that claim drive
// letters. The class word is also the setup class the instance must name.
void Collect9xDrives(RegistryReader &registry, DriveKind kind, const char *classWord, TextList &descriptions) {
    const char *const roots[] = {k9xEsdiRoot, k9xScsiRoot};
    TextList deviceKeys[2];
    for (int r = 0; r < 2; ++r) registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, roots[r], deviceKeys[r]);

    for (int r = 0; r < 2; ++r) {
        const bool esdiWalk = (r == 0);
        for (const Text &device : deviceKeys[r]) {
            const Text devicePath = Text(roots[r]) + "\\" + device;
            TextList instanceKeys;
            registry.EnumRegSubkeys(HKEY_LOCAL_MACHINE, devicePath, instanceKeys);
            for (const Text &instance : instanceKeys) {
                const Text instancePath = devicePath + "\\" + instance;
                Text assignment;
                if (!registry.ReadRegString(HKEY_LOCAL_MACHINE, instancePath, "CurrentDriveLetterAssignment",
                                            assignment)) {
                    continue;
                }
                const int currentDrive = _getdrive();
                if (kind == DriveKind::Disk && esdiWalk) OutputDebugStringA((assignment + "\n").c_str());
                const bool probed = ProbeDriveLetters(assignment);
                _chdrive(currentDrive);

                Text description, setupClass;
                registry.ReadRegString(HKEY_LOCAL_MACHINE, instancePath, "DeviceDesc", description);
                registry.ReadRegString(HKEY_LOCAL_MACHINE, instancePath, "Class", setupClass);
                const bool classMatches = SameTextIgnoringCase(setupClass, classWord);

                bool accepted = probed && classMatches;
                // A CD-ROM drive without a disc cannot be made current; its
                // letter still tells what it is.
                if (!probed && kind == DriveKind::Cdrom) {
                    accepted = assignment.size() == 1 &&
                               GetDriveTypeA(RootPathOf(assignment[0]).c_str()) == DRIVE_CDROM && classMatches;
                }
                if (accepted) descriptions.push_back(description);
            }
        }
    }
}

// NT: when fewer CD-ROM devices were named than Windows has CD-ROM drive
// letters, stand-in names make up the difference.
void AppendCdromPlaceholders(TextList &descriptions) {
    size_t cdromLetters = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (GetDriveTypeA(RootPathOf(letter).c_str()) == DRIVE_CDROM) ++cdromLetters;
    }
    if (descriptions.size() >= cdromLetters) return;
    const size_t missing = cdromLetters - descriptions.size();
    for (size_t number = 1; number <= missing; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "CDRom %d", static_cast<int>(number));
        descriptions.push_back(name);
    }
}

}  // namespace

int32_t CInventory::GetCdromDrives(TextList &descriptions, TextList &types) {
    const OSVERSIONINFOA version = QueryVersion();
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        if (version.dwMajorVersion > 4) {
            GetPresentClassDevices(CLASSGUID_CDROM, kIdeRoot, descriptions);
            GetPresentClassDevices(CLASSGUID_CDROM, kScsiRoot, descriptions);
        } else {
            CollectScsiMapUnits(m_registry, DriveKind::Cdrom, descriptions);
        }
        AppendCdromPlaceholders(descriptions);
    } else {
        Collect9xDrives(m_registry, DriveKind::Cdrom, "CDROM", descriptions);
    }
    return FillTypeWords(descriptions, types, "CDROM");
}

int32_t CInventory::GetDiskDrives(TextList &descriptions, TextList &types) {
    const OSVERSIONINFOA version = QueryVersion();
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        if (version.dwMajorVersion > 4) {
            GetPresentClassDevices(CLASSGUID_DISKDRIVE, kIdeRoot, descriptions);
        } else {
            CollectScsiMapUnits(m_registry, DriveKind::Disk, descriptions);
        }
    } else {
        Collect9xDrives(m_registry, DriveKind::Disk, "DiskDrive", descriptions);
    }
    return FillTypeWords(descriptions, types, "DiskDrive");
}

}  // namespace hs
