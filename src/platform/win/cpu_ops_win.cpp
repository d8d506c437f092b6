// Processor instructions on Windows: the real instructions, with the SSE and
// SSE2 probes guarded by a vectored exception handler.
#include "platform/platform.h"
#include "platform/x86_instructions.h"

#include <cstring>

namespace hs {

CpuidRegs ExecuteCpuid(uint32_t leaf) { return x86::Cpuid(leaf); }

bool CanToggleIdFlag() { return x86::CanToggleIdFlag(); }

uint64_t ReadTsc() { return x86::ReadTsc(); }

uint32_t ReadMxcsrMask() { return x86::ReadMxcsrMask(); }

namespace {

// The probe in progress: where its instruction starts and ends, and the
// exception code it raised. The library's calls are made one at a time.
volatile uintptr_t g_probeStart = 0;
volatile uintptr_t g_probeEnd = 0;
volatile uint32_t g_probeCode = 0;

LONG CALLBACK ProbeFaultHandler(EXCEPTION_POINTERS *info)
{
    const uintptr_t start = g_probeStart;
    if (start == 0 || info == nullptr || info->ExceptionRecord == nullptr || info->ContextRecord == nullptr)
        return EXCEPTION_CONTINUE_SEARCH;
    if (reinterpret_cast<uintptr_t>(info->ExceptionRecord->ExceptionAddress) != start)
        return EXCEPTION_CONTINUE_SEARCH;
    g_probeCode = static_cast<uint32_t>(info->ExceptionRecord->ExceptionCode);
#if defined(__x86_64__)
    info->ContextRecord->Rip = static_cast<DWORD64>(g_probeEnd);
#else
    info->ContextRecord->Eip = static_cast<DWORD>(g_probeEnd);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Publishes the bounds of the instruction between labels 1 and 2 of the
// probe's assembly, then runs it.
#if defined(__x86_64__)
#define HS_PROBE_BOUNDS                      \
    "leaq 1f(%%rip), %%rax\n\t"              \
    "movq %%rax, %0\n\t"                     \
    "leaq 2f(%%rip), %%rax\n\t"              \
    "movq %%rax, %1\n\t"
#define HS_PROBE_SCRATCH "rax"
#else
#define HS_PROBE_BOUNDS                      \
    "movl $1f, %0\n\t"                       \
    "movl $2f, %1\n\t"
#define HS_PROBE_SCRATCH "eax"
#endif

void RunSseInstruction()
{
    __asm__ __volatile__(HS_PROBE_BOUNDS
                         "1: orps %%xmm0, %%xmm0\n\t"
                         "2:\n\t"
                         : "=m"(g_probeStart), "=m"(g_probeEnd)
                         :
                         : HS_PROBE_SCRATCH, "memory");
}

void RunSse2Instruction()
{
    __asm__ __volatile__(HS_PROBE_BOUNDS
                         "1: xorpd %%xmm0, %%xmm0\n\t"
                         "2:\n\t"
                         : "=m"(g_probeStart), "=m"(g_probeEnd)
                         :
                         : HS_PROBE_SCRATCH, "memory");
}

uint32_t RunGuarded(void (*instruction)())
{
    g_probeCode = 0;
    g_probeStart = 0;
    void *handler = AddVectoredExceptionHandler(1, ProbeFaultHandler);
    // Without a guard the instruction is not risked: it counts as unusable.
    if (handler == nullptr)
        return kStatusIllegalInstruction;
    instruction();
    g_probeStart = 0;
    g_probeEnd = 0;
    RemoveVectoredExceptionHandler(handler);
    return g_probeCode;
}

}  // namespace

uint32_t ProbeSse()
{
    return RunGuarded(RunSseInstruction);
}

uint32_t ProbeSse2()
{
    return RunGuarded(RunSse2Instruction);
}

}  // namespace hs
