// Computer name, default user, registered owner and organisation on both
// Windows families.
#include <gtest/gtest.h>

#include <string>

#include "api/inventory.h"
#include "test_support.h"

namespace {

using hstest::UseMachine;
using hstest::VersionKey;

const std::string kComputerNameKey =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\n";
const std::string kWinLogonKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon]\n";
const std::string kLogonKey = "[HKEY_LOCAL_MACHINE\\Network\\logon]\n";
const std::string kWindowsKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n";
const std::string kNtKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n";

std::string Windows98Se() { return VersionKey(4, 10, 2222, 1, " A"); }
std::string Windows95Osr2() { return VersionKey(4, 0, 950, 1, " C"); }
std::string WindowsNt4() { return VersionKey(4, 0, 1381, 2, "Service Pack 6"); }
std::string Windows2000() { return VersionKey(5, 0, 2195, 2, "Service Pack 4"); }
std::string WindowsXp() { return VersionKey(5, 1, 2600, 2, "Service Pack 2"); }

// Both families' owner keys, each with its own texts, so that a test sees
// which key was read.
std::string OwnersInBothKeys() {
    return kWindowsKey + "\"RegisteredOwner\"=\"Nine Owner\"\n\"RegisteredOrganization\"=\"Nine Org\"\n" + kNtKey +
           "\"RegisteredOwner\"=\"Nt Owner\"\n\"RegisteredOrganization\"=\"Nt Org\"\n";
}

std::string UserNamesEverywhere() {
    return kWinLogonKey + "\"DefaultUserName\"=\"default\"\n\"AltDefaultUserName\"=\"alternate\"\n" + kLogonKey +
           "\"username\"=\"logon\"\n";
}

TEST(HostComputerName, ReadOnEveryFamily) {
    for (const std::string &version : {Windows95Osr2(), Windows98Se(), WindowsNt4(), WindowsXp()}) {
        UseMachine(version + kComputerNameKey + "\"ComputerName\"=\"DESK-01\"\n");
        hs::CInventory inv;
        EXPECT_EQ("DESK-01", inv.ReadComputerName()) << version;
    }
}

TEST(HostComputerName, MissingKeyOrValueIsEmpty) {
    UseMachine(WindowsXp());
    hs::CInventory inv;
    EXPECT_EQ("", inv.ReadComputerName());
    UseMachine(WindowsXp() + kComputerNameKey + "\"Other\"=\"DESK-01\"\n");
    EXPECT_EQ("", inv.ReadComputerName());
}

TEST(HostUserName, XpPrefersTheAlternateName) {
    UseMachine(WindowsXp() + UserNamesEverywhere());
    hs::CInventory inv;
    EXPECT_EQ("alternate", inv.ReadUserName());
}

TEST(HostUserName, Windows2000PrefersTheAlternateName) {
    UseMachine(Windows2000() + UserNamesEverywhere());
    hs::CInventory inv;
    EXPECT_EQ("alternate", inv.ReadUserName());
}

TEST(HostUserName, XpFallsBackToTheDefaultName) {
    UseMachine(WindowsXp() + kWinLogonKey + "\"DefaultUserName\"=\"default\"\n");
    hs::CInventory inv;
    EXPECT_EQ("default", inv.ReadUserName());
    // An empty alternate name counts as unset.
    UseMachine(WindowsXp() + kWinLogonKey + "\"AltDefaultUserName\"=\"\"\n\"DefaultUserName\"=\"default\"\n");
    EXPECT_EQ("default", inv.ReadUserName());
}

TEST(HostUserName, Nt4ReadsOnlyTheDefaultName) {
    UseMachine(WindowsNt4() + UserNamesEverywhere());
    hs::CInventory inv;
    EXPECT_EQ("default", inv.ReadUserName());
    UseMachine(WindowsNt4() + kWinLogonKey + "\"AltDefaultUserName\"=\"alternate\"\n");
    EXPECT_EQ("", inv.ReadUserName());
}

TEST(HostUserName, Windows9xReadsTheNetworkLogon) {
    UseMachine(Windows98Se() + UserNamesEverywhere());
    hs::CInventory inv;
    EXPECT_EQ("logon", inv.ReadUserName());
}

