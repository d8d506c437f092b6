// The collector's rules that the machines' inventories (tests/machines) do
// not show: state across calls and machines, room, many releases at once.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "api/inventory.h"
#include "library_under_test.h"
#include "test_support.h"

namespace {

using namespace hstest;

TEST(Collector, DetailRecordWithoutDetailKeepsItsBuffers) {
    UseMachine(kWindows95Osr2);
    hs::CInventory inventory;
    // The record is packed: copy its members out before looking at them.
    const hs::CpuDetail detail = inventory.Detail();
    const char *brand = detail.brandString;
    EXPECT_EQ(0u, detail.valid);
    EXPECT_EQ(8u, detail.packageCapacity);
    ASSERT_NE(nullptr, brand);
    EXPECT_NE(nullptr, static_cast<const void *>(detail.cacheTable));
    EXPECT_NE(nullptr, static_cast<const void *>(detail.packageTable));
    EXPECT_EQ(std::string(48, '\0'), std::string(brand, 48));  // its name by the table: win95-osr2.json
    // A brand string of spaces only names nothing.
    UseMachine(kWindowsXp + "[HKEY_SIMULATION\\Processor]\n[HKEY_SIMULATION\\Processor\\Leaves]\n"
               "\"00000000\"=\"00000001 756e6547 6c65746e 49656e69\"\n"
               "\"00000001\"=\"00000f29 00000000 00000000 00000010\"\n"
               "\"80000000\"=\"80000004 00000000 00000000 00000000\"\n"
               "\"80000002\"=\"20202020 20202020 20202020 20202020\"\n"
               "\"80000003\"=\"20202020 20202020 20202020 20202020\"\n"
               "\"80000004\"=\"20202020 20202020 20202020 00202020\"\n");
    hs::CInventory spaces;
    EXPECT_EQ("", spaces.GetCpuName());
}

// The drive and device lists are replaced by every count, and copied out.
TEST(Collector, EveryCountReplacesTheLists) {
    UseProfile("win98se-walks");
    hs::CInventory inv;
    hs::TextList descriptions = {"stale"}, types = {"stale", "stale"};
    inv.CopyDriverLists(descriptions, types);
    EXPECT_TRUE(descriptions.empty() && types.empty());
    descriptions = {"stale"};
    inv.CopyDeviceLists(descriptions, types);
    EXPECT_TRUE(descriptions.empty() && types.empty());
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(6u, inv.GetDriverCount());
        EXPECT_EQ(15u, inv.GetDeviceCount());
    }
    inv.CopyDriverLists(descriptions, types);
    EXPECT_EQ(6u, descriptions.size());  // their contents: win98se-walks' inventory
    inv.CopyDeviceLists(descriptions, types);
    EXPECT_EQ(15u, types.size());
    EXPECT_NE(nullptr, inv.AdapterBuffer());  // the network cards' block is kept
    UseMachine(kWindows98Se);
    EXPECT_EQ(0u, inv.GetDriverCount());
    EXPECT_EQ(3u, inv.GetDeviceCount());
    inv.CopyDriverLists(descriptions, types);
    EXPECT_TRUE(descriptions.empty() && types.empty());
    inv.CopyDeviceLists(descriptions, types);
    EXPECT_EQ(hs::TextList({"Display", "Mouse", "Keyboard"}), types);
    EXPECT_EQ(nullptr, inv.AdapterBuffer());  // and released when no card is left
}

TEST(Collector, Windows9xDriveProbeLeavesTheCurrentDrive) {
    UseProfile("win98se-drives");
    hs::CInventory inv;
    EXPECT_EQ(8, _getdrive());
    EXPECT_EQ(6u, inv.GetDriverCount());
    EXPECT_EQ(8, _getdrive());
}

// The program list takes as many names as it has entries and room, from the
// front of the walk, then sorts them; every call walks the registry again.
TEST(Collector, ProgramListRoom) {
    UseMachine(Program("K3", "Alpha") + Program("K1", "zeta") + Program("K2", "mid"));
    hs::CInventory inv;
    const struct {
        int32_t n;
        size_t entries;
        hs::TextList names;
    } cases[] = {
        {2, 2, {"mid", "zeta"}}, {1, 1, {"zeta"}},    {3, 3, {"Alpha", "mid", "zeta"}}, {5, 2, {"mid", "zeta"}},
        {0, 0, {}},              {-3, 0, {}},         {4, 5, {"Alpha", "mid", "zeta", "", ""}},
    };
    for (const auto &c : cases) {
        hs::TextList names(c.entries);
        hs::Text category;
        EXPECT_EQ(1, inv.GetSoftwareList(names, c.n, category)) << c.n;
        EXPECT_EQ("Software", category) << c.n;
        EXPECT_EQ(c.names, names) << c.n;
    }
    EXPECT_EQ(3, inv.GetSoftwareCount());
    UseMachine(Program("K1", "zeta"));
    EXPECT_EQ(1, inv.GetSoftwareCount());
}

