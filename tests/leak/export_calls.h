// Every export called the way a host calls it, with buffers of the sizes its
// size queries report, for the tests that make the library fail underneath
// (allocation failure, registry faults). The buffers lie in caller memory
// below 4 GiB, each between canary bytes, so that a write outside the
// records shows.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "api/adapter_list.h"
#include "api/inventory.h"
#include "hardscan.h"

namespace hsleak {

constexpr uint8_t kCanary = 0xCD;

// Byte offsets inside a record that no export writes: the last byte of every
// text field (and what lies outside the fields an export fills).
using Offsets = std::vector<size_t>;
inline Offsets Range(size_t begin, size_t end, Offsets offsets = {}) {
    for (size_t i = begin; i < end; ++i) offsets.push_back(i);
    return offsets;
}
inline Offsets NeverWritten(const CPUINFO *) { return {4 + 259, 264 + 259}; }
inline Offsets NeverWritten(const DRIVERINFO *) { return {4 + 31, 36 + 259}; }
inline Offsets NeverWritten(const IPADAPTERINFO *) { return {4 + 259, 264 + 131, 396 + 15, 412 + 15}; }
inline Offsets NeverWritten(const SOFTWAREINFO *) { return {4 + 259}; }
inline Offsets NeverWritten(const NETINFO *) { return {4 + 31, 36 + 31}; }
inline Offsets NeverWritten(const COMMONINFO *) {
    return Range(1332, 1480, {32 + 259, 292 + 259, 552 + 259, 812 + 259, 1072 + 259});
}
inline Offsets NeverWritten(const NETUSERINFO *) { return Range(588, 600, {0, 1, 2, 3, 4 + 259, 328 + 259}); }
inline Offsets NeverWritten(const SOFTWAREINFOLIST *) { return {8 + 31}; }
inline Offsets NeverWritten(const void *) { return {}; }

// Caller memory below 4 GiB, so that the 32-bit record addresses of the list
// calls name it; canary bytes around every buffer handed out.
class LowArena {
public:
    LowArena() {
        void *p = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
        if (p == MAP_FAILED) throw std::runtime_error("mmap failed");
        m_base = static_cast<uint8_t *>(p);
        std::memset(m_base, kCanary, kSize);
    }
    ~LowArena() { munmap(m_base, kSize); }
    LowArena(const LowArena &) = delete;
    LowArena &operator=(const LowArena &) = delete;

    template <typename T>
    T *Take(size_t count) {
        const size_t bytes = count * sizeof(T);
        const size_t start = m_used + kGap;
        if (start + bytes + kGap > kSize) throw std::runtime_error("arena full");
        m_buffers.push_back({start, bytes, sizeof(T), NeverWritten(static_cast<const T *>(nullptr))});
        m_used = (start + bytes + 15) / 16 * 16;
        return reinterpret_cast<T *>(m_base + start);
    }

    // Every byte handed out so far, with the canaries between.
    std::vector<uint8_t> Snapshot() const { return std::vector<uint8_t>(m_base, m_base + m_used + kGap); }

