// The simulated machine's facts (the HKEY_SIMULATION keys) as the Windows
// calls answer them, the process state they start, caller-memory checks
// against real pages, the debugger channel and the code page's strings.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "cpu/cpu_detail.h"
#include "cpu/cpu_info.h"
#include "cpu/detail_state.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

using hstest::UseMachine;

DWORD_PTR ProcessMask() {
    DWORD_PTR process = 0, system = 0;
    EXPECT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
    return process;
}

TEST(SimMachine, VersionMemoryAndTimer) {
    UseMachine(hstest::VersionKey(4, 10, 0x040a0898, 1, " A") +
               "[HKEY_SIMULATION\\Memory]\n\"TotalPhys\"=dword:20000000\n\"MemoryLoad\"=dword:00000021\n"
               "[HKEY_SIMULATION\\Timer]\n\"PeriodMin\"=dword:00000002\n\"PeriodMax\"=dword:00000010\n");
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    ASSERT_TRUE(GetVersionExA(&v));
    EXPECT_EQ((std::vector<DWORD>{4, 10, 0x040a0898, 1}),
              (std::vector<DWORD>{v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber, v.dwPlatformId}));
    EXPECT_STREQ(" A", v.szCSDVersion);
    MEMORYSTATUS m;
    std::memset(&m, 0xEE, sizeof m);
    GlobalMemoryStatus(&m);
    EXPECT_EQ(32u, m.dwLength);
    EXPECT_EQ(33u, m.dwMemoryLoad);
    EXPECT_EQ(0x20000000u, m.dwTotalPhys);
    EXPECT_EQ(0xFFFFFFFFu, m.dwTotalVirtual);  // the host's figure, capped
    TIMECAPS caps{};
    ASSERT_EQ(static_cast<MMRESULT>(TIMERR_NOERROR), timeGetDevCaps(&caps, sizeof caps));
    EXPECT_EQ(2u, caps.wPeriodMin);
    EXPECT_EQ(16u, caps.wPeriodMax);
    EXPECT_EQ(static_cast<MMRESULT>(TIMERR_NOCANDO), timeBeginPeriod(1));
    EXPECT_EQ(static_cast<MMRESULT>(TIMERR_NOERROR), timeBeginPeriod(2));
    EXPECT_EQ(static_cast<MMRESULT>(TIMERR_NOERROR), timeEndPeriod(2));
    UseMachine(hstest::kVersionFails + "[HKEY_SIMULATION\\Timer]\n\"DevCapsFails\"=dword:00000001\n");
    std::memset(&v, 0x5A, sizeof v);
    v.dwOSVersionInfoSize = sizeof v;
    EXPECT_FALSE(GetVersionExA(&v));
    EXPECT_EQ(0x5A5A5A5Au, v.dwMajorVersion);
    EXPECT_EQ(97u, timeGetDevCaps(&caps, sizeof caps));
}

