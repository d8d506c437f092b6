// Feeds arbitrary bytes to the profile reader; whatever loads is then read
// back through the registry functions and the machine's other Windows calls
// (the dump of tests/unit/sim_dump.h), and the registry's enumeration must
// agree with its own counts and size queries.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

#include "../unit/sim_dump.h"
#include "platform/sim/sim_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    try {
        hs::sim::LoadMachine(std::string(reinterpret_cast<const char *>(data), size));
    } catch (const hs::sim::ProfileError &) {
        return 0;
    }
    std::ostream discard(nullptr);  // nothing is written: only the calls count
    if (!simtest::DumpKey(discard, HKEY_LOCAL_MACHINE, "")) __builtin_trap();
    simtest::DumpFacts(discard, false);
    return 0;
}
