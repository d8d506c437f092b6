// Simulated machines for the processor tests, built from the real
// processors' CPUID values kept in tests/machines/cpuid/.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "cpu/detail_state.h"
#include "test_support.h"

namespace cputest {

// The body of a CPUID fragment (everything after its REGEDIT4 line,
// comments included).
inline std::string Fragment(const std::string &name) {
    const std::string path = std::string(HS_SOURCE_DIR) + "/tests/machines/cpuid/" + name + ".reg";
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot open " << path;
    std::stringstream text;
    text << in.rdbuf();
    std::string body = text.str();
    const size_t firstLineEnd = body.find('\n');
    return firstLineEnd == std::string::npos ? std::string() : body.substr(firstLineEnd + 1);
}

inline std::string Dword(const char *name, unsigned value) {
    char line[96];
    snprintf(line, sizeof line, "\"%s\"=dword:%08x\n", name, value);
    return line;
}

// Processor values added after a fragment (the key is reopened).
inline std::string ProcessorValues(const std::string &values) {
    return "[HKEY_SIMULATION\\Processor]\n" + values;
}

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

// Brand-string leaves of 16 'A', 16 'B' and 16 'C' without a NUL.
inline const char kBrandLeavesWithoutNul[] = "\"80000000\"=\"80000004 00000000 00000000 00000000\"\n"
                                             "\"80000002\"=\"41414141 41414141 41414141 41414141\"\n"
                                             "\"80000003\"=\"42424242 42424242 42424242 42424242\"\n"
                                             "\"80000004\"=\"43434343 43434343 43434343 43434343\"\n";

// A speed of 799 MHz in the registry, and a timer that cannot be asked.
const char kRegistryMHz[] =
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\n\"~MHz\"=dword:0000031f\n";  // 799
const char kTimerFails[] = "[HKEY_SIMULATION\\Timer]\n\"DevCapsFails\"=dword:00000001\n";

// A fragment plus extra profile text, as a machine's text.
inline std::string ProcessorMachine(const std::string &fragment, const std::string &extra = "") {
    return Fragment(fragment) + "\n" + extra;
}

// A processor given only by its leaves (one "leaf"="eax ebx ecx edx" line
// each) and optional values of the processor key.
inline std::string LeavesMachine(const std::string &leaves, const std::string &values = "",
                                 const std::string &extra = "") {
    return "[HKEY_SIMULATION\\Processor]\n" + values + "[HKEY_SIMULATION\\Processor\\Leaves]\n" + leaves + extra;
}

inline void UseProcessor(const std::string &fragment, const std::string &extra = "") {
    hstest::UseMachine(ProcessorMachine(fragment, extra));
}

inline void UseLeaves(const std::string &leaves, const std::string &values = "", const std::string &extra = "") {
    hstest::UseMachine(LeavesMachine(leaves, values, extra));
}

}  // namespace cputest