const std::string kWindowsKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n";
const std::string kNtKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n";

// The description, and whether the processor detail record is offered
// (every release but Windows 95, Windows 98 before its second edition, and
// NT before 5). The machines' inventories show 95 OSR2's, 98 SE's and XP's.
TEST(HostOsDescription, ByReleaseAndReadableValues) {
    const std::string nine = kWindowsKey + "\"ProductName\"=\"Windows\"\n\"VersionNumber\"=\"4.x\"\n";
    const std::string xp = "\"ProductName\"=\"Microsoft Windows XP\"\n";
    const struct {
        std::string machine, description;
        int detail;
    } cases[] = {
        // The suffix needs the matching minor version and service mark (the
        // second character), and a major version of 4.
        {kWindows98 + nine, "Windows  4.x", 0},
        {VersionKey(4, 0, 950, 1, " A") + nine, "Windows  4.x", 0},
        {VersionKey(4, 10, 2222, 1, " C") + nine, "Windows  4.x", 0},
        {VersionKey(4, 10, 2222, 1, "A ") + nine, "Windows  4.x", 0},
        {VersionKey(4, 0, 950, 1, "C") + nine, "Windows  4.x", 0},
        {VersionKey(4, 90, 3000, 1, " A") + nine, "Windows  4.x", 1},
        {VersionKey(5, 0, 950, 1, " C") + nine, "Windows  4.x", 1},
        {VersionKey(3, 95, 950, 1, "") + nine, "Windows  4.x", 1},
        {kWindows98Se, " SE ", 1},
        {kWindows98 + kNtKey + xp + "\"CurrentVersion\"=\"5.1\"\n", "", 0},  // 9x ignores the NT key
        // NT keeps both joins when parts are missing.
        {kWindowsXp + kWindowsKey + "\"ProductName\"=\"Microsoft Windows 98\"\n\"VersionNumber\"=\"4.10\"\n", "    ",
         1},
        {VersionKey(5, 0, 2195, 2, ""), "    ", 1},
        {kWindowsNt4, "    ", 0},
        {VersionKey(3, 51, 1057, 2, ""), "    ", 0},
        {VersionKey(3, 11, 0, 0, "") + kWindowsKey + "\"ProductName\"=\"Windows\"\n", "Microsoft Win32s ", 1},
        {VersionKey(6, 0, 6000, 3, "") + kNtKey + "\"ProductName\"=\"Windows CE\"\n", "", 1},
        {VersionKey(4, 0, 950, 3, ""), "", 1},
        {kVersionFails + kWindowsKey + "\"ProductName\"=\"Windows\"\n", "", 0},
    };
    for (const auto &c : cases) {
        UseMachine(c.machine);
        hs::CInventory inv;
        EXPECT_EQ(c.description, inv.GetOsDescription()) << c.machine;
        EXPECT_EQ(c.detail, hs::CInventory::IsCpuDetailSupported()) << c.machine;
    }
}

// Each case loads the first machine, reads the id, loads the second and
// reads it again with the same collector. The description and the user name
// ask for the version on every call; the owner keys follow the kept id.
TEST(HostPlatformId, KeptOnceReadExceptZero) {
    const struct {
        const char *what;
        std::string first, second;
        uint32_t firstId, secondId;
    } cases[] = {
        {"XP kept once read", kWindowsXp, kWindows98Se, 2, 2},
        {"Win32s asked again", VersionKey(3, 11, 0, 0, ""), kWindows98Se, 0, 1},
        {"failed query counts as zero and is asked again", kVersionFails + "\"PlatformId\"=dword:00000002\n",
         kWindowsNt4, 0, 2},
    };
    for (const auto &c : cases) {
        UseMachine(c.first);
        hs::CInventory inv;
        EXPECT_EQ(c.firstId, inv.GetPlatformId()) << c.what;
        UseMachine(c.second);
        EXPECT_EQ(c.secondId, inv.GetPlatformId()) << c.what;
    }
    const std::string names = kWindowsKey +
                              "\"RegisteredOwner\"=\"Nine Owner\"\n\"RegisteredOrganization\"=\"Nine Org\"\n" +
                              kNtKey + "\"RegisteredOwner\"=\"Nt Owner\"\n\"RegisteredOrganization\"=\"Nt Org\"\n" +
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon]\n"
                              "\"DefaultUserName\"=\"default\"\n\"AltDefaultUserName\"=\"alternate\"\n"
                              "[HKEY_LOCAL_MACHINE\\Network\\logon]\n\"username\"=\"logon\"\n";
    UseMachine(kWindowsXp + names);
    hs::CInventory inv;
    EXPECT_EQ(2u, inv.GetPlatformId());
    UseMachine(kWindows98Se + names);
    EXPECT_EQ("Nt Owner", inv.ReadRegisteredOwner());
    EXPECT_EQ("Nt Org", inv.ReadRegisteredOrganization());
    EXPECT_EQ("logon", inv.ReadUserName());
    EXPECT_EQ(" SE ", inv.GetOsDescription());
    UseMachine(kWindowsNt4 + names);
    EXPECT_EQ("default", inv.ReadUserName());
    UseMachine(kVersionFails + names);  // not NT: the Windows 9x source
    EXPECT_EQ("logon", inv.ReadUserName());
}

