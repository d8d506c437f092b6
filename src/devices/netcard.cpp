// Network cards: the adapters that the library's own adapter export reports.
#include <cstring>
#include <memory>

#include "api/adapter_list.h"
#include "api/inventory.h"

namespace hs {

namespace {

constexpr uint32_t kRecordSize = sizeof(IPADAPTERINFO);

// The export answers 0 also when its own adapter query failed during the
// fill and nothing was written. The block is zeroed before the call, and a
// record that the export wrote always carries its hardware-address text
// (twelve hexadecimal digits), so a first record that is still all zero
// bytes means that nothing was written.
bool FirstRecordWritten(const uint8_t *block) {
    for (uint32_t i = 0; i < kRecordSize; ++i) {
        if (block[i] != 0) return true;
    }
    return false;
}

// The records are walked by their size; next is read only to find the last
// one (0), so the walk is the same whatever width an address has.
void AppendAdapterDescriptions(const uint8_t *block, uint32_t count, TextList &descriptions) {
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t *record = block + i * kRecordSize;
        IPADAPTERINFO adapter;
        std::memcpy(&adapter, record, kRecordSize);
        const void *nul = std::memchr(adapter.description, 0, sizeof adapter.description);
        const size_t length = nul ? static_cast<size_t>(static_cast<const char *>(nul) - adapter.description)
                                  : sizeof adapter.description;
        descriptions.push_back(Text(adapter.description, length));
        if (adapter.next == 0) break;
    }
}

}  // namespace

int32_t CInventory::GetNetCardInfo(TextList &descriptions, TextList &types) {
    // Owned until the collector takes it, so that a failure on the way
    // releases it.
    std::unique_ptr<uint8_t[]> block;
    uint32_t size = 0;
    if (::HsiGetAdapterInfo(nullptr, &size) == HS_ERROR_BUFFER_OVERFLOW) {
        const uint32_t count = size / kRecordSize;
        if (count > 0) {
            size = count * kRecordSize;
            // Room for every list entry: the export checks that many records.
            const uint32_t entries = AdapterListEntryCount();
            block.reset(new uint8_t[static_cast<size_t>(entries > count ? entries : count) * kRecordSize]());
            const uint32_t result = ::HsiGetAdapterInfo(reinterpret_cast<IPADAPTERINFO *>(block.get()), &size);
            if (result != HS_SUCCESS) {
                OutputDebugStringA("GetNetCardInfo failed!\n");
            } else if (FirstRecordWritten(block.get())) {
                AppendAdapterDescriptions(block.get(), count, descriptions);
            }
        }
    }

    // The collector keeps the latest block; it was allocated as bytes and is
    // released as bytes.
    delete[] reinterpret_cast<uint8_t *>(m_adapterBuffer);
    m_adapterBuffer = reinterpret_cast<IPADAPTERINFO *>(block.release());
    return FillTypeWords(descriptions, types, "Net");
}

}  // namespace hs
