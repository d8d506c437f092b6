// NetBIOS adapters and the host-address source.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string>

#include "api/inventory.h"
#include "test_support.h"

namespace {

using hstest::UseMachine;
using Entries = std::array<uint8_t, 6 * 4>;

// A LANA of the simulated NetBIOS with its number and address bytes (as a
// hex list) and optional per-LANA failure codes.
std::string Lana(const std::string &key, unsigned number, const std::string &address,
                 const std::string &extra = "") {
    char line[64];
    snprintf(line, sizeof line, "\"Lana\"=dword:%08x\n", number);
    return "[HKEY_SIMULATION\\NetBIOS\\" + key + "]\n" + line + "\"Address\"=hex:" + address + "\n" + extra;
}

const std::string kNetBios = "[HKEY_SIMULATION\\NetBIOS]\n";
const std::string kCardA = "00,11,22,aa,bb,cc";
const std::string kCardB = "02,00,4c,4f,4f,50";

Entries Filled(uint8_t byte) {
    Entries entries;
    entries.fill(byte);
    return entries;
}

std::string Hex(const uint8_t *bytes, size_t count) {
    std::string text;
    char digits[4];
    for (size_t i = 0; i < count; ++i) {
        snprintf(digits, sizeof digits, "%02x", bytes[i]);
        text += digits;
    }
    return text;
}

// Two pages, the second one inaccessible: writes past the first fault.
class GuardedPage {
public:
    GuardedPage() {
        m_size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        void *p = mmap(nullptr, 2 * m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        m_base = p == MAP_FAILED ? nullptr : static_cast<uint8_t *>(p);
        if (m_base) mprotect(m_base + m_size, m_size, PROT_NONE);
    }
    ~GuardedPage() {
        if (m_base) munmap(m_base, 2 * m_size);
    }
    // The last bytes before the guard.
    uint8_t *Tail(size_t bytes) { return m_base + m_size - bytes; }
    uint8_t *Guard() { return m_base + m_size; }
    bool Ok() const { return m_base != nullptr; }

private:
    uint8_t *m_base = nullptr;
    size_t m_size = 0;
};

TEST(HostNetCard, NoLanasGiveZeroWithAndWithoutDestination) {
    UseMachine("");
    hs::CInventory inv;
    hs::sim::CaptureDebugOutput(true);
    hs::sim::TakeDebugOutput();
    Entries entries = Filled(0x5a);
    EXPECT_EQ(0, inv.SimGetNetCard(nullptr, 0));
    EXPECT_EQ(0, inv.SimGetNetCard(entries.data(), 4));
    EXPECT_EQ(Filled(0x5a), entries);
    EXPECT_EQ("", hs::sim::TakeDebugOutput());
    hs::sim::CaptureDebugOutput(false);
}

TEST(HostNetCard, CountsLanasWithoutDestination) {
    UseMachine(kNetBios + Lana("0", 0, kCardA) + Lana("1", 1, kCardB));
    hs::CInventory inv;
    EXPECT_EQ(2, inv.SimGetNetCard(nullptr, 0));
    EXPECT_EQ(2, inv.SimGetNetCard(nullptr, 8));
}

TEST(HostNetCard, WritesOneAddressPerLanaInEnumerationOrder) {
    UseMachine(kNetBios + Lana("0", 3, kCardA) + Lana("1", 7, kCardB));
    hs::CInventory inv;
    Entries entries = Filled(0x5a);
    ASSERT_EQ(2, inv.SimGetNetCard(entries.data(), 4));
    EXPECT_EQ("001122aabbcc", Hex(entries.data(), 6));
    EXPECT_EQ("02004c4f4f50", Hex(entries.data() + 6, 6));
    EXPECT_EQ("5a5a5a5a5a5a5a5a5a5a5a5a", Hex(entries.data() + 12, 12));
}

TEST(HostNetCard, TwoLanasOnOneCardGiveTwoEqualEntries) {
    UseMachine(kNetBios + Lana("0", 0, kCardA) + Lana("1", 6, kCardA));
    hs::CInventory inv;
    Entries entries = Filled(0);
    ASSERT_EQ(2, inv.SimGetNetCard(entries.data(), 2));
    EXPECT_EQ("001122aabbcc", Hex(entries.data(), 6));
    EXPECT_EQ("001122aabbcc", Hex(entries.data() + 6, 6));
}

TEST(HostNetCard, PlaceholderAddressIsPassedOnUnchanged) {
    UseMachine(kNetBios + Lana("0", 0, "44,45,53,54,00,00"));
    hs::CInventory inv;
    Entries entries = Filled(0xff);
    ASSERT_EQ(1, inv.SimGetNetCard(entries.data(), 1));
    EXPECT_EQ("444553540000", Hex(entries.data(), 6));
}

TEST(HostNetCard, FailedEnumerationGivesZero) {
    UseMachine(kNetBios + "\"EnumResult\"=dword:00000023\n" + Lana("0", 0, kCardA));
    hs::CInventory inv;
    Entries entries = Filled(0x5a);
    EXPECT_EQ(0, inv.SimGetNetCard(nullptr, 0));
    EXPECT_EQ(0, inv.SimGetNetCard(entries.data(), 4));
    EXPECT_EQ(Filled(0x5a), entries);
}

TEST(HostNetCard, FailedResetEndsTheWalkKeepingEarlierEntries) {
    UseMachine(kNetBios + Lana("0", 3, kCardA) + Lana("1", 7, kCardB, "\"ResetResult\"=dword:00000034\n"));
    hs::CInventory inv;
    // Counting asks no LANA.
    EXPECT_EQ(2, inv.SimGetNetCard(nullptr, 0));
    Entries entries = Filled(0x5a);
    EXPECT_EQ(0, inv.SimGetNetCard(entries.data(), 4));
    EXPECT_EQ("001122aabbcc", Hex(entries.data(), 6));
    EXPECT_EQ("5a5a5a5a5a5a", Hex(entries.data() + 6, 6));
}

TEST(HostNetCard, FailedStatusEndsTheWalk) {
    UseMachine(kNetBios + Lana("0", 3, kCardA, "\"StatusResult\"=dword:00000001\n") + Lana("1", 7, kCardB));
    hs::CInventory inv;
    Entries entries = Filled(0x5a);
    EXPECT_EQ(0, inv.SimGetNetCard(entries.data(), 4));
    EXPECT_EQ(Filled(0x5a), entries);
}

TEST(HostNetCard, FailureOnALanaBeyondTheDestinationStillFails) {
    UseMachine(kNetBios + Lana("0", 0, kCardA) + Lana("1", 1, kCardB, "\"StatusResult\"=dword:00000001\n"));
    hs::CInventory inv;
    Entries entries = Filled(0x5a);
    EXPECT_EQ(0, inv.SimGetNetCard(entries.data(), 1));
    EXPECT_EQ("001122aabbcc", Hex(entries.data(), 6));
}

TEST(HostNetCard, WritesNoMoreEntriesThanTheDestinationHolds) {
    UseMachine(kNetBios + Lana("0", 0, kCardA) + Lana("1", 1, kCardB) + Lana("2", 2, kCardB));
    hs::CInventory inv;
    Entries entries = Filled(0x5a);
    EXPECT_EQ(3, inv.SimGetNetCard(entries.data(), 1));
    EXPECT_EQ("001122aabbcc", Hex(entries.data(), 6));
    EXPECT_EQ("5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a", Hex(entries.data() + 6, 18));
    // No room at all: the LANAs are still counted, nothing is written.
    entries = Filled(0x5a);
    EXPECT_EQ(3, inv.SimGetNetCard(entries.data(), 0));
    EXPECT_EQ(3, inv.SimGetNetCard(entries.data(), -5));
    EXPECT_EQ(Filled(0x5a), entries);
}

TEST(HostNetCard, DestinationEndingAtAGuardPageIsFilledUpToItsEnd) {
    GuardedPage page;
    ASSERT_TRUE(page.Ok()) << "mmap failed";
    UseMachine(kNetBios + Lana("0", 0, kCardA) + Lana("1", 1, kCardB));
    hs::CInventory inv;
    uint8_t *entry = page.Tail(6);
    EXPECT_EQ(2, inv.SimGetNetCard(entry, 1));
    EXPECT_EQ("001122aabbcc", Hex(entry, 6));
}

TEST(HostNetCard, UnwritableDestinationGivesZero) {
    GuardedPage page;
    ASSERT_TRUE(page.Ok()) << "mmap failed";
    UseMachine(kNetBios + Lana("0", 0, kCardA) + Lana("1", 1, kCardB));
    hs::CInventory inv;
    EXPECT_EQ(0, inv.SimGetNetCard(page.Guard(), 2));
    // Room claimed for two entries where only one fits before the guard.
    uint8_t *entry = page.Tail(6);
    std::memset(entry, 0x5a, 6);
    EXPECT_EQ(0, inv.SimGetNetCard(entry, 2));
    EXPECT_EQ("5a5a5a5a5a5a", Hex(entry, 6));
}

TEST(HostIP, CountIsZeroWithoutDestination) {
    UseMachine("");
    hs::CInventory inv;
    EXPECT_EQ(0, inv.GetHostIP(nullptr, 0));
    EXPECT_EQ(0, inv.GetHostIP(nullptr, 4));
}

TEST(HostIP, FetchSucceedsWithoutWritingOrTracing) {
    UseMachine(hstest::VersionKey(5, 1, 2600, 2, "Service Pack 2"));
    hs::CInventory inv;
    hs::sim::CaptureDebugOutput(true);
    hs::sim::TakeDebugOutput();
    uint32_t addresses[3] = {0x11111111u, 0x22222222u, 0x33333333u};
    EXPECT_EQ(1, inv.GetHostIP(addresses, 3));
    EXPECT_EQ(1, inv.GetHostIP(addresses, 0));
    EXPECT_EQ(0x11111111u, addresses[0]);
    EXPECT_EQ(0x22222222u, addresses[1]);
    EXPECT_EQ(0x33333333u, addresses[2]);
    EXPECT_EQ("", hs::sim::TakeDebugOutput());
    hs::sim::CaptureDebugOutput(false);
}

}  // namespace
