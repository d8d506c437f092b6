// Reading machine profiles: both export formats, encodings, deletions and
// the errors that name the offending line.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "platform/platform.h"
#include "platform/sim/sim_machine.h"
#include "test_support.h"

namespace {

using hs::sim::LoadMachine;
using hs::sim::ProfileError;

// The text of a REG_SZ value of HKEY_LOCAL_MACHINE, or "<missing>".
std::string ReadText(const char *path, const char *name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
    char text[512];
    DWORD size = sizeof text;
    LSTATUS status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(text), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return "<missing>";
    return std::string(text, size > 0 ? size - 1 : 0);
}

bool KeyExists(const char *path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The message of the ProfileError that loading the text raises.
std::string LoadError(const std::string &text) {
    try {
        LoadMachine(text);
    } catch (const ProfileError &e) {
        return e.what();
    }
    return "<loaded>";
}

std::string Utf16Le(const std::u16string &text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

TEST(SimProfileFormat, TextValuesByFormatAndEncoding) {
    const struct {
        const char *what;
        std::string profile;
        const char *path, *name, *text;
    } cases[] = {
        {"REGEDIT5 with CR LF and escapes",
         "Windows Registry Editor Version 5.00\r\n\r\n; a comment\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App]\r\n"
         "\"Path\"=\"C:\\\\Program Files\\\\App\"\r\n\"Quoted \\\"name\\\"\"=\"say \\\"hi\\\"\"\r\n",
         "SOFTWARE\\Vendor\\App", "Path", "C:\\Program Files\\App"},
        {"escaped quotes in name and text",
         "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App]\n\"Quoted \\\"name\\\"\"=\"say \\\"hi\\\"\"\n",
         "SOFTWARE\\Vendor\\App", "Quoted \"name\"", "say \"hi\""},
        {"text spanning lines is stored with CR LF",
         "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Notes]\n\"Note\"=\"first\nsecond\n\"\n\"After\"=\"x\"\n",
         "SOFTWARE\\Notes", "Note", "first\r\nsecond\r\n"},
        {"value after the spanning text", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Notes]\n\"Note\"=\"a\nb\"\n\"After\"=\"x\"\n",
         "SOFTWARE\\Notes", "After", "x"},
        // e-acute, the euro sign and a CJK character (which 1252 lacks).
        {"UTF-8 becomes Windows-1252",
         "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\xC3\xA9]\n"
         "\"Price\"=\"\xE2\x82\xAC" "5 \xE6\xBC\xA2\"\n",
         "SOFTWARE\\Caf\xE9", "Price", "\x80" "5 ?"},
        {"REGEDIT4 bytes are Windows-1252", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\xE9]\n\"Price\"=\"\x80" "5\"\n",
         "SOFTWARE\\CAF\xE9", "Price", "\x80" "5"},
    };
    for (const auto &c : cases) {
        LoadMachine(c.profile);
        EXPECT_EQ(c.text, ReadText(c.path, c.name)) << c.what;
    }
}

TEST(SimProfileFormat, Utf16LittleEndianWithByteOrderMark) {
    LoadMachine(Utf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n"
                        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Unicode]\r\n"
                        u"\"Owner\"=\"Jos\u00e9 \u20ac \u4e2d\"\r\n"
                        u"\"Size\"=dword:00000010\r\n"));
    EXPECT_EQ("Jos\xE9 \x80 ?", ReadText("SOFTWARE\\Unicode", "Owner"));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Unicode", 0, KEY_READ, &key));
    DWORD value = 0, size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Size", nullptr, nullptr, reinterpret_cast<BYTE *>(&value), &size));
    EXPECT_EQ(16u, value);
    RegCloseKey(key);
}

TEST(SimProfileFormat, HexListsContinueOverLines) {
    LoadMachine(
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bin]\n"
        "\"Data\"=hex:01,02,\\\n"
        "  03,04,\\\n"
        "  ff\n"
        "\"Next\"=dword:0000abcd\n");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Bin", 0, KEY_READ, &key));
    BYTE data[8] = {};
    DWORD size = sizeof data, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Data", nullptr, &type, data, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    ASSERT_EQ(5u, size);
    EXPECT_EQ(0, memcmp(data, "\x01\x02\x03\x04\xff", 5));
    DWORD next = 0;
    size = sizeof next;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Next", nullptr, &type, reinterpret_cast<BYTE *>(&next), &size));
    EXPECT_EQ(0xabcdu, next);
    RegCloseKey(key);
}

