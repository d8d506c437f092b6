// Loads and unloads libhardscan.so again and again, calling every export in
// each cycle (tests/common/export_calls.h), so that a leak checker sees every load, every
// export and every unload. Every cycle must answer as the first. Prints the
// cycle count, the counts and answers of the last cycle and the process's
// peak resident memory.
//
//   load_cycles LIBRARY CYCLES [--large DEVICES PROGRAMS]
//
// The machine is the one HARDSCAN_MACHINE names; with --large the program
// writes a machine with DEVICES started device instances and PROGRAMS
// installed programs to a temporary file and uses that one.
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "common/export_calls.h"

void badinput::Fail(const std::string &text) {
    std::fprintf(stderr, "load_cycles: %s\n", text.c_str());
    std::exit(1);
}

namespace {

// Room for the adapter list's entries, whatever the machine holds.
constexpr size_t kAdapterRoom = 64;

// Every export's answer, and the record counts of the size queries.
struct Cycle {
    std::vector<int64_t> answers;
    size_t counts[5] = {};
};

Cycle RunCycle(const char *library) {
    void *handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
    hstest::Exports x;
    if (const char *missing = hstest::ResolveExports(x, [handle](const char *name) { return dlsym(handle, name); }))
        throw std::runtime_error(std::string("missing export ") + missing);
    Cycle cycle;
    {
        hstest::Buffers buffers;
        for (const hstest::ExportCall &c : hstest::Calls(buffers, x, kAdapterRoom)) cycle.answers.push_back(c.call());
        cycle = {cycle.answers, {buffers.cpus, buffers.nets, buffers.programs, buffers.drives, buffers.devices}};
    }
    if (dlclose(handle) != 0) throw std::runtime_error(std::string("dlclose: ") + dlerror());
    return cycle;
}

// A machine with `devices` started device instances spread over the device
// and drive classes, and `programs` installed programs.
std::string WriteLargeMachine(long devices, long programs) {
    static const char *const kClasses[] = {
        "4D36E968-E325-11CE-BFC1-08002BE10318", "4D36E96E-E325-11CE-BFC1-08002BE10318",
        "4D36E96F-E325-11CE-BFC1-08002BE10318", "4D36E96B-E325-11CE-BFC1-08002BE10318",
        "4D36E96C-E325-11CE-BFC1-08002BE10318", "36FC9E60-C465-11CF-8056-444553540000",
        "4D36E97B-E325-11CE-BFC1-08002BE10318", "4D36E96D-E325-11CE-BFC1-08002BE10318",
        "4D36E967-E325-11CE-BFC1-08002BE10318", "4D36E965-E325-11CE-BFC1-08002BE10318",
        "4D36E980-E325-11CE-BFC1-08002BE10318",
    };
    static const char *const kEnumerators[] = {"PCI", "USB", "ACPI", "IDE", "SCSI", "Root", "FDC", "DISPLAY"};
    char path[] = "/tmp/hardscan-large-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    FILE *out = fdopen(fd, "w");
    std::fprintf(out,
                 "REGEDIT4\n\n[HKEY_SIMULATION\\Processor]\n\"TscKHz\"=dword:000b71b0\n"
                 "[HKEY_SIMULATION\\Processor\\Leaves]\n\"00000000\"=\"00000002 756e6547 6c65746e 49656e69\"\n"
                 "\"00000001\"=\"00000683 00000002 00000000 0387f9ff\"\n"
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon]\n"
                 "\"DefaultUserName\"=\"large\"\n"
                 "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\n"
                 "\"ComputerName\"=\"LARGE\"\n"
                 "[HKEY_SIMULATION\\Adapters\\1]\n\"AdapterName\"=\"{AAAA}\"\n\"Description\"=\"Card\"\n"
                 "\"Address\"=hex:00,0c,29,aa,bb,cc\n\"IpAddress\"=\"10.0.0.1\"\n"
                 "[HKEY_SIMULATION\\Printers\\Local\\1]\n\"Name\"=\"Laser\"\n");
    const char *const key = "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\%s\\DEV_%04lx\\%ld%s]\n";
    for (long i = 0; i < devices; ++i) {
        std::fprintf(out, key, kEnumerators[i % 8], i / 64, i, "");
        std::fprintf(out, "\"ClassGUID\"=\"{%s}\"\n\"DeviceDesc\"=\"Device %ld of a large machine\"\n",
                     kClasses[i % 11], i);
        std::fprintf(out, key, kEnumerators[i % 8], i / 64, i, "\\Control");
    }
    for (long i = 0; i < programs; ++i)
        std::fprintf(out,
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P%06ld]\n"
                     "\"DisplayName\"=\"Program %06ld\"\n\"UninstallString\"=\"remove %ld\"\n",
                     i, (i * 7919) % programs, i);
    std::fclose(out);
    return path;
}

long PeakRssKiB() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char **argv) try {
    if (argc < 3) {
        std::fprintf(stderr, "usage: load_cycles LIBRARY CYCLES [--large DEVICES PROGRAMS]\n");
        return 2;
    }
    const long cycles = std::strtol(argv[2], nullptr, 10);
    std::string largeMachine;
    if (argc >= 6 && std::string(argv[3]) == "--large") {
        largeMachine = WriteLargeMachine(std::strtol(argv[4], nullptr, 10), std::strtol(argv[5], nullptr, 10));
        setenv("HARDSCAN_MACHINE", largeMachine.c_str(), 1);
        std::printf("machine: %s\n", largeMachine.c_str());
    }
    const long rssBefore = PeakRssKiB();
    const auto start = std::chrono::steady_clock::now();
    Cycle first, last;
    for (long i = 0; i < cycles; ++i) {
        last = RunCycle(argv[1]);
        if (i == 0) first = last;
        if (last.answers != first.answers) {
            std::fprintf(stderr, "load_cycles: cycle %ld answered differently from the first:", i);
            for (size_t k = 0; k < last.answers.size(); ++k)
                std::fprintf(stderr, " %llx/%llx", static_cast<long long>(first.answers[k]),
                             static_cast<long long>(last.answers[k]));
            std::fprintf(stderr, "\n");
            return 1;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!largeMachine.empty()) std::remove(largeMachine.c_str());
    std::printf("cycles: %ld in %.1f s\n", cycles, seconds);
    const size_t *n = last.counts;
    std::printf("counts: cpus %zu, nets %zu, programs %zu, drives %zu, devices %zu\nanswers:", n[0], n[1], n[2], n[3],
                n[4]);
    for (int64_t answer : last.answers) std::printf(" %llx", static_cast<long long>(answer));
    std::printf("\npeak RSS: %ld KiB (%ld KiB before the first load)\n", PeakRssKiB(), rssBefore);
    return 0;
} catch (const std::exception &e) {
    std::fprintf(stderr, "load_cycles: %s\n", e.what());
    return 1;
}
