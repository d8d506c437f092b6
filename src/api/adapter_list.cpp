#include "api/adapter_list.h"

#include <cstdio>

namespace hs {

namespace {
// Bound of a chain walk through caller memory, so that a looped chain ends.
constexpr int kMaxChain = 1 << 16;
}  // namespace

AdapterList::State AdapterList::Fetch() {
    m_storage.reset();
    m_length = 0;
    ULONG length = 0;
    if (GetAdaptersInfo(nullptr, &length) != ERROR_BUFFER_OVERFLOW) return State::None;
    m_storage.reset(new uint64_t[(length + 7) / 8 + 1]());
    ULONG filled = length;
    if (GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(m_storage.get()), &filled) != ERROR_SUCCESS) {
        m_storage.reset();
        return State::Failed;
    }
    m_length = length;
    return State::Fetched;
}

const IP_ADAPTER_INFO *AdapterList::First() const {
    if (!m_storage || m_length < sizeof(IP_ADAPTER_INFO)) return nullptr;
    return reinterpret_cast<const IP_ADAPTER_INFO *>(m_storage.get());
}

const IP_ADAPTER_INFO *AdapterList::Next(const IP_ADAPTER_INFO *entry) const {
    const auto *next = reinterpret_cast<const uint8_t *>(entry->Next);
    const auto *begin = reinterpret_cast<const uint8_t *>(m_storage.get());
    if (next == nullptr || next < begin || next + sizeof(IP_ADAPTER_INFO) > begin + m_length) return nullptr;
    return reinterpret_cast<const IP_ADAPTER_INFO *>(next);
}

uint32_t AdapterListEntryCount() {
    ULONG length = 0;
    if (GetAdaptersInfo(nullptr, &length) != ERROR_BUFFER_OVERFLOW) return 0;
    return static_cast<uint32_t>(length / sizeof(IP_ADAPTER_INFO));
}

bool IsAddressed(const IP_ADAPTER_INFO &entry) { return entry.IpAddressList.IpAddress.String[0] != '0'; }

Text HardwareAddressText(const uint8_t *a, bool upperCase) {
    char text[13];
    std::snprintf(text, sizeof text, upperCase ? "%02X%02X%02X%02X%02X%02X" : "%02x%02x%02x%02x%02x%02x", a[0],
                  a[1], a[2], a[3], a[4], a[5]);
    return Text(text);
}

int32_t CountAddressedAdapters(const void *first) {
    int32_t count = 0;
    const auto *entry = static_cast<const IP_ADAPTER_INFO *>(first);
    for (int steps = 0; entry != nullptr && steps < kMaxChain; ++steps) {
        if (IsBadReadPtr(entry, sizeof *entry)) break;
        if (IsAddressed(*entry)) ++count;
        entry = entry->Next;
    }
    return count;
}

}  // namespace hs
