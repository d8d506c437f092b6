// Processor instructions on Windows: the real instructions, with the SSE and
// SSE2 probes run under the guard of probe_guard.h.
#include "platform/platform.h"
#include "platform/win/probe_guard.h"
#include "platform/x86_instructions.h"

namespace hs {

CpuidRegs ExecuteCpuid(uint32_t leaf) { return x86::Cpuid(leaf); }

bool CanToggleIdFlag() { return x86::CanToggleIdFlag(); }

uint64_t ReadTsc() { return x86::ReadTsc(); }

uint32_t ReadMxcsrMask() { return x86::ReadMxcsrMask(); }

namespace win {

volatile uintptr_t g_guardedStart = 0;
volatile uintptr_t g_guardedEnd = 0;

namespace {

volatile uint32_t g_guardedCode = 0;

// Takes a fault of the guarded instruction: remembers its code and tells where
// to resume. Any other exception is not the guard's.
bool TakeGuardedFault(const EXCEPTION_RECORD *record, uintptr_t *resume)
{
    const uintptr_t start = g_guardedStart;
    if (start == 0 || record == nullptr || reinterpret_cast<uintptr_t>(record->ExceptionAddress) != start)
        return false;
    g_guardedCode = static_cast<uint32_t>(record->ExceptionCode);
    *resume = g_guardedEnd;
    return true;
}

#if defined(__x86_64__)

LONG CALLBACK GuardHandler(EXCEPTION_POINTERS *info)
{
    uintptr_t resume = 0;
    if (info == nullptr || info->ContextRecord == nullptr || !TakeGuardedFault(info->ExceptionRecord, &resume))
        return EXCEPTION_CONTINUE_SEARCH;
    info->ContextRecord->Rip = static_cast<DWORD64>(resume);
    return EXCEPTION_CONTINUE_EXECUTION;
}

bool RunUnderGuard(void (*instruction)())
{
    void *handler = AddVectoredExceptionHandler(1, GuardHandler);
    if (handler == nullptr)
        return false;
    instruction();
    RemoveVectoredExceptionHandler(handler);
    return true;
}

#else

// One record of the thread's exception chain, as the system walks it.
struct GuardFrame {
    GuardFrame *previous;
    void *handler;
};

EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD *record, void *frame, CONTEXT *context, void *dispatcher)
{
    (void)frame;
    (void)dispatcher;
    uintptr_t resume = 0;
    // An unwind passing through the frame is not a fault to take.
    if (record == nullptr || context == nullptr || (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0 ||
        !TakeGuardedFault(record, &resume))
        return ExceptionContinueSearch;
    context->Eip = static_cast<DWORD>(resume);
    return ExceptionContinueExecution;
}

// The frame lives on this function's stack, as the system requires, and is
// the head of the chain exactly while the instruction runs.
bool RunUnderGuard(void (*instruction)())
{
    GuardFrame frame;
    frame.handler = reinterpret_cast<void *>(&GuardHandler);
    __asm__ __volatile__("movl %%fs:0, %%eax\n\t"
                         "movl %%eax, (%0)\n\t"
                         "movl %0, %%fs:0"
                         :
                         : "r"(&frame)
                         : "eax", "memory");
    instruction();
    __asm__ __volatile__("movl (%0), %%eax\n\t"
                         "movl %%eax, %%fs:0"
                         :
                         : "r"(&frame)
                         : "eax", "memory");
    return true;
}

#endif

HS_GUARDED_INSTRUCTION(RunSseInstruction, "orps %%xmm0, %%xmm0")
HS_GUARDED_INSTRUCTION(RunSse2Instruction, "xorpd %%xmm0, %%xmm0")

}  // namespace

uint32_t RunGuardedInstruction(void (*instruction)())
{
    g_guardedCode = 0;
    g_guardedStart = 0;
    // Without a guard the instruction is not risked: it counts as unusable.
    const bool guarded = RunUnderGuard(instruction);
    g_guardedStart = 0;
    g_guardedEnd = 0;
    return guarded ? g_guardedCode : kStatusIllegalInstruction;
}

}  // namespace win

uint32_t ProbeSse() { return win::RunGuardedInstruction(win::RunSseInstruction); }

uint32_t ProbeSse2() { return win::RunGuardedInstruction(win::RunSse2Instruction); }

}  // namespace hs
