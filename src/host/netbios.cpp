// The NetBIOS LAN adapters and their hardware addresses.
#include <algorithm>
#include <cstring>

#include "api/inventory.h"

namespace hs {

namespace {

constexpr WORD kEnumBufferSize = 256;    // a LANA_ENUM: count byte and LANA numbers
constexpr WORD kStatusBufferSize = 600;  // ADAPTER_STATUS and room for 30 NAME_BUFFERs
constexpr int32_t kEntrySize = 6;        // one hardware address

// Every query starts from a control block of zero bytes.
NCB ZeroControlBlock(UCHAR command) {
    NCB ncb;
    std::memset(&ncb, 0, sizeof ncb);
    ncb.ncb_command = command;
    return ncb;
}

// The LANAs in enumeration order; false when the enumeration fails.
bool EnumerateLanas(UCHAR (&buffer)[kEnumBufferSize]) {
    std::memset(buffer, 0, sizeof buffer);
    NCB ncb = ZeroControlBlock(NCBENUM);
    ncb.ncb_buffer = buffer;
    ncb.ncb_length = kEnumBufferSize;
    return Netbios(&ncb) == NRC_GOODRET;
}

bool ResetLana(UCHAR lana) {
    NCB ncb = ZeroControlBlock(NCBRESET);
    ncb.ncb_lana_num = lana;
    return Netbios(&ncb) == NRC_GOODRET;
}

// Adapter status of a LANA, asked of the remote name "*" padded with spaces.
bool QueryAdapterStatus(UCHAR lana, UCHAR (&status)[kStatusBufferSize]) {
    std::memset(status, 0, sizeof status);
    NCB ncb = ZeroControlBlock(NCBASTAT);
    ncb.ncb_lana_num = lana;
    std::memset(ncb.ncb_callname, ' ', NCBNAMSZ);
    ncb.ncb_callname[0] = '*';
    ncb.ncb_buffer = status;
    ncb.ncb_length = kStatusBufferSize;
    return Netbios(&ncb) == NRC_GOODRET;
}

}  // namespace

int32_t CInventory::SimGetNetCard(uint8_t *addresses, int32_t capacity) {
    UCHAR lanas[kEnumBufferSize];
    if (!EnumerateLanas(lanas)) return 0;
    // The count byte is at most 255, which the 255 bytes after it hold.
    const int32_t count = lanas[0];
    if (addresses == nullptr) return count;

    // Entries go only where the destination has room; every LANA is still
    // queried so that the answer is the same whatever the room.
    const int32_t room = std::max<int32_t>(0, std::min(count, capacity));
    if (IsBadWritePtr(addresses, static_cast<UINT_PTR>(room) * kEntrySize)) return 0;

    for (int32_t i = 0; i < count; ++i) {
        const UCHAR lana = lanas[1 + i];
        if (!ResetLana(lana)) return 0;
        UCHAR status[kStatusBufferSize];
        if (!QueryAdapterStatus(lana, status)) return 0;
        // The first six bytes of the status are the adapter address.
        if (i < room) std::memcpy(addresses + i * kEntrySize, status, kEntrySize);
    }
    return count;
}

}  // namespace hs
