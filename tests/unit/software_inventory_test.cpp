// Installed programs from the uninstall key: which subkeys count, and the
// list that the software exports copy.
#include <gtest/gtest.h>

#include <string>

#include "api/inventory.h"
#include "test_support.h"

namespace {

using hstest::UseMachine;

const std::string kUninstall = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// An uninstall subkey with the given value lines.
std::string Entry(const std::string &key, const std::string &values) {
    return "[" + kUninstall + "\\" + key + "]\n" + values;
}

// A complete program entry: display name first, then the uninstall command.
std::string Program(const std::string &key, const std::string &name) {
    return Entry(key, "\"DisplayName\"=\"" + name + "\"\n\"UninstallString\"=\"remove " + key + "\"\n");
}

struct Listing {
    int32_t result;
    hs::TextList names;
    hs::Text category;
};

Listing List(hs::CInventory &inv, int32_t n) {
    Listing listing{0, hs::TextList(n > 0 ? n : 0), "unset"};
    listing.result = inv.GetSoftwareList(listing.names, n, listing.category);
    return listing;
}

TEST(SoftwareInventory, MissingUninstallKeyGivesNothing) {
    UseMachine("");
    hs::CInventory inv;
    EXPECT_EQ(0, inv.GetSoftwareCount());
    Listing listing = List(inv, 3);
    EXPECT_EQ(1, listing.result);
    EXPECT_EQ("Software", listing.category);
    EXPECT_EQ((hs::TextList{"", "", ""}), listing.names);
}

TEST(SoftwareInventory, UninstallKeyWithoutSubkeysGivesNothing) {
    UseMachine("[" + kUninstall + "]\n\"DisplayName\"=\"Not a program\"\n\"UninstallString\"=\"x\"\n");
    hs::CInventory inv;
    EXPECT_EQ(0, inv.GetSoftwareCount());
    Listing listing = List(inv, 2);
    EXPECT_EQ(1, listing.result);
    EXPECT_EQ("Software", listing.category);
    EXPECT_EQ((hs::TextList{"", ""}), listing.names);
}

TEST(SoftwareInventory, BothValuesWithDataAreNeeded) {
    UseMachine(Program("A", "Complete") + Entry("B", "\"DisplayName\"=\"Name only\"\n") +
               Entry("C", "\"DisplayName\"=\"Empty uninstall\"\n\"UninstallString\"=\"\"\n") +
               Entry("D", "\"DisplayName\"=\"\"\n\"UninstallString\"=\"remove D\"\n") +
               Entry("E", "\"UninstallString\"=\"remove E\"\n") + Entry("F", "") +
               Entry("G", "\"Display Name\"=\"Spaced\"\n\"UninstallString\"=\"remove G\"\n"));
    hs::CInventory inv;
    EXPECT_EQ(1, inv.GetSoftwareCount());
    EXPECT_EQ((hs::TextList{"Complete", "", ""}), List(inv, 3).names);
}

TEST(SoftwareInventory, UninstallStringBeforeDisplayName) {
    UseMachine(Entry("A", "\"UninstallString\"=\"remove A\"\n\"Publisher\"=\"Someone\"\n"
                          "\"DisplayName\"=\"Reversed\"\n"));
    hs::CInventory inv;
    EXPECT_EQ(1, inv.GetSoftwareCount());
    EXPECT_EQ((hs::TextList{"Reversed"}), List(inv, 1).names);
}

TEST(SoftwareInventory, OtherValuesAroundTheTwoAreIgnored) {
    UseMachine(Entry("A", "\"Publisher\"=\"Someone\"\n\"DisplayName\"=\"Middle\"\n\"Size\"=dword:00001000\n"
                          "\"UninstallString\"=\"remove A\"\n\"Comments\"=\"after\"\n"));
    hs::CInventory inv;
    EXPECT_EQ((hs::TextList{"Middle"}), List(inv, 1).names);
}

TEST(SoftwareInventory, ValueNamesMatchWithoutRegardToCase) {
    UseMachine(Entry("A", "\"displayname\"=\"lower\"\n\"UNINSTALLSTRING\"=\"remove A\"\n") +
               Entry("B", "\"UnInstallString\"=\"remove B\"\n\"DISPLAYNAME\"=\"Upper\"\n"));
    hs::CInventory inv;
    EXPECT_EQ(2, inv.GetSoftwareCount());
    EXPECT_EQ((hs::TextList{"lower", "Upper"}), List(inv, 2).names);
}

TEST(SoftwareInventory, DisplayNameTooLongForTheReaderIsNoProgram) {
    const std::string longName(300, 'n');
    UseMachine(Program("A", "Fits") + Program("B", longName) + Program("C", std::string(259, 'm')));
    hs::CInventory inv;
    EXPECT_EQ(2, inv.GetSoftwareCount());
    EXPECT_EQ((hs::TextList{"Fits", std::string(259, 'm'), ""}), List(inv, 3).names);
}

TEST(SoftwareInventory, DwordDisplayNameReadsAsItsBytes) {
    UseMachine(Entry("A", "\"DisplayName\"=dword:00005a5a\n\"UninstallString\"=\"remove A\"\n") +
               Entry("B", "\"DisplayName\"=dword:00000000\n\"UninstallString\"=\"remove B\"\n"));
    hs::CInventory inv;
    EXPECT_EQ(1, inv.GetSoftwareCount());
    EXPECT_EQ((hs::TextList{"ZZ", ""}), List(inv, 2).names);
}

TEST(SoftwareInventory, SortsWithoutRegardToCase) {
    UseMachine(Program("K1", "banana") + Program("K2", "Apple") + Program("K3", "cherry"));
    hs::CInventory inv;
    Listing listing = List(inv, 3);
    EXPECT_EQ(1, listing.result);
    EXPECT_EQ((hs::TextList{"Apple", "banana", "cherry"}), listing.names);
}

TEST(SoftwareInventory, NamesBeyondAsciiSortAfterLetters) {
    // Windows-1252: 0xC4 is A with diaeresis, 0xE9 e with acute.
    UseMachine(Program("K1", "\xC4pfel") + Program("K2", "zebra") + Program("K3", "\xE9t\xE9") +
               Program("K4", "Apple") + Program("K5", "1-Click"));
    hs::CInventory inv;
    Listing listing = List(inv, 5);
    ASSERT_EQ(5u, listing.names.size());
    EXPECT_EQ("1-Click", listing.names[0]);
    EXPECT_EQ("Apple", listing.names[1]);
    EXPECT_EQ("zebra", listing.names[2]);
    // 0xC4 stays below 0xE9 whether or not the code page upper-cases it to 0xC9.
    EXPECT_EQ("\xC4pfel", listing.names[3]);
    EXPECT_EQ("\xE9t\xE9", listing.names[4]);
}

TEST(SoftwareInventory, DuplicatesAreKept) {
    UseMachine(Program("K1", "Same") + Program("K2", "Other") + Program("K3", "Same"));
    hs::CInventory inv;
    EXPECT_EQ(3, inv.GetSoftwareCount());
    EXPECT_EQ((hs::TextList{"Other", "Same", "Same"}), List(inv, 3).names);
}

TEST(SoftwareInventory, LongerListKeepsEmptyEntriesAtTheEnd) {
    UseMachine(Program("K1", "zeta") + Program("K2", "Alpha") + Program("K3", "mid"));
    hs::CInventory inv;
    Listing listing = List(inv, 6);
    EXPECT_EQ(1, listing.result);
    EXPECT_EQ((hs::TextList{"Alpha", "mid", "zeta", "", "", ""}), listing.names);
}

TEST(SoftwareInventory, ShorterListKeepsTheFirstProgramsOfTheWalkSorted) {
    // The walk follows the subkey order: K1, K2, K3, K4.
    UseMachine(Program("K3", "Alpha") + Program("K1", "zeta") + Program("K4", "Aardvark") +
               Program("K2", "mid"));
    hs::CInventory inv;
    EXPECT_EQ((hs::TextList{"mid", "zeta"}), List(inv, 2).names);
    EXPECT_EQ((hs::TextList{"zeta"}), List(inv, 1).names);
    EXPECT_EQ((hs::TextList{"Alpha", "mid", "zeta"}), List(inv, 3).names);
}

TEST(SoftwareInventory, NoRoomStoresNothing) {
    UseMachine(Program("K1", "zeta"));
    hs::CInventory inv;
    Listing none = List(inv, 0);
    EXPECT_EQ(1, none.result);
    EXPECT_EQ("Software", none.category);
    EXPECT_TRUE(none.names.empty());
    Listing negative = List(inv, -3);
    EXPECT_EQ(1, negative.result);
    EXPECT_TRUE(negative.names.empty());
}

TEST(SoftwareInventory, ListShorterThanCountTakesOnlyWhatFits) {
    UseMachine(Program("K1", "zeta") + Program("K2", "alpha") + Program("K3", "mid"));
    hs::CInventory inv;
    hs::TextList names(2, "old");
    hs::Text category;
    EXPECT_EQ(1, inv.GetSoftwareList(names, 5, category));
    EXPECT_EQ((hs::TextList{"alpha", "zeta"}), names);
}

TEST(SoftwareInventory, CountAndListAgree) {
    std::string machine;
    for (int k = 0; k < 40; ++k) {
        char key[16];
        snprintf(key, sizeof key, "P%02d", k);
        // Every third entry lacks its uninstall command.
        machine += k % 3 == 0 ? Entry(key, "\"DisplayName\"=\"Broken\"\n") : Program(key, std::string("Program ") + key);
    }
    UseMachine(machine);
    hs::CInventory inv;
    const int32_t count = inv.GetSoftwareCount();
    EXPECT_EQ(26, count);
    Listing listing = List(inv, count + 5);
    int32_t nonEmpty = 0;
    for (const hs::Text &name : listing.names) nonEmpty += name.empty() ? 0 : 1;
    EXPECT_EQ(count, nonEmpty);
    EXPECT_EQ("Program P01", listing.names.front());
    EXPECT_EQ("Program P38", listing.names[count - 1]);
}

TEST(SoftwareInventory, EveryCallWalksTheRegistryAgain) {
    UseMachine(Program("K1", "First"));
    hs::CInventory inv;
    EXPECT_EQ(1, inv.GetSoftwareCount());
    UseMachine(Program("K1", "First") + Program("K2", "Second"));
    EXPECT_EQ(2, inv.GetSoftwareCount());
    EXPECT_EQ((hs::TextList{"First", "Second"}), List(inv, 2).names);
}

}  // namespace
