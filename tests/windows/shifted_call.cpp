// The thunk behind shifted::Call on 32-bit Windows: keeps the caller's stack
// pointer in its frame, moves it to the requested distance below a 16-byte
// boundary, calls, and restores it from the frame (a callee that removes its
// own arguments changes nothing).
#include "shifted_call.h"

#if defined(__x86_64__)

uintptr_t shifted::Call(unsigned, const void *fn, uintptr_t a0, uintptr_t a1) {
    return reinterpret_cast<uintptr_t (*)(uintptr_t, uintptr_t)>(fn)(a0, a1);
}

uintptr_t shifted::StackAtCall(unsigned) { return 0; }

#else

extern "C" {
uintptr_t hs_call_shifted(const void *fn, uintptr_t shift, uintptr_t a0, uintptr_t a1) __asm__("hs_call_shifted");
uintptr_t hs_stack_at_entry() __asm__("hs_stack_at_entry");
}

// C calling convention: the arguments on the stack, ebp belongs to the caller.
__asm__(".text\n"
        ".globl hs_call_shifted\n"
        "hs_call_shifted:\n"
        "    pushl %ebp\n"
        "    movl %esp, %ebp\n"
        "    movl 8(%ebp), %eax\n"
        "    movl 12(%ebp), %ecx\n"
        "    andl $-16, %esp\n"
        "    subl %ecx, %esp\n"
        "    subl $8, %esp\n"  // with the two arguments: 16 bytes below the shifted point
        "    pushl 20(%ebp)\n"
        "    pushl 16(%ebp)\n"
        "    calll *%eax\n"
        "    movl %ebp, %esp\n"
        "    popl %ebp\n"
        "    retl\n"
        ".globl hs_stack_at_entry\n"
        "hs_stack_at_entry:\n"
        "    leal 4(%esp), %eax\n"
        "    retl\n");

uintptr_t shifted::Call(unsigned shift, const void *fn, uintptr_t a0, uintptr_t a1) {
    return hs_call_shifted(fn, shift & 15u, a0, a1);
}

uintptr_t shifted::StackAtCall(unsigned shift) {
    return Call(shift, reinterpret_cast<const void *>(hs_stack_at_entry));
}

#endif
