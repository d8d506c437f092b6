// Network cards from the library's own adapter export.
#include <gtest/gtest.h>

#include <cstring>

#include "devices_profile.h"

namespace {

using hs::TextList;
using namespace hstest::dev;

std::string Adapter(const std::string &key, const std::string &name, const std::string &description,
                    const std::string &ip) {
    return "[HKEY_SIMULATION\\Adapters\\" + key + "]\n" + Value("AdapterName", name) +
           Value("Description", description) + "\"Address\"=hex:00,0c,29,3a,4b," + key + "\n" +
           Value("IpAddress", ip);
}

TEST(DevicesNetCard, AddressedAdaptersInChainOrder) {
    auto inv = Collector(WindowsXp() +
                         Adapter("01", "{A1}", "Intel(R) PRO/100 VE Network Connection", "192.168.1.20") +
                         Adapter("02", "{B2}", "WAN (PPP/SLIP) Interface", "0.0.0.0") +
                         Adapter("03", "{C3}", "Realtek RTL8139 Family PCI Fast Ethernet NIC", "10.0.0.7"));
    StartDebugCapture();
    TextList descriptions, types;
    EXPECT_EQ(2, inv->GetNetCardInfo(descriptions, types));
    EXPECT_EQ("", StopDebugCapture());
    EXPECT_EQ(TextList({"Intel(R) PRO/100 VE Network Connection", "Realtek RTL8139 Family PCI Fast Ethernet NIC"}),
              descriptions);
    EXPECT_EQ(TextList(2, "Net"), types);

    // The collector keeps the block that the export filled.
    const IPADAPTERINFO *block = inv->AdapterBuffer();
    ASSERT_NE(nullptr, block);
    EXPECT_STREQ("{A1}", block[0].adapterName);
    EXPECT_STREQ("Realtek RTL8139 Family PCI Fast Ethernet NIC", block[1].description);
    EXPECT_EQ(0u, block[1].next);
}

TEST(DevicesNetCard, EntriesAndBlockByAdapterService) {
    const std::string card = WindowsXp() + Adapter("01", "{A1}", "Card", "10.1.1.1") + "[HKEY_SIMULATION\\Adapters]\n";
    const struct {
        const char *what;
        std::string machine;
        TextList names;
    } cases[] = {
        {"empty description is still an entry", Windows98Se() + Adapter("01", "{A1}", "", "192.168.0.2"), {""}},
        {"no adapter", WindowsXp(), {}},
        {"only unaddressed adapters", WindowsXp() + Adapter("01", "{A1}", "Dial-up", "0.0.0.0"), {}},
        {"failing adapter service", card + Dword("Result", 50), {}},
        {"failing fill", card + Dword("FillResult", 31), {}},
    };
    for (const auto &c : cases) {
        auto inv = Collector(c.machine);
        StartDebugCapture();
        EXPECT_EQ(c.names, CollectKind(*inv, &hs::CInventory::GetNetCardInfo, "Net")) << c.what;
        EXPECT_EQ("", StopDebugCapture()) << c.what;
        EXPECT_EQ(c.names.empty(), inv->AdapterBuffer() == nullptr) << c.what;
    }
}

TEST(DevicesNetCard, LaterRunReplacesTheBlock) {
    auto inv = Collector(WindowsXp() + Adapter("01", "{A1}", "First card", "10.1.1.1"));
    TextList descriptions, types;
    EXPECT_EQ(1, inv->GetNetCardInfo(descriptions, types));
    ASSERT_NE(nullptr, inv->AdapterBuffer());

    hstest::UseMachine(WindowsXp() + Adapter("01", "{B1}", "Second card", "10.1.1.2") +
                       Adapter("02", "{B2}", "Third card", "10.1.1.3"));
    descriptions.clear();
    EXPECT_EQ(2, inv->GetNetCardInfo(descriptions, types));
    EXPECT_EQ(TextList({"Second card", "Third card"}), descriptions);
    ASSERT_NE(nullptr, inv->AdapterBuffer());
    EXPECT_STREQ("Second card", inv->AdapterBuffer()[0].description);

    // Adapters gone: the block is released and none is kept.
    hstest::UseMachine(WindowsXp());
    descriptions.clear();
    EXPECT_EQ(0, inv->GetNetCardInfo(descriptions, types));
    EXPECT_EQ(nullptr, inv->AdapterBuffer());
}

}  // namespace
