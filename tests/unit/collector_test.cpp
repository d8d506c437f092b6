// The collector's own rules, which the inventories of the machine profiles
// (tests/machines) do not show: what construction decides and leaves
// behind, lists that each run replaces, state restored after a walk, and
// the program list's room.
#include <gtest/gtest.h>

#include "api/inventory.h"
#include "test_support.h"

namespace {

using namespace hstest;

TEST(Collector, DetailRecordWithoutDetailKeepsItsBuffersAndNamesByBrandTable) {
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
    EXPECT_EQ(std::string(48, '\0'), std::string(brand, 48));
    EXPECT_EQ("This processor does not support the brand identification feature", inventory.GetCpuName());
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
    EXPECT_EQ(6u, descriptions.size());
    EXPECT_EQ("DiskDrive", types.back());
    inv.CopyDeviceLists(descriptions, types);
    EXPECT_EQ(15u, types.size());
    EXPECT_EQ("Modem", types.back());
    ASSERT_NE(nullptr, inv.AdapterBuffer());  // the network cards' block is kept
    EXPECT_STREQ("Realtek RTL8139(A) PCI Fast Ethernet Adapter", inv.AdapterBuffer()->description);
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

}  // namespace
