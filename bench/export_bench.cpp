// Every export's size query and fill over the default machine and the
// generated machines, through the library's own collector.
#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench_machine.h"
#include "bench_registry.h"
#include "bench_turns.h"
#include "hardscan.h"
#include "api/inventory.h"
#include "platform/platform.h"
#include "software/name_sort.h"
#include "software/uninstall_walk.h"

namespace hsbench {

namespace {

Call CpuCount() {
    return {[] { return HsiGetCpuCount() > 0; }};
}

Call CpuInfoSize() {
    return {[] {
        uint32_t size = 0;
        return HsiGetCpuInfo(nullptr, &size) == HS_ERROR_BUFFER_OVERFLOW && size != 0;
    }};
}

Call CpuInfoFill() {
    uint32_t size = 0;
    HsiGetCpuInfo(nullptr, &size);
    auto *records = reinterpret_cast<CPUINFO *>(LowMemory(size));
    return {[records, size] {
        uint32_t held = size;
        return HsiGetCpuInfo(records, &held) == HS_SUCCESS;
    }};
}

// A list header followed by room for count records of recordSize bytes.
template <typename List>
Call ListFill(int32_t count, size_t recordSize, int32_t (*fill)(List *, int32_t)) {
    unsigned char *memory = LowMemory(sizeof(List) + static_cast<size_t>(count) * recordSize);
    return {[memory, count, fill] {
        auto *list = reinterpret_cast<List *>(memory);
        list->records = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(memory + sizeof(List)));
        return fill(list, count) == 1;
    }};
}

Call CpuInfoEx() { return ListFill<INFOLIST>(HsiGetCpuCount(), sizeof(CPUINFO), HsiGetCpuInfoEx); }

Call CommonInfo() {
    auto *info = reinterpret_cast<COMMONINFO *>(LowMemory(sizeof(COMMONINFO)));
    return {[info] {
        std::memset(info, 0, sizeof *info);
        info->osVersion.dwOSVersionInfoSize = sizeof(HSOSVERSIONINFO);
        return HsiGetCommonInfo(info) == 1;
    }};
}

Call NetCount() {
    return {[] { return HsiGetNetCount() > 0; }};
}

Call NetInfoEx() { return ListFill<INFOLIST>(HsiGetNetCount(), sizeof(NETINFO), HsiGetNetInfoEx); }

Call AdapterCount() {
    ULONG length = 0;
    GetAdaptersInfo(nullptr, &length);
    auto storage = std::make_shared<std::vector<uint64_t>>(length / 8 + 1);
    auto *first = reinterpret_cast<PIP_ADAPTER_INFO>(storage->data());
    if (GetAdaptersInfo(first, &length) != ERROR_SUCCESS) return {[] { return false; }};
    return {[storage, first] { return HsiGetAdapterCount(first) > 0; }};
}

// The size query of an export that answers a size with no buffer.
template <typename Record>
Call SizeQuery(uint32_t(HSAPI *query)(Record *, uint32_t *)) {
    return {[query] {
        uint32_t size = 0;
        return query(nullptr, &size) == HS_ERROR_BUFFER_OVERFLOW && size != 0;
    }};
}

// The fill of such an export, into a buffer of the size it asked for (or of
// room bytes, when given).
template <typename Record>
Call Fill(uint32_t(HSAPI *query)(Record *, uint32_t *), uint32_t room = 0) {
    uint32_t size = room;
    if (size == 0) query(nullptr, &size);
    auto *records = reinterpret_cast<Record *>(LowMemory(size));
    return {[query, records, size] {
        uint32_t held = size;
        return query(records, &held) == HS_SUCCESS;
    }};
}

Call AdapterInfoSize() { return SizeQuery(HsiGetAdapterInfo); }

Call AdapterInfoFill() {
    // The export writes one record per listed adapter that has an address;
    // the buffer holds one per adapter.
    ULONG length = 0;
    GetAdaptersInfo(nullptr, &length);
    return Fill(HsiGetAdapterInfo, static_cast<uint32_t>(length / sizeof(IP_ADAPTER_INFO) * sizeof(IPADAPTERINFO)));
}

Call NetUserInfo() {
    auto *info = reinterpret_cast<NETUSERINFO *>(LowMemory(sizeof(NETUSERINFO)));
    return {[info] { return HsiGetNetUserInfo(info) == 1; }};
}

Call SoftwareCount() {
    return {[] { return HsiGetSoftwareCount() > 0; }};
}

Call SoftwareInfoSize() { return SizeQuery(HsiGetSoftwareInfo); }
Call SoftwareInfoFill() { return Fill(HsiGetSoftwareInfo); }

Call SoftwareInfoEx() {
    return ListFill<SOFTWAREINFOLIST>(HsiGetSoftwareCount(), sizeof(SOFTWAREINFO), HsiGetSoftwareInfoEx);
}

Call DriverInfoSize() { return SizeQuery(HsiGetDriverInfo); }
Call DriverInfoFill() { return Fill(HsiGetDriverInfo); }
Call DeviceInfoSize() { return SizeQuery(HsiGetDeviceInfo); }
Call DeviceInfoFill() { return Fill(HsiGetDeviceInfo); }

Call SysInfoSize() {
    auto *header = reinterpret_cast<SYSINFOHEADER *>(LowMemory(64));
    return {[header] {
        std::memset(header, 0, 64);
        uint32_t total = 0;
        return HsiGetSysInfo(header, &total) == HS_ERROR_BUFFER_OVERFLOW && total != 0;
    }};
}

Call SysInfoFill() {
    SYSINFOHEADER sizes{};
    uint32_t total = 0;
    HsiGetSysInfo(&sizes, &total);
    unsigned char *memory = LowMemory(sizeof(SYSINFOHEADER) + total + 64);
    return {[memory, sizes, total] {
        auto *header = reinterpret_cast<SYSINFOHEADER *>(memory);
        *header = sizes;
        uint32_t held = total;
        return HsiGetSysInfo(header, &held) == HS_SUCCESS;
    }};
}

// The sort of the machine's program names alone, as the program exports run
// it: to tell the sort's share of their time from the rest. The unsorted
// names are copied back before each sort, untimed.
Call ProgramSort() {
    auto unsorted = std::make_shared<hs::TextList>();
    hs::WalkInstalledPrograms(hs::g_inventory.Registry(), [&unsorted](const hs::Text &name) {
        unsorted->push_back(name);
        return true;
    });
    auto names = std::make_shared<hs::TextList>();
    return {[names] {
                hs::SortNamesIgnoringCase(*names, names->size());
                return !names->empty();
            },
            [names, unsorted] { *names = *unsorted; }};
}

struct Export {
    const char *name;
    Call (*prepare)();
    bool paired;  // long enough to time one call at a time
    bool sorts;   // runs the program sort
    const char *walk;  // the plain walk of the keys it reads, if it reads the registry
};

const Export kExports[] = {
    {"HsiGetCpuCount", CpuCount, false, false, nullptr},
    {"HsiGetCpuInfo/size", CpuInfoSize, true, false, nullptr},
    {"HsiGetCpuInfo/fill", CpuInfoFill, true, false, nullptr},
    {"HsiGetCpuInfoEx", CpuInfoEx, true, false, nullptr},
    {"HsiGetCommonInfo", CommonInfo, true, false, nullptr},
    {"HsiGetNetCount", NetCount, false, false, nullptr},
    {"HsiGetNetInfoEx", NetInfoEx, true, false, nullptr},
    {"HsiGetAdapterCount", AdapterCount, true, false, nullptr},
    {"HsiGetAdapterInfo/size", AdapterInfoSize, true, false, nullptr},
    {"HsiGetAdapterInfo/fill", AdapterInfoFill, true, false, nullptr},
    {"HsiGetNetUserInfo", NetUserInfo, true, false, nullptr},
    {"HsiGetSoftwareCount", SoftwareCount, true, false, "programs"},
    {"HsiGetSoftwareInfo/size", SoftwareInfoSize, true, false, "programs"},
    {"HsiGetSoftwareInfo/fill", SoftwareInfoFill, true, true, "programs"},
    {"HsiGetSoftwareInfoEx", SoftwareInfoEx, true, true, "programs"},
    {"HsiGetDriverInfo/size", DriverInfoSize, true, false, "drives"},
    {"HsiGetDriverInfo/fill", DriverInfoFill, true, false, "drives"},
    {"HsiGetDeviceInfo/size", DeviceInfoSize, true, false, "devices"},
    {"HsiGetDeviceInfo/fill", DeviceInfoFill, true, false, "devices"},
    {"HsiGetSysInfo/size", SysInfoSize, true, false, "all"},
    {"HsiGetSysInfo/fill", SysInfoFill, true, true, "all"},
    {"ProgramSort", ProgramSort, true, false, nullptr},
};

}  // namespace

