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

// Which subkeys count as programs, and the sorted list of their names.
TEST(SoftwareInventory, CountAndSortedList) {
    const struct {
        const char *what;
        std::string machine;
        int32_t count;
        hs::TextList names;
    } cases[] = {
        {"no uninstall key", "", 0, {"", "", ""}},
        {"uninstall key without subkeys",
         "[" + kUninstall + "]\n\"DisplayName\"=\"Not a program\"\n\"UninstallString\"=\"x\"\n", 0, {"", ""}},
        {"both values with data are needed",
         Program("A", "Complete") + Entry("B", "\"DisplayName\"=\"Name only\"\n") +
             Entry("C", "\"DisplayName\"=\"Empty uninstall\"\n\"UninstallString\"=\"\"\n") +
             Entry("D", "\"DisplayName\"=\"\"\n\"UninstallString\"=\"remove D\"\n") +
             Entry("E", "\"UninstallString\"=\"remove E\"\n") + Entry("F", "") +
             Entry("G", "\"Display Name\"=\"Spaced\"\n\"UninstallString\"=\"remove G\"\n"),
         1, {"Complete", "", ""}},
        {"uninstall string first, other values around",
         Entry("A", "\"UninstallString\"=\"remove A\"\n\"Publisher\"=\"Someone\"\n\"DisplayName\"=\"Reversed\"\n") +
             Entry("B", "\"Publisher\"=\"Someone\"\n\"DisplayName\"=\"Middle\"\n\"Size\"=dword:00001000\n"
                        "\"UninstallString\"=\"remove B\"\n\"Comments\"=\"after\"\n"),
         2, {"Middle", "Reversed"}},
        {"value names match without regard to case",
         Entry("A", "\"displayname\"=\"lower\"\n\"UNINSTALLSTRING\"=\"remove A\"\n") +
             Entry("B", "\"UnInstallString\"=\"remove B\"\n\"DISPLAYNAME\"=\"Upper\"\n"),
         2, {"lower", "Upper"}},
        {"display name too long for the reader",
         Program("A", "Fits") + Program("B", std::string(300, 'n')) + Program("C", std::string(259, 'm')), 2,
         {"Fits", std::string(259, 'm'), ""}},
        {"dword display name reads as its bytes",
         Entry("A", "\"DisplayName\"=dword:00005a5a\n\"UninstallString\"=\"remove A\"\n") +
             Entry("B", "\"DisplayName\"=dword:00000000\n\"UninstallString\"=\"remove B\"\n"),
         1, {"ZZ", ""}},
        {"sorted without regard to case, duplicates kept, empty entries last",
         Program("K1", "banana") + Program("K2", "Apple") + Program("K3", "cherry") + Program("K4", "Apple"), 4,
         {"Apple", "Apple", "banana", "cherry", "", ""}},
        // Windows-1252: 0xC4 is A with diaeresis, 0xE9 e with acute; 0xC4
        // stays below 0xE9 whether or not the code page upper-cases it.
        {"names beyond ASCII sort after letters",
         Program("K1", "\xC4pfel") + Program("K2", "zebra") + Program("K3", "\xE9t\xE9") + Program("K4", "Apple") +
             Program("K5", "1-Click"),
         5, {"1-Click", "Apple", "zebra", "\xC4pfel", "\xE9t\xE9"}},
    };
    for (const auto &c : cases) {
        UseMachine(c.machine);
        hs::CInventory inv;
        EXPECT_EQ(c.count, inv.GetSoftwareCount()) << c.what;
        Listing listing = List(inv, static_cast<int32_t>(c.names.size()));
        EXPECT_EQ(1, listing.result) << c.what;
        EXPECT_EQ("Software", listing.category) << c.what;
        EXPECT_EQ(c.names, listing.names) << c.what;
    }
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

TEST(SoftwareInventory, RoomDecidesWhatIsStored) {
    UseMachine(Program("K1", "zeta") + Program("K2", "alpha") + Program("K3", "mid"));
    hs::CInventory inv;
    for (int32_t n : {0, -3}) {
        Listing none = List(inv, n);
        EXPECT_EQ(1, none.result) << n;
        EXPECT_EQ("Software", none.category) << n;
        EXPECT_TRUE(none.names.empty()) << n;
    }
    // A list shorter than the count takes only what fits.
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
