// The processor instructions of the Windows platform, run on the processor
// that executes this program, compared with the compiler's own CPUID access.
#include "platform/platform.h"
#include "platform/win/probe_guard.h"

#include <cpuid.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

int g_tests = 0;
int g_failures = 0;

void ok(bool condition, int line, const char *format, ...) __attribute__((format(printf, 3, 4)));

void ok(bool condition, int line, const char *format, ...)
{
    ++g_tests;
    if (condition)
        return;
    ++g_failures;
    std::printf("cpu_ops_test.cpp:%d: Test failed: ", line);
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

#define OK(cond, ...) ok((cond), __LINE__, __VA_ARGS__)

void TestCpuid()
{
    unsigned a, b, c, d;
    __cpuid(0, a, b, c, d);
    const hs::CpuidRegs leaf0 = hs::ExecuteCpuid(0);
    OK(leaf0.eax == a && leaf0.ebx == b && leaf0.ecx == c && leaf0.edx == d,
       "leaf 0: got %08x %08x %08x %08x, expected %08x %08x %08x %08x\n", leaf0.eax, leaf0.ebx, leaf0.ecx,
       leaf0.edx, a, b, c, d);
    char vendor[13];
    std::memcpy(vendor, &leaf0.ebx, 4);
    std::memcpy(vendor + 4, &leaf0.edx, 4);
    std::memcpy(vendor + 8, &leaf0.ecx, 4);
    vendor[12] = 0;
    std::printf("vendor %s, highest leaf %u\n", vendor, leaf0.eax);

    // Leaf 1 carries the initial APIC id in EBX bits 24-31, which may change
    // between two calls if the thread migrates; compare the other bits.
    __cpuid(1, a, b, c, d);
    const hs::CpuidRegs leaf1 = hs::ExecuteCpuid(1);
    OK(leaf1.eax == a && (leaf1.ebx & 0x00FFFFFFu) == (b & 0x00FFFFFFu) && leaf1.ecx == c && leaf1.edx == d,
       "leaf 1: got %08x %08x %08x %08x, expected %08x %08x %08x %08x\n", leaf1.eax, leaf1.ebx, leaf1.ecx,
       leaf1.edx, a, b, c, d);

    // Leaf 4 depends on ECX: the seam always passes subleaf 0.
    if (leaf0.eax >= 4) {
        __cpuid_count(4, 0, a, b, c, d);
        const hs::CpuidRegs leaf4 = hs::ExecuteCpuid(4);
        OK((leaf4.eax & 0x03FFFFFFu) == (a & 0x03FFFFFFu) && leaf4.ebx == b && leaf4.ecx == c,
           "leaf 4 subleaf 0: got %08x %08x %08x, expected %08x %08x %08x\n", leaf4.eax, leaf4.ebx, leaf4.ecx, a,
           b, c);
    }
}

void TestIdFlag()
{
    // Every processor that runs this program has CPUID, so the flag toggles;
    // the answer must not depend on how often it is asked.
    OK(hs::CanToggleIdFlag(), "the identification flag cannot be toggled\n");
    OK(hs::CanToggleIdFlag(), "the identification flag cannot be toggled on the second try\n");
}

void TestTsc()
{
    const uint64_t first = hs::ReadTsc();
    Sleep(20);
    const uint64_t second = hs::ReadTsc();
    OK(second > first, "time-stamp counter did not advance over 20 ms: %llu then %llu\n",
       static_cast<unsigned long long>(first), static_cast<unsigned long long>(second));
    // Any processor of this century counts far more than 100000 ticks in 20 ms.
    OK(second - first > 100000u, "time-stamp counter advanced only %llu ticks in 20 ms\n",
       static_cast<unsigned long long>(second - first));
}

void TestMxcsrMask()
{
    const uint32_t mask = hs::ReadMxcsrMask();
    std::printf("MXCSR mask %08x\n", mask);
    // The six exception flags, the six masks, rounding control and flush to
    // zero (bits 0-5 and 7-15) exist on every SSE processor; only DAZ (bit 6)
    // may be missing. (Some processors add bits above 15.)
    OK((mask & 0xFFBFu) == 0xFFBFu, "MXCSR mask %08x lacks architectural bits\n", mask);
    OK(hs::ReadMxcsrMask() == mask, "MXCSR mask changed between two reads\n");
}

HS_GUARDED_INSTRUCTION(RunUndefinedInstruction, "ud2")
HS_GUARDED_INSTRUCTION(RunBreakpoint, "int3")

// The head of the thread's exception chain on 32-bit Windows; 0 on 64-bit,
// which has no such chain.
uintptr_t ExceptionChainHead()
{
#if defined(__x86_64__)
    return 0;
#else
    uintptr_t head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
#endif
}

void TestProbes()
{
    // Every processor that runs this program executes SSE and SSE2 (both are
    // part of x86-64, and Wine's WoW64 mode runs on x86-64): both probes run
    // through. Instructions that fault on every processor answer their
    // exception code, and the program goes on after them. On 32-bit Windows
    // the guard's frame is off the exception chain again afterwards.
    const struct {
        const char *name;
        uint32_t (*probe)();
        uint32_t expected;
    } cases[] = {
        {"SSE probe", hs::ProbeSse, 0},
        {"SSE2 probe", hs::ProbeSse2, 0},
        {"ud2", [] { return hs::win::RunGuardedInstruction(RunUndefinedInstruction); }, 0xC000001Du},
        {"int3", [] { return hs::win::RunGuardedInstruction(RunBreakpoint); }, 0x80000003u},
    };
    for (const auto &c : cases) {
        const uintptr_t chain = ExceptionChainHead();
        const uint32_t code = c.probe();
        OK(code == c.expected, "%s answered %08x, expected %08x\n", c.name, code, c.expected);
        OK(ExceptionChainHead() == chain, "%s left the exception chain at %08lx, was %08lx\n", c.name,
           static_cast<unsigned long>(ExceptionChainHead()), static_cast<unsigned long>(chain));
    }
}

int g_breakpoints = 0;

LONG CALLBACK CountBreakpoint(EXCEPTION_POINTERS *info)
{
    if (info->ExceptionRecord->ExceptionCode != EXCEPTION_BREAKPOINT)
        return EXCEPTION_CONTINUE_SEARCH;
    ++g_breakpoints;
#if defined(__x86_64__)
    info->ContextRecord->Rip += 1;
#else
    info->ContextRecord->Eip += 1;
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

void TestProbeLeavesOtherFaultsAlone()
{
    // After a probe its handler is gone: a breakpoint elsewhere reaches the
    // handler that this program installs, and the probes still answer 0 with
    // that handler in place.
    void *mine = AddVectoredExceptionHandler(1, CountBreakpoint);
    OK(mine != nullptr, "AddVectoredExceptionHandler failed\n");
    OK(hs::ProbeSse() == 0 && hs::ProbeSse2() == 0, "probes failed beside another handler\n");
    __asm__ __volatile__("int3");
    RemoveVectoredExceptionHandler(mine);
    OK(g_breakpoints == 1, "the breakpoint reached this program's handler %d times, expected 1\n", g_breakpoints);
}

}  // namespace

int main()
{
    TestCpuid();
    TestIdFlag();
    TestTsc();
    TestMxcsrMask();
    TestProbes();
    TestProbeLeavesOtherFaultsAlone();
    std::printf("cpu_ops: %d tests executed (%d failures)\n", g_tests, g_failures);
    return g_failures == 0 ? 0 : 1;
}
