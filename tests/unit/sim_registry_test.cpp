// The simulated registry: Windows' order, case rules and size protocol.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/registry_tree.h"
#include "test_support.h"

namespace {

// Opens a key of HKEY_LOCAL_MACHINE and closes it at the end of the scope.
class Key {
public:
    explicit Key(const char *path) { m_status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &m_key); }
    ~Key() {
        if (m_key != nullptr) RegCloseKey(m_key);
    }
    LSTATUS Status() const { return m_status; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
    LSTATUS m_status;
};

// The names of a key's subkeys, or of its values, in enumeration order.
std::vector<std::string> Names(HKEY key, bool values) {
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        LSTATUS status = values ? RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr)
                                : RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        EXPECT_EQ(ERROR_SUCCESS, status);
        if (status != ERROR_SUCCESS) break;
        EXPECT_EQ(strlen(name), size);
        names.emplace_back(name);
    }
    return names;
}
std::vector<std::string> SubkeyNames(HKEY key) { return Names(key, false); }
std::vector<std::string> ValueNames(HKEY key) { return Names(key, true); }

const char kServices[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\RDP_KBD]\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\rdpdr]\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Atapi]\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\\xE9tude]\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\zeta]\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Cdrom]\n"
    "\"Start\"=dword:00000001\n"
    "\"Type\"=dword:00000001\n"
    "\"ErrorControl\"=dword:00000001\n"
    "\"Group\"=\"SCSI CDROM Class\"\n"
    "\"start\"=dword:00000004\n";

TEST(SimRegistryOrder, SubkeysFollowUpperCasedByteOrder) {
    hstest::UseMachine(kServices);
    Key services("SYSTEM\\CurrentControlSet\\Services");
    ASSERT_EQ(ERROR_SUCCESS, services.Status());
    // '_' (0x5F) sorts after 'D' once both names are upper-cased; 0xE9 is not
    // folded and sorts after every ASCII letter.
    EXPECT_EQ((std::vector<std::string>{"Atapi", "Cdrom", "rdpdr", "RDP_KBD", "zeta", "\xE9tude"}),
              SubkeyNames(services.Get()));
}

TEST(SimRegistryOrder, ValuesKeepFirstAppearanceAndReplacementKeepsPlace) {
    hstest::UseMachine(kServices);
    Key cdrom("SYSTEM\\CurrentControlSet\\Services\\Cdrom");
    ASSERT_EQ(ERROR_SUCCESS, cdrom.Status());
    EXPECT_EQ((std::vector<std::string>{"Start", "Type", "ErrorControl", "Group"}), ValueNames(cdrom.Get()));
    DWORD start = 0, size = sizeof start, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(cdrom.Get(), "START", nullptr, &type, reinterpret_cast<BYTE *>(&start), &size));
    EXPECT_EQ(4u, start);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
}

TEST(SimRegistryOrder, EnumerationEndsWithNoMoreItems) {
    hstest::UseMachine(kServices);
    Key cdrom("SYSTEM\\CurrentControlSet\\Services\\Cdrom");
    char name[64];
    DWORD size = sizeof name;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyExA(cdrom.Get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr));
    size = sizeof name;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValueA(cdrom.Get(), 4, name, &size, nullptr, nullptr, nullptr, nullptr));
}

TEST(SimRegistryOpen, PathsAreCaseInsensitiveAndRelative) {
    hstest::UseMachine(kServices);
    Key upper("SYSTEM\\CURRENTCONTROLSET\\SERVICES\\CDROM");
    EXPECT_EQ(ERROR_SUCCESS, upper.Status());
    Key system("system");
    ASSERT_EQ(ERROR_SUCCESS, system.Status());
    HKEY child = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(system.Get(), "currentcontrolset\\services", 0, KEY_READ, &child));
    EXPECT_EQ(6u, SubkeyNames(child).size());
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(child));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(child));
}

// Names are folded eight bytes at a time; every byte value, in a name
// shorter than a word, in the first and in a later word and in a last word
// that overlaps the one before, folds exactly as a-z to A-Z.
TEST(SimRegistryOpen, LookupFoldsAsciiLettersAndNothingElse) {
    auto flip = [](unsigned char c) { return static_cast<char>(c ^ 0x20); };
    auto isLetter = [](unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; };
    const std::pair<const char *, size_t> cases[] = {{"kEy", 1}, {"Key-Name.TaiL-of-it", 0},
                                                     {"Key-Name.TaiL-of-it", 9}, {"Key-Name.TaiL-of-it", 17}};
    for (const auto &[base, position] : cases) {
        for (int value = 1; value < 256; ++value) {
            const auto c = static_cast<unsigned char>(value);
            std::string name = base;
            name.insert(position, 1, static_cast<char>(c));
            hs::sim::RegNode root("");
            root.FindOrAddSubkey(name, 1);
            std::string other = name;
            for (char &k : other) {
                if (isLetter(static_cast<unsigned char>(k))) k = flip(static_cast<unsigned char>(k));
            }
            EXPECT_NE(nullptr, root.FindSubkey(other)) << value << " at " << position;
            other[position] = flip(c);
            EXPECT_EQ(isLetter(c), root.FindSubkey(other) != nullptr) << value << " at " << position;
            EXPECT_EQ(isLetter(c), hs::sim::NamesEqual(name, other)) << value << " at " << position;
        }
    }
}

