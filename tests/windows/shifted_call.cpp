// The thunk behind shifted::Call: saves the registers that the callee must
// preserve, moves the stack pointer to the requested distance below a 16-byte
// boundary, calls, and restores everything from its frame. A vectored
// exception handler resumes a faulting call at the thunk's recovery point.
#include "shifted_call.h"

extern "C" {
uintptr_t hs_call_shifted(const void *fn, uintptr_t shift, uintptr_t a0, uintptr_t a1) __asm__("hs_call_shifted");
uintptr_t hs_stack_at_entry() __asm__("hs_stack_at_entry");
extern char hs_call_shifted_resume[] __asm__("hs_call_shifted_resume");
// The frame of the call in progress, for the recovery.
uintptr_t hs_call_shifted_frame __asm__("hs_call_shifted_frame") = 0;
}

#if defined(__x86_64__)
// Windows x64: fn in rcx, shift in rdx, a0 in r8, a1 in r9; rbx, rbp, rsi,
// rdi, r12-r15 and xmm6-xmm15 belong to the caller.
__asm__(".text\n"
        ".globl hs_call_shifted\n"
        ".def hs_call_shifted; .scl 2; .type 32; .endef\n"
        ".seh_proc hs_call_shifted\n"
        "hs_call_shifted:\n"
        "    pushq %rbp\n"
        "    .seh_pushreg %rbp\n"
        "    pushq %rbx\n"
        "    .seh_pushreg %rbx\n"
        "    pushq %rsi\n"
        "    .seh_pushreg %rsi\n"
        "    pushq %rdi\n"
        "    .seh_pushreg %rdi\n"
        "    pushq %r12\n"
        "    .seh_pushreg %r12\n"
        "    pushq %r13\n"
        "    .seh_pushreg %r13\n"
        "    pushq %r14\n"
        "    .seh_pushreg %r14\n"
        "    pushq %r15\n"
        "    .seh_pushreg %r15\n"
        "    subq $168, %rsp\n"
        "    .seh_stackalloc 168\n"
        "    movq %rsp, %rbp\n"
        "    .seh_setframe %rbp, 0\n"
        "    .seh_endprologue\n"
        "    movdqu %xmm6, 0(%rbp)\n"
        "    movdqu %xmm7, 16(%rbp)\n"
        "    movdqu %xmm8, 32(%rbp)\n"
        "    movdqu %xmm9, 48(%rbp)\n"
        "    movdqu %xmm10, 64(%rbp)\n"
        "    movdqu %xmm11, 80(%rbp)\n"
        "    movdqu %xmm12, 96(%rbp)\n"
        "    movdqu %xmm13, 112(%rbp)\n"
        "    movdqu %xmm14, 128(%rbp)\n"
        "    movdqu %xmm15, 144(%rbp)\n"
        "    movq %rbp, hs_call_shifted_frame(%rip)\n"
        "    movq %rcx, %rax\n"
        "    andq $-16, %rsp\n"
        "    subq %rdx, %rsp\n"
        "    subq $32, %rsp\n"  // the callee's home area for its four register arguments
        "    movq %r8, %rcx\n"
        "    movq %r9, %rdx\n"
        "    callq *%rax\n"
        ".globl hs_call_shifted_resume\n"
        "hs_call_shifted_resume:\n"
        "    movdqu 0(%rbp), %xmm6\n"
        "    movdqu 16(%rbp), %xmm7\n"
        "    movdqu 32(%rbp), %xmm8\n"
        "    movdqu 48(%rbp), %xmm9\n"
        "    movdqu 64(%rbp), %xmm10\n"
        "    movdqu 80(%rbp), %xmm11\n"
        "    movdqu 96(%rbp), %xmm12\n"
        "    movdqu 112(%rbp), %xmm13\n"
        "    movdqu 128(%rbp), %xmm14\n"
        "    movdqu 144(%rbp), %xmm15\n"
        "    leaq 168(%rbp), %rsp\n"
        "    popq %r15\n"
        "    popq %r14\n"
        "    popq %r13\n"
        "    popq %r12\n"
        "    popq %rdi\n"
        "    popq %rsi\n"
        "    popq %rbx\n"
        "    popq %rbp\n"
        "    retq\n"
        ".seh_endproc\n"
        ".globl hs_stack_at_entry\n"
        "hs_stack_at_entry:\n"
        "    leaq 8(%rsp), %rax\n"
        "    retq\n");
#else
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
#endif

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
#if defined(__x86_64__)
    info->ContextRecord->Rbp = hs_call_shifted_frame;
    info->ContextRecord->Rip = reinterpret_cast<uintptr_t>(hs_call_shifted_resume);
    info->ContextRecord->Rax = 0;
#else
    info->ContextRecord->Ebp = hs_call_shifted_frame;
    info->ContextRecord->Eip = reinterpret_cast<uintptr_t>(hs_call_shifted_resume);
    info->ContextRecord->Eax = 0;
#endif
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
