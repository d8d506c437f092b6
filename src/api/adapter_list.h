// The IP helper's adapter list, fetched with the two-call protocol.
#pragma once

#include <cstdint>
#include <memory>

#include "api/text.h"
#include "platform/platform.h"

namespace hs {

class AdapterList {
public:
    enum class State { Fetched, None, Failed };

    // First call without a buffer; on 111 a second call with the reported
    // length. None: the first call did not answer 111 (no adapters, or no IP
    // helper). Failed: the second call did not answer 0.
    State Fetch();

    // The reported length in bytes, and the first entry (null without a list).
    ULONG Length() const { return m_length; }
    const IP_ADAPTER_INFO *First() const;

    // The entry after one of this list, or null at the end (or when Next
    // leaves the list's buffer).
    const IP_ADAPTER_INFO *Next(const IP_ADAPTER_INFO *entry) const;

private:
    std::unique_ptr<uint64_t[]> m_storage;
    ULONG m_length = 0;
};

// Number of entries of the IP helper's list, addressed or not: the adapter
// export checks one record of the caller's memory per entry, so a block meant
// for it gets room for that many.
uint32_t AdapterListEntryCount();

// An adapter counts as addressed unless its IP text starts with '0'.
bool IsAddressed(const IP_ADAPTER_INFO &entry);

// The first six bytes of the hardware address as twelve hexadecimal digits.
Text HardwareAddressText(const uint8_t *address, bool upperCase);

// Number of addressed adapters in a chain given by its first entry; 0 when
// the first entry is not readable.
int32_t CountAddressedAdapters(const void *first);

}  // namespace hs
