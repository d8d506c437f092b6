// GetDriveTypeA, _getdrive and _chdrive over the profile's drives.
#include <cerrno>

#include "platform/platform.h"
#include "platform/sim/machine.h"

namespace {

int LetterIndex(char c) {
    if (c >= 'a' && c <= 'z') return c - 'a';
    if (c >= 'A' && c <= 'Z') return c - 'A';
    return -1;
}

}  // namespace

// Accepts a drive's root as "X:" or "X:\"; anything else has no root
// directory. A null text stands for the current drive.
UINT GetDriveTypeA(LPCSTR root) {
    return hs::sim::WithProcessState([&](hs::sim::ProcessState &s, const hs::sim::Machine &m) -> UINT {
        int index;
        if (root == nullptr) {
            index = s.currentDrive - 1;
        } else {
            index = LetterIndex(root[0]);
            if (index < 0 || root[1] != ':') return DRIVE_NO_ROOT_DIR;
            if (root[2] != '\0' && !((root[2] == '\\' || root[2] == '/') && root[3] == '\0')) return DRIVE_NO_ROOT_DIR;
        }
        return m.facts.drives.types[index];
    });
}

int _getdrive() {
    return hs::sim::WithProcessState([](hs::sim::ProcessState &s, const hs::sim::Machine &) { return s.currentDrive; });
}

int _chdrive(int drive) {
    bool ok = hs::sim::WithProcessState([&](hs::sim::ProcessState &s, const hs::sim::Machine &m) {
        if (drive < 1 || drive > 26 || (m.facts.drives.readyMask & (1u << (drive - 1))) == 0) return false;
        s.currentDrive = drive;
        return true;
    });
    if (ok) return 0;
    errno = EACCES;
    return -1;
}
