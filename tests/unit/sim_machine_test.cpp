// The simulated machine: the profiles under tests/machines/sim/ dumped as the
// Windows calls see them (docs/testing.md), then what a dump cannot hold.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <thread>
#include <vector>

#include "cpu/cpu_detail.h"
#include "cpu/cpu_info.h"
#include "cpu/detail_state.h"
#include "golden.h"
#include "platform/platform.h"
#include "platform/sim/sim_machine.h"
#include "sim_dump.h"
#include "test_support.h"

namespace {

TEST(SimGolden, ProfilesAsTheWindowsCallsSeeThem) {
    for (const char *name : {"facts-all", "facts-failing-first", "facts-failing-later", "facts-defaults"}) {
        const std::string profile = std::string("tests/machines/sim/") + name;
        hs::sim::LoadMachineFile(std::string(HS_SOURCE_DIR) + "/" + profile + ".reg");
        std::ostringstream out;
        out << "# Registry\n";
        simtest::DumpKey(out, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE");
        simtest::DumpFacts(out);
        hstest::ExpectGolden("tests/machines/sim/expected/" + std::string(name) + ".txt", out.str());
    }
}

using hstest::UseMachine;

// A memory figure that a profile leaves out is the host's own, which a dump
// cannot hold.
TEST(SimMachine, MemoryFiguresLeftOutAreTheHostsCapped) {
    UseMachine("[HKEY_SIMULATION\\Memory]\n\"TotalPhys\"=dword:20000000\n\"MemoryLoad\"=dword:00000021\n");
    MEMORYSTATUS m;
    std::memset(&m, 0xEE, sizeof m);
    GlobalMemoryStatus(&m);
    EXPECT_EQ(32u, m.dwLength);
    EXPECT_EQ(33u, m.dwMemoryLoad);
    EXPECT_EQ(0x20000000u, m.dwTotalPhys);
    EXPECT_EQ(0xFFFFFFFFu, m.dwTotalVirtual);  // the host's 128 TiB, capped
}

// Without a processor key the host's own processor and clock answer, and
// the two readers of the processor agree on it.
TEST(SimMachine, RealProcessorWithoutAProcessorKey) {
#if defined(__x86_64__)
    UseMachine("", false);
    EXPECT_TRUE(hs::CanToggleIdFlag());
    EXPECT_EQ(0u, hs::ProbeSse());  // every x86-64 processor executes SSE and SSE2
    EXPECT_EQ(0u, hs::ProbeSse2());
    const uint64_t t0 = hs::ReadTsc();
    const DWORD m0 = timeGetTime();
    Sleep(20);
    EXPECT_GT(hs::ReadTsc(), t0);
    EXPECT_GE(timeGetTime() - m0, 19u);
    hs::CpuInfo info;
    ASSERT_EQ(1u, info.InitCpuStates());
    EXPECT_EQ(12u, info.GetVendorString().size());
    hs::ResetDetailState();
    hs::CpuDetail detail{};
    char brand[48] = {};
    detail.brandString = brand;
    EXPECT_EQ(1u, hs::FillCpuDetail(0, &detail));  // no timing: duration 0
    EXPECT_EQ(info.m_cpuStates.GetFamily(), detail.family);
    EXPECT_EQ(info.m_cpuStates.m_leaf1[3], detail.featureFlags);
    EXPECT_EQ(info.GetVendorString() == "GenuineIntel" ? 1u : info.GetVendorString() == "AuthenticAMD" ? 2u : 0u,
              detail.vendorClass);
    hs::ResetDetailState();
    UseMachine("");
#else
    GTEST_SKIP() << "the real-processor path executes x86-64 instructions";
#endif
}

// IsBadReadPtr and IsBadWritePtr look at the process's real pages:
// read-write, read-only, none, and one that is not mapped at all.
TEST(SimMachine, CallerMemoryChecks) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE)), pages = 80;  // longer than one check's slice
    auto *base =
        static_cast<char *>(mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(MAP_FAILED, static_cast<void *>(base));
    EXPECT_FALSE(IsBadReadPtr(base, pages * page));
    EXPECT_FALSE(IsBadWritePtr(base, pages * page));
    ASSERT_EQ(0, mprotect(base + page, page, PROT_READ));
    ASSERT_EQ(0, mprotect(base + (pages - 1) * page, page, PROT_NONE));
    ASSERT_EQ(0, munmap(base + 2 * page, page));
    EXPECT_FALSE(IsBadReadPtr(base, 2 * page));
    EXPECT_TRUE(IsBadReadPtr(base, 3 * page));
    EXPECT_FALSE(IsBadWritePtr(base, page));
    EXPECT_TRUE(IsBadWritePtr(base, page + 1));
    EXPECT_FALSE(IsBadReadPtr(base + 3 * page, (pages - 4) * page));
    EXPECT_TRUE(IsBadReadPtr(base + 3 * page, (pages - 3) * page));
    EXPECT_TRUE(IsBadReadPtr(base + (pages - 1) * page - 4, 8));
    EXPECT_FALSE(IsBadReadPtr(base + (pages - 1) * page, 0));
    EXPECT_TRUE(IsBadReadPtr(nullptr, 1));
    EXPECT_FALSE(IsBadReadPtr(nullptr, 0));
    EXPECT_TRUE(IsBadWritePtr(nullptr, 4));
    EXPECT_TRUE(IsBadReadPtr(base, static_cast<UINT_PTR>(-1)));
    munmap(base, 2 * page);
    munmap(base + 3 * page, (pages - 3) * page);
}

// The debugger channel kept while a test captures it, and "-" for standard
// error; the file that HARDSCAN_DEBUG_OUTPUT names holds every machine's
// expected debugger output (tests/machines/expected/).
TEST(SimMachine, DebugOutput) {
    hs::sim::CaptureDebugOutput(true);
    OutputDebugStringA("first line\n");
    OutputDebugStringA("no end");
    OutputDebugStringA(nullptr);
    EXPECT_EQ("first line\nno end", hs::sim::TakeDebugOutput());
    hs::sim::CaptureDebugOutput(false);
    OutputDebugStringA("!");
    EXPECT_EQ("", hs::sim::TakeDebugOutput());
    EXPECT_EXIT(
        {
            setenv("HARDSCAN_DEBUG_OUTPUT", "-", 1);
            OutputDebugStringA("to standard error");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "^to standard error$");
}

TEST(SimMachine, LastErrorPerThreadAndCodePageStrings) {
    SetLastError(1234);
    DWORD other = 0;
    std::thread([&] {
        SetLastError(5);
        other = GetLastError();
    }).join();
    EXPECT_EQ(5u, other);
    EXPECT_EQ(1234u, GetLastError());
    auto u = [](const char *s) { return reinterpret_cast<const unsigned char *>(s); };
    EXPECT_EQ(0, _mbsicmp(u("Microsoft"), u("MICROSOFT")));
    EXPECT_GT(0, _mbsicmp(u("abc"), u("ABD")));
    EXPECT_LT(0, _mbsicmp(u("abcd"), u("ABC")));
    EXPECT_NE(0, _mbsicmp(u("\xE9"), u("\xC9")));  // no folding outside ASCII
    EXPECT_NE(0, _mbscmp(u("abc"), u("ABC")));
    EXPECT_LT(0, _mbscmp(u("\xE9"), u("z")));  // unsigned comparison
    unsigned char text[] = "Caf\xE9 m\xFCsli_1";
    EXPECT_EQ(text, _mbsupr(text));
    EXPECT_STREQ("CAF\xE9 M\xFCSLI_1", reinterpret_cast<char *>(text));
}

}  // namespace
