// GlobalMemoryStatus: the profile's figures, or the host's capped at 4 GiB - 1.
#include <sys/sysinfo.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/sim/machine.h"

namespace {

constexpr uint64_t kCap = 0xFFFFFFFFull;

SIZE_T Capped(uint64_t v) { return static_cast<SIZE_T>(std::min(v, kCap)); }

// MemAvailable of /proc/meminfo in bytes, or 0 when it cannot be read.
uint64_t AvailableBytes() {
    FILE *f = std::fopen("/proc/meminfo", "r");
    if (f == nullptr) return 0;
    char line[256];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) break;
    }
    std::fclose(f);
    return static_cast<uint64_t>(kib) * 1024u;
}

void HostFigures(MEMORYSTATUS &m) {
    struct sysinfo si;
    if (sysinfo(&si) != 0) return;
    uint64_t unit = si.mem_unit;
    uint64_t total = si.totalram * unit;
    uint64_t avail = AvailableBytes();
    if (avail == 0 || avail > total) avail = (si.freeram + si.bufferram) * unit;
    uint64_t swapTotal = si.totalswap * unit, swapFree = si.freeswap * unit;
    m.dwMemoryLoad = total != 0 ? static_cast<DWORD>((total - avail) * 100 / total) : 0;
    m.dwTotalPhys = Capped(total);
    m.dwAvailPhys = Capped(avail);
    m.dwTotalPageFile = Capped(total + swapTotal);
    m.dwAvailPageFile = Capped(avail + swapFree);
    // The host's address space is far larger than 4 GiB.
    m.dwTotalVirtual = Capped(uint64_t{1} << 47);
    m.dwAvailVirtual = Capped(uint64_t{1} << 47);
}

}  // namespace

void GlobalMemoryStatus(LPMEMORYSTATUS status) {
    if (status == nullptr) return;
    MEMORYSTATUS m;
    std::memset(&m, 0, sizeof m);
    HostFigures(m);
    std::shared_ptr<const hs::sim::Machine> machine = hs::sim::CurrentMachine();
    const hs::sim::MemoryFacts &f = machine->facts.memory;
    if (f.memoryLoad) m.dwMemoryLoad = *f.memoryLoad;
    if (f.totalPhys) m.dwTotalPhys = *f.totalPhys;
    if (f.availPhys) m.dwAvailPhys = *f.availPhys;
    if (f.totalPageFile) m.dwTotalPageFile = *f.totalPageFile;
    if (f.availPageFile) m.dwAvailPageFile = *f.availPageFile;
    if (f.totalVirtual) m.dwTotalVirtual = *f.totalVirtual;
    if (f.availVirtual) m.dwAvailVirtual = *f.availVirtual;
    m.dwLength = 32;
    *status = m;
}
