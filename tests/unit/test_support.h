// Helpers shared by the native tests: simulated machines built from profile
// text and from the real processors' CPUID values in tests/machines/cpuid/.
#pragma once

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "platform/sim/sim_machine.h"

namespace hstest {

// Profile text: REGEDIT4, the simulated processor with its virtual clock
// unless the body brings its own processor, then the body.
inline std::string MachineText(const std::string &body, bool withSimProcessor = true) {
    std::string text = "REGEDIT4\n\n";
    if (withSimProcessor && body.find("[HKEY_SIMULATION\\Processor]") == std::string::npos) {
        text += hs::sim::kVirtualClockProcessor;
    }
    return text + body;
}

inline void UseMachine(const std::string &body, bool withSimProcessor = true) {
    hs::sim::LoadMachine(MachineText(body, withSimProcessor));
}

// Load one of the test profiles under tests/machines/profiles/.
inline void UseProfile(const std::string &name) {
    hs::sim::LoadMachineFile(std::string(HS_SOURCE_DIR) + "/tests/machines/profiles/" + name + ".reg");
}

inline std::string Dword(const char *name, unsigned value) {
    char line[96];
    snprintf(line, sizeof line, "\"%s\"=dword:%08x\n", name, value);
    return line;
}

// Windows version facts as a profile fragment.
inline std::string VersionKey(unsigned major, unsigned minor, unsigned build, unsigned platform,
                              const std::string &csd) {
    return "[HKEY_SIMULATION\\Version]\n" + Dword("MajorVersion", major) + Dword("MinorVersion", minor) +
           Dword("BuildNumber", build) + Dword("PlatformId", platform) + "\"CSDVersion\"=\"" + csd + "\"\n";
}

// The releases the tests run on.
inline const std::string kWindows95Osr2 = VersionKey(4, 0, 950, 1, " C");
inline const std::string kWindows98 = VersionKey(4, 10, 1998, 1, "");
inline const std::string kWindows98Se = VersionKey(4, 10, 2222, 1, " A");
inline const std::string kWindowsNt4 = VersionKey(4, 0, 1381, 2, "Service Pack 6");
inline const std::string kWindowsXp = VersionKey(5, 1, 2600, 2, "Service Pack 2");
inline const std::string kVersionFails = "[HKEY_SIMULATION\\Version]\n\"Fails\"=dword:00000001\n";

// A program of the uninstall list, and a NetBIOS adapter (LANA number, six
// address bytes as a hex list, more values of its key).
inline std::string Program(const std::string &key, const std::string &name) {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key +
           "]\n\"DisplayName\"=\"" + name + "\"\n\"UninstallString\"=\"remove " + key + "\"\n";
}
inline std::string Lana(const std::string &key, int number, const std::string &address,
                        const std::string &extra = "") {
    return "[HKEY_SIMULATION\\NetBIOS\\" + key + "]\n\"Lana\"=dword:0000000" + std::to_string(number) +
           "\n\"Address\"=hex:" + address + "\n" + extra;
}

// The body of a CPUID fragment of tests/machines/cpuid/ (everything after
// its REGEDIT4 line, comments included) and extra profile text.
inline std::string ProcessorMachine(const std::string &fragment, const std::string &extra = "") {
    const std::string path = std::string(HS_SOURCE_DIR) + "/tests/machines/cpuid/" + fragment + ".reg";
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string body = text.str();
    return body.substr(body.find('\n') + 1) + "\n" + extra;
}

// A processor given only by its leaves (one "leaf"="eax ebx ecx edx" line
// each) and optional values of the processor key.
inline std::string LeavesMachine(const std::string &leaves, const std::string &values = "",
                                 const std::string &extra = "") {
    return "[HKEY_SIMULATION\\Processor]\n" + values + "[HKEY_SIMULATION\\Processor\\Leaves]\n" + leaves + extra;
}

// Processor values added after a fragment (the key is reopened).
inline std::string ProcessorValues(const std::string &values) { return "[HKEY_SIMULATION\\Processor]\n" + values; }

// The processors, and an idle priority class that the speed's measurement
// must put back.
inline std::string SystemKey(unsigned processors, unsigned systemMask, unsigned processMask) {
    return "[HKEY_SIMULATION\\System]\n" + Dword("NumberOfProcessors", processors) +
           Dword("SystemAffinityMask", systemMask) + Dword("ProcessAffinityMask", processMask) +
           Dword("PriorityClass", 0x40);
}

// The processor most tests use: two logical processors, hyper-threading.
inline const char kP4[] = "intel-pentium-4-2800-northwood-ht";

// Leaf 0 of a GenuineIntel processor whose highest leaf is 2.
inline const char kIntelLeaf0Max2[] = "\"00000000\"=\"00000002 756e6547 6c65746e 49656e69\"\n";

// A speed of 799 MHz in the registry, and a timer that cannot be asked.
inline const char kRegistryMHz[] =
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\n\"~MHz\"=dword:0000031f\n";
inline const char kTimerFails[] = "[HKEY_SIMULATION\\Timer]\n\"DevCapsFails\"=dword:00000001\n";

}  // namespace hstest