void RegisterExportBenchmarks(int scale) {
    for (const Export &e : kExports) {
        benchmark::RegisterBenchmark((std::string(e.name) + "/" + MachineName(scale)).c_str(),
                                     [scale, &e](benchmark::State &state) {
                                         UseMachine(scale);
                                         const Call call = e.prepare();
                                         for (auto _ : state) {
                                             if (call.before) {
                                                 state.PauseTiming();
                                                 call.before();
                                                 state.ResumeTiming();
                                             }
                                             if (!call.run()) return state.SkipWithError(e.name);
                                             benchmark::ClobberMemory();
                                         }
                                     })
            ->Unit(benchmark::kMicrosecond);
    }
}

void RegisterPairedBenchmarks(int small, int large) {
    const std::string pair = MachineName(small) + ":" + MachineName(large);
    for (const Export &e : kExports) {
        if (!e.paired) continue;
        benchmark::RegisterBenchmark((std::string("Pair/") + e.name + "/" + pair).c_str(),
                                     [small, large, &e](benchmark::State &state) {
                                         UseMachine(small);
                                         const Call onSmall = e.prepare();
                                         const Call sortSmall = ProgramSort();
                                         UseMachine(large);
                                         const Call onLarge = e.prepare();
                                         const Call sortLarge = ProgramSort();
                                         // The program sort alone is timed in the same turns
                                         // when the export runs it.
                                         std::vector<Turn> turns{{small, &onSmall}, {large, &onLarge}};
                                         if (e.sorts) turns.insert(turns.end(), {{small, &sortSmall}, {large, &sortLarge}});
                                         const std::vector<double> t = TimeInTurns(state, turns, e.name);
                                         if (t.empty()) return;
                                         CountMicroseconds(state, {"small", "large", "small_sort", "large_sort"}, t);
                                         state.counters["ratio"] = t[1] / t[0];
                                         if (e.sorts) state.counters["ratio_without_sort"] = (t[1] - t[3]) / (t[0] - t[2]);
                                     })
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    }
}

void RegisterOverheadBenchmarks(int scale) {
    for (const Export &e : kExports) {
        if (e.walk == nullptr) continue;
        benchmark::RegisterBenchmark((std::string("Overhead/") + e.name + "/" + MachineName(scale)).c_str(),
                                     [scale, &e](benchmark::State &state) {
                                         UseMachine(scale);
                                         const Call call = e.prepare();
                                         const Call walk(PlainWalk(e.walk));
                                         const std::vector<double> t =
                                             TimeInTurns(state, {{scale, &call}, {scale, &walk}}, e.name);
                                         if (t.empty()) return;
                                         CountMicroseconds(state, {"export", "walk"}, t);
                                         state.counters["overhead"] = t[0] / t[1];
                                     })
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace hsbench
