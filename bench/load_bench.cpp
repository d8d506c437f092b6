// The costs paid once per process: loading and unloading the shared library
// (its collector built over the machine named by HARDSCAN_MACHINE), and
// building the collector over a simulated processor.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "api/inventory.h"
#include "bench_machine.h"
#include "bench_registry.h"
#include "bench_turns.h"
#include "cpu/cpu_detail.h"

namespace hsbench {

namespace {

// Names the machine that the next load of the library reads; unset means the
// built-in machine (and the host's real processor and clock).
void NameMachineForLoad(int scale) {
    if (scale == kDefaultMachine) {
        unsetenv("HARDSCAN_MACHINE");
    } else {
        setenv("HARDSCAN_MACHINE", ProfileFile(scale).c_str(), 1);
    }
}

// One load of the library, a look-up of an export, and the unload.
bool LoadOnce() {
    void *library = dlopen(HS_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return false;
    const bool found = dlsym(library, "HsiGetSysInfo") != nullptr;
    dlclose(library);
    return found;
}

void LoadUnload(benchmark::State &state, int scale) {
    NameMachineForLoad(scale);
    for (auto _ : state) {
        if (!LoadOnce()) return state.SkipWithError("load or export look-up failed");
    }
    unsetenv("HARDSCAN_MACHINE");
}

// A Windows 95 machine (no processor detail) and the same machine as XP.
std::string CollectorMachine(bool withDetail) {
    std::string text = GeneratedProfile(1);
    text += withDetail ? "[HKEY_SIMULATION\\Version]\n\"MajorVersion\"=dword:00000005\n\"MinorVersion\"=dword:00000001\n"
                         "\"PlatformId\"=dword:00000002\n"
                       : "[HKEY_SIMULATION\\Version]\n\"MajorVersion\"=dword:00000004\n\"MinorVersion\"=dword:00000000\n"
                         "\"PlatformId\"=dword:00000001\n\"CSDVersion\"=\"\"\n";
    return text;
}

void Construct(benchmark::State &state, bool withDetail) {
    UseOtherMachine(CollectorMachine(withDetail));
    if ((hs::CInventory::IsCpuDetailSupported() == 1) != withDetail) return state.SkipWithError("wrong version");
    for (auto _ : state) {
        hs::CInventory inventory;
        benchmark::DoNotOptimize(&inventory);
    }
}

// The processor detail alone: its 1000-ms measurement runs on the virtual
// clock, so what it costs is the wall time of the calls it makes.
void DetailFill(benchmark::State &state) {
    UseOtherMachine(CollectorMachine(true));
    hs::CpuDetail detail{};
    hs::CacheInfoEntry caches[hs::kCacheTypeCount] = {};
    char brand[48] = {};
    hs::CpuPackageEntry packages[8] = {};
    for (auto _ : state) {
        detail = hs::CpuDetail{};
        detail.cacheTable = caches;
        detail.brandString = brand;
        detail.packageCapacity = 8;
        detail.packageTable = packages;
        benchmark::DoNotOptimize(hs::FillCpuDetail(1000, &detail));
    }
}

}  // namespace

void RegisterLoadBenchmarks(int scale) {
    auto *b = benchmark::RegisterBenchmark(("LoadUnload/" + MachineName(scale)).c_str(),
                                           [scale](benchmark::State &state) { LoadUnload(state, scale); });
    b->Unit(benchmark::kMillisecond);
    // On the built-in machine the collector measures the real clock for a second.
    if (scale == kDefaultMachine) b->Iterations(1);
}

void RegisterPairedLoadBenchmarks(int small, int large) {
    const std::string pair = MachineName(small) + ":" + MachineName(large);
    benchmark::RegisterBenchmark(("Pair/LoadUnload/" + pair).c_str(),
                                 [small, large](benchmark::State &state) {
                                     const Call onSmall(LoadOnce, [small] { NameMachineForLoad(small); });
                                     const Call onLarge(LoadOnce, [large] { NameMachineForLoad(large); });
                                     const std::vector<double> t =
                                         TimeInTurns(state, {{small, &onSmall}, {large, &onLarge}}, "LoadUnload");
                                     unsetenv("HARDSCAN_MACHINE");
                                     if (t.empty()) return;
                                     CountMicroseconds(state, {"small", "large"}, t);
                                     state.counters["ratio"] = t[1] / t[0];
                                 })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

void RegisterCollectorBenchmarks() {
    benchmark::RegisterBenchmark("Collector/construct/detail", [](benchmark::State &s) { Construct(s, true); })
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Collector/construct/nodetail", [](benchmark::State &s) { Construct(s, false); })
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Collector/detail1000ms", DetailFill)->Unit(benchmark::kMicrosecond);
}

}  // namespace hsbench
