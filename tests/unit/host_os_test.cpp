// Platform id and operating-system description over simulated Windows
// releases.
#include <gtest/gtest.h>

#include <string>

#include "api/inventory.h"
#include "test_support.h"

namespace {

using hstest::UseMachine;
using hstest::VersionKey;

const std::string kWindowsKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n";
const std::string kNtKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n";

std::string Windows95Osr2() { return VersionKey(4, 0, 950, 1, " C"); }
std::string Windows98Se() { return VersionKey(4, 10, 2222, 1, " A"); }
std::string WindowsNt4() { return VersionKey(4, 0, 1381, 2, "Service Pack 6"); }
std::string Windows2000() { return VersionKey(5, 0, 2195, 2, "Service Pack 4"); }
std::string WindowsXp() { return VersionKey(5, 1, 2600, 2, "Service Pack 2"); }

std::string Description(const std::string &machine) {
    UseMachine(machine);
    hs::CInventory inv;
    return inv.GetOsDescription();
}

TEST(HostOsDescription, Windows95Osr2WithVersionNumber) {
    EXPECT_EQ("Microsoft Windows 95 OSR2   4.00.950",
              Description(Windows95Osr2() + kWindowsKey +
                          "\"ProductName\"=\"Microsoft Windows 95\"\n\"VersionNumber\"=\"4.00.950\"\n"));
}

TEST(HostOsDescription, Windows95Osr2WithoutVersionNumberEndsInSuffix) {
    EXPECT_EQ("Microsoft Windows 95 OSR2 ",
              Description(Windows95Osr2() + kWindowsKey + "\"ProductName\"=\"Microsoft Windows 95\"\n"));
}

TEST(HostOsDescription, Windows98SecondEditionHasThreeSpacesBeforeNumber) {
    EXPECT_EQ("Microsoft Windows 98 SE   4.10.2222",
              Description(Windows98Se() + kWindowsKey +
                          "\"ProductName\"=\"Microsoft Windows 98\"\n\"VersionNumber\"=\"4.10.2222\"\n"));
}

TEST(HostOsDescription, Windows9xSuffixNeedsMatchingMinorAndMark) {
    const std::string values = "\"ProductName\"=\"Windows\"\n\"VersionNumber\"=\"4.x\"\n";
    // First edition of 98: no service mark.
    EXPECT_EQ("Windows  4.x", Description(VersionKey(4, 10, 1998, 1, "") + kWindowsKey + values));
    // The marks are swapped between releases: no suffix.
    EXPECT_EQ("Windows  4.x", Description(VersionKey(4, 0, 950, 1, " A") + kWindowsKey + values));
    EXPECT_EQ("Windows  4.x", Description(VersionKey(4, 10, 2222, 1, " C") + kWindowsKey + values));
    // The mark is the second character, not the first.
    EXPECT_EQ("Windows  4.x", Description(VersionKey(4, 0, 950, 1, "C") + kWindowsKey + values));
    // Millennium (4.90) and a major version other than 4.
    EXPECT_EQ("Windows  4.x", Description(VersionKey(4, 90, 3000, 1, " A") + kWindowsKey + values));
    EXPECT_EQ("Windows  4.x", Description(VersionKey(5, 0, 950, 1, " C") + kWindowsKey + values));
}

TEST(HostOsDescription, Windows9xWithNothingReadableIsEmptyOrSuffixOnly) {
    EXPECT_EQ("", Description(VersionKey(4, 10, 1998, 1, "")));
    EXPECT_EQ(" SE ", Description(Windows98Se()));
}

TEST(HostOsDescription, Windows9xIgnoresTheNtKey) {
    EXPECT_EQ("", Description(VersionKey(4, 10, 1998, 1, "") + kNtKey +
                              "\"ProductName\"=\"Microsoft Windows XP\"\n\"CurrentVersion\"=\"5.1\"\n"));
}

TEST(HostOsDescription, WindowsXpJoinsProductVersionAndBuild) {
    EXPECT_EQ("Microsoft Windows XP  5.1  2600",
              Description(WindowsXp() + kNtKey +
                          "\"ProductName\"=\"Microsoft Windows XP\"\n\"CurrentVersion\"=\"5.1\"\n"
                          "\"CurrentBuildNumber\"=\"2600\"\n"));
}

TEST(HostOsDescription, Windows2000) {
    EXPECT_EQ("Microsoft Windows 2000  5.0  2195",
              Description(Windows2000() + kNtKey +
                          "\"ProductName\"=\"Microsoft Windows 2000\"\n\"CurrentVersion\"=\"5.0\"\n"
                          "\"CurrentBuildNumber\"=\"2195\"\n"));
}

TEST(HostOsDescription, NtKeepsBothJoinsWhenPartsAreMissing) {
    // NT 4 has no product name in its version key.
    EXPECT_EQ("  4.0  1381", Description(WindowsNt4() + kNtKey +
                                         "\"CurrentVersion\"=\"4.0\"\n\"CurrentBuildNumber\"=\"1381\"\n"));
    EXPECT_EQ("Microsoft Windows XP    ",
              Description(WindowsXp() + kNtKey + "\"ProductName\"=\"Microsoft Windows XP\"\n"));
    EXPECT_EQ("    ", Description(WindowsXp()));
}

TEST(HostOsDescription, NtIgnoresTheWindowsKey) {
    EXPECT_EQ("    ", Description(WindowsXp() + kWindowsKey +
                                  "\"ProductName\"=\"Microsoft Windows 98\"\n\"VersionNumber\"=\"4.10\"\n"));
}

TEST(HostOsDescription, Win32sAndUnknownPlatforms) {
    EXPECT_EQ("Microsoft Win32s ", Description(VersionKey(3, 11, 0, 0, "") + kWindowsKey +
                                               "\"ProductName\"=\"Windows\"\n"));
    EXPECT_EQ("", Description(VersionKey(6, 0, 6000, 3, "") + kNtKey + "\"ProductName\"=\"Windows CE\"\n"));
}

TEST(HostOsDescription, FailedVersionQueryDescribesNothing) {
    EXPECT_EQ("", Description(std::string("[HKEY_SIMULATION\\Version]\n\"Fails\"=dword:00000001\n") +
                              kWindowsKey + "\"ProductName\"=\"Windows\"\n"));
}

TEST(HostOsDescription, ReadsTheVersionAgainOnEveryCall) {
    UseMachine(Windows98Se() + kWindowsKey + "\"ProductName\"=\"Microsoft Windows 98\"\n");
    hs::CInventory inv;
    EXPECT_EQ(1u, inv.GetPlatformId());
    EXPECT_EQ("Microsoft Windows 98 SE ", inv.GetOsDescription());
    UseMachine(WindowsXp() + kNtKey + "\"ProductName\"=\"Microsoft Windows XP\"\n");
    EXPECT_EQ("Microsoft Windows XP    ", inv.GetOsDescription());
}

TEST(HostPlatformId, AnswersTheFamily) {
    const struct {
        std::string machine;
        uint32_t id;
    } cases[] = {{Windows95Osr2(), 1}, {Windows98Se(), 1}, {WindowsNt4(), 2}, {Windows2000(), 2}, {WindowsXp(), 2}};
    for (const auto &c : cases) {
        UseMachine(c.machine);
        hs::CInventory inv;
        EXPECT_EQ(c.id, inv.GetPlatformId()) << c.machine;
    }
}

TEST(HostPlatformId, IsKeptOnceRead) {
    UseMachine(WindowsXp());
    hs::CInventory inv;
    EXPECT_EQ(2u, inv.GetPlatformId());
    UseMachine(Windows98Se());
    EXPECT_EQ(2u, inv.GetPlatformId());
    // A fresh collector reads it anew.
    hs::CInventory fresh;
    EXPECT_EQ(1u, fresh.GetPlatformId());
}

TEST(HostPlatformId, Win32sIsAskedAgainOnEveryCall) {
    UseMachine(VersionKey(3, 11, 0, 0, ""));
    hs::CInventory inv;
    EXPECT_EQ(0u, inv.GetPlatformId());
    UseMachine(Windows98Se());
    EXPECT_EQ(1u, inv.GetPlatformId());
    UseMachine(WindowsXp());
    EXPECT_EQ(1u, inv.GetPlatformId());
}

TEST(HostPlatformId, FailedVersionQueryCountsAsZeroAndIsAskedAgain) {
    UseMachine("[HKEY_SIMULATION\\Version]\n\"Fails\"=dword:00000001\n\"PlatformId\"=dword:00000002\n");
    hs::CInventory inv;
    EXPECT_EQ(0u, inv.GetPlatformId());
    UseMachine(WindowsNt4());
    EXPECT_EQ(2u, inv.GetPlatformId());
}

}  // namespace
