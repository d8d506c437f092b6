// The simulated machine's profile format and how a machine is selected, one
// case per rule: what each line stores, deletions, encodings, the errors
// that name their line, the environment variable and the built-in machine.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "sim_registry.h"
#include "test_support.h"

namespace {

using namespace std::string_literals;
using hs::sim::LoadMachine;
using simtest::Read;
using simtest::Stored;

std::string Utf16Le(const std::u16string &text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

// Each case loads a profile and reads one value of HKEY_LOCAL_MACHINE:
// its type and bytes as stored ("<missing>" when there is none).
TEST(SimProfile, WhatEachLineStores) {
    const std::string app = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\App]\n";
    const struct {
        const char *what;
        std::string profile;
        const char *path, *name;
        Stored expected;
    } cases[] = {
        {"text with escapes, its NUL kept", app + "\"Path\"=\"C:\\\\Program Files\\\\\\\"App\\\"\"\n", "SOFTWARE\\App",
         "Path", {REG_SZ, std::string("C:\\Program Files\\\"App\"\0", 23)}},
        {"escaped quotes in a name", app + "\"Quoted \\\"name\\\"\"=\"x\"\n", "SOFTWARE\\App", "Quoted \"name\"",
         {REG_SZ, std::string("x\0", 2)}},
        {"text over lines, stored with CR LF", app + "\"Note\"=\"first\nsecond\n\"\n", "SOFTWARE\\App", "Note",
         {REG_SZ, std::string("first\r\nsecond\r\n\0", 16)}},
        {"the value after such a text", app + "\"Note\"=\"a\nb\"\n\"After\"=\"x\"\n", "SOFTWARE\\App", "After",
         {REG_SZ, std::string("x\0", 2)}},
        {"default value", app + "@=\"txtfile\"\n", "SOFTWARE\\App", "", {REG_SZ, std::string("txtfile\0", 8)}},
        {"dword", app + "\"Size\"=dword:0000abcd\n", "SOFTWARE\\App", "Size", {REG_DWORD, "\xcd\xab\0\0"s}},
        {"hex continued over lines", app + "\"Data\"=hex:01,02,\\\n  03,\\\n  ff\n", "SOFTWARE\\App", "Data",
         {REG_BINARY, "\x01\x02\x03\xff"}},
        {"hex(1) text without its NUL", app + "\"Bare\"=hex(1):41,42\n", "SOFTWARE\\App", "Bare", {REG_SZ, "AB"}},
        {"hex(7)", app + "\"Multi\"=hex(7):61,00,00\n", "SOFTWARE\\App", "Multi", {REG_MULTI_SZ, "a\0\0"s}},
        {"hex(b)", app + "\"Big\"=hex(b):01,02,03,04,05,06,07,08\n", "SOFTWARE\\App", "Big",
         {REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x08"}},
        {"empty hex", app + "\"Empty\"=hex:\n", "SOFTWARE\\App", "Empty", {REG_BINARY, ""}},
        {"a later line replaces the data", app + "\"V\"=\"old\"\n\"v\"=dword:00000001\n", "SOFTWARE\\App", "V",
         {REG_DWORD, "\x01\0\0\0"s}},
        {"a value deleted", app + "\"A\"=\"1\"\n\"a\"=-\n", "SOFTWARE\\App", "A", {0, "<missing>"}},
        {"comments, blank lines and CR LF",
         "REGEDIT4\r\n\r\n; a comment\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\App]\r\n\"A\"=\"1\"\r\n", "SOFTWARE\\App", "A",
         {REG_SZ, "1\0"s}},
        {"a key deleted with everything below it",
         app + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\App\\Child]\n\"A\"=\"1\"\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\app]\n"
               "\"Ignored\"=\"after a deletion\"\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\NeverThere]\n",
         "SOFTWARE\\App\\Child", "A", {0, "<missing>"}},
        {"a key made again starts empty",
         app + "\"Old\"=\"x\"\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\App]\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\App]\n",
         "SOFTWARE\\App", "Old", {0, "<missing>"}},
        {"other roots are ignored", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\App]\n\"A\"=\"1\"\n", "Software\\App",
         "A", {0, "<missing>"}},
        // e-acute, the euro sign and a CJK character (which 1252 lacks).
        {"UTF-8 becomes Windows-1252",
         "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\xC3\xA9]\n"
         "\"Price\"=\"\xE2\x82\xAC" "5 \xE6\xBC\xA2\"\n",
         "SOFTWARE\\Caf\xE9", "Price", {REG_SZ, "\x80" "5 ?\0"s}},
        {"REGEDIT4 bytes are Windows-1252", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\xE9]\n\"P\"=\"\x80\"\n",
         "SOFTWARE\\CAF\xE9", "P", {REG_SZ, "\x80\0"s}},
        {"UTF-16LE with its byte order mark",
         Utf16Le(u"Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\U]\r\n"
                 u"\"Owner\"=\"Jos\u00e9 \u20ac \u4e2d\"\r\n"),
         "SOFTWARE\\U", "Owner", {REG_SZ, "Jos\xE9 \x80 ?\0"s}},
    };
    for (const auto &c : cases) {
        LoadMachine(c.profile);
        EXPECT_EQ(c.expected, Read(c.path, c.name)) << c.what;
    }
}

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
    EXPECT_EQ((Stored{REG_SZ, "still here\0"s}), Read("SOFTWARE\\Kept", "V"));  // a failed load keeps the machine
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
    EXPECT_EQ((Stored{REG_SZ, "Microsoft Windows XP\0"s}),
              Read("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName"));
    EXPECT_EQ(std::string::npos, hs::sim::DefaultProfile().find("[HKEY_SIMULATION\\Processor"));
    hstest::UseMachine("");
}

}  // namespace
