// Every export called the way a host calls it, with buffers of the sizes its
// size queries report: the calls that the fault tests make fail underneath
// (allocation failure, registry faults) and that the load cycles repeat. The
// buffers lie in caller memory below 4 GiB, each between canary bytes, so
// that a write outside the records shows.
#pragma once

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/exports.h"

namespace hsleak {

using hstest::Exports;
using hstest::Offsets;

constexpr uint8_t kCanary = 0xCD;

// Caller memory below 4 GiB, so that the 32-bit record addresses of the list
// calls name it; canary bytes around every buffer handed out. Pages are
// reserved for the largest machines and used only as buffers are taken.
class LowArena {
public:
    LowArena() {
        void *p = mmap(nullptr, kSize, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED) throw std::runtime_error("mmap failed");
        m_base = static_cast<uint8_t *>(p);
    }
    ~LowArena() { munmap(m_base, kSize); }
    LowArena(const LowArena &) = delete;
    LowArena &operator=(const LowArena &) = delete;

    template <typename T>
    T *Take(size_t count) {
        const size_t bytes = count * sizeof(T);
        const size_t start = m_used + kGap;
        if (start + bytes + kGap > kSize) throw std::runtime_error("arena full");
        std::memset(m_base + m_used, kCanary, start + bytes + kGap - m_used);
        m_buffers.push_back({start, bytes, sizeof(T), hstest::NeverWritten<T>()});
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
            for (; at < b.start; ++at)
                if (m_base[at] != kCanary) return "byte " + std::to_string(at) + " between buffers";
            for (size_t record = 0; record < b.bytes / b.recordSize; ++record)
                for (size_t offset : b.never)
                    if (m_base[b.start + record * b.recordSize + offset] != kCanary)
                        return "record " + std::to_string(record) + " byte " + std::to_string(offset) +
                               " of the buffer at " + std::to_string(b.start);
            at = b.start + b.bytes;
        }
        for (; at < m_used + kGap; ++at)
            if (m_base[at] != kCanary) return "byte " + std::to_string(at) + " after the buffers";
        return std::string();
    }

private:
    struct Buffer {
        size_t start;
        size_t bytes;
        size_t recordSize;
        Offsets never;
    };
    static constexpr size_t kSize = size_t{256} << 20;
    static constexpr size_t kGap = 32;
    uint8_t *m_base = nullptr;
    size_t m_used = 0;
    std::vector<Buffer> m_buffers;
};

inline uint32_t Low32(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// A call of one export with arguments that succeed on the machine, the
// answer that means failure, and every result the export may answer. A size
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
        for (uint32_t r : results)
            if (result == static_cast<int32_t>(r) || result == static_cast<int64_t>(r)) return true;
        return false;
    }
};

// The records that the size queries asked for, each family in its buffer.
struct Buffers {
    LowArena arena;
    size_t cpus = 0, drives = 0, devices = 0, programs = 0, nets = 0;
    SYSINFOHEADER sizes{};
};

constexpr uint32_t kUnwritten = 0xFFFFFFFFu;

