// The simulated machine's process state: affinity, priority, the virtual
// clock and the simulated processor.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "test_support.h"

namespace {

const char kTwoProcessors[] =
    "[HKEY_SIMULATION\\System]\n"
    "\"NumberOfProcessors\"=dword:00000002\n"
    "\"SystemAffinityMask\"=dword:00000003\n"
    "\"ProcessAffinityMask\"=dword:00000003\n"
    "[HKEY_SIMULATION\\Processor]\n"
    "\"ApicIds\"=hex:00,06\n"
    "[HKEY_SIMULATION\\Processor\\Leaves]\n"
    "\"00000000\"=\"00000002 756e6547 6c65746e 49656e69\"\n"
    "\"00000001\"=\"00000f29 07020800 00004400 bfebfbff\"\n";

DWORD_PTR ProcessMask() {
    DWORD_PTR process = 0, system = 0;
    EXPECT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
    return process;
}

TEST(SimSystemAffinity, RefusesEmptyMasksAndForeignProcessors) {
    hstest::UseMachine(kTwoProcessors);
    DWORD_PTR process = 0, system = 0;
    ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
    EXPECT_EQ(3u, process);
    EXPECT_EQ(3u, system);
    SetLastError(0);
    EXPECT_FALSE(SetProcessAffinityMask(GetCurrentProcess(), 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(3u, ProcessMask());
    EXPECT_FALSE(SetProcessAffinityMask(GetCurrentProcess(), 5));
    EXPECT_EQ(3u, ProcessMask());
    EXPECT_TRUE(SetProcessAffinityMask(GetCurrentProcess(), 2));
    EXPECT_EQ(2u, ProcessMask());
}

TEST(SimSystemAffinity, DefaultsForASimulatedProcessorAreOneProcessor) {
    hstest::UseMachine("");
    DWORD_PTR process = 0, system = 0;
    ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
    EXPECT_EQ(1u, process);
    EXPECT_EQ(1u, system);
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    EXPECT_EQ(1u, info.dwNumberOfProcessors);
    EXPECT_EQ(1u, info.dwActiveProcessorMask);
    EXPECT_EQ(6, info.wProcessorLevel);      // family of leaf 1 (0x683)
    EXPECT_EQ(0x0803, info.wProcessorRevision);
    EXPECT_FALSE(SetProcessAffinityMask(GetCurrentProcess(), 2));
}

TEST(SimSystemAffinity, ApicIdFollowsTheSingleProcessorOfTheMask) {
    hstest::UseMachine(kTwoProcessors);
    // Two processors in the mask: the lowest one's ID.
    EXPECT_EQ(0x00020800u, hs::ExecuteCpuid(1).ebx);
    ASSERT_TRUE(SetProcessAffinityMask(GetCurrentProcess(), 2));
    EXPECT_EQ(0x06020800u, hs::ExecuteCpuid(1).ebx);
    ASSERT_TRUE(SetProcessAffinityMask(GetCurrentProcess(), 1));
    EXPECT_EQ(0x00020800u, hs::ExecuteCpuid(1).ebx);
}

TEST(SimSystemAffinity, WithoutApicIdsLeafOneIsAnsweredAsListed) {
    hstest::UseMachine(
        "[HKEY_SIMULATION\\Processor\\Leaves]\n\"00000001\"=\"00000f29 07020800 00004400 bfebfbff\"\n");
    hs::CpuidRegs r = hs::ExecuteCpuid(1);
    EXPECT_EQ(0x00000f29u, r.eax);
    EXPECT_EQ(0x07020800u, r.ebx);
    EXPECT_EQ(0x00004400u, r.ecx);
    EXPECT_EQ(0xbfebfbffu, r.edx);
    r = hs::ExecuteCpuid(0x80000000u);  // not listed
    EXPECT_EQ(0u, r.eax | r.ebx | r.ecx | r.edx);
}

TEST(SimSystemPriority, ClassChangesAndInvalidClassesAreRefused) {
    hstest::UseMachine("[HKEY_SIMULATION\\System]\n\"PriorityClass\"=dword:00000040\n");
    EXPECT_EQ(static_cast<DWORD>(IDLE_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()));
    EXPECT_TRUE(SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS));
    EXPECT_EQ(static_cast<DWORD>(REALTIME_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()));
    EXPECT_FALSE(SetPriorityClass(GetCurrentProcess(), 0x1234));
    EXPECT_EQ(static_cast<DWORD>(REALTIME_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()));
    // A new machine starts from its own initial class.
    hstest::UseMachine("");
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()));
}