TEST(HostUserName, Windows9xWithoutNetworkLogonIsEmpty) {
    UseMachine(Windows98Se() + kWinLogonKey + "\"DefaultUserName\"=\"default\"\n");
    hs::CInventory inv;
    EXPECT_EQ("", inv.ReadUserName());
}

TEST(HostUserName, AsksForTheVersionItselfEveryTime) {
    // The cached platform id does not decide the user name.
    UseMachine(WindowsXp() + UserNamesEverywhere());
    hs::CInventory inv;
    EXPECT_EQ(2u, inv.GetPlatformId());
    UseMachine(Windows98Se() + UserNamesEverywhere());
    EXPECT_EQ("logon", inv.ReadUserName());
    UseMachine(WindowsNt4() + UserNamesEverywhere());
    EXPECT_EQ("default", inv.ReadUserName());
}

TEST(HostUserName, FailedVersionQueryReadsTheNetworkLogon) {
    UseMachine("[HKEY_SIMULATION\\Version]\n\"Fails\"=dword:00000001\n" + UserNamesEverywhere());
    hs::CInventory inv;
    EXPECT_EQ("logon", inv.ReadUserName());
}

TEST(HostRegisteredOwner, NtReadsTheNtKey) {
    for (const std::string &version : {WindowsNt4(), Windows2000(), WindowsXp()}) {
        UseMachine(version + OwnersInBothKeys());
        hs::CInventory inv;
        EXPECT_EQ("Nt Owner", inv.ReadRegisteredOwner()) << version;
        EXPECT_EQ("Nt Org", inv.ReadRegisteredOrganization()) << version;
    }
}

TEST(HostRegisteredOwner, Windows9xReadsTheWindowsKey) {
    for (const std::string &version : {Windows95Osr2(), Windows98Se()}) {
        UseMachine(version + OwnersInBothKeys());
        hs::CInventory inv;
        EXPECT_EQ("Nine Owner", inv.ReadRegisteredOwner()) << version;
        EXPECT_EQ("Nine Org", inv.ReadRegisteredOrganization()) << version;
    }
}

TEST(HostRegisteredOwner, FollowsTheCachedPlatformId) {
    UseMachine(WindowsXp() + OwnersInBothKeys());
    hs::CInventory inv;
    EXPECT_EQ("Nt Owner", inv.ReadRegisteredOwner());
    UseMachine(Windows98Se() + OwnersInBothKeys());
    EXPECT_EQ("Nt Owner", inv.ReadRegisteredOwner());
    EXPECT_EQ("Nt Org", inv.ReadRegisteredOrganization());
}

TEST(HostRegisteredOwner, MissingValuesAreEmpty) {
    UseMachine(WindowsXp() + kWindowsKey + "\"RegisteredOwner\"=\"Nine Owner\"\n");
    hs::CInventory inv;
    EXPECT_EQ("", inv.ReadRegisteredOwner());
    EXPECT_EQ("", inv.ReadRegisteredOrganization());
}

TEST(HostRegisteredOwner, LongestReadableValueIsReadWhole) {
    const std::string owner259(259, 'o');
    const std::string org260(260, 'g');
    UseMachine(WindowsXp() + kNtKey + "\"RegisteredOwner\"=\"" + owner259 + "\"\n\"RegisteredOrganization\"=\"" +
               org260 + "\"\n");
    hs::CInventory inv;
    EXPECT_EQ(owner259, inv.ReadRegisteredOwner());
    // 261 bytes with the NUL do not fit the reader's buffer: nothing is read.
    EXPECT_EQ("", inv.ReadRegisteredOrganization());
}

TEST(HostRegisteredOwner, DwordValueReadsAsItsBytesUpToTheFirstZero) {
    UseMachine(Windows98Se() + kWindowsKey +
               "\"RegisteredOwner\"=dword:00434241\n\"RegisteredOrganization\"=dword:00000000\n");
    hs::CInventory inv;
    EXPECT_EQ("ABC", inv.ReadRegisteredOwner());
    EXPECT_EQ("", inv.ReadRegisteredOrganization());
}

TEST(HostRegisteredOwner, FourNonZeroBytesReadWhole) {
    UseMachine(WindowsXp() + kNtKey + "\"RegisteredOwner\"=dword:44434241\n");
    hs::CInventory inv;
    EXPECT_EQ("ABCD", inv.ReadRegisteredOwner());
}

}  // namespace
