// Calls prepared for a machine, and the timing of several of them in turn,
// so that what is compared is timed under the same conditions.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

namespace hsbench {

// One call, prepared for the current machine: run makes the call (false when
// it fails); before, when set, restores what the call consumes and is not
// timed.
struct Call {
    Call(std::function<bool()> call, std::function<void()> restore = {})
        : run(std::move(call)), before(std::move(restore)) {}
    std::function<bool()> run;
    std::function<void()> before;
};

// A call and the machine it runs on.
struct Turn {
    int scale;
    const Call *call;
};

// Makes each turn's call once per iteration, in order, each on its machine
// (switching is not timed), and answers the seconds per call that each turn
// took; the iteration's time is that of the first two. Empty, with the
// benchmark marked failed, when a call failed.
std::vector<double> TimeInTurns(benchmark::State &state, const std::vector<Turn> &turns, const char *name);

// Sets a counter "<name>_us" per turn: the microseconds per call of
// TimeInTurns' answer, names in the order of the turns.
void CountMicroseconds(benchmark::State &state, const std::vector<const char *> &names,
                       const std::vector<double> &seconds);

}  // namespace hsbench