TEST(SimMachine, AffinityPriorityAndApicIds) {
    UseMachine("[HKEY_SIMULATION\\System]\n\"NumberOfProcessors\"=dword:00000002\n"
               "\"SystemAffinityMask\"=dword:00000003\n\"ProcessAffinityMask\"=dword:00000003\n"
               "\"PriorityClass\"=dword:00000040\n[HKEY_SIMULATION\\Processor]\n\"ApicIds\"=hex:00,06\n"
               "[HKEY_SIMULATION\\Processor\\Leaves]\n\"00000001\"=\"00000f29 07020800 00004400 bfebfbff\"\n");
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    EXPECT_EQ(2u, info.dwNumberOfProcessors);
    EXPECT_EQ(3u, ProcessMask());
    // Two processors in the mask: the lowest one's APIC ID.
    EXPECT_EQ(0x00020800u, hs::ExecuteCpuid(1).ebx);
    SetLastError(0);
    EXPECT_FALSE(SetProcessAffinityMask(GetCurrentProcess(), 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(SetProcessAffinityMask(GetCurrentProcess(), 5));
    EXPECT_TRUE(SetProcessAffinityMask(GetCurrentProcess(), 2));
    EXPECT_EQ(2u, ProcessMask());
    EXPECT_EQ(0x06020800u, hs::ExecuteCpuid(1).ebx);
    EXPECT_EQ(static_cast<DWORD>(IDLE_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()));
    EXPECT_TRUE(SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS));
    EXPECT_FALSE(SetPriorityClass(GetCurrentProcess(), 0x1234));
    EXPECT_EQ(static_cast<DWORD>(REALTIME_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()));
    // A new machine starts from its own state: one processor, class 0x20.
    UseMachine("");
    GetSystemInfo(&info);
    EXPECT_EQ(1u, info.dwNumberOfProcessors);
    EXPECT_EQ(6, info.wProcessorLevel);  // family of leaf 1 (0x683)
    EXPECT_EQ(0x0803, info.wProcessorRevision);
    EXPECT_EQ(1u, ProcessMask());
    EXPECT_FALSE(SetProcessAffinityMask(GetCurrentProcess(), 2));
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()));
    EXPECT_EQ(0x00000002u, hs::ExecuteCpuid(1).ebx);  // without ApicIds, leaf 1 as listed
    const hs::CpuidRegs unlisted = hs::ExecuteCpuid(0x80000000u);
    EXPECT_EQ(0u, unlisted.eax | unlisted.ebx | unlisted.ecx | unlisted.edx);
}

