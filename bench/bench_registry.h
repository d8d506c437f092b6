// Registration of the benchmark families, machine by machine, so that each
// machine is loaded (and the collector rebuilt over it) once.
#pragma once

namespace hsbench {

void RegisterExportBenchmarks(int scale);
void RegisterRegistryWalkBenchmarks(int scale);
void RegisterLoadBenchmarks(int scale);
void RegisterCollectorBenchmarks();

}  // namespace hsbench