// The calls over x, with buffers taken from b. adapterEntries: the entries
// of the machine's adapter list, each of which the adapter export checks
// room for.
inline std::vector<ExportCall> Calls(Buffers &b, const Exports &x, size_t adapterEntries) {
    auto sizeOf = [](auto query) {
        uint32_t size = 0;
        query(nullptr, &size);
        return size;
    };
    b.cpus = sizeOf(x.HsiGetCpuInfo) / sizeof(CPUINFO);
    b.drives = sizeOf(x.HsiGetDriverInfo) / sizeof(DRIVERINFO);
    b.devices = sizeOf(x.HsiGetDeviceInfo) / sizeof(DEVICEINFO);
    b.programs = sizeOf(x.HsiGetSoftwareInfo) / sizeof(SOFTWAREINFO);
    b.nets = static_cast<size_t>(x.HsiGetNetCount());
    uint32_t total = 0;
    x.HsiGetSysInfo(&b.sizes, &total);
    auto *block = b.arena.Take<uint8_t>(sizeof(SYSINFOHEADER) + total);
    auto *adapters = b.arena.Take<IPADAPTERINFO>(adapterEntries);
    auto *common = b.arena.Take<COMMONINFO>(1);
    auto *user = b.arena.Take<NETUSERINFO>(1);

    // A fill of the records asked for.
    auto sizeCall = [](auto fn, size_t count, auto *records) {
        return [fn, count, records]() -> int64_t {
            uint32_t size = static_cast<uint32_t>(count * sizeof *records);
            return fn(records, &size);
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
    auto listCall = [](auto fn, auto *header, auto *records, size_t count) {
        return [fn, header, records, count]() -> int64_t {
            header->records = Low32(records);
            return fn(header, static_cast<int32_t>(count));
        };
    };
    auto *cpus = b.arena.Take<CPUINFO>(b.cpus);
    auto *programs = b.arena.Take<SOFTWAREINFO>(b.programs);
    const std::vector<uint32_t> one = {0, 1};
    const SYSINFOHEADER sizes = b.sizes;
    return {
        {"HsiGetCpuCount", [x] { return int64_t{x.HsiGetCpuCount()}; }, 0, {}},
        {"HsiGetNetCount", [x] { return int64_t{x.HsiGetNetCount()}; }, 0, {}},
        {"HsiGetSoftwareCount", [x] { return int64_t{x.HsiGetSoftwareCount()}; }, 0, {}},
        {"HsiGetAdapterCount", [x] { return int64_t{x.HsiGetAdapterCount(nullptr)}; }, -1, {}},
        {"HsiGetCpuInfo", sizeCall(x.HsiGetCpuInfo, b.cpus, cpus), 111, {0, 111}},
        {"HsiGetCpuInfo(query)", queryCall(x.HsiGetCpuInfo), int64_t{111} << 32 | kUnwritten, {111}, true},
        {"HsiGetCpuInfoEx", listCall(x.HsiGetCpuInfoEx, b.arena.Take<INFOLIST>(1), cpus, b.cpus), 0, one},
        {"HsiGetCommonInfo", [x, common] { return int64_t{x.HsiGetCommonInfo(common)}; }, 0, one},
        {"HsiGetNetInfoEx",
         listCall(x.HsiGetNetInfoEx, b.arena.Take<INFOLIST>(1), b.arena.Take<NETINFO>(b.nets), b.nets), 0, one},
        {"HsiGetAdapterInfo",
         [x, adapters] {
             uint32_t size = 0;  // never read
             return int64_t{x.HsiGetAdapterInfo(adapters, &size)};
         },
         111, {0, 111}},
        {"HsiGetNetUserInfo", [x, user] { return int64_t{x.HsiGetNetUserInfo(user)}; }, 0, {0, 1, 111}},
        {"HsiGetSoftwareInfo", sizeCall(x.HsiGetSoftwareInfo, b.programs, programs), 111, {0, 111}},
        {"HsiGetSoftwareInfoEx",
         listCall(x.HsiGetSoftwareInfoEx, b.arena.Take<SOFTWAREINFOLIST>(1), programs, b.programs), 0, one},
        {"HsiGetDriverInfo", sizeCall(x.HsiGetDriverInfo, b.drives, b.arena.Take<DRIVERINFO>(b.drives)), 111,
         {0, 111, 232}},
        {"HsiGetDeviceInfo(query)", queryCall(x.HsiGetDeviceInfo), int64_t{111} << 32 | kUnwritten, {111}, true},
        {"HsiGetDeviceInfo", sizeCall(x.HsiGetDeviceInfo, b.devices, b.arena.Take<DEVICEINFO>(b.devices)), 111,
         {0, 111, 232}},
        {"HsiGetSysInfo(query)",
         [x, block] {
             uint32_t size = 0;
             return int64_t{x.HsiGetSysInfo(reinterpret_cast<SYSINFOHEADER *>(block), &size)} << 32 | size;
         },
         int64_t{232} << 32, {111}, true},
        // The records' next fields in the block name the library's staging
        // buffers, released when the call returned: cleared, so that two
        // fills compare equal byte for byte.
        {"HsiGetSysInfo",
         [x, block, sizes] {
             auto *header = reinterpret_cast<SYSINFOHEADER *>(block);
             *header = sizes;
             const uint32_t parts[5][2] = {{sizes.cpuSize, sizeof(CPUINFO)},
                                           {sizes.driverSize, sizeof(DRIVERINFO)},
                                           {sizes.deviceSize, sizeof(DEVICEINFO)},
                                           {sizes.adapterSize, sizeof(IPADAPTERINFO)},
                                           {sizes.softwareSize, sizeof(SOFTWAREINFO)}};
             uint32_t total = sizes.commonSize;
             for (const auto &part : parts) total += part[0];
             const uint32_t result = x.HsiGetSysInfo(header, &total);
             uint8_t *section = block + sizeof sizes + sizes.commonSize;
             for (const auto &part : parts) {
                 for (uint32_t at = 0; at + part[1] <= part[0]; at += part[1]) std::memset(section + at, 0, 4);
                 section += part[0];
             }
             return int64_t{result};
         },
         232, {0, 9, 232}},
    };
}

}  // namespace hsleak
