// The processor exports: the count, chained CPUINFO records and the list call.
#include <cstddef>

#include "api/export_guard.h"
#include "api/inventory.h"
#include "api/record_io.h"
#include "hardscan.h"

using namespace hs;

namespace {

constexpr uint32_t kCpuRecord = sizeof(CPUINFO);

// One record's values, in the order they are gathered.
void FillCpuRecord(CPUINFO *record) {
    record->speed = g_inventory.GetCpuSpeed();
    CopyText(record->name, sizeof record->name - 1, g_inventory.GetCpuName());
    CopyText(record->vendor, sizeof record->vendor - 1, g_inventory.GetCpuVendor());
}

}  // namespace

extern "C" {

HSEXPORT int32_t HSAPI HsiGetCpuCount(void) {
    return RunExport<int32_t>(0, [] { return static_cast<int32_t>(g_inventory.GetCpuCount()); });
}

HSEXPORT uint32_t HSAPI HsiGetCpuInfo(CPUINFO *buffer, uint32_t *size) {
    return RunExport<uint32_t>(HS_ERROR_BUFFER_OVERFLOW, [&]() -> uint32_t {
        if (!IsSizeArgumentUsable(size, buffer == nullptr)) return HS_ERROR_BUFFER_OVERFLOW;
        if (buffer == nullptr) {
            *size = g_inventory.GetCpuCount() * kCpuRecord;
            return HS_ERROR_BUFFER_OVERFLOW;
        }
        const uint32_t n = *size / kCpuRecord;
        if (n >= 1 && FirstBadRecord(buffer, n, kCpuRecord) >= 0) return HS_ERROR_BUFFER_OVERFLOW;
        if (n < 1) return HS_SUCCESS;
        for (uint32_t i = 0; i < n; ++i) {
            FillCpuRecord(&buffer[i]);
            buffer[i].next = i + 1 < n ? Address32(&buffer[i + 1]) : 0;
        }
        return HS_SUCCESS;
    });
}

HSEXPORT int32_t HSAPI HsiGetCpuInfoEx(INFOLIST *list, int32_t count) {
    return RunExport<int32_t>(0, [&]() -> int32_t {
        if (count == 0) return 0;
        if (!IsReadable(list, sizeof *list)) return 0;
        uint8_t *records = AddressFrom32(list->records);
        if (count > 0) {
            const int64_t bad = FirstBadRecord(records, static_cast<uint64_t>(count), kCpuRecord);
            if (bad >= 0) {
                DebugTrace("HsiGetCpuInfoEx failed! %d", static_cast<int>(bad));
                return 0;
            }
        }
        if (!IsUsable(list, offsetof(INFOLIST, records))) return 0;
        list->count = count;
        list->recordSize = kCpuRecord;
        if (count < 1) return 1;
        for (int32_t i = 0; i < count; ++i) {
            FillCpuRecord(reinterpret_cast<CPUINFO *>(records + static_cast<size_t>(i) * kCpuRecord));
        }
        return 1;
    });
}

}  // extern "C"