TEST(SimRegistryOpen, MissingKeysAndValuesAreNotFound) {
    hstest::UseMachine(kServices);
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Nowhere", 0, KEY_READ, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\\\CurrentControlSet", 0, KEY_READ, &key));
    Key cdrom("SYSTEM\\CurrentControlSet\\Services\\Cdrom");
    DWORD size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(cdrom.Get(), "Tag", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(cdrom.Get(), nullptr, nullptr, nullptr, nullptr, &size));
}

TEST(SimRegistryOpen, OnlyTheLocalMachineRootHoldsKeys) {
    hstest::UseMachine(
        "[HKEY_CURRENT_USER\\Software\\Vendor]\n\"Name\"=\"x\"\n"
        "[HKEY_CLASSES_ROOT\\.txt]\n@=\"txtfile\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\n");
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Vendor", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CLASSES_ROOT, ".txt", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", 0, KEY_READ, &key));
    RegCloseKey(key);
    Key hidden("HKEY_SIMULATION");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, hidden.Status());
}

TEST(SimRegistryOpen, UnknownHandlesAreRefused) {
    hstest::UseMachine("");
    HKEY bogus = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x12345678));
    HKEY key = nullptr;
    DWORD count = 0;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(bogus, "x", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryInfoKeyA(bogus, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                                                     nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(bogus));
}

TEST(SimRegistryOpen, ClosedHandleStaysInvalidWhenItsSlotIsReused) {
    hstest::UseMachine("[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\n");
    HKEY first = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A", 0, KEY_READ, &first));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(first));
    std::vector<HKEY> open(3, nullptr);
    for (HKEY &key : open) ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key));
    for (HKEY key : open) EXPECT_NE(first, key);
    DWORD count = 0;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryInfoKeyA(first, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                                                     nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(first));
    for (HKEY key : open) {
        EXPECT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                                                  nullptr, nullptr, nullptr, nullptr));
        EXPECT_EQ(2u, count);
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    }
}

TEST(SimRegistryOpen, HandleOutlivesTheMachineItWasOpenedOn) {
    hstest::UseMachine("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\n\"Name\"=\"before\"\n");
    Key old("SOFTWARE\\Old");
    ASSERT_EQ(ERROR_SUCCESS, old.Status());
    hstest::UseMachine("[HKEY_LOCAL_MACHINE\\SOFTWARE\\New]\n");
    char text[16];
    DWORD size = sizeof text;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(old.Get(), "Name", nullptr, nullptr, reinterpret_cast<BYTE *>(text), &size));
    EXPECT_STREQ("before", text);
    Key gone("SOFTWARE\\Old");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, gone.Status());
}

TEST(SimRegistryData, DataOneByteOverTheBufferAnswersMoreData) {
    std::string text(260, 'x');  // 260 characters and the NUL: 261 bytes
    hstest::UseMachine("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Long]\n\"Path\"=\"" + text + "\"\n\"Fits\"=\"" +
                       text.substr(1) + "\"\n");
    Key key("SOFTWARE\\Long");
    std::vector<BYTE> buffer(300, 0xCC);
    DWORD size = 260, type = 0;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key.Get(), "Path", nullptr, &type, buffer.data(), &size));
    EXPECT_EQ(261u, size);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    size = 260;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), "Fits", nullptr, &type, buffer.data(), &size));
    EXPECT_EQ(260u, size);
    EXPECT_EQ(0, buffer[259]);
    EXPECT_EQ(0xCC, buffer[260]);
    // No buffer: the size alone.
    size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), "Path", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(261u, size);
    // Enumeration follows the same protocol.
    char name[16];
    DWORD nameSize = sizeof name;
    size = 260;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key.Get(), 0, name, &nameSize, nullptr, &type, buffer.data(), &size));
    EXPECT_EQ(261u, size);
}

