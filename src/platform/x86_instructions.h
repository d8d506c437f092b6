// The x86 instructions that the processor functions execute on real
// hardware, shared by the Windows platform and the native build's real
// processor (GCC inline assembly, 32-bit and 64-bit).
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/cpu_ops.h"

namespace hs::x86 {

inline CpuidRegs Cpuid(uint32_t leaf) {
    CpuidRegs regs;
    __asm__ __volatile__("cpuid" : "=a"(regs.eax), "=b"(regs.ebx), "=c"(regs.ecx), "=d"(regs.edx) : "a"(leaf), "c"(0u));
    return regs;
}

// Flip EFLAGS bit 21, read the flags back, then restore the original.
inline bool CanToggleIdFlag() {
    uintptr_t original;
    uintptr_t changed;
#if defined(__x86_64__)
    __asm__ __volatile__(
        "pushfq\n\tpopq %0\n\tmovq %0, %1\n\txorq $0x200000, %1\n\tpushq %1\n\tpopfq\n\t"
        "pushfq\n\tpopq %1\n\tpushq %0\n\tpopfq"
        : "=&r"(original), "=&r"(changed)
        :
        : "cc");
#else
    __asm__ __volatile__(
        "pushfl\n\tpopl %0\n\tmovl %0, %1\n\txorl $0x200000, %1\n\tpushl %1\n\tpopfl\n\t"
        "pushfl\n\tpopl %1\n\tpushl %0\n\tpopfl"
        : "=&r"(original), "=&r"(changed)
        :
        : "cc");
#endif
    return ((original ^ changed) & 0x200000u) != 0;
}

inline uint64_t ReadTsc() {
    uint32_t low;
    uint32_t high;
    __asm__ __volatile__("rdtsc" : "=a"(low), "=d"(high));
    return (static_cast<uint64_t>(high) << 32) | low;
}

// The MXCSR_MASK word that FXSAVE stores at byte 28 of its 512-byte area.
// FXSAVE faults unless its area is 16-byte aligned. The area is aligned by
// hand inside a larger buffer: a 32-bit module is entered with the stack
// aligned to 4 bytes only (module entry, exports), so an aligned stack
// variable would rest on the compiler realigning every frame on the way.
inline uint32_t ReadMxcsrMask() {
    unsigned char buffer[512 + 15];
    std::memset(buffer, 0, sizeof buffer);
    const uintptr_t address = reinterpret_cast<uintptr_t>(buffer);
    unsigned char *area = buffer + ((16 - (address & 15)) & 15);
    __asm__ __volatile__("fxsave (%0)" : : "r"(area) : "memory");
    uint32_t mask;
    std::memcpy(&mask, area + 28, sizeof mask);
    return mask;
}

}  // namespace hs::x86