TEST(SimSystemClock, EveryReadAdvancesOneMillisecondAndWraps) {
    hstest::UseMachine("[HKEY_SIMULATION\\Processor]\n\"ClockStart\"=dword:fffffffe\n\"TscKHz\"=dword:000003e8\n");
    EXPECT_EQ(0u, hs::ReadTsc());
    EXPECT_EQ(0xFFFFFFFFu, timeGetTime());
    EXPECT_EQ(0u, timeGetTime());
    EXPECT_EQ(1u, timeGetTime());
    // The counter does not wrap with the clock: three milliseconds of 1000 ticks.
    EXPECT_EQ(3000u, hs::ReadTsc());
    Sleep(10);
    EXPECT_EQ(13000u, hs::ReadTsc());
    EXPECT_EQ(12u, timeGetTime());
}

TEST(SimSystemClock, CounterStandsStillWithoutTscRate) {
    hstest::UseMachine("[HKEY_SIMULATION\\Processor]\n\"ClockStart\"=dword:00001000\n");
    EXPECT_EQ(0x1001u, timeGetTime());
    Sleep(100);
    EXPECT_EQ(0u, hs::ReadTsc());
    EXPECT_EQ(0x1066u, timeGetTime());
}

TEST(SimSystemProcessor, FactsOfTheSimulatedProcessor) {
    hstest::UseMachine(
        "[HKEY_SIMULATION\\Processor]\n\"CpuidSupported\"=dword:00000000\n\"SseFault\"=dword:c000001d\n"
        "\"MxcsrMask\"=dword:0000ffbf\n");
    EXPECT_FALSE(hs::CanToggleIdFlag());
    EXPECT_EQ(hs::kStatusIllegalInstruction, hs::ProbeSse());
    EXPECT_EQ(0u, hs::ProbeSse2());
    EXPECT_EQ(0xFFBFu, hs::ReadMxcsrMask());
    hstest::UseMachine("");
    EXPECT_TRUE(hs::CanToggleIdFlag());
    EXPECT_EQ(0xFFFFu, hs::ReadMxcsrMask());
}

TEST(SimSystemProcessor, RealProcessorAnswersWithoutAProcessorKey) {
#if defined(__x86_64__)
    hstest::UseMachine("", false);
    EXPECT_TRUE(hs::CanToggleIdFlag());
    hs::CpuidRegs vendor = hs::ExecuteCpuid(0);
    EXPECT_GE(vendor.eax, 1u);
    EXPECT_NE(0u, vendor.ebx);
    // Every x86-64 processor executes SSE and SSE2.
    EXPECT_EQ(0u, hs::ProbeSse());
    EXPECT_EQ(0u, hs::ProbeSse2());
    EXPECT_NE(0u, hs::ReadMxcsrMask());
    uint64_t t0 = hs::ReadTsc();
    DWORD m0 = timeGetTime();
    Sleep(20);
    EXPECT_GT(hs::ReadTsc(), t0);
    EXPECT_GE(timeGetTime() - m0, 19u);
    hstest::UseMachine("");
#else
    GTEST_SKIP() << "the real-processor path executes x86-64 instructions";
#endif
}

