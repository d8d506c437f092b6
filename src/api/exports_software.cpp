// The software exports: the count, chained SOFTWAREINFO records and the list
// call with the category word.
#include <cstddef>

#include "api/export_guard.h"
#include "api/inventory.h"
#include "api/record_io.h"
#include "hardscan.h"
#include "platform/platform.h"

using namespace hs;

namespace {

constexpr uint32_t kSoftwareRecord = sizeof(SOFTWAREINFO);
constexpr size_t kNameLimit = sizeof(SOFTWAREINFO::displayName) - 1;

uint32_t GetSoftwareInfo(SOFTWAREINFO *buffer, uint32_t *size) {
    if (!IsSizeArgumentUsable(size, buffer == nullptr)) return HS_ERROR_BUFFER_OVERFLOW;
    if (buffer == nullptr) {
        *size = static_cast<uint32_t>(g_inventory.GetSoftwareCount()) * kSoftwareRecord;
        return HS_ERROR_BUFFER_OVERFLOW;
    }
    const uint32_t n = *size / kSoftwareRecord;
    if (n > 0 && FirstBadRecord(buffer, n, kSoftwareRecord) >= 0) return HS_ERROR_BUFFER_OVERFLOW;

    TextList names(n);
    Text category;
    if (g_inventory.GetSoftwareList(names, static_cast<int32_t>(n), category) == 0) {
        OutputDebugStringA("HsiGetSoftwareInfo() failed!");
        return HS_SUCCESS;
    }
    if (n < 1) return HS_SUCCESS;
    for (uint32_t i = 0; i < n; ++i) {
        OutputDebugStringA(("Hardscan.dll>>>" + names[i] + "\n").c_str());
        CopyText(buffer[i].displayName, kNameLimit, names[i]);
        buffer[i].next = i + 1 < n ? Address32(&buffer[i + 1]) : 0;
    }
    return HS_SUCCESS;
}

int32_t GetSoftwareInfoEx(SOFTWAREINFOLIST *list, int32_t count) {
    // A negative count cannot size the list: rejected like the other failures.
    if (count <= 0) return 0;
    if (!IsReadable(list, sizeof *list)) return 0;
    uint8_t *records = AddressFrom32(list->records);
    if (FirstBadRecord(records, static_cast<uint64_t>(count), kSoftwareRecord) >= 0) return 0;
    // Everything in front of the records address is written.
    if (!IsUsable(list, offsetof(SOFTWAREINFOLIST, records))) return 0;

    TextList names(static_cast<size_t>(count));
    Text category;
    if (g_inventory.GetSoftwareList(names, count, category) == 0) return 0;
    if (category.empty()) return 0;

    list->count = count;
    list->recordSize = kSoftwareRecord;
    CopyText(list->category, sizeof list->category - 1, category);
    for (int32_t i = 0; i < count; ++i) {
        auto *record = reinterpret_cast<SOFTWAREINFO *>(records + static_cast<size_t>(i) * kSoftwareRecord);
        CopyText(record->displayName, kNameLimit, names[static_cast<size_t>(i)]);
    }
    return 1;
}

}  // namespace

extern "C" {

HSEXPORT int32_t HSAPI HsiGetSoftwareCount(void) {
    return RunExport<int32_t>(0, [] { return g_inventory.GetSoftwareCount(); });
}

HSEXPORT uint32_t HSAPI HsiGetSoftwareInfo(SOFTWAREINFO *buffer, uint32_t *size) {
    return RunExport<uint32_t>(HS_ERROR_BUFFER_OVERFLOW, [&] { return GetSoftwareInfo(buffer, size); });
}

HSEXPORT int32_t HSAPI HsiGetSoftwareInfoEx(SOFTWAREINFOLIST *list, int32_t count) {
    return RunExport<int32_t>(0, [&] { return GetSoftwareInfoEx(list, count); });
}

}  // extern "C"
