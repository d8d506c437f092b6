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

// Each case: the count without a destination, then the answer and the bytes
// written into four entries pre-filled with 5a, room claimed for n of them.
TEST(HostNetCard, CountAndAddressesWritten) {
    const std::string a = "001122aabbcc", b = "02004c4f4f50", untouched = "5a5a5a5a5a5a";
    const std::string fail = "\"StatusResult\"=dword:00000001\n";
    const struct {
        const char *what;
        std::string lanas;
        int32_t count, n, result;
        std::string written;
    } cases[] = {
        {"no LANAs", "", 0, 4, 0, ""},
        {"one address per LANA in enumeration order", Lana("0", 3, kCardA) + Lana("1", 7, kCardB), 2, 4, 2, a + b},
        {"two LANAs on one card", Lana("0", 0, kCardA) + Lana("1", 6, kCardA), 2, 2, 2, a + a},
        {"placeholder address passed on", Lana("0", 0, "44,45,53,54,00,00"), 1, 1, 1, "444553540000"},
        {"failed enumeration", "\"EnumResult\"=dword:00000023\n" + Lana("0", 0, kCardA), 0, 4, 0, ""},
        // Counting asks no LANA; the walk ends at the failure.
        {"failed reset keeps earlier entries",
         Lana("0", 3, kCardA) + Lana("1", 7, kCardB, "\"ResetResult\"=dword:00000034\n"), 2, 4, 0, a},
        {"failed status", Lana("0", 3, kCardA, fail) + Lana("1", 7, kCardB), 2, 4, 0, ""},
        {"failure beyond the destination", Lana("0", 0, kCardA) + Lana("1", 1, kCardB, fail), 2, 1, 0, a},
        {"no more entries than room", Lana("0", 0, kCardA) + Lana("1", 1, kCardB) + Lana("2", 2, kCardB), 3, 1, 3,
         a},
        {"no room: counted, nothing written", Lana("0", 0, kCardA) + Lana("1", 1, kCardB) + Lana("2", 2, kCardB), 3,
         0, 3, ""},
        {"negative room", Lana("0", 0, kCardA) + Lana("1", 1, kCardB) + Lana("2", 2, kCardB), 3, -5, 3, ""},
    };
    for (const auto &c : cases) {
        UseMachine(c.lanas.empty() ? "" : kNetBios + c.lanas);
        hs::CInventory inv;
        EXPECT_EQ(c.count, inv.SimGetNetCard(nullptr, 0)) << c.what;
        EXPECT_EQ(c.count, inv.SimGetNetCard(nullptr, 8)) << c.what;
        Entries entries = Filled(0x5a);
        EXPECT_EQ(c.result, inv.SimGetNetCard(entries.data(), c.n)) << c.what;
        std::string expected = c.written;
        while (expected.size() < 48) expected += untouched;
        EXPECT_EQ(expected, Hex(entries.data(), entries.size())) << c.what;
    }
}

TEST(HostNetCard, NothingIsTraced) {
    UseMachine(kNetBios + Lana("0", 0, kCardA));
    hs::CInventory inv;
    hs::sim::CaptureDebugOutput(true);
    hs::sim::TakeDebugOutput();
    Entries entries = Filled(0x5a);
    EXPECT_EQ(1, inv.SimGetNetCard(entries.data(), 4));
    EXPECT_EQ(1, inv.SimGetNetCard(nullptr, 0));
    EXPECT_EQ("", hs::sim::TakeDebugOutput());
    hs::sim::CaptureDebugOutput(false);
}

TEST(HostNetCard, DestinationAgainstAGuardPage) {
    GuardedPage page;
    ASSERT_TRUE(page.Ok()) << "mmap failed";
    UseMachine(kNetBios + Lana("0", 0, kCardA) + Lana("1", 1, kCardB));
    hs::CInventory inv;
    // Ending at the guard: filled up to its end.
    uint8_t *entry = page.Tail(6);
    EXPECT_EQ(2, inv.SimGetNetCard(entry, 1));
    EXPECT_EQ("001122aabbcc", Hex(entry, 6));
    // Unwritable, or room claimed for two entries where only one fits.
    EXPECT_EQ(0, inv.SimGetNetCard(page.Guard(), 2));
    std::memset(entry, 0x5a, 6);
    EXPECT_EQ(0, inv.SimGetNetCard(entry, 2));
    EXPECT_EQ("5a5a5a5a5a5a", Hex(entry, 6));
}

TEST(HostIP, FetchSucceedsWithoutWritingOrTracing) {
    UseMachine("");
    hs::CInventory empty;
    EXPECT_EQ(0, empty.GetHostIP(nullptr, 0));  // no destination: count zero
    EXPECT_EQ(0, empty.GetHostIP(nullptr, 4));
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
