// The thunk behind shifted::Call on 32-bit Windows: saves the registers that
// the callee must preserve, moves the stack pointer to the requested distance
// below a 16-byte boundary, calls, and restores everything from its frame. A
// vectored exception handler resumes a faulting call at the thunk's recovery
// point. x64 code keeps the stack 16-byte aligned at every call, and Windows
// relies on it: there the call is a plain one.
#include "shifted_call.h"

#if !defined(__x86_64__)

extern "C" {
uintptr_t hs_call_shifted(const void *fn, uintptr_t shift, uintptr_t a0, uintptr_t a1) __asm__("hs_call_shifted");
uintptr_t hs_stack_at_entry() __asm__("hs_stack_at_entry");
extern char hs_call_shifted_resume[] __asm__("hs_call_shifted_resume");
// The frame of the call in progress, for the recovery.
uintptr_t hs_call_shifted_frame __asm__("hs_call_shifted_frame") = 0;
}

// 32-bit Windows, C calling convention: the arguments on the stack; ebx, ebp,
// esi and edi belong to the caller.
__asm__(".text\n"
        ".globl hs_call_shifted\n"
        "hs_call_shifted:\n"
        "    pushl %ebp\n"
        "    movl %esp, %ebp\n"
        "    pushl %ebx\n"
        "    pushl %esi\n"
        "    pushl %edi\n"
        "    movl %ebp, hs_call_shifted_frame\n"
        "    movl 8(%ebp), %eax\n"
        "    movl 12(%ebp), %ecx\n"
        "    andl $-16, %esp\n"
        "    subl %ecx, %esp\n"
        "    subl $8, %esp\n"  // with the two arguments: 16 bytes below the shifted point
        "    pushl 20(%ebp)\n"
        "    pushl 16(%ebp)\n"
        "    calll *%eax\n"
        ".globl hs_call_shifted_resume\n"
        "hs_call_shifted_resume:\n"
        "    leal -12(%ebp), %esp\n"
        "    popl %edi\n"
        "    popl %esi\n"
        "    popl %ebx\n"
        "    popl %ebp\n"
        "    retl\n"
        ".globl hs_stack_at_entry\n"
        "hs_stack_at_entry:\n"
        "    leal 4(%esp), %eax\n"
        "    retl\n");

namespace shifted {

namespace {

// The call in progress: the module whose faults end it, and what ended it.
uintptr_t g_guardStart = 0;
uintptr_t g_guardEnd = 0;
volatile bool g_calling = false;
volatile uint32_t g_exceptionCode = 0;
volatile uintptr_t g_exceptionAddress = 0;

bool IsFault(DWORD code)
{
    return code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_DATATYPE_MISALIGNMENT ||
           code == EXCEPTION_PRIV_INSTRUCTION || code == EXCEPTION_ILLEGAL_INSTRUCTION;
}

LONG CALLBACK ResumeAfterFault(EXCEPTION_POINTERS *info)
{
    const EXCEPTION_RECORD *record = info->ExceptionRecord;
    const auto address = reinterpret_cast<uintptr_t>(record->ExceptionAddress);
    if (!g_calling || !IsFault(record->ExceptionCode) || address < g_guardStart || address >= g_guardEnd)
        return EXCEPTION_CONTINUE_SEARCH;
    g_exceptionCode = record->ExceptionCode;
    g_exceptionAddress = address;
    info->ContextRecord->Ebp = hs_call_shifted_frame;
    info->ContextRecord->Eip = reinterpret_cast<uintptr_t>(hs_call_shifted_resume);
    info->ContextRecord->Eax = 0;
    return EXCEPTION_CONTINUE_EXECUTION;
}

// The address range of a loaded module's image.
void GuardModule(HMODULE module)
{
    g_guardStart = g_guardEnd = 0;
    if (module == nullptr)
        return;
    const auto *base = reinterpret_cast<const uint8_t *>(module);
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    g_guardStart = reinterpret_cast<uintptr_t>(base);
    g_guardEnd = g_guardStart + nt->OptionalHeader.SizeOfImage;
}

}  // namespace

Outcome Call(unsigned shift, HMODULE guarded, const void *fn, uintptr_t a0, uintptr_t a1)
{
    static void *const handler = AddVectoredExceptionHandler(1, ResumeAfterFault);
    (void)handler;
    GuardModule(guarded);
    g_exceptionCode = 0;
    g_exceptionAddress = 0;
    g_calling = true;
    Outcome outcome;
    outcome.value = hs_call_shifted(fn, shift & 15u, a0, a1);
    g_calling = false;
    outcome.exceptionCode = g_exceptionCode;
    outcome.exceptionAddress = g_exceptionAddress;
    return outcome;
}

uintptr_t StackAtCall(unsigned shift)
{
    return Call(shift, nullptr, reinterpret_cast<const void *>(hs_stack_at_entry)).value;
}

}  // namespace shifted

#else

namespace shifted {

Outcome Call(unsigned, HMODULE, const void *fn, uintptr_t a0, uintptr_t a1)
{
    Outcome outcome;
    outcome.value = reinterpret_cast<uintptr_t (*)(uintptr_t, uintptr_t)>(fn)(a0, a1);
    return outcome;
}

uintptr_t StackAtCall(unsigned) { return 0; }

}  // namespace shifted

#endif
