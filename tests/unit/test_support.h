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

// Load one of the test profiles under tests/machines/profiles/.
inline void UseProfile(const std::string &name) {
    hs::sim::LoadMachineFile(std::string(HS_SOURCE_DIR) + "/tests/machines/profiles/" + name + ".reg");
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

// The releases the tests run on.
inline const std::string kWindows95Osr2 = VersionKey(4, 0, 950, 1, " C");
inline const std::string kWindows98 = VersionKey(4, 10, 1998, 1, "");
inline const std::string kWindows98Se = VersionKey(4, 10, 2222, 1, " A");
inline const std::string kWindowsNt4 = VersionKey(4, 0, 1381, 2, "Service Pack 6");
inline const std::string kWindowsXp = VersionKey(5, 1, 2600, 2, "Service Pack 2");
inline const std::string kVersionFails = "[HKEY_SIMULATION\\Version]\n\"Fails\"=dword:00000001\n";

}  // namespace hstest
