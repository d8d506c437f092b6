// Loads and unloads libhardscan.so again and again, calling every export in
// each cycle, so that a leak checker sees every load, every export and every
// unload. Prints the cycle count, the export results of the last cycle and
// the process's peak resident memory.
//
//   load_cycles LIBRARY CYCLES [--large DEVICES PROGRAMS]
//
// The machine is the one HARDSCAN_MACHINE names; with --large the program
// writes a machine with DEVICES started device instances and PROGRAMS
// installed programs to a temporary file and uses that one.
#include <dlfcn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hardscan.h"

namespace {

template <typename F>
F *Symbol(void *handle, const char *name) {
    void *symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "load_cycles: missing export %s\n", name);
        std::exit(1);
    }
    return reinterpret_cast<F *>(symbol);
}

#define EXPORT(handle, name) Symbol<decltype(name)>(handle, #name)

// Record arrays for the list calls: below 4 GiB, so that their 32-bit
// addresses name them.
class LowRecords {
public:
    explicit LowRecords(size_t bytes) : m_size(bytes == 0 ? 1 : bytes) {
        void *p = mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
        if (p == MAP_FAILED) {
            std::perror("mmap");
            std::exit(1);
        }
        m_data = p;
    }
    ~LowRecords() { munmap(m_data, m_size); }
    LowRecords(const LowRecords &) = delete;
    LowRecords &operator=(const LowRecords &) = delete;
    uint32_t Address32() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_data)); }

private:
    size_t m_size;
    void *m_data = nullptr;
};

// What one cycle saw: the counts and the result of every call.
struct CycleResult {
    int32_t cpus = 0, nets = 0, programs = 0, adapters = 0;
    uint32_t drives = 0, devices = 0;
    std::string deviceTypes;
    std::vector<int64_t> results;
};

// A size query of a buffer export, then a fill of the size it asked for:
// both results recorded, the filled bytes returned.
template <typename Record>
std::vector<uint8_t> QueryAndFill(uint32_t (*fn)(Record *, uint32_t *), std::vector<int64_t> &results) {
    uint32_t size = 0;
    results.push_back(fn(nullptr, &size));
    std::vector<uint8_t> records(size + 1);
    results.push_back(fn(reinterpret_cast<Record *>(records.data()), &size));
    records.resize(size);
    return records;
}

// A list call over `count` records below 4 GiB.
template <typename List>
void ListCall(int32_t (*fn)(List *, int32_t), int32_t count, size_t recordSize, std::vector<int64_t> &results) {
    LowRecords records(static_cast<size_t>(count > 0 ? count : 1) * recordSize);
    List list{};
    list.records = records.Address32();
    results.push_back(fn(&list, count));
}

// Every export, each with a null or size query first and then a fill of the
// size it asked for.
CycleResult RunCycle(void *h) {
    CycleResult r;
    auto &results = r.results;
    r.cpus = EXPORT(h, HsiGetCpuCount)();
    r.nets = EXPORT(h, HsiGetNetCount)();
    r.programs = EXPORT(h, HsiGetSoftwareCount)();

    QueryAndFill(EXPORT(h, HsiGetCpuInfo), results);
    ListCall(EXPORT(h, HsiGetCpuInfoEx), r.cpus, sizeof(CPUINFO), results);
    COMMONINFO common{};
    results.push_back(EXPORT(h, HsiGetCommonInfo)(&common));
    ListCall(EXPORT(h, HsiGetNetInfoEx), r.nets, sizeof(NETINFO), results);

    uint32_t size = 0;
    results.push_back(EXPORT(h, HsiGetAdapterInfo)(nullptr, &size));
    r.adapters = static_cast<int32_t>(size / sizeof(IPADAPTERINFO));
    std::vector<IPADAPTERINFO> adapters(64);
    results.push_back(EXPORT(h, HsiGetAdapterInfo)(adapters.data(), &size));
    results.push_back(EXPORT(h, HsiGetAdapterCount)(nullptr));
    NETUSERINFO user{};
    results.push_back(EXPORT(h, HsiGetNetUserInfo)(&user));

    QueryAndFill(EXPORT(h, HsiGetSoftwareInfo), results);
    ListCall(EXPORT(h, HsiGetSoftwareInfoEx), r.programs, sizeof(SOFTWAREINFO), results);
    r.drives = QueryAndFill(EXPORT(h, HsiGetDriverInfo), results).size() / sizeof(DRIVERINFO);
    const std::vector<uint8_t> devices = QueryAndFill(EXPORT(h, HsiGetDeviceInfo), results);
    r.devices = devices.size() / sizeof(DEVICEINFO);
    for (uint32_t i = 0; i < r.devices; ++i) {
        r.deviceTypes += reinterpret_cast<const DEVICEINFO *>(devices.data())[i].type;
        r.deviceTypes += ' ';
    }

    SYSINFOHEADER header{};
    uint32_t total = 0;
    results.push_back(EXPORT(h, HsiGetSysInfo)(&header, &total));
    std::vector<uint8_t> block(sizeof header + total);
    std::memcpy(block.data(), &header, sizeof header);
    results.push_back(EXPORT(h, HsiGetSysInfo)(reinterpret_cast<SYSINFOHEADER *>(block.data()), &total));
    return r;
}

