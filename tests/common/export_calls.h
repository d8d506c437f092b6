// Every export called the way a host calls it, with buffers of the sizes its
// size queries report: the calls that the fault tests make fail underneath
// (allocation failure, registry faults), that the load cycles repeat, and
// whose answers the Windows tests compare between stacks, builds and runs.
// The buffers lie in caller memory below 4 GiB (bad_input.h), each between
// canary bytes, so that a write outside the records shows.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bad_input.h"

namespace hstest {

constexpr uint8_t kCanary = badinput::kFill;

// Caller memory for the buffers, reserved at once; canary bytes around every
// buffer handed out.
class LowArena {
public:
    static constexpr size_t kGap = 32;

    void Reserve(size_t bytes) { m_area = std::make_unique<badinput::Area>(bytes, false); }
    uint8_t *Base() const { return m_area->Data(); }
    size_t Size() const { return m_area->Bytes(); }

    template <typename T>
    T *Take(size_t count) {
        const size_t bytes = count * sizeof(T);
        const size_t start = m_used + kGap;
        if (start + bytes + kGap > Size()) throw std::runtime_error("arena full");
        m_buffers.push_back({start, bytes, sizeof(T), NeverWritten<T>()});
        m_used = (start + bytes + 15) / 16 * 16;
        return reinterpret_cast<T *>(Base() + start);
    }
    // Every buffer given back, the bytes handed out filled with canaries again.
    void Reset() {
        std::memset(Base(), kCanary, m_used + kGap);
        m_used = 0;
        m_buffers.clear();
    }

    // Every byte handed out so far, with the canaries between.
    std::vector<uint8_t> Snapshot() const { return std::vector<uint8_t>(Base(), Base() + m_used + kGap); }

