#include "platform/sim/host_cpu.h"

#include <sched.h>
#include <signal.h>
#include <time.h>
#include <ucontext.h>

#include <cerrno>
#include <cstring>

#if defined(__x86_64__)
#include "platform/x86_instructions.h"
#endif

namespace hs::sim {

#if defined(__x86_64__)

CpuidRegs HostCpuid(uint32_t leaf) { return x86::Cpuid(leaf); }
bool HostCanToggleIdFlag() { return x86::CanToggleIdFlag(); }
uint64_t HostTsc() { return x86::ReadTsc(); }
uint32_t HostMxcsrMask() { return x86::ReadMxcsrMask(); }

namespace {

// The probe instruction that faults is skipped: the handler moves the
// instruction pointer past it and records the illegal-instruction code.
thread_local volatile uint32_t t_probeFault;
thread_local volatile int t_probeLength;

void OnIllegalInstruction(int, siginfo_t *, void *context) {
    auto *uc = static_cast<ucontext_t *>(context);
    if (t_probeLength == 0) {
        // Not a probe: let the default action end the process.
        signal(SIGILL, SIG_DFL);
        return;
    }
    uc->uc_mcontext.gregs[REG_RIP] += t_probeLength;
    t_probeFault = kStatusIllegalInstruction;
}

template <class Probe>
uint32_t Guarded(int length, Probe probe) {
    struct sigaction action, previous;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = OnIllegalInstruction;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGILL, &action, &previous);
    t_probeFault = 0;
    t_probeLength = length;
    probe();
    t_probeLength = 0;
    sigaction(SIGILL, &previous, nullptr);
    return t_probeFault;
}

}  // namespace

uint32_t HostProbeSse() {
    // orps xmm0, xmm0: 0F 56 C0
    return Guarded(3, [] { __asm__ volatile(".byte 0x0f, 0x56, 0xc0" ::: "xmm0", "memory"); });
}

uint32_t HostProbeSse2() {
    // xorpd xmm0, xmm0: 66 0F 57 C0
    return Guarded(4, [] { __asm__ volatile(".byte 0x66, 0x0f, 0x57, 0xc0" ::: "xmm0", "memory"); });
}

#else

// Hosts that are not x86-64 have no x86 processor to report.
CpuidRegs HostCpuid(uint32_t) { return {0, 0, 0, 0}; }
bool HostCanToggleIdFlag() { return false; }
uint64_t HostTsc() { return 0; }
uint32_t HostMxcsrMask() { return 0; }
uint32_t HostProbeSse() { return kStatusIllegalInstruction; }
uint32_t HostProbeSse2() { return kStatusIllegalInstruction; }

#endif

namespace {

uint64_t ThreadAffinity() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    uint64_t mask = 0;
    for (int i = 0; i < 64; ++i) {
        if (CPU_ISSET(i, &set)) mask |= uint64_t{1} << i;
    }
    return mask != 0 ? mask : 1;
}

}  // namespace

uint64_t HostInitialAffinity() {
    static const uint64_t initial = ThreadAffinity();
    return initial;
}

bool SetHostAffinity(uint64_t mask) {
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int i = 0; i < 64; ++i) {
        if (mask & (uint64_t{1} << i)) CPU_SET(i, &set);
    }
    return sched_setaffinity(0, sizeof set, &set) == 0;
}

uint64_t HostMilliseconds() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

void HostSleep(uint32_t milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

}  // namespace hs::sim
