// The processor instructions of the Windows platform, run on the processor
// that executes this program, compared with the compiler's own CPUID access.
#include "platform/platform.h"
#include "platform/win/probe_guard.h"

#include <cpuid.h>
#include <cstdio>

#include "test_report.h"

namespace {

void TestCpuid() {
    // Leaf 1 carries the initial APIC id in EBX bits 24-31, which may change
    // between two calls if the thread migrates; leaf 4 depends on ECX (the
    // seam always passes subleaf 0) and carries core counts in EAX bits 26-31.
    const struct {
        unsigned leaf;
        uint32_t eaxMask, ebxMask;
    } leaves[] = {{0, ~0u, ~0u}, {1, ~0u, 0x00FFFFFFu}, {4, 0x03FFFFFFu, ~0u}};
    const unsigned highest = hs::ExecuteCpuid(0).eax;
    for (const auto &l : leaves) {
        if (l.leaf > highest) continue;
        unsigned a, b, c, d;
        __cpuid_count(l.leaf, 0, a, b, c, d);
        const hs::CpuidRegs r = hs::ExecuteCpuid(l.leaf);
        ok((r.eax & l.eaxMask) == (a & l.eaxMask) && (r.ebx & l.ebxMask) == (b & l.ebxMask) && r.ecx == c &&
               (l.leaf == 4 || r.edx == d),
           "leaf %u: got %08x %08x %08x %08x, expected %08x %08x %08x %08x\n", l.leaf, r.eax, r.ebx, r.ecx, r.edx, a,
           b, c, d);
    }
    // Every processor that runs this program has CPUID, so the flag toggles,
    // however often it is asked.
    ok(hs::CanToggleIdFlag() && hs::CanToggleIdFlag(), "the identification flag cannot be toggled\n");
}

void TestCounterAndMxcsr() {
    const uint64_t first = hs::ReadTsc();
    Sleep(20);
    const uint64_t second = hs::ReadTsc();
    // Any processor of this century counts far more than 100000 ticks in 20 ms.
    ok(second > first && second - first > 100000u, "time-stamp counter: %llu, then %llu after 20 ms\n",
       static_cast<unsigned long long>(first), static_cast<unsigned long long>(second));
    // The six exception flags, the six masks, rounding control and flush to
    // zero (bits 0-5 and 7-15) exist on every SSE processor; only DAZ (bit 6)
    // may be missing. (Some processors add bits above 15.)
    const uint32_t mask = hs::ReadMxcsrMask();
    std::printf("MXCSR mask %08x\n", mask);
    ok((mask & 0xFFBFu) == 0xFFBFu && hs::ReadMxcsrMask() == mask, "MXCSR mask %08x lacks architectural bits\n",
       mask);
}

HS_GUARDED_INSTRUCTION(RunUndefinedInstruction, "ud2")
HS_GUARDED_INSTRUCTION(RunBreakpoint, "int3")

// The head of the thread's exception chain on 32-bit Windows; 0 on 64-bit,
// which has no such chain.
uintptr_t ExceptionChainHead() {
#if defined(__x86_64__)
    return 0;
#else
    uintptr_t head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
#endif
}

int g_breakpoints = 0;

LONG CALLBACK CountBreakpoint(EXCEPTION_POINTERS *info) {
    if (info->ExceptionRecord->ExceptionCode != EXCEPTION_BREAKPOINT) return EXCEPTION_CONTINUE_SEARCH;
    ++g_breakpoints;
#if defined(__x86_64__)
    info->ContextRecord->Rip += 1;
#else
    info->ContextRecord->Eip += 1;
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Every processor that runs this program executes SSE and SSE2 (both are
// part of x86-64, and Wine's WoW64 mode runs on x86-64): both probes run
// through. Instructions that fault on every processor answer their
// exception code, and the program goes on after them. On 32-bit Windows the
// guard's frame is off the exception chain again afterwards. After a probe
// its handler is gone: a breakpoint elsewhere reaches this program's own,
// and the probes still run through beside that one.
void TestProbes() {
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
        ok(code == c.expected && ExceptionChainHead() == chain, "%s answered %08x, expected %08x; chain %08lx, was %08lx\n",
           c.name, code, c.expected, static_cast<unsigned long>(ExceptionChainHead()),
           static_cast<unsigned long>(chain));
    }
    void *mine = AddVectoredExceptionHandler(1, CountBreakpoint);
    ok(hs::ProbeSse() == 0 && hs::ProbeSse2() == 0, "probes failed beside another handler\n");
    __asm__ __volatile__("int3");
    RemoveVectoredExceptionHandler(mine);
    ok(g_breakpoints == 1, "the breakpoint reached this program's handler %d times, expected 1\n", g_breakpoints);
}

}  // namespace

int main() {
    TestCpuid();
    TestCounterAndMxcsr();
    TestProbes();
    return test_report::Summary("cpu_ops");
}
