// The guard around one processor instruction that may fault (the SSE and
// SSE2 probes). The instruction runs between two labels whose addresses its
// function publishes first; a fault raised at the first label resumes at the
// second, and the exception code becomes the answer.
//
// 32-bit Windows: a frame on the thread's exception chain (fs:[0]), which
// every 32-bit Windows from 95 and NT 3.1 on dispatches. 64-bit Windows has
// no such chain (its unwinding is table-based); there the guard is a vectored
// exception handler, which every 64-bit Windows has.
#pragma once

#include <cstdint>

namespace hs::win {

// Bounds of the guarded instruction in progress; 0 outside a probe. The
// library's calls are made one at a time.
extern volatile uintptr_t g_guardedStart;
extern volatile uintptr_t g_guardedEnd;

// Runs instruction() under the guard. The answer is the exception code that
// the instruction raised, 0 when it ran through.
uint32_t RunGuardedInstruction(void (*instruction)());

}  // namespace hs::win

// Defines a function NAME that publishes the bounds of the instruction TEXT
// (AT&T syntax, with %% before register names) and runs it.
#if defined(__x86_64__)
#define HS_GUARDED_INSTRUCTION(name, text)                                                  \
    static void name()                                                                      \
    {                                                                                       \
        __asm__ __volatile__("leaq 1f(%%rip), %%rax\n\t"                                    \
                             "movq %%rax, %0\n\t"                                           \
                             "leaq 2f(%%rip), %%rax\n\t"                                    \
                             "movq %%rax, %1\n\t"                                           \
                             "1: " text "\n\t"                                              \
                             "2:\n\t"                                                       \
                             : "=m"(hs::win::g_guardedStart), "=m"(hs::win::g_guardedEnd)   \
                             :                                                              \
                             : "rax", "xmm0", "memory");                                    \
    }
#else
// The 32-bit compiler keeps nothing in XMM registers, so none is clobbered.
#define HS_GUARDED_INSTRUCTION(name, text)                                                  \
    static void name()                                                                      \
    {                                                                                       \
        __asm__ __volatile__("movl $1f, %0\n\t"                                             \
                             "movl $2f, %1\n\t"                                             \
                             "1: " text "\n\t"                                              \
                             "2:\n\t"                                                       \
                             : "=m"(hs::win::g_guardedStart), "=m"(hs::win::g_guardedEnd)   \
                             :                                                              \
                             : "memory");                                                   \
    }
#endif