TEST(SimProfileDeletion, KeysAndValuesCanBeRemoved) {
    LoadMachine(
        "REGEDIT4\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Keep]\n\"A\"=\"1\"\n\"B\"=\"2\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Drop\\Child\\Grandchild]\n"
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\drop]\n"
        "\"Ignored\"=\"after a deletion\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Keep]\n\"a\"=-\n"
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\NeverThere]\n");
    EXPECT_FALSE(KeyExists("SOFTWARE\\Drop"));
    EXPECT_FALSE(KeyExists("SOFTWARE\\Drop\\Child"));
    EXPECT_EQ("<missing>", ReadText("SOFTWARE\\Keep", "A"));
    EXPECT_EQ("2", ReadText("SOFTWARE\\Keep", "B"));
}

TEST(SimProfileDeletion, RecreatedKeyStartsEmpty) {
    LoadMachine(
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\n\"Old\"=\"x\"\n"
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\n\"New\"=\"y\"\n");
    EXPECT_EQ("<missing>", ReadText("SOFTWARE\\K", "Old"));
    EXPECT_EQ("y", ReadText("SOFTWARE\\K", "New"));
}

TEST(SimProfileErrors, EachErrorNamesItsLine) {
    struct Case {
        const char *text;
        const char *message;
    } cases[] = {
        {"REGEDIT5\n", "line 1: "},
        {"", "line 1: "},
        {"REGEDIT4\n\"Orphan\"=\"x\"\n", "line 2: value before the first key"},
        {"REGEDIT4\n\n[HKEY_LOCAL_MASHEEN\\X]\n", "line 3: unknown root key"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X\n", "line 2: key line without a closing ']'"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=dword:123456789\n", "line 3: dword:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=dword:\n", "line 3: dword:"},
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
        {"REGEDIT4\n[HKEY_SIMULATION\\Drives]\n\"C\"=dword:3\n\"Curent\"=\"C\"\n", "line 4: unknown value"},
        {"REGEDIT4\n[HKEY_SIMULATION\\Processor\\Leaves]\n\"00000001\"=\"1 2 3 4\"\n",
         "line 3: \"00000001\" of [HKEY_SIMULATION\\Processor\\Leaves] must be four eight-digit hexadecimal words"},
        {"REGEDIT4\n[HKEY_SIMULATION\\NetBIOS\\Lana0]\n\"Address\"=hex:01,02\n", "line 3: a LANA address has six bytes"},
    };
    for (const Case &c : cases) {
        std::string message = LoadError(c.text);
        EXPECT_EQ(0u, message.find(c.message)) << "profile: " << c.text << "\nmessage: " << message;
    }
}

TEST(SimProfileErrors, FailedLoadKeepsTheMachine) {
    LoadMachine("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kept]\n\"V\"=\"still here\"\n");
    EXPECT_NE("<loaded>", LoadError("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\New]\n!\n"));
    EXPECT_EQ("still here", ReadText("SOFTWARE\\Kept", "V"));
}

TEST(SimProfileFile, FileErrorsNameTheFile) {
    char path[] = "/tmp/sim_profile_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const char text[] = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\F]\n\"V\"=\"from file\"\n[BAD\n";
    ASSERT_EQ(static_cast<ssize_t>(sizeof text - 1), write(fd, text, sizeof text - 1));
    close(fd);
    try {
        hs::sim::LoadMachineFile(path);
        ADD_FAILURE() << "a malformed file loaded";
    } catch (const ProfileError &e) {
        EXPECT_EQ(std::string(path) + ": line 4: key line without a closing ']'", e.what());
    }
    unlink(path);
    try {
        hs::sim::LoadMachineFile(path);
        ADD_FAILURE() << "a missing file loaded";
    } catch (const ProfileError &e) {
        EXPECT_EQ(0u, std::string(e.what()).find(std::string(path) + ": line 0: cannot open the file"));
    }
}

TEST(SimProfileFile, TheBuiltInMachineLoadsAndUsesTheRealProcessor) {
    LoadMachine(hs::sim::DefaultProfile());
    EXPECT_EQ("Microsoft Windows XP", ReadText("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName"));
    EXPECT_EQ(std::string::npos, hs::sim::DefaultProfile().find("[HKEY_SIMULATION\\Processor"));
#if defined(__x86_64__)
    // The host's processor answers: its vendor words are never zero.
    EXPECT_NE(0u, hs::ExecuteCpuid(0).ebx);
#endif
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(&version));
    EXPECT_EQ(5u, version.dwMajorVersion);
    EXPECT_EQ(1u, version.dwMinorVersion);
    EXPECT_EQ(2600u, version.dwBuildNumber);
    EXPECT_STREQ("Service Pack 2", version.szCSDVersion);
    hstest::UseMachine("");  // back to a simulated processor for the tests that follow
}

}  // namespace
