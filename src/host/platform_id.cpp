// The Windows family, read once and kept for the module's life.
#include "api/inventory.h"
#include "host/os_version.h"

namespace hs {

uint32_t CInventory::GetPlatformId() {
    if (m_platformId != 0) return m_platformId;
    // 0 doubles as "not read yet": on Win32s, and after a failed query, the
    // system is asked again on the next call.
    OSVERSIONINFOA info;
    ReadOsVersion(info);
    m_platformId = info.dwPlatformId;
    return m_platformId;
}

}  // namespace hs