TEST(SimMachine, ProcessorProbesAndVirtualClock) {
    UseMachine("[HKEY_SIMULATION\\Processor]\n\"CpuidSupported\"=dword:00000000\n\"SseFault\"=dword:c000001d\n"
               "\"MxcsrMask\"=dword:0000ffbf\n\"ClockStart\"=dword:fffffffe\n\"TscKHz\"=dword:000003e8\n");
    EXPECT_FALSE(hs::CanToggleIdFlag());
    EXPECT_EQ(hs::kStatusIllegalInstruction, hs::ProbeSse());
    EXPECT_EQ(0u, hs::ProbeSse2());
    EXPECT_EQ(0xFFBFu, hs::ReadMxcsrMask());
    // Every read advances the clock by 1 ms, modulo 2^32; the counter does
    // not wrap with it.
    EXPECT_EQ(0u, hs::ReadTsc());
    EXPECT_EQ(0xFFFFFFFFu, timeGetTime());
    EXPECT_EQ(0u, timeGetTime());
    EXPECT_EQ(2000u, hs::ReadTsc());
    Sleep(10);
    EXPECT_EQ(12000u, hs::ReadTsc());
    EXPECT_EQ(11u, timeGetTime());
    UseMachine("[HKEY_SIMULATION\\Processor]\n");  // the defaults
    EXPECT_TRUE(hs::CanToggleIdFlag());
    EXPECT_EQ(0xFFFFu, hs::ReadMxcsrMask());
    EXPECT_EQ(1u, timeGetTime());
    Sleep(100);
    EXPECT_EQ(0u, hs::ReadTsc());
    EXPECT_EQ(102u, timeGetTime());
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

TEST(SimMachine, AdaptersAndNetBios) {
    const std::string adapters =
        "[HKEY_SIMULATION\\Adapters\\0]\n\"AdapterName\"=\"{A}\"\n\"Description\"=\"Intel PRO/100\"\n"
        "\"Address\"=hex:00,0c,29,3a,4b,5c\n\"IpAddress\"=\"192.168.1.20\"\n"
        "[HKEY_SIMULATION\\Adapters\\1]\n\"AdapterName\"=\"{B}\"\n\"Description\"=\"Modem\"\n"
        "[HKEY_SIMULATION\\NetBIOS\\A]\n\"Lana\"=dword:00000000\n\"Address\"=hex:00,0c,29,3a,4b,5c\n"
        "[HKEY_SIMULATION\\NetBIOS\\B]\n\"Lana\"=dword:00000003\n\"Address\"=hex:00,50,56,c0,00,08\n"
        "\"StatusResult\"=dword:00000023\n\"ResetResult\"=dword:00000001\n";
    UseMachine(adapters);
    ULONG size = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUFFER_OVERFLOW), GetAdaptersInfo(nullptr, &size));
    EXPECT_EQ(2 * sizeof(IP_ADAPTER_INFO), size);
    std::vector<IP_ADAPTER_INFO> list(2);
    size = sizeof(IP_ADAPTER_INFO);
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUFFER_OVERFLOW), GetAdaptersInfo(list.data(), &size));
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetAdaptersInfo(list.data(), &size));
    EXPECT_EQ(&list[1], list[0].Next);
    EXPECT_EQ(nullptr, list[1].Next);
    EXPECT_STREQ("Intel PRO/100", list[0].Description);
    EXPECT_EQ(0, std::memcmp(list[0].Address, "\x00\x0c\x29\x3a\x4b\x5c", 6));
    EXPECT_EQ(6u, list[0].AddressLength);
    EXPECT_EQ(0u, list[1].AddressLength);
    EXPECT_STREQ("192.168.1.20", list[0].IpAddressList.IpAddress.String);

    LANA_ENUM lanas{};
    NCB ncb{};
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = reinterpret_cast<UCHAR *>(&lanas);
    ncb.ncb_length = sizeof lanas;
    ASSERT_EQ(NRC_GOODRET, Netbios(&ncb));
    EXPECT_EQ(std::string("\x02\x00\x03", 3), std::string(reinterpret_cast<char *>(&lanas), 3));
    ADAPTER_STATUS status{};
    NCB astat{};
    astat.ncb_command = NCBASTAT;
    astat.ncb_buffer = reinterpret_cast<UCHAR *>(&status);
    astat.ncb_length = sizeof status;
    astat.ncb_callname[0] = '*';
    ASSERT_EQ(NRC_GOODRET, Netbios(&astat));
    EXPECT_EQ(0, std::memcmp(status.adapter_address, "\x00\x0c\x29\x3a\x4b\x5c", 6));
    astat.ncb_lana_num = 3;
    EXPECT_EQ(0x23, Netbios(&astat));
    NCB reset{};
    reset.ncb_command = NCBRESET;
    reset.ncb_lana_num = 3;
    EXPECT_EQ(1, Netbios(&reset));
    reset.ncb_lana_num = 7;
    EXPECT_EQ(NRC_BRIDGE, Netbios(&reset));

    // Failures as configured, and the defaults: no adapters, no LANAs.
    UseMachine(adapters + "[HKEY_SIMULATION\\Adapters]\n\"FillResult\"=dword:0000001f\n"
                          "[HKEY_SIMULATION\\NetBIOS]\n\"EnumResult\"=dword:00000034\n");
    size = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUFFER_OVERFLOW), GetAdaptersInfo(nullptr, &size));
    EXPECT_EQ(0x1fu, GetAdaptersInfo(list.data(), &size));
    EXPECT_EQ(NRC_ENVNOTDEF, Netbios(&ncb));
    UseMachine(adapters + "[HKEY_SIMULATION\\Adapters]\n\"Result\"=dword:00000032\n");
    size = 0;
    EXPECT_EQ(50u, GetAdaptersInfo(nullptr, &size));
    UseMachine("");
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_DATA), GetAdaptersInfo(nullptr, &size));
    lanas.length = 99;
    EXPECT_EQ(NRC_GOODRET, Netbios(&ncb));
    EXPECT_EQ(0, lanas.length);
}

