// Caller-memory checks against real guard pages, the code page's string
// functions and the debugger channel.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/platform.h"
#include "platform/sim/sim_machine.h"
#include "test_support.h"

namespace {

// Three pages: readable and writable, read-only, no access.
class SimMemoryGuardPages : public ::testing::Test {
protected:
    void SetUp() override {
        m_page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        void *p = mmap(nullptr, 3 * m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(MAP_FAILED, p);
        m_base = static_cast<char *>(p);
        ASSERT_EQ(0, mprotect(m_base + m_page, m_page, PROT_READ));
        ASSERT_EQ(0, mprotect(m_base + 2 * m_page, m_page, PROT_NONE));
    }
    void TearDown() override {
        if (m_base != nullptr) munmap(m_base, 3 * m_page);
    }
    size_t m_page = 0;
    char *m_base = nullptr;
};

TEST_F(SimMemoryGuardPages, ReadChecks) {
    EXPECT_FALSE(IsBadReadPtr(m_base, 2 * m_page));
    EXPECT_TRUE(IsBadReadPtr(m_base + 2 * m_page, 1));
    EXPECT_TRUE(IsBadReadPtr(m_base + 2 * m_page - 4, 8));  // runs into the guard page
    EXPECT_FALSE(IsBadReadPtr(m_base + 2 * m_page - 4, 4));
    EXPECT_TRUE(IsBadReadPtr(nullptr, 1));
    EXPECT_FALSE(IsBadReadPtr(nullptr, 0));
    EXPECT_FALSE(IsBadReadPtr(m_base + 2 * m_page, 0));
    EXPECT_TRUE(IsBadReadPtr(m_base, static_cast<UINT_PTR>(-1)));
}

TEST_F(SimMemoryGuardPages, WriteChecks) {
    EXPECT_FALSE(IsBadWritePtr(m_base, m_page));
    EXPECT_TRUE(IsBadWritePtr(m_base, m_page + 1));  // into the read-only page
    EXPECT_TRUE(IsBadWritePtr(m_base + m_page, 1));
    EXPECT_TRUE(IsBadWritePtr(m_base + 2 * m_page, 1));
    EXPECT_TRUE(IsBadWritePtr(nullptr, 4));
    int local = 0;
    EXPECT_FALSE(IsBadWritePtr(&local, sizeof local));
}

TEST_F(SimMemoryGuardPages, UnmappedRange) {
    ASSERT_EQ(0, munmap(m_base + m_page, m_page));
    EXPECT_TRUE(IsBadReadPtr(m_base, 2 * m_page));
    EXPECT_TRUE(IsBadReadPtr(m_base + m_page, 1));
    EXPECT_FALSE(IsBadReadPtr(m_base, m_page));
}

TEST(SimMemoryLargeRanges, EveryPageOfALongRangeIsChecked) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t pages = 80;  // longer than one slice of the read check
    char *base = static_cast<char *>(mmap(nullptr, pages * page, PROT_READ | PROT_WRITE,
                                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(MAP_FAILED, static_cast<void *>(base));
    EXPECT_FALSE(IsBadReadPtr(base, pages * page));
    EXPECT_FALSE(IsBadWritePtr(base, pages * page));
    ASSERT_EQ(0, mprotect(base + (pages - 1) * page, page, PROT_NONE));
    EXPECT_TRUE(IsBadReadPtr(base, pages * page));
    EXPECT_TRUE(IsBadWritePtr(base, pages * page));
    EXPECT_FALSE(IsBadReadPtr(base, (pages - 1) * page));
    munmap(base, pages * page);
}

TEST(SimMemoryStrings, CaseFoldingOfAsciiLettersOnly) {
    auto u = [](const char *s) { return reinterpret_cast<const unsigned char *>(s); };
    EXPECT_EQ(0, _mbsicmp(u("Microsoft"), u("MICROSOFT")));
    EXPECT_GT(0, _mbsicmp(u("abc"), u("ABD")));
    EXPECT_LT(0, _mbsicmp(u("abcd"), u("ABC")));
    EXPECT_NE(0, _mbsicmp(u("\xE9"), u("\xC9")));  // no folding outside ASCII
    EXPECT_NE(0, _mbscmp(u("abc"), u("ABC")));
    EXPECT_EQ(0, _mbscmp(u("abc"), u("abc")));
    EXPECT_LT(0, _mbscmp(u("\xE9"), u("z")));  // unsigned comparison
    unsigned char text[] = "Caf\xE9 m\xFCsli_1";
    EXPECT_EQ(text, _mbsupr(text));
    EXPECT_STREQ("CAF\xE9 M\xFCSLI_1", reinterpret_cast<char *>(text));
}

TEST(SimMemoryDebugOutput, CaptureAndFileAreByteExact) {
    char path[] = "/tmp/sim_debug_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    const char *previous = getenv("HARDSCAN_DEBUG_OUTPUT");
    std::string saved = previous ? previous : "";
    setenv("HARDSCAN_DEBUG_OUTPUT", path, 1);
    hs::sim::CaptureDebugOutput(true);
    OutputDebugStringA("first line\n");
    OutputDebugStringA("no end");
    OutputDebugStringA(nullptr);
    EXPECT_EQ("first line\nno end", hs::sim::TakeDebugOutput());
    EXPECT_EQ("", hs::sim::TakeDebugOutput());
    hs::sim::CaptureDebugOutput(false);
    OutputDebugStringA("!");
    EXPECT_EQ("", hs::sim::TakeDebugOutput());
    if (previous) setenv("HARDSCAN_DEBUG_OUTPUT", saved.c_str(), 1);
    else unsetenv("HARDSCAN_DEBUG_OUTPUT");
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ("first line\nno end!", content.str());
    unlink(path);
}

TEST(SimMemoryLastError, IsPerThread) {
    SetLastError(1234);
    DWORD other = 0;
    std::thread t([&] {
        SetLastError(5);
        other = GetLastError();
    });
    t.join();
    EXPECT_EQ(5u, other);
    EXPECT_EQ(1234u, GetLastError());
}

}  // namespace
