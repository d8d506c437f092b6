// The simulated machine's profile format and how a machine is selected, one
// case per rule: what each line stores, deletions, encodings, the errors
// that name their line, the environment variable and the built-in machine.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "sim_dump.h"
#include "test_support.h"

namespace {

using hs::sim::LoadMachine;
using simtest::ValueText;

// What each line of a profile stores is in the dumps of tests/machines/sim/
// (sim_machine_test.cpp); here are the profiles that do not load.
TEST(SimProfile, EachErrorNamesItsLine) {
    const struct {
        const char *text, *message;
    } cases[] = {
        {"REGEDIT5\n", "line 1: "},
        {"", "line 1: "},
        {"REGEDIT4\n\"Orphan\"=\"x\"\n", "line 2: value before the first key"},
        {"REGEDIT4\n\n[HKEY_LOCAL_MASHEEN\\X]\n", "line 3: unknown root key"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X\n", "line 2: key line without a closing ']'"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=dword:123456789\n", "line 3: dword:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=hex:01,zz\n", "line 3: malformed byte in a hex list"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=hex:01,\\\n", "line 3: hex list continued past the end"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=hex(zz):01\n", "line 3: malformed hex(type)"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\n\"a\"=\"open\n\n", "line 4: text without a closing quote"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"x\" tail\n", "line 3: unexpected text after the closing quote"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"\\n\"\n", "line 3: unknown escape in text"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\" \"b\"\n", "line 3: value without '='"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=word:1\n", "line 3: unrecognized value data"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\ngarbage\n", "line 3: neither a key, a value nor a comment"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\\\X]\n", "line 2: empty key name"},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE]\n", "line 2: a root key cannot be deleted"},
        {"REGEDIT4\n[HKEY_SIMULATION\\Procesor]\n", "line 2: unknown key [HKEY_SIMULATION\\Procesor]"},
        {"REGEDIT4\n[HKEY_SIMULATION\\Version]\n\"MajorVersion\"=\"5\"\n",
         "line 3: \"MajorVersion\" of [HKEY_SIMULATION\\Version] must be a dword"},
        {"REGEDIT4\n[HKEY_SIMULATION\\Drives]\n\"Curent\"=\"C\"\n", "line 3: unknown value"},
        {"REGEDIT4\n[HKEY_SIMULATION\\Processor\\Leaves]\n\"00000001\"=\"1 2 3 4\"\n",
         "line 3: \"00000001\" of [HKEY_SIMULATION\\Processor\\Leaves] must be four eight-digit hexadecimal words"},
        {"REGEDIT4\n[HKEY_SIMULATION\\NetBIOS\\Lana0]\n\"Address\"=hex:01,02\n",
         "line 3: a LANA address has six bytes"},
    };
    LoadMachine("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kept]\n\"V\"=\"still here\"\n");
    for (const auto &c : cases) {
        std::string message = "<loaded>";
        try {
            LoadMachine(c.text);
        } catch (const hs::sim::ProfileError &e) {
            message = e.what();
        }
        EXPECT_EQ(0u, message.find(c.message)) << "profile: " << c.text << "\nmessage: " << message;
    }
    EXPECT_EQ("type 1: \"still here\\x00\"", ValueText("SOFTWARE\\Kept", "V"));  // a failed load keeps the machine
}

// HARDSCAN_MACHINE names the profile that the library loads with; one that
// cannot be read ends the process with status 2 and one line naming it.
TEST(SimProfile, SelectedByTheEnvironment) {
    char path[] = "/tmp/sim_profile_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_EQ(13, write(fd, "REGEDIT4\n\n[BAD", 13));
    close(fd);
    EXPECT_EXIT(
        {
            setenv("HARDSCAN_MACHINE", path, 1);
            dlopen(HS_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
            std::exit(0);
        },
        ::testing::ExitedWithCode(2),
        "^hardscan: cannot load the machine profile /tmp/sim_profile_[^:]*: line 3: key line without a closing");
    unlink(path);
    EXPECT_THROW(hs::sim::LoadMachineFile(path), hs::sim::ProfileError);
    // Unset: the built-in XP machine, on the host's own processor.
    LoadMachine(hs::sim::DefaultProfile());
    EXPECT_EQ("type 1: \"Microsoft Windows XP\\x00\"",
              ValueText("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName"));
    EXPECT_EQ(std::string::npos, hs::sim::DefaultProfile().find("[HKEY_SIMULATION\\Processor"));
    hstest::UseMachine("");
}

}  // namespace
