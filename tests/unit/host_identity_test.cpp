// Computer name, default user, registered owner and organisation on both
// Windows families.
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

const std::string kComputerNameKey =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\n";
const std::string kWinLogonKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon]\n";
const std::string kLogonKey = "[HKEY_LOCAL_MACHINE\\Network\\logon]\n";
const std::string kWindowsKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n";
const std::string kNtKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n";

std::string Windows95Osr2() { return VersionKey(4, 0, 950, 1, " C"); }

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

TEST(HostUserName, SourceDependsOnTheRelease) {
    const std::string defaultOnly = kWinLogonKey + "\"DefaultUserName\"=\"default\"\n";
    const struct {
        std::string machine, user;
    } cases[] = {
        {WindowsXp() + UserNamesEverywhere(), "alternate"},
        {Windows2000() + UserNamesEverywhere(), "alternate"},
        {WindowsXp() + defaultOnly, "default"},
        // An empty alternate name counts as unset.
        {WindowsXp() + kWinLogonKey + "\"AltDefaultUserName\"=\"\"\n\"DefaultUserName\"=\"default\"\n", "default"},
        {WindowsNt4() + UserNamesEverywhere(), "default"},
        {WindowsNt4() + kWinLogonKey + "\"AltDefaultUserName\"=\"alternate\"\n", ""},
        {Windows98Se() + UserNamesEverywhere(), "logon"},
        {Windows98Se() + defaultOnly, ""},
        {"[HKEY_SIMULATION\\Version]\n\"Fails\"=dword:00000001\n" + UserNamesEverywhere(), "logon"},
    };
    for (const auto &c : cases) {
        UseMachine(c.machine);
        hs::CInventory inv;
        EXPECT_EQ(c.user, inv.ReadUserName()) << c.machine;
    }
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

TEST(HostRegisteredOwner, NtAndWindows9xReadTheirOwnKey) {
    const std::pair<std::string, std::string> cases[] = {
        {WindowsNt4(), "Nt"}, {Windows2000(), "Nt"}, {WindowsXp(), "Nt"}, {Windows95Osr2(), "Nine"}, {Windows98Se(), "Nine"}};
    for (const auto &[version, family] : cases) {
        UseMachine(version + OwnersInBothKeys());
        hs::CInventory inv;
        EXPECT_EQ(family + " Owner", inv.ReadRegisteredOwner()) << version;
        EXPECT_EQ(family + " Org", inv.ReadRegisteredOrganization()) << version;
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
    UseMachine(WindowsXp() + kNtKey + "\"RegisteredOwner\"=dword:44434241\n");
    hs::CInventory nt;
    EXPECT_EQ("ABCD", nt.ReadRegisteredOwner());  // four non-zero bytes read whole
}

}  // namespace