// A machine with `devices` started device instances spread over the device
// and drive classes, and `programs` installed programs.
std::string WriteLargeMachine(long devices, long programs) {
    static const char *const kClasses[] = {
        "{4D36E968-E325-11CE-BFC1-08002BE10318}", "{4D36E96E-E325-11CE-BFC1-08002BE10318}",
        "{4D36E96F-E325-11CE-BFC1-08002BE10318}", "{4D36E96B-E325-11CE-BFC1-08002BE10318}",
        "{4D36E96C-E325-11CE-BFC1-08002BE10318}", "{36FC9E60-C465-11CF-8056-444553540000}",
        "{4D36E97B-E325-11CE-BFC1-08002BE10318}", "{4D36E96D-E325-11CE-BFC1-08002BE10318}",
        "{4D36E967-E325-11CE-BFC1-08002BE10318}", "{4D36E965-E325-11CE-BFC1-08002BE10318}",
        "{4D36E980-E325-11CE-BFC1-08002BE10318}",
    };
    static const char *const kEnumerators[] = {"PCI", "USB", "ACPI", "IDE", "SCSI", "Root", "FDC", "DISPLAY"};
    char path[] = "/tmp/hardscan-large-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        std::perror("mkstemp");
        std::exit(1);
    }
    FILE *out = fdopen(fd, "w");
    std::fprintf(out,
                 "REGEDIT4\n\n[HKEY_SIMULATION\\Processor]\n\"TscKHz\"=dword:000b71b0\n"
                 "[HKEY_SIMULATION\\Processor\\Leaves]\n\"00000000\"=\"00000002 756e6547 6c65746e 49656e69\"\n"
                 "\"00000001\"=\"00000683 00000002 00000000 0387f9ff\"\n"
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n"
                 "\"ProductName\"=\"Microsoft Windows XP\"\n"
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon]\n"
                 "\"DefaultUserName\"=\"large\"\n"
                 "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\n"
                 "\"ComputerName\"=\"LARGE\"\n"
                 "[HKEY_SIMULATION\\Adapters\\1]\n\"AdapterName\"=\"{AAAA}\"\n\"Description\"=\"Card\"\n"
                 "\"Address\"=hex:00,0c,29,aa,bb,cc\n\"IpAddress\"=\"10.0.0.1\"\n"
                 "[HKEY_SIMULATION\\Printers\\Local\\1]\n\"Name\"=\"Laser\"\n");
    for (long i = 0; i < devices; ++i) {
        const char *enumerator = kEnumerators[i % 8];
        const char *guid = kClasses[i % 11];
        std::fprintf(out,
                     "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\%s\\DEV_%04lx\\%ld]\n"
                     "\"ClassGUID\"=\"%s\"\n\"DeviceDesc\"=\"Device %ld of a large machine\"\n"
                     "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\%s\\DEV_%04lx\\%ld\\Control]\n",
                     enumerator, i / 64, i, guid, i, enumerator, i / 64, i);
    }
    for (long i = 0; i < programs; ++i) {
        std::fprintf(out,
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P%06ld]\n"
                     "\"DisplayName\"=\"Program %06ld\"\n\"UninstallString\"=\"remove %ld\"\n",
                     i, (i * 7919) % programs, i);
    }
    std::fclose(out);
    return path;
}

long PeakRssKiB() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: load_cycles LIBRARY CYCLES [--large DEVICES PROGRAMS]\n");
        return 2;
    }
    const char *library = argv[1];
    const long cycles = std::strtol(argv[2], nullptr, 10);
    std::string largeMachine;
    if (argc >= 6 && std::strcmp(argv[3], "--large") == 0) {
        largeMachine = WriteLargeMachine(std::strtol(argv[4], nullptr, 10), std::strtol(argv[5], nullptr, 10));
        setenv("HARDSCAN_MACHINE", largeMachine.c_str(), 1);
        std::printf("machine: %s\n", largeMachine.c_str());
    }
    const long rssBefore = PeakRssKiB();
    const auto start = std::chrono::steady_clock::now();
    CycleResult first;
    CycleResult last;
    for (long i = 0; i < cycles; ++i) {
        void *handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            std::fprintf(stderr, "load_cycles: dlopen: %s\n", dlerror());
            return 1;
        }
        last = RunCycle(handle);
        if (i == 0) first = last;
        if (dlclose(handle) != 0) {
            std::fprintf(stderr, "load_cycles: dlclose: %s\n", dlerror());
            return 1;
        }
        // Every cycle sees the same machine and answers the same.
        if (last.results != first.results || last.devices != first.devices || last.programs != first.programs) {
            std::fprintf(stderr, "load_cycles: cycle %ld answered differently from the first:", i);
            for (size_t k = 0; k < last.results.size() && k < first.results.size(); ++k) {
                std::fprintf(stderr, " %lld/%lld", static_cast<long long>(first.results[k]),
                             static_cast<long long>(last.results[k]));
            }
            std::fprintf(stderr, " devices %u/%u programs %d/%d\n", first.devices, last.devices, first.programs,
                         last.programs);
            std::fprintf(stderr, "device types first: %s\nnow: %s\n", first.deviceTypes.c_str(),
                         last.deviceTypes.c_str());
            return 1;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!largeMachine.empty()) std::remove(largeMachine.c_str());
    std::printf("cycles: %ld in %.1f s\n", cycles, seconds);
    std::printf("counts: cpus %d, nets %d, adapters %d, programs %d, drives %u, devices %u\n", last.cpus, last.nets,
                last.adapters, last.programs, last.drives, last.devices);
    std::printf("results:");
    for (int64_t r : last.results) std::printf(" %lld", static_cast<long long>(r));
    std::printf("\npeak RSS: %ld KiB (%ld KiB before the first load)\n", PeakRssKiB(), rssBefore);
    return 0;
}
