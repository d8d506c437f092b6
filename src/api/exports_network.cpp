// The network exports: IP helper adapters, the user record and the NetBIOS
// adapters.
#include <cstddef>
#include <cstring>
#include <vector>

#include "api/adapter_list.h"
#include "api/export_guard.h"
#include "api/inventory.h"
#include "api/record_io.h"
#include "hardscan.h"
#include "platform/platform.h"

using namespace hs;

namespace {

constexpr uint32_t kAdapterRecord = sizeof(IPADAPTERINFO);
constexpr uint32_t kNetRecord = sizeof(NETINFO);
constexpr size_t kShortText = 15;

// The NetBIOS address that a LANA bound to no real card reports: "DEST".
constexpr uint8_t kPlaceholderAddress[6] = {0x44, 0x45, 0x53, 0x54, 0x00, 0x00};

void FillAdapterRecord(IPADAPTERINFO &record, const IP_ADAPTER_INFO &entry) {
    CopyText(record.ipAddress, kShortText, TextUpToNul(entry.IpAddressList.IpAddress.String, 16));
    std::memcpy(record.adapterName, entry.AdapterName, sizeof record.adapterName - 1);
    std::memcpy(record.description, entry.Description, sizeof record.description - 1);
    CopyText(record.mac, kShortText, HardwareAddressText(entry.Address, true));
}

uint32_t GetAdapterInfo(IPADAPTERINFO *buffer, uint32_t *size) {
    AdapterList list;
    const AdapterList::State state = list.Fetch();
    if (state == AdapterList::State::Failed) return HS_SUCCESS;
    if (state == AdapterList::State::None) {
        // No adapter list at all: nothing is needed and nothing is written.
        if (IsUsable(size, sizeof *size)) *size = 0;
        return HS_SUCCESS;
    }

    const uint32_t entries = list.Length() / sizeof(IP_ADAPTER_INFO);
    const int32_t addressed = CountAddressedAdapters(list.First());
    // One record per list entry must be readable; the addressed adapters'
    // records are the ones written.
    if ((entries >= 1 && FirstUnreadableRecord(buffer, entries, kAdapterRecord) >= 0) ||
        (addressed >= 1 && FirstBadRecord(buffer, static_cast<uint64_t>(addressed), kAdapterRecord) >= 0)) {
        if (IsUsable(size, sizeof *size)) *size = static_cast<uint32_t>(addressed) * kAdapterRecord;
        return HS_ERROR_BUFFER_OVERFLOW;
    }

    int32_t k = 0;
    for (const IP_ADAPTER_INFO *entry = list.First(); entry != nullptr && k < addressed;
         entry = list.Next(entry)) {
        if (!IsAddressed(*entry)) continue;
        IPADAPTERINFO &record = buffer[k];
        FillAdapterRecord(record, *entry);
        record.next = k + 1 < addressed ? Address32(&buffer[k + 1]) : 0;
        ++k;
    }
    return HS_SUCCESS;
}

int32_t GetNetUserInfo(NETUSERINFO *info) {
    AdapterList list;
    if (list.Fetch() == AdapterList::State::Failed) return 0;
    // The reserved bytes at either end are never written.
    if (!IsReadable(info, sizeof *info) ||
        !IsUsable(info->computerName, offsetof(NETUSERINFO, reserved1) - offsetof(NETUSERINFO, computerName))) {
        OutputDebugStringA("HsiGetNetUserInfo() failed! --- IsBadReadPtr\n");
        return HS_ERROR_BUFFER_OVERFLOW;
    }
    CopyText(info->computerName, sizeof info->computerName - 1, g_inventory.ReadComputerName());
    CopyText(info->userName, sizeof info->userName - 1, g_inventory.ReadUserName());

    for (const IP_ADAPTER_INFO *entry = list.First(); entry != nullptr; entry = list.Next(entry)) {
        if (!IsAddressed(*entry)) continue;
        CopyText(info->ipAddress, kShortText, TextUpToNul(entry->IpAddressList.IpAddress.String, 16));
        CopyText(info->mac, kShortText, HardwareAddressText(entry->Address, true));
        break;
    }
    return 1;
}

int32_t GetNetInfoEx(INFOLIST *list, int32_t count) {
    // A negative count cannot size the address arrays: rejected like the
    // other failures.
    if (count <= 0) return 0;
    if (!IsReadable(list, sizeof *list)) return 0;
    uint8_t *records = AddressFrom32(list->records);
    const int64_t bad = FirstBadRecord(records, static_cast<uint64_t>(count), kNetRecord);
    if (bad >= 0) {
        DebugTrace("HsiGetNetInfoEx failed! %d", static_cast<int>(bad));
        return 0;
    }
    if (!IsUsable(list, offsetof(INFOLIST, records))) return 0;
    list->count = count;
    list->recordSize = kNetRecord;

    std::vector<uint32_t> addresses(static_cast<size_t>(count), 0);
    g_inventory.GetHostIP(addresses.data(), count);

    std::vector<uint8_t> hardware(static_cast<size_t>(count) * 6, 0);
    if (g_inventory.SimGetNetCard(hardware.data(), count) == 0) {
        OutputDebugStringA("GetUserInfo() -- SimGetNetCard() false!");
        return 0;
    }
    TextList texts;
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t *entry = &hardware[static_cast<size_t>(i) * 6];
        if (std::memcmp(entry, kPlaceholderAddress, 6) == 0) continue;
        texts.push_back(HardwareAddressText(entry, false));
    }

    for (int32_t i = 0; i < count; ++i) {
        auto *record = reinterpret_cast<NETINFO *>(records + static_cast<size_t>(i) * kNetRecord);
        record->ipAddress = addresses[static_cast<size_t>(i)];
        in_addr address;
        std::memset(&address, 0, sizeof address);
        address.s_addr = addresses[static_cast<size_t>(i)];
        const char *dotted = inet_ntoa(address);
        CopyText(record->ipText, sizeof record->ipText - 1, dotted != nullptr ? Text(dotted) : Text());
        // Records past the texts (skipped placeholder addresses) get empty text.
        const size_t index = static_cast<size_t>(i);
        CopyText(record->mac, sizeof record->mac - 1, index < texts.size() ? texts[index] : Text());
    }
    return 1;
}

}  // namespace

extern "C" {

HSEXPORT int32_t HSAPI HsiGetNetCount(void) {
    return RunExport<int32_t>(0, [] { return g_inventory.SimGetNetCard(nullptr, 0); });
}

HSEXPORT int32_t HSAPI HsiGetNetInfoEx(INFOLIST *list, int32_t count) {
    return RunExport<int32_t>(0, [&] { return GetNetInfoEx(list, count); });
}

HSEXPORT int32_t HSAPI HsiGetAdapterCount(const void *adapterList) {
    return RunExport<int32_t>(0, [&] { return CountAddressedAdapters(adapterList); });
}

HSEXPORT uint32_t HSAPI HsiGetAdapterInfo(IPADAPTERINFO *buffer, uint32_t *size) {
    return RunExport<uint32_t>(HS_ERROR_BUFFER_OVERFLOW, [&] { return GetAdapterInfo(buffer, size); });
}

HSEXPORT int32_t HSAPI HsiGetNetUserInfo(NETUSERINFO *info) {
    return RunExport<int32_t>(0, [&] { return GetNetUserInfo(info); });
}

}  // extern "C"