// Each case: the count without a destination, then the answer and the bytes
// written into four entries pre-filled with 5a, room claimed for n of them.
TEST(HostNetBios, CountAndAddressesWritten) {
    const char *cardA = "00,11,22,aa,bb,cc", *cardB = "02,00,4c,4f,4f,50";
    const std::string a = "001122aabbcc", b = "02004c4f4f50";
    const char *fail = "\"StatusResult\"=dword:00000001\n";
    const std::string three = Lana("0", 0, cardA) + Lana("1", 1, cardB) + Lana("2", 2, cardB);
    const struct {
        const char *what;
        std::string lanas;
        int32_t count, n, result;
        std::string written;
    } cases[] = {
        {"one address per LANA in enumeration order", Lana("0", 3, cardA) + Lana("1", 7, cardB), 2, 4, 2, a + b},
        {"failed enumeration", "[HKEY_SIMULATION\\NetBIOS]\n\"EnumResult\"=dword:00000023\n" + Lana("0", 0, cardA), 0,
         4, 0, ""},
        // Counting asks no LANA; the walk ends at the failure.
        {"failed reset keeps earlier entries",
         Lana("0", 3, cardA) + Lana("1", 7, cardB, "\"ResetResult\"=dword:00000034\n"), 2, 4, 0, a},
        {"failed status", Lana("0", 3, cardA, fail) + Lana("1", 7, cardB), 2, 4, 0, ""},
        {"failure beyond the destination", Lana("0", 0, cardA) + Lana("1", 1, cardB, fail), 2, 1, 0, a},
        {"no more entries than room", three, 3, 1, 3, a},
        {"no room: counted, nothing written", three, 3, 0, 3, ""},
        {"negative room", three, 3, -5, 3, ""},
    };
    for (const auto &c : cases) {
        UseMachine(c.lanas);
        hs::CInventory inv;
        EXPECT_EQ(c.count, inv.SimGetNetCard(nullptr, 8)) << c.what;
        uint8_t entries[24];
        std::memset(entries, 0x5a, sizeof entries);
        EXPECT_EQ(c.result, inv.SimGetNetCard(entries, c.n)) << c.what;
        std::string expected = c.written, actual;
        while (expected.size() < 48) expected += "5a";
        for (uint8_t byte : entries) actual += "0123456789abcdef"[byte >> 4], actual += "0123456789abcdef"[byte & 15];
        EXPECT_EQ(expected, actual) << c.what;
    }
    // Room ending at an unreadable page: filled up to it; room claimed past
    // it, or in it: nothing written.
    UseMachine(Lana("0", 0, cardA) + Lana("1", 1, cardB));
    hs::CInventory inv;
    Guarded one(6);
    EXPECT_EQ(2, inv.SimGetNetCard(one.Data(), 1));
    EXPECT_EQ(0, std::memcmp(one.Data(), "\x00\x11\x22\xaa\xbb\xcc", 6));
    Guarded short6(6);
    EXPECT_EQ(0, inv.SimGetNetCard(short6.Data(), 2));
    EXPECT_TRUE(short6.OutsideUntouched());
    EXPECT_EQ(0, inv.SimGetNetCard(short6.Data() + 6, 1));
}

// The answers; that the fetch writes and traces nothing shows in the NetBIOS
// records and the debugger output of the machines' inventories.
TEST(HostAddress, NoCountButTheFetchSucceeds) {
    UseMachine(kWindowsXp);
    hs::CInventory inv;
    uint32_t addresses[2] = {};
    EXPECT_EQ(0, inv.GetHostIP(nullptr, 4));  // no destination: the count, zero
    EXPECT_EQ(1, inv.GetHostIP(addresses, 2));
    EXPECT_EQ(1, inv.GetHostIP(addresses, 0));
}

}  // namespace