    // An empty text when no byte outside the buffers' records, and no byte
    // that no export writes, has changed; otherwise where one did.
    std::string FirstStrayWrite() const {
        size_t at = 0;
        for (const Buffer &b : m_buffers) {
            for (; at < b.start; ++at)
                if (Base()[at] != kCanary) return "byte " + std::to_string(at) + " between buffers";
            for (size_t record = 0; record < b.bytes / b.recordSize; ++record)
                for (size_t offset : b.never)
                    if (Base()[b.start + record * b.recordSize + offset] != kCanary)
                        return "record " + std::to_string(record) + " byte " + std::to_string(offset) +
                               " of the buffer at " + std::to_string(b.start);
            at = b.start + b.bytes;
        }
        for (; at < m_used + kGap; ++at)
            if (Base()[at] != kCanary) return "byte " + std::to_string(at) + " after the buffers";
        return std::string();
    }

private:
    struct Buffer {
        size_t start;
        size_t bytes;
        size_t recordSize;
        Offsets never;
    };
    std::unique_ptr<badinput::Area> m_area;
    size_t m_used = 0;
    std::vector<Buffer> m_buffers;
};

inline uint32_t Low32(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// Bytes that a call fills: records of recordSize bytes, each with an
// address field at addressAt (the next field of chained records, the records
// field of a list header; none for npos).
struct Output {
    const uint8_t *data;
    size_t bytes;
    size_t recordSize;
    size_t addressAt;
};

// A call of one export with arguments that succeed on the machine, the
// answer that means failure, every result the export may answer, and what
// it fills. A size query answers its result and the size it wrote in one
// number (result in the high half); a count answers the count.
struct ExportCall {
    std::string name;
    std::function<int64_t()> call;
    int64_t failure;
    std::vector<uint32_t> results;  // empty for a count (any value from 0)
    bool query = false;             // the answer carries the size in its low half
    std::vector<Output> outputs = {};

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
constexpr size_t kNone = static_cast<size_t>(-1);

template <typename T>
Output Records(const T *data, size_t count, size_t addressAt = 0) {
    return {reinterpret_cast<const uint8_t *>(data), count * sizeof(T), sizeof(T), addressAt};
}

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
    b.nets = static_cast<size_t>(std::max(x.HsiGetNetCount(), 0));
    uint32_t total = 0;
    x.HsiGetSysInfo(&b.sizes, &total);
    // Sixteen buffers, each with a gap and its alignment.
    b.arena.Reserve(sizeof(SYSINFOHEADER) + total + adapterEntries * sizeof(IPADAPTERINFO) + sizeof(COMMONINFO) +
                    sizeof(NETUSERINFO) + (b.cpus + b.cpus) * sizeof(CPUINFO) + 2 * sizeof(INFOLIST) +
                    b.nets * sizeof(NETINFO) + 2 * b.programs * sizeof(SOFTWAREINFO) + sizeof(SOFTWAREINFOLIST) +
                    (b.drives + b.devices) * sizeof(DRIVERINFO) + 16 * (LowArena::kGap + 16));
    // The families that use no system service first: their buffers lie at
    // the same place whatever the services answer.
    auto *cpus = b.arena.Take<CPUINFO>(b.cpus);
    auto *cpuList = b.arena.Take<INFOLIST>(1);
    auto *cpuRecords = b.arena.Take<CPUINFO>(b.cpus);
    auto *common = b.arena.Take<COMMONINFO>(1);
    auto *programs = b.arena.Take<SOFTWAREINFO>(b.programs);
    auto *programList = b.arena.Take<SOFTWAREINFOLIST>(1);
    auto *programRecords = b.arena.Take<SOFTWAREINFO>(b.programs);
    auto *drives = b.arena.Take<DRIVERINFO>(b.drives);
    auto *netList = b.arena.Take<INFOLIST>(1);
    auto *nets = b.arena.Take<NETINFO>(b.nets);
    auto *adapters = b.arena.Take<IPADAPTERINFO>(adapterEntries);
    auto *user = b.arena.Take<NETUSERINFO>(1);
    auto *devices = b.arena.Take<DEVICEINFO>(b.devices);
    auto *block = b.arena.Take<uint8_t>(sizeof(SYSINFOHEADER) + total);

    // A fill of the records asked for.
    auto fill = [](const char *name, auto fn, size_t count, auto *records, std::vector<uint32_t> results) {
        return ExportCall{name,
                          [fn, count, records]() -> int64_t {
                              uint32_t size = static_cast<uint32_t>(count * sizeof *records);
                              return fn(records, &size);
                          },
                          111, results, false, {Records(records, count)}};
    };
    // A size query answers 111 either way: its result together with the size
    // it wrote (a failed query leaves the size as it was).
    auto query = [](const char *name, auto fn) {
        return ExportCall{name,
                          [fn]() -> int64_t {
                              uint32_t size = kUnwritten;
                              return int64_t{fn(nullptr, &size)} << 32 | size;
                          },
                          int64_t{111} << 32 | kUnwritten, {111}, true};
    };
    // A list call over the records asked for, its header naming them.
    auto list = [](const char *name, auto fn, auto *header, auto *records, size_t count) {
        return ExportCall{name,
                          [fn, header, records, count]() -> int64_t {
                              header->records = Low32(records);
                              return fn(header, static_cast<int32_t>(count));
                          },
                          0, {0, 1}, false,
                          {Records(header, 1, offsetof(std::remove_pointer_t<decltype(header)>, records)),
                           Records(records, count, kNone)}};
    };
    auto count = [](const char *name, auto fn) {
        return ExportCall{name, [fn] { return int64_t{fn()}; }, 0, {}};
    };
    const SYSINFOHEADER sizes = b.sizes;
    return {
        count("HsiGetCpuCount", x.HsiGetCpuCount),
        count("HsiGetNetCount", x.HsiGetNetCount),
        count("HsiGetSoftwareCount", x.HsiGetSoftwareCount),
        {"HsiGetAdapterCount", [x] { return int64_t{x.HsiGetAdapterCount(nullptr)}; }, -1, {}},
        fill("HsiGetCpuInfo", x.HsiGetCpuInfo, b.cpus, cpus, {0, 111}),
        query("HsiGetCpuInfo(query)", x.HsiGetCpuInfo),
        list("HsiGetCpuInfoEx", x.HsiGetCpuInfoEx, cpuList, cpuRecords, b.cpus),
        {"HsiGetCommonInfo", [x, common] { return int64_t{x.HsiGetCommonInfo(common)}; }, 0, {0, 1}, false,
         {Records(common, 1, kNone)}},
        list("HsiGetNetInfoEx", x.HsiGetNetInfoEx, netList, nets, b.nets),
        {"HsiGetAdapterInfo",
         [x, adapters] {
             uint32_t size = 0;  // never read
             return int64_t{x.HsiGetAdapterInfo(adapters, &size)};
         },
         111, {0, 111}, false, {Records(adapters, adapterEntries)}},
        {"HsiGetNetUserInfo", [x, user] { return int64_t{x.HsiGetNetUserInfo(user)}; }, 0, {0, 1, 111}, false,
         {Records(user, 1, kNone)}},
        fill("HsiGetSoftwareInfo", x.HsiGetSoftwareInfo, b.programs, programs, {0, 111}),
        list("HsiGetSoftwareInfoEx", x.HsiGetSoftwareInfoEx, programList, programRecords, b.programs),
        fill("HsiGetDriverInfo", x.HsiGetDriverInfo, b.drives, drives, {0, 111, 232}),
        query("HsiGetDeviceInfo(query)", x.HsiGetDeviceInfo),
        fill("HsiGetDeviceInfo", x.HsiGetDeviceInfo, b.devices, devices, {0, 111, 232}),
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
         232, {0, 9, 232}, false, {{block, sizeof(SYSINFOHEADER) + total, 1, kNone}}},
    };
}

}  // namespace hstest
