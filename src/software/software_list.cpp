// The installed programs: how many, and their names in case-blind order.
#include <algorithm>

#include "api/inventory.h"
#include "software/name_sort.h"
#include "software/uninstall_walk.h"

namespace hs {

int32_t CInventory::GetSoftwareCount() {
    int32_t count = 0;
    WalkInstalledPrograms(m_registry, [&count](const Text &) {
        ++count;
        return true;
    });
    return count;
}

int32_t CInventory::GetSoftwareList(TextList &names, int32_t n, Text &category) {
    category = "Software";
    // Names go into the entries the caller made, front first; a list shorter
    // than n takes only what fits, and its length never changes.
    const size_t room = std::min(static_cast<size_t>(std::max<int32_t>(n, 0)), names.size());
    size_t stored = 0;
    if (room > 0) {
        WalkInstalledPrograms(m_registry, [&](const Text &displayName) {
            names[stored++] = displayName;
            return stored < room;
        });
    }
    SortNamesIgnoringCase(names, stored);
    return 1;
}

}  // namespace hs
