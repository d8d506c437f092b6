// The simulated registry: case rules, handles and the size protocol.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/sim/registry_tree.h"
#include "sim_dump.h"
#include "test_support.h"

namespace {

using simtest::Key;
using simtest::ValueText;

const char kServices[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Cdrom]\n\"Start\"=dword:00000001\n"
    "[HKEY_CURRENT_USER\\Software\\Vendor]\n[HKEY_SIMULATION\\Version]\n";

// The order of subkeys and values, the roots, the key counts and a value
// replaced under another case are in the dumps of tests/machines/sim/.
TEST(SimRegistry, PathsOpenWithoutRegardToCase) {
    hstest::UseMachine(kServices);
    Key services("system\\CURRENTCONTROLSET\\Services");
    Key cdrom("cdrom", services.Get());
    ASSERT_EQ(ERROR_SUCCESS, cdrom.Status());
    EXPECT_EQ("type 4: \"\\x01\\x00\\x00\\x00\"", ValueText("SYSTEM\\currentcontrolset\\services\\CDROM", "START"));
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Vendor", 0, KEY_READ, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Key("HKEY_SIMULATION").Status());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Key("SYSTEM\\\\CurrentControlSet").Status());
    DWORD size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(cdrom.Get(), "Tag", nullptr, nullptr, nullptr, &size));
}

// Names fold eight bytes at a time; every byte value, in a name shorter than
// a word, in the first and in a later word and in a last word that overlaps
// the one before, folds exactly as a-z to A-Z.
TEST(SimRegistry, LookupFoldsAsciiLettersAndNothingElse) {
    auto flip = [](unsigned char c) { return static_cast<char>(c ^ 0x20); };
    auto isLetter = [](unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; };
    const std::pair<const char *, size_t> cases[] = {
        {"kEy", 1}, {"Key-Name.TaiL-of-it", 0}, {"Key-Name.TaiL-of-it", 9}, {"Key-Name.TaiL-of-it", 17}};
    for (const auto &[base, position] : cases) {
        for (int value = 1; value < 256; ++value) {
            const auto c = static_cast<unsigned char>(value);
            std::string name = base;
            name.insert(position, 1, static_cast<char>(c));
            hs::sim::RegNode root("");
            root.FindOrAddSubkey(name, 1);
            std::string other = name;
            for (char &k : other) k = isLetter(static_cast<unsigned char>(k)) ? flip(static_cast<unsigned char>(k)) : k;
            EXPECT_NE(nullptr, root.FindSubkey(other)) << value << " at " << position;
            other[position] = flip(c);
            EXPECT_EQ(isLetter(c), root.FindSubkey(other) != nullptr) << value << " at " << position;
            EXPECT_EQ(isLetter(c), hs::sim::NamesEqual(name, other)) << value << " at " << position;
        }
    }
}

TEST(SimRegistry, Handles) {
    hstest::UseMachine("[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n\"Name\"=\"before\"\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\n");
    DWORD count = 0;
    auto query = [&](HKEY key) {
        return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr);
    };
    const HKEY bogus = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x12345678));
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(bogus, "x", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, query(bogus));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(bogus));
    // A closed handle stays invalid when its slot is used again.
    HKEY first = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A", 0, KEY_READ, &first));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(first));
    Key a("SOFTWARE"), b("SOFTWARE"), old("SOFTWARE\\A");
    EXPECT_TRUE(first != a.Get() && first != b.Get() && first != old.Get());
    EXPECT_EQ(ERROR_INVALID_HANDLE, query(first));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(first));
    EXPECT_EQ(ERROR_SUCCESS, query(a.Get()));
    EXPECT_EQ(2u, count);
    // A handle outlives the machine it was opened on.
    hstest::UseMachine("[HKEY_LOCAL_MACHINE\\SOFTWARE\\New]\n");
    char text[16];
    DWORD size = sizeof text;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(old.Get(), "Name", nullptr, nullptr, reinterpret_cast<BYTE *>(text), &size));
    EXPECT_STREQ("before", text);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Key("SOFTWARE\\A").Status());
}

// Data one byte over the buffer, and names without room for their NUL,
// answer ERROR_MORE_DATA with the size needed. The size query without a
// buffer and the end of an enumeration: the consistency checks of the dumps.
TEST(SimRegistry, SizeProtocol) {
    const std::string text(260, 'x');  // 260 characters and the NUL: 261 bytes
    hstest::UseMachine("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Long\\Twelve_Chars]\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Long]\n"
                       "\"Path\"=\"" + text + "\"\n\"Fits\"=\"" + text.substr(1) + "\"\n");
    Key key("SOFTWARE\\Long");
    std::vector<BYTE> buffer(300, 0xCC);
    DWORD size = 260, type = 0;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key.Get(), "Path", nullptr, &type, buffer.data(), &size));
    EXPECT_EQ(261u, size);
    size = 260;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), "Fits", nullptr, &type, buffer.data(), &size));
    EXPECT_EQ(260u, size);
    EXPECT_EQ(0xCC, buffer[260]);
    char name[32];
    DWORD nameSize = sizeof name;
    size = 260;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key.Get(), 0, name, &nameSize, nullptr, &type, buffer.data(), &size));
    EXPECT_EQ(261u, size);
    nameSize = 4;  // "Path" without room for its NUL
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key.Get(), 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr));
    nameSize = 12;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(key.Get(), 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr));
    nameSize = 13;
    EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key.Get(), 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(12u, nameSize);
}

}  // namespace
