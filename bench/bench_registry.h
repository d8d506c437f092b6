// Registration of the benchmark families, machine by machine, so that each
// machine is loaded (and the collector rebuilt over it) once.
#pragma once

namespace hsbench {

void RegisterExportBenchmarks(int scale);
// Each export on two machines, call by call in turn, so that the ratio of
// their times is taken under the same conditions of the shared processor.
void RegisterPairedBenchmarks(int small, int large);
void RegisterRegistryWalkBenchmarks(int scale);
void RegisterLoadBenchmarks(int scale);
void RegisterCollectorBenchmarks();

}  // namespace hsbench
