#include "bench_turns.h"

#include <chrono>

#include "bench_machine.h"

namespace hsbench {

std::vector<double> TimeInTurns(benchmark::State &state, const std::vector<Turn> &turns, const char *name) {
    std::vector<double> seconds(turns.size(), 0.0);
    bool ok = true;
    for (auto _ : state) {
        double iteration = 0;
        for (size_t k = 0; k < turns.size(); ++k) {
            UseMachine(turns[k].scale);
            if (turns[k].call->before) turns[k].call->before();
            const auto start = std::chrono::steady_clock::now();
            ok = turns[k].call->run() && ok;
            const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            benchmark::ClobberMemory();
            seconds[k] += took;
            if (k < 2) iteration += took;
        }
        state.SetIterationTime(iteration);
    }
    if (!ok || state.iterations() == 0) {
        state.SkipWithError(name);
        return {};
    }
    for (double &s : seconds) s /= static_cast<double>(state.iterations());
    return seconds;
}

void CountMicroseconds(benchmark::State &state, const std::vector<const char *> &names,
                       const std::vector<double> &seconds) {
    for (size_t k = 0; k < names.size() && k < seconds.size(); ++k) {
        state.counters[std::string(names[k]) + "_us"] = 1e6 * seconds[k];
    }
}

}  // namespace hsbench
