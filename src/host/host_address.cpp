// The machine's IP addresses as the NetBIOS record export asks for them.
//
// The address source behind GetHostIP is a placeholder: it reports no
// addresses by count and succeeds at fetching one without writing it. The
// decisions of GetHostIP stay as they are should a real source replace it.
#include "api/inventory.h"

namespace hs {

namespace {

// Number of host addresses; with a destination it would also fill it.
int32_t GetHostIPCount(uint32_t * /*addresses*/, uint32_t * /*second*/) { return 0; }

// Fetch a single address into the destination; nonzero on success.
int32_t SimGetHostIP(uint32_t * /*addresses*/, int32_t /*which*/) { return 1; }

}  // namespace

int32_t CInventory::GetHostIP(uint32_t *addresses, int32_t /*count*/) {
    const int32_t count = GetHostIPCount(nullptr, nullptr);
    if (addresses == nullptr) return count;
    if (count == 1) {
        GetHostIPCount(addresses, addresses);
        return 1;
    }
    if (count > 1) return count;

    const int32_t fetched = SimGetHostIP(addresses, 0);
    if (fetched == 0) OutputDebugStringA("GetHostIP() -- SimGetHostIP(one) false!");
    return fetched;
}

}  // namespace hs
