// The simulated machine's facts other than its registry, read from the
// profile's HKEY_SIMULATION keys, with their defaults.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/registry_tree.h"

namespace hs::sim {

struct VersionFacts {
    bool fails = false;
    uint32_t major = 5, minor = 1, build = 2600, platform = 2;
    std::string csd = "Service Pack 2";
};

// Absent figures are the host's real ones.
struct MemoryFacts {
    std::optional<uint32_t> memoryLoad, totalPhys, availPhys, totalPageFile, availPageFile, totalVirtual,
        availVirtual;
};

// Absent figures depend on whether the processor is simulated.
struct SystemFacts {
    std::optional<uint32_t> processors, systemMask, processMask;
    uint32_t priorityClass = 0x20;
};

struct ProcessorFacts {
    bool simulated = false;
    bool cpuidSupported = true;
    std::map<uint32_t, std::array<uint32_t, 4>> leaves;
    std::optional<std::vector<uint8_t>> apicIds;
    uint32_t sseFault = 0, sse2Fault = 0, mxcsrMask = 0xFFFF, tscKHz = 0, clockStart = 0;
};

struct TimerFacts {
    bool devCapsFails = false;
    uint32_t periodMin = 1, periodMax = 1000000;
};

struct AdapterFacts {
    std::string name, description, ipAddress;
    std::vector<uint8_t> address;
};

struct AdaptersFacts {
    uint32_t result = 0, fillResult = 0;
    std::vector<AdapterFacts> adapters;
};

struct LanaFacts {
    uint8_t lana = 0;
    std::array<uint8_t, 6> address{};
    uint8_t resetResult = 0, statusResult = 0;
};

struct NetbiosFacts {
    uint8_t enumResult = 0;
    std::vector<LanaFacts> lanas;
};

struct PrinterListFacts {
    std::vector<std::string> names;
    uint32_t error = 0, retryError = 0;
};

struct PrintersFacts {
    PrinterListFacts defaults, locals;
};

struct DrivesFacts {
    std::array<uint32_t, 26> types;  // GetDriveTypeA's answer per letter
    int current = 3;                 // 1 = A
    uint32_t readyMask = 0;          // bit 0 = A
    DrivesFacts() { types.fill(1); }
};

struct MachineFacts {
    VersionFacts version;
    MemoryFacts memory;
    SystemFacts system;
    ProcessorFacts processor;
    TimerFacts timer;
    AdaptersFacts adapters;
    NetbiosFacts netbios;
    PrintersFacts printers;
    DrivesFacts drives;
};

// Throws ProfileError naming the line of a fact that is unknown or of the
// wrong kind.
MachineFacts ReadFacts(const RegNode &simulation);

}  // namespace hs::sim
