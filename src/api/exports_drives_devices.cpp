// The drive and device exports: chained DRIVERINFO and DEVICEINFO records
// copied from the collector's parallel lists.
#include "api/export_guard.h"
#include "api/inventory.h"
#include "api/record_io.h"
#include "hardscan.h"
#include "platform/platform.h"

using namespace hs;

namespace {

constexpr uint32_t kRecord = sizeof(DRIVERINFO);
static_assert(sizeof(DEVICEINFO) == sizeof(DRIVERINFO), "drive and device records share one layout");

// Records past the end of the lists get empty texts.
template <typename Record>
void FillRecords(Record *buffer, uint32_t n, const TextList &descriptions, const TextList &types) {
    for (uint32_t i = 0; i < n; ++i) {
        CopyText(buffer[i].description, sizeof buffer[i].description - 1,
                 i < descriptions.size() ? descriptions[i] : Text());
        CopyText(buffer[i].type, sizeof buffer[i].type - 1, i < types.size() ? types[i] : Text());
        buffer[i].next = i + 1 < n ? Address32(&buffer[i + 1]) : 0;
    }
}

uint32_t GetDriverInfo(DRIVERINFO *buffer, uint32_t *size) {
    const uint32_t count = g_inventory.GetDriverCount();
    if (!IsSizeArgumentUsable(size, buffer == nullptr)) return HS_ERROR_BUFFER_OVERFLOW;
    if (buffer == nullptr) {
        *size = count * kRecord;
        return HS_ERROR_BUFFER_OVERFLOW;
    }
    const uint32_t n = *size / kRecord;
    if (n < count || (n > 0 && FirstBadRecord(buffer, n, kRecord) >= 0)) {
        OutputDebugStringA("HsiGetDriverInfo() failed! --- ERROR_BUFFER_OVERFLOW --1\n");
        return HS_ERROR_BUFFER_OVERFLOW;
    }
    TextList descriptions;
    TextList types;
    g_inventory.CopyDriverLists(descriptions, types);
    if (n == 0) {
        OutputDebugStringA("HsiGetDriverInfo() failed! --- ERROR_NO_DATA\n");
        return HS_ERROR_NO_DATA;
    }
    FillRecords(buffer, n, descriptions, types);
    return HS_SUCCESS;
}

uint32_t GetDeviceInfo(DEVICEINFO *buffer, uint32_t *size) {
    if (!IsSizeArgumentUsable(size, buffer == nullptr)) return HS_ERROR_BUFFER_OVERFLOW;
    if (buffer == nullptr) {
        *size = g_inventory.GetDeviceCount() * kRecord;
        return HS_ERROR_BUFFER_OVERFLOW;
    }
    const uint32_t n = *size / kRecord;
    if (n > 0 && FirstBadRecord(buffer, n, kRecord) >= 0) {
        OutputDebugStringA("HsiGetDeviceInfo() failed! --- ERROR_BUFFER_OVERFLOW --1\n");
        return HS_ERROR_BUFFER_OVERFLOW;
    }
    TextList descriptions;
    TextList types;
    g_inventory.CopyDeviceLists(descriptions, types);
    if (n == 0) return HS_ERROR_NO_DATA;
    FillRecords(buffer, n, descriptions, types);
    return HS_SUCCESS;
}

}  // namespace

extern "C" {

HSEXPORT uint32_t HSAPI HsiGetDriverInfo(DRIVERINFO *buffer, uint32_t *size) {
    return RunExport<uint32_t>(HS_ERROR_BUFFER_OVERFLOW, [&] { return GetDriverInfo(buffer, size); });
}

HSEXPORT uint32_t HSAPI HsiGetDeviceInfo(DEVICEINFO *buffer, uint32_t *size) {
    return RunExport<uint32_t>(HS_ERROR_BUFFER_OVERFLOW, [&] { return GetDeviceInfo(buffer, size); });
}

}  // extern "C"
