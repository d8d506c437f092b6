// Every export's size query and fill over the default machine and the
// generated machines, through the library's own collector.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench_machine.h"
#include "bench_registry.h"
#include "hardscan.h"
#include "api/inventory.h"
#include "platform/platform.h"
#include "software/name_sort.h"
#include "software/uninstall_walk.h"

namespace hsbench {

namespace {

using Body = void (*)(benchmark::State &);

void Fail(benchmark::State &state, const char *what) { state.SkipWithError(what); }

void CpuCount(benchmark::State &state) {
    for (auto _ : state) benchmark::DoNotOptimize(HsiGetCpuCount());
}

void CpuInfoSize(benchmark::State &state) {
    for (auto _ : state) {
        uint32_t size = 0;
        if (HsiGetCpuInfo(nullptr, &size) != HS_ERROR_BUFFER_OVERFLOW || size == 0) return Fail(state, "size query");
        benchmark::DoNotOptimize(size);
    }
}

void CpuInfoFill(benchmark::State &state) {
    uint32_t size = 0;
    HsiGetCpuInfo(nullptr, &size);
    auto *records = reinterpret_cast<CPUINFO *>(LowMemory(size));
    for (auto _ : state) {
        uint32_t held = size;
        if (HsiGetCpuInfo(records, &held) != HS_SUCCESS) return Fail(state, "fill");
        benchmark::ClobberMemory();
    }
}

void CpuInfoEx(benchmark::State &state) {
    const int32_t count = HsiGetCpuCount();
    unsigned char *memory = LowMemory(sizeof(INFOLIST) + count * sizeof(CPUINFO));
    auto *list = reinterpret_cast<INFOLIST *>(memory);
    for (auto _ : state) {
        list->records = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(memory + sizeof(INFOLIST)));
        if (HsiGetCpuInfoEx(list, count) != 1) return Fail(state, "fill");
        benchmark::ClobberMemory();
    }
}

void CommonInfo(benchmark::State &state) {
    auto *info = reinterpret_cast<COMMONINFO *>(LowMemory(sizeof(COMMONINFO)));
    for (auto _ : state) {
        std::memset(info, 0, sizeof *info);
        info->osVersion.dwOSVersionInfoSize = sizeof(HSOSVERSIONINFO);
        if (HsiGetCommonInfo(info) != 1) return Fail(state, "fill");
        benchmark::ClobberMemory();
    }
}

void NetCount(benchmark::State &state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(HsiGetNetCount());
    }
}

void NetInfoEx(benchmark::State &state) {
    const int32_t count = HsiGetNetCount();
    if (count <= 0) return Fail(state, "no NetBIOS adapters");
    unsigned char *memory = LowMemory(sizeof(INFOLIST) + count * sizeof(NETINFO));
    auto *list = reinterpret_cast<INFOLIST *>(memory);
    for (auto _ : state) {
        list->records = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(memory + sizeof(INFOLIST)));
        if (HsiGetNetInfoEx(list, count) != 1) return Fail(state, "fill");
        benchmark::ClobberMemory();
    }
}

void AdapterCount(benchmark::State &state) {
    ULONG length = 0;
    if (GetAdaptersInfo(nullptr, &length) != ERROR_BUFFER_OVERFLOW) return Fail(state, "no adapters");
    std::vector<uint64_t> storage(length / 8 + 1);
    auto *first = reinterpret_cast<PIP_ADAPTER_INFO>(storage.data());
    if (GetAdaptersInfo(first, &length) != ERROR_SUCCESS) return Fail(state, "adapter list");
    for (auto _ : state) {
        if (HsiGetAdapterCount(first) <= 0) return Fail(state, "count");
    }
}

void AdapterInfoSize(benchmark::State &state) {
    for (auto _ : state) {
        uint32_t size = 0;
        if (HsiGetAdapterInfo(nullptr, &size) != HS_ERROR_BUFFER_OVERFLOW || size == 0) {
            return Fail(state, "size query");
        }
    }
}

