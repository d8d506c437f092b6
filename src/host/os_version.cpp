// The version query shared by the host readers.
#include "host/os_version.h"

#include <cstring>

namespace hs {

bool ReadOsVersion(OSVERSIONINFOA &info) {
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = 148;
    if (GetVersionExA(&info)) return true;
    // The system may have written part of the record before failing.
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = 148;
    return false;
}

}  // namespace hs
