// Helpers shared by the native tests: simulated machines built from profile
// text.
#pragma once

#include <cstdio>
#include <string>

#include "platform/sim/sim_machine.h"

namespace hstest {

// A simulated single-processor Pentium III (no brand string) whose clock runs
// virtually, so that building a collector takes no real time.
inline const char kSimProcessor[] =
    "[HKEY_SIMULATION\\Processor]\n"
    "\"TscKHz\"=dword:000b71b0\n"
    "[HKEY_SIMULATION\\Processor\\Leaves]\n"
    "\"00000000\"=\"00000002 756e6547 6c65746e 49656e69\"\n"
    "\"00000001\"=\"00000683 00000002 00000000 0387f9ff\"\n"
    "\"00000002\"=\"03020101 00000000 00000000 0c040882\"\n";

// Load a machine: the REGEDIT4 header, the simulated processor unless the
// body brings its own, then the body.
inline void UseMachine(const std::string &body, bool withSimProcessor = true) {
    std::string text = "REGEDIT4\n\n";
    if (withSimProcessor && body.find("[HKEY_SIMULATION\\Processor]") == std::string::npos) {
        text += kSimProcessor;
    }
    text += body;
    hs::sim::LoadMachine(text);
}

// Windows version facts as a profile fragment.
inline std::string VersionKey(unsigned major, unsigned minor, unsigned build, unsigned platform,
                              const std::string &csd) {
    char buf[256];
    snprintf(buf, sizeof buf,
             "[HKEY_SIMULATION\\Version]\n\"MajorVersion\"=dword:%08x\n\"MinorVersion\"=dword:%08x\n"
             "\"BuildNumber\"=dword:%08x\n\"PlatformId\"=dword:%08x\n\"CSDVersion\"=\"%s\"\n",
             major, minor, build, platform, csd.c_str());
    return buf;
}

}  // namespace hstest
