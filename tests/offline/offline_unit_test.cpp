// hsinfo's reading of hive files without the files: the presence rule, the
// limits of the key copy, and the facts read from copied keys.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "offline/hive_facts.h"
#include "offline/key_copy.h"
#include "offline/presence.h"

namespace {

using namespace hsinfo::offline;

constexpr uint64_t kStart = 130943643925547770;  // when the session began
constexpr uint64_t kSecond = 10000000;

std::vector<uint8_t> Bytes(const std::string &s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> Utf16(const std::string &ascii) {
    std::vector<uint8_t> out;
    for (char c : ascii) out.insert(out.end(), {static_cast<uint8_t>(c), 0});
    return out;
}

// An instance key that records the given times, as Windows 8 keeps them.
KeyCopy Instance(const std::string &name, std::optional<uint64_t> arrival, std::optional<uint64_t> removal) {
    KeyCopy set{"{83da6326-97a6-4088-9453-a1923f573b29}", {}, {}};
    for (const auto &[property, time] : {std::pair{"0066", arrival}, std::pair{"0067", removal}}) {
        if (!time) continue;
        std::vector<uint8_t> data;
        for (int i = 0; i < 8; ++i) data.push_back(static_cast<uint8_t>(*time >> (8 * i)));
        set.subkeys.push_back(KeyCopy{property, {{"", 0xFFFF0010, data}}, {}});
    }
    return KeyCopy{name, {}, {KeyCopy{"Properties", {}, {set}}}};
}

TEST(PresenceRule, ArrivalAndRemovalTimes) {
    struct Case {
        const char *what;
        std::optional<uint64_t> arrival, removal;
        bool present;
    } cases[] = {
        {"neither time on record", std::nullopt, std::nullopt, true},
        {"arrived in the session", kStart + kSecond, std::nullopt, true},
        {"arrived as the session began (the HAL itself)", kStart, std::nullopt, true},
        {"arrived in an earlier session", kStart - kSecond, std::nullopt, false},
        {"removed after arriving", kStart + kSecond, kStart + 2 * kSecond, false},
        {"removed in an earlier session, arrived again", kStart + kSecond, kStart - kSecond, true},
        {"removed as it arrived", kStart + kSecond, kStart + kSecond, true},
        {"a removal without an arrival", std::nullopt, kStart + kSecond, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(PresentInSession({c.arrival, c.removal}, kStart), c.present) << c.what;
        // The same through the instance keys.
        const DeviceTimes read = ReadDeviceTimes(Instance("0", c.arrival, c.removal));
        EXPECT_EQ(read.arrival, c.arrival) << c.what;
        EXPECT_EQ(read.removal, c.removal) << c.what;
    }
}

// Enum\ACPI_HAL\PNP0C08\0 (the session), and under Enum\PCI\DEV: an instance
// of this session, one of an earlier session, one without times, and one
// whose file held a "Control" subkey.
KeyCopy EnumTree() {
    KeyCopy fromFile = Instance("3", kStart - kSecond, std::nullopt);
    fromFile.subkeys.push_back(KeyCopy{"Control", {}, {}});
    KeyCopy hal{"ACPI_HAL", {}, {KeyCopy{"PNP0C08", {}, {Instance("0", kStart, std::nullopt)}}}};
    KeyCopy pci{"PCI",
                {},
                {KeyCopy{"DEV",
                         {},
                         {Instance("0", kStart + kSecond, std::nullopt), Instance("1", kStart - kSecond, std::nullopt),
                          KeyCopy{"2", {}, {}}, fromFile}}}};
    return KeyCopy{"Enum", {}, {hal, pci}};
}

TEST(PresenceRule, MarksThePresentInstances) {
    struct Case {
        PresenceRule rule;
        bool mark;
        size_t present;
        std::vector<bool> marked;  // PCI\DEV\0 to 3
    } cases[] = {
        {PresenceRule::LastSession, true, 3, {true, false, true, false}},
        {PresenceRule::All, true, 5, {true, true, true, true}},
        {PresenceRule::None, true, 0, {false, false, false, false}},
        // The 9x family: counted, the keys left as the file has them.
        {PresenceRule::All, false, 5, {false, false, false, true}},
    };
    for (const Case &c : cases) {
        KeyCopy tree = EnumTree();
        ASSERT_EQ(SessionStart(tree), kStart);
        const PresenceCount count = MarkPresent(tree, c.rule, kStart, c.mark);
        EXPECT_EQ(count.instances, 5u) << RuleName(c.rule);
        EXPECT_EQ(count.present, c.present) << RuleName(c.rule);
        for (size_t i = 0; i < c.marked.size(); ++i) {
            const KeyCopy *instance = tree.FindPath("PCI\\DEV\\" + std::to_string(i));
            EXPECT_EQ(instance->Find("Control") != nullptr, c.marked[i]) << RuleName(c.rule) << " instance " << i;
        }
    }
}

// A hive in memory, for the limits of the copy.
struct FakeNode {
    std::string name;
    std::vector<HiveValue> values;
    std::vector<size_t> children;  // indexes of nodes
};

class FakeKey : public HiveKey {
public:
    FakeKey(const std::vector<FakeNode> &nodes, size_t index) : m_nodes(nodes), m_index(index) {}
    std::string Name() override { return m_nodes[m_index].name; }
    uint64_t Offset() override { return 0x1000 + 0x20 * m_index; }
    size_t SubkeyCount() override { return m_nodes[m_index].children.size(); }
    std::unique_ptr<HiveKey> Subkey(size_t i) override {
        return std::make_unique<FakeKey>(m_nodes, m_nodes[m_index].children[i]);
    }
    std::vector<HiveValue> Values() override { return m_nodes[m_index].values; }

private:
    const std::vector<FakeNode> &m_nodes;
    size_t m_index;
};

// Keys nested too deep are among the hostile files of check_offline.py, and
// every hive there copies a sound tree.
TEST(KeyCopy, StopsAtWhatNoHiveHolds) {
    const HiveValue big{"v", 3, std::vector<uint8_t>(60, 0)};
    struct Case {
        const char *what;
        std::vector<FakeNode> nodes;
        uint64_t fileSize;
        size_t maxDepth;
        const char *error;
    } cases[] = {
        {"a key that is its own subkey", {{"a", {}, {1}}, {"b", {}, {0}}}, 4096, 100, "listed more than once"},
        {"a key listed under two parents",
         {{"a", {}, {1, 2}}, {"b", {}, {3}}, {"c", {}, {3}}, {"d", {}, {}}},
         4096,
         100,
         "listed more than once"},
        {"value data larger than the file",
         {{"a", {big}, {1}}, {"b", {big}, {}}},
         100,
         100,
         "more than the file holds"},
    };
    for (const Case &c : cases) {
        FakeKey root(c.nodes, 0);
        CopyGuard guard(c.fileSize, c.maxDepth);
        try {
            CopyKey(root, guard, kAllLevels);
            ADD_FAILURE() << c.what << ": copied";
        } catch (const HiveError &e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << c.what << ": " << e.what();
        }
    }
}

TEST(KeyCopy, NamesAProfileCanHold) {
    const std::vector<FakeNode> nodes = {
        {"root", {{"line\r\nend", 1, {}}, {std::string(16384, 'v'), 1, {}}}, {1, 2, 3, 4}},
        {"", {}, {}},
        {std::string(256, 'k'), {}, {}},
        {"a\\b\nc", {}, {}},
        {std::string(255, 'k'), {}, {}},
    };
    FakeKey root(nodes, 0);
    CopyGuard guard(1 << 20, 10);
    const KeyCopy copy = CopyKey(root, guard, kAllLevels);
    ASSERT_EQ(copy.values.size(), 1u);
    EXPECT_EQ(copy.values[0].name, "line??end");
    ASSERT_EQ(copy.subkeys.size(), 2u);
    EXPECT_EQ(copy.subkeys[0].name, "a?b?c");
    EXPECT_EQ(copy.subkeys[1].name.size(), 255u);
    EXPECT_EQ(guard.Skipped(), 3u);  // the empty name, and the names over 255 and 16383 characters
}

HiveValue Text(const char *name, const std::string &text) { return {name, 1, Bytes(text)}; }
HiveValue Dword(const char *name, uint8_t low) { return {name, 4, {low, 0, 0, 0}}; }

// "major.minor build platform csd" with the build in hexadecimal, or "none".
std::string Facts(const std::optional<VersionFacts> &v) {
    if (!v) return "none";
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u %08x %u ", v->major, v->minor, v->build, v->platform);
    return text + ("\"" + v->csd + "\"");
}

TEST(HiveFacts, VersionOfTheInstallation) {
    struct Case {
        const char *what;
        bool nt;
        std::vector<HiveValue> values;
        const char *facts;
    } cases[] = {
        {"Windows XP", true,
         {Text("CurrentVersion", "5.1"), Text("CurrentBuildNumber", "2600"), Text("CSDVersion", "Service Pack 2")},
         "5.1 00000a28 2 \"Service Pack 2\""},
        {"Windows 10 keeps 6.3 for old programs", true,
         {Text("CurrentVersion", "6.3"), Text("CurrentBuild", "19045"), Dword("CurrentMajorVersionNumber", 10),
          Dword("CurrentMinorVersionNumber", 0)},
         "10.0 00004a65 2 \"\""},
        {"no version number", true, {Text("CurrentVersion", "six")}, "none"},
        {"Windows 95 OSR 2.5 answers 4.0", false,
         {Text("VersionNumber", "4.03.1214"), Text("SubVersionNumber", " C")}, "4.0 040004be 1 \" C\""},
        {"Windows 98 SE", false, {Text("VersionNumber", "4.10.2222"), Text("SubVersionNumber", " A ")},
         "4.10 040a08ae 1 \" A \""},
        {"Windows ME", false, {Text("VersionNumber", "4.90.3000")}, "4.90 045a0bb8 1 \"\""},
    };
    for (const Case &c : cases) {
        const KeyCopy key{"CurrentVersion", c.values, {}};
        EXPECT_EQ(Facts(c.nt ? NtVersion(key) : Win9xVersion(key)), c.facts) << c.what;
    }
}

TEST(HiveFacts, DriveLettersOfMountedDevices) {
    const std::string cd = "\\??\\IDE#CdRomNEC#5&1&0#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}";
    const std::string gone = "\\??\\USBSTOR#Disk&Ven_X#0001&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    std::vector<uint8_t> gpt = Bytes("DMIO:ID:");
    gpt.resize(24, 0xAB);
    const KeyCopy mounted{"MountedDevices",
                          {{"\\DosDevices\\C:", 3, {0xfe, 0x4c, 0x3e, 0x27, 0, 0, 0xf0, 0x15, 0, 0, 0, 0}},
                           {"\\DosDevices\\d:", 3, Utf16(cd)},
                           {"\\DosDevices\\E:", 3, gpt},
                           {"\\DosDevices\\F:", 3, Utf16("\\??\\FDC#GENERIC_FLOPPY_DRIVE#6&1&0&0#{53f5630d}")},
                           {"\\DosDevices\\G:", 3, Utf16(gone)},
                           {"\\DosDevices\\H:", 3, Utf16("\\??\\STORAGE#Volume#{a08efebf}#0000000000100000#{53f5}")},
                           {"\\??\\Volume{a08efec2-a076-11e5-824f-806e6f6e6963}", 3, Utf16(cd)}},
                          {}};
    // The CD-ROM drive is present, the USB disk is not.
    const KeyCopy enumTree{
        "Enum",
        {},
        {KeyCopy{"IDE", {}, {KeyCopy{"CdRomNEC", {}, {KeyCopy{"5&1&0", {}, {KeyCopy{"Control", {}, {}}}}}}}},
         KeyCopy{"USBSTOR", {}, {KeyCopy{"Disk&Ven_X", {}, {KeyCopy{"0001&0", {}, {}}}}}}}};
    const std::optional<std::vector<DriveFacts>> drives = NtDriveLetters(&mounted, &enumTree);
    ASSERT_TRUE(drives);
    std::string found;
    for (const DriveFacts &d : *drives) found += std::string(1, d.letter) + std::to_string(d.type) + " ";
    EXPECT_EQ(found, "C3 D5 E3 F2 ");
    EXPECT_FALSE(NtDriveLetters(nullptr, &enumTree));
}

}  // namespace