TEST(SimRegistryData, TextFromHexIsStoredWithoutTerminator) {
    hstest::UseMachine(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raw]\n"
        "\"Bare\"=hex(1):41,42,43\n"
        "\"Expand\"=hex(2):25,00\n"
        "\"Multi\"=hex(7):61,00,62,00,00\n"
        "\"Big\"=hex(b):01,02,03,04,05,06,07,08\n"
        "\"Empty\"=hex:\n"
        "\"Text\"=\"ABC\"\n");
    Key key("SOFTWARE\\Raw");
    BYTE data[16];
    DWORD size = sizeof data, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), "Bare", nullptr, &type, data, &size));
    EXPECT_EQ(3u, size);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(0, memcmp(data, "ABC", 3));
    size = sizeof data;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), "Text", nullptr, &type, data, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(0, memcmp(data, "ABC", 4));
    struct Expected {
        const char *name;
        DWORD type;
        DWORD size;
    } expected[] = {{"Expand", REG_EXPAND_SZ, 2}, {"Multi", REG_MULTI_SZ, 5}, {"Big", REG_QWORD, 8}, {"Empty", REG_BINARY, 0}};
    for (const Expected &e : expected) {
        size = sizeof data;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), e.name, nullptr, &type, data, &size)) << e.name;
        EXPECT_EQ(e.type, type) << e.name;
        EXPECT_EQ(e.size, size) << e.name;
    }
}

TEST(SimRegistryData, DefaultValueAnswersToNullAndEmptyNames) {
    hstest::UseMachine("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.txt]\n@=\"txtfile\"\n");
    Key key("SOFTWARE\\Classes\\.txt");
    char text[16];
    DWORD size = sizeof text;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE *>(text), &size));
    EXPECT_STREQ("txtfile", text);
    size = sizeof text;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), "", nullptr, nullptr, reinterpret_cast<BYTE *>(text), &size));
    EXPECT_EQ(8u, size);
}

TEST(SimRegistryInfo, CountsAndLengthsExcludeTheTerminator) {
    hstest::UseMachine(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Info\\Short]\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Info\\ElevenChars]\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Info]\n"
        "\"A\"=dword:00000001\n"
        "\"NineChars\"=\"twelve bytes\"\n"
        "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,\\\n"
        "  10,11\n");
    Key key("SOFTWARE\\Info");
    DWORD subkeys = 0, maxSubkey = 0, maxClass = 7, values = 0, maxValueName = 0, maxValue = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subkeys, &maxSubkey, &maxClass,
                                              &values, &maxValueName, &maxValue, nullptr, nullptr));
    EXPECT_EQ(2u, subkeys);
    EXPECT_EQ(11u, maxSubkey);
    EXPECT_EQ(0u, maxClass);
    EXPECT_EQ(3u, values);
    EXPECT_EQ(9u, maxValueName);
    EXPECT_EQ(18u, maxValue);
}

TEST(SimRegistryInfo, LengthsFollowDeletionsAndReplacements) {
    hstest::UseMachine(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Info\\AVeryLongSubkeyName]\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Info\\Tiny]\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Info]\n"
        "\"LongestValueName\"=\"0123456789\"\n"
        "\"V\"=\"abc\"\n"
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Info\\averylongsubkeyname]\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Info]\n"
        "\"longestvaluename\"=-\n"
        "\"v\"=\"a\"\n");
    Key key("SOFTWARE\\Info");
    DWORD subkeys = 0, maxSubkey = 0, values = 0, maxValueName = 0, maxValue = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr,
                                              &values, &maxValueName, &maxValue, nullptr, nullptr));
    EXPECT_EQ(1u, subkeys);
    EXPECT_EQ(4u, maxSubkey);
    EXPECT_EQ(1u, values);
    EXPECT_EQ(1u, maxValueName);
    EXPECT_EQ(2u, maxValue);
    EXPECT_EQ((std::vector<std::string>{"Tiny"}), SubkeyNames(key.Get()));
    EXPECT_EQ((std::vector<std::string>{"V"}), ValueNames(key.Get()));
}

TEST(SimRegistryInfo, ShortNameBuffersAnswerMoreData) {
    hstest::UseMachine("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Names\\Twelve_Chars]\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Names]\n"
                       "\"Seven_7\"=dword:00000001\n");
    Key key("SOFTWARE\\Names");
    char name[32];
    DWORD size = 12;  // room for 11 characters and the NUL
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(key.Get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr));
    size = 13;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key.Get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(12u, size);
    EXPECT_STREQ("Twelve_Chars", name);
    size = 7;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key.Get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr));
    size = 8;
    DWORD value = 0, dataSize = sizeof value;
    ASSERT_EQ(ERROR_SUCCESS,
              RegEnumValueA(key.Get(), 0, name, &size, nullptr, nullptr, reinterpret_cast<BYTE *>(&value), &dataSize));
    EXPECT_EQ(7u, size);
    EXPECT_STREQ("Seven_7", name);
    EXPECT_EQ(1u, value);
}

}  // namespace
