// Helpers shared by the native tests: simulated machines built from profile
// text.
#pragma once

#include <cstdio>
#include <string>

#include "platform/sim/sim_machine.h"

namespace hstest {

// Profile text of a machine: the REGEDIT4 header, the simulated processor
// with its virtual clock unless the body brings its own processor, then the
// body.
inline std::string MachineText(const std::string &body, bool withSimProcessor = true) {
    std::string text = "REGEDIT4\n\n";
    if (withSimProcessor && body.find("[HKEY_SIMULATION\\Processor]") == std::string::npos) {
        text += hs::sim::kVirtualClockProcessor;
    }
    return text + body;
}

// Load a machine from MachineText.
inline void UseMachine(const std::string &body, bool withSimProcessor = true) {
    hs::sim::LoadMachine(MachineText(body, withSimProcessor));
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
