// Machines for the benchmarks: the built-in default machine and generated
// machines of a given scale, and the switch of the simulated machine and of
// the library's collector between them.
#pragma once

#include <cstddef>
#include <string>

namespace hsbench {

// Scale 0 stands for the built-in default machine.
constexpr int kDefaultMachine = 0;

// What a generated machine of scale 1 holds; scale s holds s times as many.
struct BaseSize {
    static constexpr int kPrograms = 250;
    static constexpr int kPciDevices = 12;
    static constexpr int kIdeDevices = 4;
    static constexpr int kScsiDevices = 2;
    static constexpr int kFdcDevices = 1;
    static constexpr int kAcpiDevices = 2;
    static constexpr int kRootDevices = 4;
    static constexpr int kDisplayDevices = 2;
    static constexpr int kUsbDevices = 4;
    static constexpr int kSerenumDevices = 1;
    static constexpr int kHidDevices = 4;
    static constexpr int kAdapters = 4;
    static constexpr int kLanas = 4;
    static constexpr int kPrinters = 4;
};

// Profile text of a generated machine (REGEDIT4, simulated processor with a
// virtual clock, Windows XP SP2).
std::string GeneratedProfile(int scale);

// Profile text of the machine of that scale (0: the built-in default).
std::string ProfileOf(int scale);

// Name of a machine in benchmark names: "default", "x1", "x4", "x16".
std::string MachineName(int scale);

// Make the machine of that scale current and rebuild the library's collector
// over it; nothing happens when it is already current.
void UseMachine(int scale);

// Load other profile text (for benchmarks with machines of their own); the
// next UseMachine reloads.
void UseOtherMachine(const std::string &profile);

// Path of a temporary file holding the machine's profile (written once).
std::string ProfileFile(int scale);

// Caller memory below 4 GiB, as the records' 32-bit address fields need;
// one arena for the whole run.
unsigned char *LowMemory(size_t size);

}  // namespace hsbench