    // An empty text when no byte outside the buffers' records, and no byte
    // that no export writes, has changed; otherwise where one did.
    std::string FirstStrayWrite() const {
        size_t at = 0;
        for (const Buffer &b : m_buffers) {
            for (; at < b.start; ++at) {
                if (m_base[at] != kCanary) return "byte " + std::to_string(at) + " between buffers";
            }
            for (size_t record = 0; record < b.bytes / b.recordSize; ++record) {
                for (size_t offset : b.never) {
                    if (m_base[b.start + record * b.recordSize + offset] != kCanary) {
                        return "record " + std::to_string(record) + " byte " + std::to_string(offset) +
                               " of the buffer at " + std::to_string(b.start);
                    }
                }
            }
            at = b.start + b.bytes;
        }
        for (; at < m_used + kGap; ++at) {
            if (m_base[at] != kCanary) return "byte " + std::to_string(at) + " after the buffers";
        }
        return std::string();
    }

private:
    struct Buffer {
        size_t start;
        size_t bytes;
        size_t recordSize;
        Offsets never;
    };
    static constexpr size_t kSize = 4 << 20;
    static constexpr size_t kGap = 32;
    uint8_t *m_base = nullptr;
    size_t m_used = 0;
    std::vector<Buffer> m_buffers;
};

inline uint32_t Low32(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// A call of one export with arguments that succeed on the machine, the
// result that means failure, and every result the export may answer. A size
// query answers its result and the size it wrote in one number (result in
// the high half); a count answers the count.
struct ExportCall {
    std::string name;
    std::function<int64_t()> call;
    int64_t failure;
    std::vector<uint32_t> results;  // empty for a count (any value from 0)
    bool query = false;             // the answer carries the size in its low half

    // True when an answer is one the export may give.
    bool Allowed(int64_t answer) const {
        if (results.empty()) return answer >= 0;
        const int64_t result = query ? answer >> 32 : answer;
        for (uint32_t r : results) {
            if (result == static_cast<int32_t>(r) || result == static_cast<int64_t>(r)) return true;
        }
        return false;
    }
};

// Buffers of the right sizes, asked for once before the runs.
struct Buffers {
    LowArena arena;
    CPUINFO *cpus = nullptr;
    DRIVERINFO *drives = nullptr;
    DEVICEINFO *devices = nullptr;
    IPADAPTERINFO *adapters = nullptr;
    SOFTWAREINFO *programs = nullptr;
    NETINFO *nets = nullptr;
    uint8_t *block = nullptr;
    COMMONINFO *common = nullptr;
    NETUSERINFO *user = nullptr;
    INFOLIST *cpuList = nullptr;
    INFOLIST *netList = nullptr;
    SOFTWAREINFOLIST *programList = nullptr;
    size_t cpuCount = 0, driveCount = 0, deviceCount = 0, programCount = 0, netCount = 0, adapterEntries = 0;
    SYSINFOHEADER sizes{};
};

template <typename T>
uint32_t SizeOf(uint32_t (*query)(T *, uint32_t *)) {
    uint32_t size = 0;
    query(nullptr, &size);
    return size;
}

// A fresh collector over the machine that is loaded now.
inline void RebuildCollector() {
    hs::g_inventory.~CInventory();
    new (&hs::g_inventory) hs::CInventory();
}

// The next fields of the records in a system-information block name the
// library's staging buffers, released when the call returned: cleared, so
// that two fills of the same machine compare equal byte for byte.
inline void ClearStagingAddresses(SYSINFOHEADER *header) {
    uint8_t *section = reinterpret_cast<uint8_t *>(header) + sizeof *header + header->commonSize;
    const uint32_t sizes[5] = {header->cpuSize, header->driverSize, header->deviceSize, header->adapterSize,
                               header->softwareSize};
    const uint32_t records[5] = {sizeof(CPUINFO), sizeof(DRIVERINFO), sizeof(DEVICEINFO), sizeof(IPADAPTERINFO),
                                 sizeof(SOFTWAREINFO)};
    for (int s = 0; s < 5; ++s) {
        for (uint32_t at = 0; at + records[s] <= sizes[s]; at += records[s]) std::memset(section + at, 0, 4);
        section += sizes[s];
    }
}

constexpr uint32_t kUnwritten = 0xFFFFFFFFu;
constexpr int64_t kFailedQuery = int64_t{111} << 32 | kUnwritten;

inline std::vector<ExportCall> Calls(Buffers &b) {
    b.cpuCount = SizeOf(HsiGetCpuInfo) / sizeof(CPUINFO);
    b.driveCount = SizeOf(HsiGetDriverInfo) / sizeof(DRIVERINFO);
    b.deviceCount = SizeOf(HsiGetDeviceInfo) / sizeof(DEVICEINFO);
    b.programCount = SizeOf(HsiGetSoftwareInfo) / sizeof(SOFTWAREINFO);
    b.netCount = static_cast<size_t>(HsiGetNetCount());
    // The adapter export checks one record per adapter-list entry.
    b.adapterEntries = hs::AdapterListEntryCount();
    b.cpus = b.arena.Take<CPUINFO>(b.cpuCount);
    b.drives = b.arena.Take<DRIVERINFO>(b.driveCount);
    b.devices = b.arena.Take<DEVICEINFO>(b.deviceCount);
    b.adapters = b.arena.Take<IPADAPTERINFO>(b.adapterEntries);
    b.programs = b.arena.Take<SOFTWAREINFO>(b.programCount);
    b.nets = b.arena.Take<NETINFO>(b.netCount);
    b.common = b.arena.Take<COMMONINFO>(1);
    b.user = b.arena.Take<NETUSERINFO>(1);
    b.cpuList = b.arena.Take<INFOLIST>(1);
    b.netList = b.arena.Take<INFOLIST>(1);
    b.programList = b.arena.Take<SOFTWAREINFOLIST>(1);
    uint32_t total = 0;
    HsiGetSysInfo(&b.sizes, &total);
    b.block = b.arena.Take<uint8_t>(sizeof(SYSINFOHEADER) + total);
    const SYSINFOHEADER sizes = b.sizes;

    auto sizeCall = [](auto fn, auto *data, size_t count, size_t rec) {
        return [fn, data, count, rec]() -> int64_t {
            uint32_t size = static_cast<uint32_t>(count * rec);
            return fn(data, &size);
        };
    };
    // A size query answers 111 either way: its result together with the size
    // it wrote (a failed query leaves the size as it was).
    auto queryCall = [](auto fn) {
        return [fn]() -> int64_t {
            uint32_t size = kUnwritten;
            return int64_t{fn(nullptr, &size)} << 32 | size;
        };
    };
    // A list call over the records asked for, its header naming them.
    auto listCall = [](auto fn, auto *header, const void *records, size_t count) {
        return [fn, header, records, count]() -> int64_t {
            header->records = Low32(records);
            return fn(header, static_cast<int32_t>(count));
        };
    };
    const std::vector<uint32_t> one = {0, 1};
    std::vector<ExportCall> calls;
    calls.push_back({"HsiGetCpuCount", [] { return int64_t{HsiGetCpuCount()}; }, 0, {}});
    calls.push_back({"HsiGetNetCount", [] { return int64_t{HsiGetNetCount()}; }, 0, {}});
    calls.push_back({"HsiGetSoftwareCount", [] { return int64_t{HsiGetSoftwareCount()}; }, 0, {}});
    calls.push_back({"HsiGetCpuInfo", sizeCall(HsiGetCpuInfo, b.cpus, b.cpuCount, sizeof(CPUINFO)), 111, {0, 111}});
    calls.push_back({"HsiGetCpuInfo(query)", queryCall(HsiGetCpuInfo), kFailedQuery, {111}, true});
    calls.push_back({"HsiGetCpuInfoEx", listCall(HsiGetCpuInfoEx, b.cpuList, b.cpus, b.cpuCount), 0, one});
    calls.push_back({"HsiGetCommonInfo", [&b] { return int64_t{HsiGetCommonInfo(b.common)}; }, 0, one});
    calls.push_back({"HsiGetNetInfoEx", listCall(HsiGetNetInfoEx, b.netList, b.nets, b.netCount), 0, one});
    calls.push_back({"HsiGetAdapterInfo",
                     [&b] {
                         uint32_t size = 0;
                         return int64_t{HsiGetAdapterInfo(b.adapters, &size)};
                     },
                     111, {0, 111}});
    calls.push_back({"HsiGetNetUserInfo", [&b] { return int64_t{HsiGetNetUserInfo(b.user)}; }, 0, {0, 1, 111}});
    calls.push_back({"HsiGetSoftwareInfo",
                     sizeCall(HsiGetSoftwareInfo, b.programs, b.programCount, sizeof(SOFTWAREINFO)), 111,
                     {0, 111}});
    calls.push_back(
        {"HsiGetSoftwareInfoEx", listCall(HsiGetSoftwareInfoEx, b.programList, b.programs, b.programCount), 0, one});
    calls.push_back({"HsiGetDriverInfo", sizeCall(HsiGetDriverInfo, b.drives, b.driveCount, sizeof(DRIVERINFO)),
                     111, {0, 111, 232}});
    calls.push_back({"HsiGetDeviceInfo(query)", queryCall(HsiGetDeviceInfo), kFailedQuery, {111}, true});
    calls.push_back({"HsiGetDeviceInfo", sizeCall(HsiGetDeviceInfo, b.devices, b.deviceCount, sizeof(DEVICEINFO)),
                     111, {0, 111, 232}});
    calls.push_back({"HsiGetSysInfo(query)",
                     [&b] {
                         uint32_t total = 0;
                         const uint32_t result = HsiGetSysInfo(reinterpret_cast<SYSINFOHEADER *>(b.block), &total);
                         return int64_t{result} << 32 | total;
                     },
                     int64_t{232} << 32, {111}, true});
    calls.push_back({"HsiGetSysInfo",
                     [&b, sizes] {
                         auto *header = reinterpret_cast<SYSINFOHEADER *>(b.block);
                         *header = sizes;
                         uint32_t total = sizes.commonSize + sizes.cpuSize + sizes.driverSize + sizes.deviceSize +
                                          sizes.adapterSize + sizes.softwareSize;
                         const uint32_t result = HsiGetSysInfo(header, &total);
                         ClearStagingAddresses(header);
                         return int64_t{result};
                     },
                     232, {0, 9, 232}});
    return calls;
}

}  // namespace hsleak