void AdapterInfoFill(benchmark::State &state) {
    uint32_t size = 0;
    HsiGetAdapterInfo(nullptr, &size);
    ULONG length = 0;
    GetAdaptersInfo(nullptr, &length);
    // The export writes one record per listed adapter that has an address;
    // the buffer holds one per adapter.
    const size_t room = length / sizeof(IP_ADAPTER_INFO) * sizeof(IPADAPTERINFO);
    auto *records = reinterpret_cast<IPADAPTERINFO *>(LowMemory(room));
    for (auto _ : state) {
        uint32_t held = static_cast<uint32_t>(room);
        if (HsiGetAdapterInfo(records, &held) != HS_SUCCESS) return Fail(state, "fill");
        benchmark::ClobberMemory();
    }
}

void NetUserInfo(benchmark::State &state) {
    auto *info = reinterpret_cast<NETUSERINFO *>(LowMemory(sizeof(NETUSERINFO)));
    for (auto _ : state) {
        if (HsiGetNetUserInfo(info) != 1) return Fail(state, "fill");
        benchmark::ClobberMemory();
    }
}

void SoftwareCount(benchmark::State &state) {
    for (auto _ : state) {
        if (HsiGetSoftwareCount() <= 0) return Fail(state, "no programs");
    }
}

void SoftwareInfoSize(benchmark::State &state) {
    for (auto _ : state) {
        uint32_t size = 0;
        if (HsiGetSoftwareInfo(nullptr, &size) != HS_ERROR_BUFFER_OVERFLOW || size == 0) {
            return Fail(state, "size query");
        }
    }
}

void SoftwareInfoFill(benchmark::State &state) {
    uint32_t size = 0;
    HsiGetSoftwareInfo(nullptr, &size);
    auto *records = reinterpret_cast<SOFTWAREINFO *>(LowMemory(size));
    for (auto _ : state) {
        uint32_t held = size;
        if (HsiGetSoftwareInfo(records, &held) != HS_SUCCESS) return Fail(state, "fill");
        benchmark::ClobberMemory();
    }
}

void SoftwareInfoEx(benchmark::State &state) {
    const int32_t count = HsiGetSoftwareCount();
    unsigned char *memory = LowMemory(sizeof(SOFTWAREINFOLIST) + count * sizeof(SOFTWAREINFO));
    auto *list = reinterpret_cast<SOFTWAREINFOLIST *>(memory);
    for (auto _ : state) {
        list->records = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(memory + sizeof(SOFTWAREINFOLIST)));
        if (HsiGetSoftwareInfoEx(list, count) != 1) return Fail(state, "fill");
        benchmark::ClobberMemory();
    }
}

void DriverInfoSize(benchmark::State &state) {
    for (auto _ : state) {
        uint32_t size = 0;
        if (HsiGetDriverInfo(nullptr, &size) != HS_ERROR_BUFFER_OVERFLOW || size == 0) {
            return Fail(state, "size query");
        }
    }
}

void DriverInfoFill(benchmark::State &state) {
    uint32_t size = 0;
    HsiGetDriverInfo(nullptr, &size);
    auto *records = reinterpret_cast<DRIVERINFO *>(LowMemory(size));
    for (auto _ : state) {
        uint32_t held = size;
        if (HsiGetDriverInfo(records, &held) != HS_SUCCESS) return Fail(state, "fill");
        benchmark::ClobberMemory();
    }
}

void DeviceInfoSize(benchmark::State &state) {
    for (auto _ : state) {
        uint32_t size = 0;
        if (HsiGetDeviceInfo(nullptr, &size) != HS_ERROR_BUFFER_OVERFLOW || size == 0) {
            return Fail(state, "size query");
        }
    }
}

