// Registration of the benchmark families, machine by machine, so that each
// machine is loaded (and the collector rebuilt over it) once.
#pragma once

#include <functional>
#include <string>

namespace hsbench {

void RegisterExportBenchmarks(int scale);
// Each export on two machines, call by call in turn, so that the ratio of
// their times is taken under the same conditions of the shared processor.
void RegisterPairedBenchmarks(int small, int large);
void RegisterRegistryWalkBenchmarks(int scale);
// Each registry-reading export and the plain walk of the keys it reads, on
// one machine, called in turn: the export's overhead over the walk.
void RegisterOverheadBenchmarks(int scale);
// One plain walk ("programs", "drives", "devices", "all") over the current
// machine; false when it finds no key.
std::function<bool()> PlainWalk(const std::string &name);
void RegisterLoadBenchmarks(int scale);
// Load and unload of the library with two machines in turn.
void RegisterPairedLoadBenchmarks(int small, int large);
void RegisterCollectorBenchmarks();

}  // namespace hsbench
