// The processor instructions: the profile's simulated processor, or the
// host's real one when the profile describes none.
#include "platform/platform.h"
#include "platform/sim/host_cpu.h"
#include "platform/sim/machine.h"

namespace hs {
namespace {

// Leaf 1 EBX bits 24-31 hold the initial APIC ID of the processor the
// caller runs on: the one of the affinity's only bit, or else of its lowest.
uint32_t ApicIdFor(const sim::ProcessorFacts &p, uint64_t processMask, uint32_t own) {
    if (!p.apicIds || processMask == 0) return own;
    unsigned index = static_cast<unsigned>(__builtin_ctzll(processMask));
    if (index >= p.apicIds->size()) return own;
    return (*p.apicIds)[index];
}

}  // namespace

CpuidRegs ExecuteCpuid(uint32_t leaf) {
    std::shared_ptr<const sim::Machine> machine = sim::CurrentMachine();
    const sim::ProcessorFacts &p = machine->facts.processor;
    if (!p.simulated) return sim::HostCpuid(leaf);
    auto it = p.leaves.find(leaf);
    if (it == p.leaves.end()) return CpuidRegs{0, 0, 0, 0};
    CpuidRegs r{it->second[0], it->second[1], it->second[2], it->second[3]};
    if (leaf == 1) {
        uint64_t mask = sim::WithProcessState([](sim::ProcessState &s, const sim::Machine &) { return s.processMask; });
        uint32_t id = ApicIdFor(p, mask, r.ebx >> 24);
        r.ebx = (r.ebx & 0x00FFFFFFu) | (id << 24);
    }
    return r;
}

bool CanToggleIdFlag() {
    std::shared_ptr<const sim::Machine> machine = sim::CurrentMachine();
    const sim::ProcessorFacts &p = machine->facts.processor;
    return p.simulated ? p.cpuidSupported : sim::HostCanToggleIdFlag();
}

uint64_t ReadTsc() {
    return sim::WithProcessState([](sim::ProcessState &s, const sim::Machine &m) {
        const sim::ProcessorFacts &p = m.facts.processor;
        return p.simulated ? s.clockElapsed * p.tscKHz : sim::HostTsc();
    });
}

uint32_t ReadMxcsrMask() {
    std::shared_ptr<const sim::Machine> machine = sim::CurrentMachine();
    const sim::ProcessorFacts &p = machine->facts.processor;
    return p.simulated ? p.mxcsrMask : sim::HostMxcsrMask();
}

uint32_t ProbeSse() {
    std::shared_ptr<const sim::Machine> machine = sim::CurrentMachine();
    const sim::ProcessorFacts &p = machine->facts.processor;
    return p.simulated ? p.sseFault : sim::HostProbeSse();
}

uint32_t ProbeSse2() {
    std::shared_ptr<const sim::Machine> machine = sim::CurrentMachine();
    const sim::ProcessorFacts &p = machine->facts.processor;
    return p.simulated ? p.sse2Fault : sim::HostProbeSse2();
}

}  // namespace hs
