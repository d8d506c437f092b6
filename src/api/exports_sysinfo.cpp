// The system-information block: every family in one block behind a header of
// section sizes, built on the other exports.
#include <cstring>
#include <memory>
#include <vector>

#include "api/adapter_list.h"
#include "api/export_guard.h"
#include "api/record_io.h"
#include "hardscan.h"
#include "platform/platform.h"

using namespace hs;

namespace {

constexpr uint32_t kHeaderCheck = 28;

// A staging buffer owned by the call; zero-filled, aligned for the records.
class Staging {
public:
    // capacity: bytes allocated when more than size are needed behind it.
    explicit Staging(size_t size, size_t capacity = 0)
        : m_storage(new uint64_t[(size > capacity ? size : capacity) / 8 + 1]()), m_size(size) {}
    uint8_t *Data() { return reinterpret_cast<uint8_t *>(m_storage.get()); }
    size_t Size() const { return m_size; }

private:
    std::unique_ptr<uint64_t[]> m_storage;
    size_t m_size;
};

uint32_t AnswerSizes(SYSINFOHEADER *header, uint32_t *totalSize) {
    DebugTrace("Total = %d,sizeof(COMMONINFO) = %d,sizeof(CPUINFO) = %d,sizeof(DRIVERINFO) = %d,"
               "sizeof(DEVICEINFO) = %d,sizeof(IPADAPTERINFO) = %d,sizeof(SOFTWAREINFO) = %d\n",
               3292, 1480, 528, 296, 296, 428, 264);
    header->commonSize = sizeof(COMMONINFO);
    uint32_t total = sizeof(COMMONINFO);
    uint32_t size = 0;
    if (HsiGetCpuInfo(nullptr, &size) == HS_ERROR_BUFFER_OVERFLOW) header->cpuSize = size, total += size;
    size = 0;
    if (HsiGetDriverInfo(nullptr, &size) == HS_ERROR_BUFFER_OVERFLOW) header->driverSize = size, total += size;
    size = 0;
    if (HsiGetDeviceInfo(nullptr, &size) == HS_ERROR_BUFFER_OVERFLOW) header->deviceSize = size, total += size;
    size = 0;
    if (HsiGetAdapterInfo(nullptr, &size) == HS_ERROR_BUFFER_OVERFLOW) header->adapterSize = size, total += size;
    size = 0;
    if (HsiGetSoftwareInfo(nullptr, &size) == HS_ERROR_BUFFER_OVERFLOW) {
        header->softwareSize = size;
        total += size;
    }
    *totalSize = total;
    return HS_ERROR_BUFFER_OVERFLOW;
}

// Staging for a section of chained records: whole records only.
Staging RecordStaging(uint32_t sectionSize, uint32_t recordSize) {
    return Staging(static_cast<size_t>(sectionSize / recordSize) * recordSize);
}

uint32_t FillBlock(SYSINFOHEADER *header, uint8_t *block, uint32_t total) {
    // No section can be larger than the whole block: a header of stray sizes
    // is cut to the block, and a block the caller does not hold fails before
    // anything is gathered, so staging never outgrows the caller's memory.
    SYSINFOHEADER sizes = *header;
    uint32_t *const fields[6] = {&sizes.commonSize,  &sizes.cpuSize,     &sizes.driverSize,
                                 &sizes.deviceSize, &sizes.adapterSize, &sizes.softwareSize};
    uint64_t sum = 0;
    for (uint32_t *field : fields) {
        if (*field > total) *field = total;
        sum += *field;
    }
    const size_t held = static_cast<size_t>(sum < total ? sum : total);
    if (held > 0 && !IsUsable(block, held)) return HS_ERROR_INVALID_BLOCK;
    std::vector<Staging> staged;
    staged.reserve(6);

    staged.emplace_back(sizeof(COMMONINFO));
    auto *common = reinterpret_cast<COMMONINFO *>(staged.back().Data());
    common->osVersion.dwOSVersionInfoSize = sizeof(HSOSVERSIONINFO);
    if (HsiGetCommonInfo(common) == 0) {
        OutputDebugStringA("HsiGetCommonInfo failed!\n");
        return HS_ERROR_NO_DATA;
    }

    uint32_t size = sizes.cpuSize;
    staged.push_back(RecordStaging(sizes.cpuSize, sizeof(CPUINFO)));
    if (HsiGetCpuInfo(reinterpret_cast<CPUINFO *>(staged.back().Data()), &size) != HS_SUCCESS) {
        OutputDebugStringA("HsiGetCpuInfo failed!\n");
        return HS_ERROR_NO_DATA;
    }
    size = sizes.driverSize;
    staged.push_back(RecordStaging(sizes.driverSize, sizeof(DRIVERINFO)));
    if (HsiGetDriverInfo(reinterpret_cast<DRIVERINFO *>(staged.back().Data()), &size) != HS_SUCCESS) {
        OutputDebugStringA("HsiGetDriverInfo failed!\n");
        return HS_ERROR_NO_DATA;
    }
    size = sizes.deviceSize;
    staged.push_back(RecordStaging(sizes.deviceSize, sizeof(DEVICEINFO)));
    if (HsiGetDeviceInfo(reinterpret_cast<DEVICEINFO *>(staged.back().Data()), &size) != HS_SUCCESS) {
        OutputDebugStringA("HsiGetDeviceInfo failed!\n");
        return HS_ERROR_NO_DATA;
    }
    size = sizes.adapterSize;
    // The adapter export checks one record per list entry, addressed or not.
    staged.emplace_back(static_cast<size_t>(sizes.adapterSize / sizeof(IPADAPTERINFO)) * sizeof(IPADAPTERINFO),
                        static_cast<size_t>(AdapterListEntryCount()) * sizeof(IPADAPTERINFO));
    if (HsiGetAdapterInfo(reinterpret_cast<IPADAPTERINFO *>(staged.back().Data()), &size) != HS_SUCCESS) {
        OutputDebugStringA("HsiGetAdapterInfo failed!\n");
        return HS_ERROR_NO_DATA;
    }
    size = sizes.softwareSize;
    staged.push_back(RecordStaging(sizes.softwareSize, sizeof(SOFTWAREINFO)));
    if (HsiGetSoftwareInfo(reinterpret_cast<SOFTWAREINFO *>(staged.back().Data()), &size) != HS_SUCCESS) {
        return HS_ERROR_NO_DATA;
    }

    // Assemble the sections in header order, each bounded by its staging.
    const uint32_t sectionSizes[6] = {sizes.commonSize,  sizes.cpuSize,     sizes.driverSize,
                                      sizes.deviceSize, sizes.adapterSize, sizes.softwareSize};
    std::vector<uint8_t> assembled;
    for (size_t i = 0; i < staged.size(); ++i) {
        const size_t take = sectionSizes[i] < staged[i].Size() ? sectionSizes[i] : staged[i].Size();
        assembled.insert(assembled.end(), staged[i].Data(), staged[i].Data() + take);
        assembled.resize(assembled.size() + (sectionSizes[i] - take), 0);
    }
    // The caller's block holds total bytes after the header.
    const size_t copy = total < assembled.size() ? total : assembled.size();
    if (copy > 0 && !IsUsable(block, copy)) return HS_ERROR_INVALID_BLOCK;
    std::memcpy(block, assembled.data(), copy);
    return HS_SUCCESS;
}

uint32_t GetSysInfo(SYSINFOHEADER *header, uint32_t *totalSize) {
    // A size query writes the header and the total; a fill only reads them
    // and writes the block after the header.
    const bool readable = IsReadable(header, kHeaderCheck) && IsReadable(totalSize, sizeof *totalSize);
    const bool query = readable && *totalSize == 0;
    if (!readable || (query && !(IsUsable(header, sizeof *header) && IsUsable(totalSize, sizeof *totalSize)))) {
        OutputDebugStringA("HsiGetSysInfo...ERROR_INVALID_BLOCK\n");
        return HS_ERROR_INVALID_BLOCK;
    }
    if (query) return AnswerSizes(header, totalSize);
    return FillBlock(header, reinterpret_cast<uint8_t *>(header) + sizeof(SYSINFOHEADER), *totalSize);
}

}  // namespace

extern "C" HSEXPORT uint32_t HSAPI HsiGetSysInfo(SYSINFOHEADER *block, uint32_t *totalSize) {
    return RunExport<uint32_t>(HS_ERROR_NO_DATA, [&] { return GetSysInfo(block, totalSize); });
}