TEST(SimMachine, Printers) {
    const std::string printers = "[HKEY_SIMULATION\\Printers\\Default\\P1]\n\"Name\"=\"HP LaserJet 4\"\n"
                                 "[HKEY_SIMULATION\\Printers\\Local\\P1]\n\"Name\"=\"HP LaserJet 4\"\n"
                                 "[HKEY_SIMULATION\\Printers\\Local\\P2]\n\"Name\"=\"Fax\"\n";
    UseMachine(printers);
    std::vector<BYTE> buffer(1024);
    DWORD needed = 0, returned = 7;
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &returned));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(2 * sizeof(PRINTER_INFO_4A) + sizeof "HP LaserJet 4" + sizeof "Fax", needed);
    EXPECT_EQ(0u, returned);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed - 1, &needed, &returned));
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_NAME, nullptr, 4, buffer.data(), needed, &needed, &returned));
    ASSERT_EQ(2u, returned);
    const auto *local = reinterpret_cast<PRINTER_INFO_4A *>(buffer.data());
    EXPECT_STREQ("Fax", local[1].pPrinterName);
    // The strings lie in the caller's buffer, after the records.
    EXPECT_EQ(reinterpret_cast<char *>(buffer.data()) + 2 * sizeof(PRINTER_INFO_4A), local[0].pPrinterName);
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 5, buffer.data(), 1024, &needed, &returned));
    ASSERT_EQ(1u, returned);
    EXPECT_STREQ("LPT1:", reinterpret_cast<PRINTER_INFO_5A *>(buffer.data())->pPortName);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 3, buffer.data(), 1024, &needed, &returned));
    EXPECT_EQ(124u, GetLastError());
    // The retry error comes only once the buffer is large enough.
    UseMachine(printers + "[HKEY_SIMULATION\\Printers]\n\"DefaultError\"=dword:000006ba\n"
                          "\"LocalRetryError\"=dword:00000005\n");
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 4, buffer.data(), 1024, &needed, &returned));
    EXPECT_EQ(0x6bau, GetLastError());
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &returned));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed, &needed, &returned));
    EXPECT_EQ(5u, GetLastError());
    UseMachine("");
    EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &returned));
    EXPECT_EQ(0u, needed + returned);
}

TEST(SimMachine, Drives) {
    UseMachine("[HKEY_SIMULATION\\Drives]\n\"A\"=dword:00000002\n\"C\"=dword:00000003\n\"d\"=dword:00000005\n"
               "\"E\"=dword:00000004\n");
    const std::pair<const char *, UINT> types[] = {{"A:", DRIVE_REMOVABLE}, {"c:\\", DRIVE_FIXED},
                                                   {"D:", DRIVE_CDROM},     {"F:", DRIVE_NO_ROOT_DIR},
                                                   {"C:\\Windows", DRIVE_NO_ROOT_DIR}, {nullptr, DRIVE_FIXED}};
    for (const auto &[root, type] : types) EXPECT_EQ(type, GetDriveTypeA(root)) << (root ? root : "null");
    // Ready by default: the fixed, remote and RAM-disk letters.
    EXPECT_EQ(3, _getdrive());
    EXPECT_EQ((std::vector<int>{-1, -1, -1, 0, 5}), (std::vector<int>{_chdrive(1), _chdrive(4), _chdrive(27),
                                                                     _chdrive(5), _getdrive()}));
    UseMachine("[HKEY_SIMULATION\\Drives]\n\"A\"=dword:00000002\n\"Current\"=\"a\"\n\"Ready\"=\"AZ\"\n");
    EXPECT_EQ(1, _getdrive());
    EXPECT_EQ(-1, _chdrive(3));
    EXPECT_EQ(0, _chdrive(26));
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

// The debugger channel: byte for byte into the file HARDSCAN_DEBUG_OUTPUT
// names, to standard error for "-", and kept while a test captures it.
TEST(SimMachine, DebugOutput) {
    char path[] = "/tmp/sim_debug_XXXXXX";
    close(mkstemp(path));
    const char *previous = getenv("HARDSCAN_DEBUG_OUTPUT");
    const std::string saved = previous ? previous : "";
    setenv("HARDSCAN_DEBUG_OUTPUT", path, 1);
    hs::sim::CaptureDebugOutput(true);
    OutputDebugStringA("first line\n");
    OutputDebugStringA("no end");
    OutputDebugStringA(nullptr);
    EXPECT_EQ("first line\nno end", hs::sim::TakeDebugOutput());
    hs::sim::CaptureDebugOutput(false);
    OutputDebugStringA("!");
    EXPECT_EQ("", hs::sim::TakeDebugOutput());
    previous ? setenv("HARDSCAN_DEBUG_OUTPUT", saved.c_str(), 1) : unsetenv("HARDSCAN_DEBUG_OUTPUT");
    std::stringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ("first line\nno end!", content.str());
    unlink(path);
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
