// Platform id and operating-system description over simulated Windows
// releases.
#include <gtest/gtest.h>

#include <string>

#include "api/inventory.h"
#include "devices_profile.h"
#include "test_support.h"

namespace {

using hstest::UseMachine;
using hstest::VersionKey;
using hstest::dev::Windows2000;
using hstest::dev::Windows98Se;
using hstest::dev::WindowsNt4;
using hstest::dev::WindowsXp;

const std::string kWindowsKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n";
const std::string kNtKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n";
const std::string kVersionFails = "[HKEY_SIMULATION\\Version]\n\"Fails\"=dword:00000001\n";

std::string Windows95Osr2() { return VersionKey(4, 0, 950, 1, " C"); }
std::string Windows98() { return VersionKey(4, 10, 1998, 1, ""); }

TEST(HostOsDescription, ByReleaseAndReadableValues) {
    const std::string nine = kWindowsKey + "\"ProductName\"=\"Windows\"\n\"VersionNumber\"=\"4.x\"\n";
    const std::string xp = "\"ProductName\"=\"Microsoft Windows XP\"\n";
    const struct {
        std::string machine, description;
    } cases[] = {
        {Windows95Osr2() + kWindowsKey + "\"ProductName\"=\"Microsoft Windows 95\"\n\"VersionNumber\"=\"4.00.950\"\n",
         "Microsoft Windows 95 OSR2   4.00.950"},
        {Windows95Osr2() + kWindowsKey + "\"ProductName\"=\"Microsoft Windows 95\"\n", "Microsoft Windows 95 OSR2 "},
        {Windows98Se() + kWindowsKey + "\"ProductName\"=\"Microsoft Windows 98\"\n\"VersionNumber\"=\"4.10.2222\"\n",
         "Microsoft Windows 98 SE   4.10.2222"},
        // The suffix needs the matching minor version and service mark (the
        // second character), and a major version of 4 below Millennium.
        {Windows98() + nine, "Windows  4.x"},
        {VersionKey(4, 0, 950, 1, " A") + nine, "Windows  4.x"},
        {VersionKey(4, 10, 2222, 1, " C") + nine, "Windows  4.x"},
        {VersionKey(4, 0, 950, 1, "C") + nine, "Windows  4.x"},
        {VersionKey(4, 90, 3000, 1, " A") + nine, "Windows  4.x"},
        {VersionKey(5, 0, 950, 1, " C") + nine, "Windows  4.x"},
        {Windows98(), ""},
        {Windows98Se(), " SE "},
        {Windows98() + kNtKey + xp + "\"CurrentVersion\"=\"5.1\"\n", ""},  // 9x ignores the NT key
        {WindowsXp() + kNtKey + xp + "\"CurrentVersion\"=\"5.1\"\n\"CurrentBuildNumber\"=\"2600\"\n",
         "Microsoft Windows XP  5.1  2600"},
        {Windows2000() + kNtKey +
             "\"ProductName\"=\"Microsoft Windows 2000\"\n\"CurrentVersion\"=\"5.0\"\n\"CurrentBuildNumber\"=\"2195\"\n",
         "Microsoft Windows 2000  5.0  2195"},
        // NT keeps both joins when parts are missing (NT 4 has no product name).
        {WindowsNt4() + kNtKey + "\"CurrentVersion\"=\"4.0\"\n\"CurrentBuildNumber\"=\"1381\"\n", "  4.0  1381"},
        {WindowsXp() + kNtKey + xp, "Microsoft Windows XP    "},
        {WindowsXp(), "    "},
        {WindowsXp() + kWindowsKey + "\"ProductName\"=\"Microsoft Windows 98\"\n\"VersionNumber\"=\"4.10\"\n", "    "},
        {VersionKey(3, 11, 0, 0, "") + kWindowsKey + "\"ProductName\"=\"Windows\"\n", "Microsoft Win32s "},
        {VersionKey(6, 0, 6000, 3, "") + kNtKey + "\"ProductName\"=\"Windows CE\"\n", ""},
        {kVersionFails + kWindowsKey + "\"ProductName\"=\"Windows\"\n", ""},
    };
    for (const auto &c : cases) {
        UseMachine(c.machine);
        hs::CInventory inv;
        EXPECT_EQ(c.description, inv.GetOsDescription()) << c.machine;
    }
}

TEST(HostOsDescription, ReadsTheVersionAgainOnEveryCall) {
    UseMachine(Windows98Se() + kWindowsKey + "\"ProductName\"=\"Microsoft Windows 98\"\n");
    hs::CInventory inv;
    EXPECT_EQ(1u, inv.GetPlatformId());
    EXPECT_EQ("Microsoft Windows 98 SE ", inv.GetOsDescription());
    UseMachine(WindowsXp() + kNtKey + "\"ProductName\"=\"Microsoft Windows XP\"\n");
    EXPECT_EQ("Microsoft Windows XP    ", inv.GetOsDescription());
}

// Each case loads the first machine, reads the id, loads the second and
// reads it again with the same collector.
TEST(HostPlatformId, FirstAnswerAndWhetherItIsKept) {
    const struct {
        const char *what;
        std::string first, second;
        uint32_t firstId, secondId;
    } cases[] = {
        {"95 OSR2", Windows95Osr2(), Windows95Osr2(), 1, 1},
        {"98 SE", Windows98Se(), Windows98Se(), 1, 1},
        {"NT 4", WindowsNt4(), WindowsNt4(), 2, 2},
        {"2000", Windows2000(), Windows2000(), 2, 2},
        {"XP kept once read", WindowsXp(), Windows98Se(), 2, 2},
        {"Win32s asked again", VersionKey(3, 11, 0, 0, ""), Windows98Se(), 0, 1},
        {"failed query counts as zero and is asked again", kVersionFails + "\"PlatformId\"=dword:00000002\n",
         WindowsNt4(), 0, 2},
    };
    for (const auto &c : cases) {
        UseMachine(c.first);
        hs::CInventory inv;
        EXPECT_EQ(c.firstId, inv.GetPlatformId()) << c.what;
        UseMachine(c.second);
        EXPECT_EQ(c.secondId, inv.GetPlatformId()) << c.what;
        if (c.secondId == c.firstId && c.first != c.second) {
            hs::CInventory fresh;  // a fresh collector reads it anew
            EXPECT_EQ(1u, fresh.GetPlatformId()) << c.what;
        }
    }
    // Once 98 answered after Win32s, it is kept.
    UseMachine(VersionKey(3, 11, 0, 0, ""));
    hs::CInventory inv;
    EXPECT_EQ(0u, inv.GetPlatformId());
    UseMachine(Windows98Se());
    EXPECT_EQ(1u, inv.GetPlatformId());
    UseMachine(WindowsXp());
    EXPECT_EQ(1u, inv.GetPlatformId());
}

}  // namespace