void DeviceInfoFill(benchmark::State &state) {
    uint32_t size = 0;
    HsiGetDeviceInfo(nullptr, &size);
    auto *records = reinterpret_cast<DEVICEINFO *>(LowMemory(size));
    for (auto _ : state) {
        uint32_t held = size;
        if (HsiGetDeviceInfo(records, &held) != HS_SUCCESS) return Fail(state, "fill");
        benchmark::ClobberMemory();
    }
}

void SysInfoSize(benchmark::State &state) {
    auto *header = reinterpret_cast<SYSINFOHEADER *>(LowMemory(64));
    for (auto _ : state) {
        std::memset(header, 0, 64);
        uint32_t total = 0;
        if (HsiGetSysInfo(header, &total) != HS_ERROR_BUFFER_OVERFLOW || total == 0) return Fail(state, "size query");
    }
}

void SysInfoFill(benchmark::State &state) {
    SYSINFOHEADER sizes{};
    uint32_t total = 0;
    HsiGetSysInfo(&sizes, &total);
    unsigned char *memory = LowMemory(sizeof(SYSINFOHEADER) + total + 64);
    auto *header = reinterpret_cast<SYSINFOHEADER *>(memory);
    for (auto _ : state) {
        *header = sizes;
        uint32_t held = total;
        if (HsiGetSysInfo(header, &held) != HS_SUCCESS) return Fail(state, "fill");
        benchmark::ClobberMemory();
    }
}

// The sort of the machine's program names alone, as the program exports run
// it: to tell the sort's share of their time from the rest.
void ProgramSort(benchmark::State &state) {
    hs::TextList unsorted;
    hs::WalkInstalledPrograms(hs::g_inventory.Registry(), [&unsorted](const hs::Text &name) {
        unsorted.push_back(name);
        return true;
    });
    state.counters["programs"] = static_cast<double>(unsorted.size());
    for (auto _ : state) {
        state.PauseTiming();
        hs::TextList names = unsorted;
        state.ResumeTiming();
        hs::SortNamesIgnoringCase(names, names.size());
        benchmark::DoNotOptimize(names.data());
    }
}

struct Export {
    const char *name;
    Body body;
};

const Export kExports[] = {
    {"HsiGetCpuCount", CpuCount},
    {"HsiGetCpuInfo/size", CpuInfoSize},
    {"HsiGetCpuInfo/fill", CpuInfoFill},
    {"HsiGetCpuInfoEx", CpuInfoEx},
    {"HsiGetCommonInfo", CommonInfo},
    {"HsiGetNetCount", NetCount},
    {"HsiGetNetInfoEx", NetInfoEx},
    {"HsiGetAdapterCount", AdapterCount},
    {"HsiGetAdapterInfo/size", AdapterInfoSize},
    {"HsiGetAdapterInfo/fill", AdapterInfoFill},
    {"HsiGetNetUserInfo", NetUserInfo},
    {"HsiGetSoftwareCount", SoftwareCount},
    {"HsiGetSoftwareInfo/size", SoftwareInfoSize},
    {"HsiGetSoftwareInfo/fill", SoftwareInfoFill},
    {"HsiGetSoftwareInfoEx", SoftwareInfoEx},
    {"HsiGetDriverInfo/size", DriverInfoSize},
    {"HsiGetDriverInfo/fill", DriverInfoFill},
    {"HsiGetDeviceInfo/size", DeviceInfoSize},
    {"HsiGetDeviceInfo/fill", DeviceInfoFill},
    {"HsiGetSysInfo/size", SysInfoSize},
    {"HsiGetSysInfo/fill", SysInfoFill},
    {"ProgramSort", ProgramSort},
};

}  // namespace

void RegisterExportBenchmarks(int scale) {
    for (const Export &e : kExports) {
        benchmark::RegisterBenchmark((std::string(e.name) + "/" + MachineName(scale)).c_str(),
                                     [scale, body = e.body](benchmark::State &state) {
                                         UseMachine(scale);
                                         body(state);
                                     })
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace hsbench