TEST(SimSystemVersion, FactsAndFailure) {
    hstest::UseMachine(hstest::VersionKey(4, 10, 0x040a0898, 1, " A"));
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    ASSERT_TRUE(GetVersionExA(&v));
    EXPECT_EQ(4u, v.dwMajorVersion);
    EXPECT_EQ(10u, v.dwMinorVersion);
    EXPECT_EQ(0x040a0898u, v.dwBuildNumber);
    EXPECT_EQ(1u, v.dwPlatformId);
    EXPECT_STREQ(" A", v.szCSDVersion);
    v.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(GetVersionExA(&v));
    hstest::UseMachine("[HKEY_SIMULATION\\Version]\n\"Fails\"=dword:00000001\n");
    OSVERSIONINFOA untouched;
    memset(&untouched, 0x5A, sizeof untouched);
    untouched.dwOSVersionInfoSize = sizeof untouched;
    EXPECT_FALSE(GetVersionExA(&untouched));
    EXPECT_EQ(0x5A5A5A5Au, untouched.dwMajorVersion);
}

TEST(SimSystemMemory, ProfileFiguresAndLength) {
    hstest::UseMachine("[HKEY_SIMULATION\\Memory]\n\"TotalPhys\"=dword:20000000\n\"MemoryLoad\"=dword:00000021\n");
    MEMORYSTATUS m;
    memset(&m, 0xEE, sizeof m);
    GlobalMemoryStatus(&m);
    EXPECT_EQ(32u, m.dwLength);
    EXPECT_EQ(33u, m.dwMemoryLoad);
    EXPECT_EQ(0x20000000u, m.dwTotalPhys);
    // Host figures for the rest, capped at 4 GiB - 1.
    EXPECT_LE(m.dwAvailPhys, 0xFFFFFFFFu);
    EXPECT_EQ(0xFFFFFFFFu, m.dwTotalVirtual);
}

TEST(SimSystemTimer, CapabilitiesAndPeriods) {
    hstest::UseMachine("[HKEY_SIMULATION\\Timer]\n\"PeriodMin\"=dword:00000002\n\"PeriodMax\"=dword:00000010\n");
    TIMECAPS caps{};
    ASSERT_EQ(static_cast<MMRESULT>(TIMERR_NOERROR), timeGetDevCaps(&caps, sizeof caps));
    EXPECT_EQ(2u, caps.wPeriodMin);
    EXPECT_EQ(16u, caps.wPeriodMax);
    EXPECT_EQ(static_cast<MMRESULT>(TIMERR_NOCANDO), timeBeginPeriod(1));
    EXPECT_EQ(static_cast<MMRESULT>(TIMERR_NOERROR), timeBeginPeriod(2));
    EXPECT_EQ(static_cast<MMRESULT>(TIMERR_NOERROR), timeEndPeriod(2));
    hstest::UseMachine("[HKEY_SIMULATION\\Timer]\n\"DevCapsFails\"=dword:00000001\n");
    EXPECT_EQ(97u, timeGetDevCaps(&caps, sizeof caps));
}

TEST(SimSystemDrives, TypesCurrentDriveAndReadiness) {
    hstest::UseMachine(
        "[HKEY_SIMULATION\\Drives]\n\"A\"=dword:00000002\n\"C\"=dword:00000003\n\"d\"=dword:00000005\n"
        "\"E\"=dword:00000004\n");
    EXPECT_EQ(static_cast<UINT>(DRIVE_REMOVABLE), GetDriveTypeA("A:"));
    EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), GetDriveTypeA("c:\\"));
    EXPECT_EQ(static_cast<UINT>(DRIVE_CDROM), GetDriveTypeA("D:"));
    EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), GetDriveTypeA("F:"));
    EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), GetDriveTypeA("C:\\Windows"));
    EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), GetDriveTypeA(nullptr));
    EXPECT_EQ(3, _getdrive());
    EXPECT_EQ(-1, _chdrive(1));  // removable: not ready by default
    EXPECT_EQ(-1, _chdrive(4));  // CD-ROM
    EXPECT_EQ(-1, _chdrive(27));
    EXPECT_EQ(0, _chdrive(5));  // remote
    EXPECT_EQ(5, _getdrive());
    hstest::UseMachine("[HKEY_SIMULATION\\Drives]\n\"A\"=dword:00000002\n\"Current\"=\"a\"\n\"Ready\"=\"AZ\"\n");
    EXPECT_EQ(1, _getdrive());
    EXPECT_EQ(-1, _chdrive(3));
    EXPECT_EQ(0, _chdrive(26));
}

}  // namespace
