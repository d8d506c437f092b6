// hardscan_bench: the benchmarks, grouped machine by machine.
#include <benchmark/benchmark.h>

#include "bench_machine.h"
#include "bench_registry.h"

int main(int argc, char **argv) {
    using namespace hsbench;
    RegisterCollectorBenchmarks();
    for (int scale : {kDefaultMachine, 1, 4, 16}) {
        RegisterExportBenchmarks(scale);
        RegisterRegistryWalkBenchmarks(scale);
        RegisterOverheadBenchmarks(scale);
    }
    RegisterPairedBenchmarks(1, 4);
    RegisterPairedBenchmarks(4, 16);
    for (int scale : {kDefaultMachine, 1, 4, 16}) RegisterLoadBenchmarks(scale);
    RegisterPairedLoadBenchmarks(1, 4);
    RegisterPairedLoadBenchmarks(4, 16);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
