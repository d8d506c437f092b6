// The millisecond clock, Sleep and the multimedia timer. With a simulated
// processor time is virtual: every timeGetTime call advances the clock by one
// millisecond and Sleep advances it by its argument.
#include "platform/platform.h"
#include "platform/sim/host_cpu.h"
#include "platform/sim/machine.h"

DWORD timeGetTime() {
    return hs::sim::WithProcessState([](hs::sim::ProcessState &s, const hs::sim::Machine &m) {
        const hs::sim::ProcessorFacts &p = m.facts.processor;
        if (!p.simulated) return static_cast<DWORD>(hs::sim::HostMilliseconds());
        s.clockElapsed += 1;
        return static_cast<DWORD>(p.clockStart + s.clockElapsed);
    });
}

void Sleep(DWORD milliseconds) {
    bool simulated = hs::sim::WithProcessState([&](hs::sim::ProcessState &s, const hs::sim::Machine &m) {
        if (m.facts.processor.simulated) s.clockElapsed += milliseconds;
        return m.facts.processor.simulated;
    });
    if (!simulated) hs::sim::HostSleep(milliseconds);
}

MMRESULT timeGetDevCaps(LPTIMECAPS caps, UINT size) {
    std::shared_ptr<const hs::sim::Machine> machine = hs::sim::CurrentMachine();
    const hs::sim::TimerFacts &t = machine->facts.timer;
    if (t.devCapsFails || caps == nullptr || size < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
    caps->wPeriodMin = t.periodMin;
    caps->wPeriodMax = t.periodMax;
    return TIMERR_NOERROR;
}

namespace {

MMRESULT CheckPeriod(UINT period) {
    std::shared_ptr<const hs::sim::Machine> machine = hs::sim::CurrentMachine();
    const hs::sim::TimerFacts &t = machine->facts.timer;
    return (period < t.periodMin || period > t.periodMax) ? TIMERR_NOCANDO : TIMERR_NOERROR;
}

}  // namespace

MMRESULT timeBeginPeriod(UINT period) { return CheckPeriod(period); }
MMRESULT timeEndPeriod(UINT period) { return CheckPeriod(period); }
