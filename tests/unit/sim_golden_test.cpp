// The simulated machine as the Windows calls see it, for the profiles under
// tests/machines/sim/: the registry tree (every key's counts and longest
// lengths, every value's type and bytes) and every machine fact, compared
// with tests/machines/sim/expected/<profile>.txt. Together the profiles hold
// each rule of the profile format (both export formats, the three
// encodings, deletions, replacements) and each fact with its default and its
// failure. HS_UPDATE_EXPECTED=1 rewrites the expected files.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "golden.h"
#include "sim_dump.h"
#include "platform/platform.h"
#include "platform/sim/sim_machine.h"

namespace {

using simtest::DumpFacts;
using simtest::DumpKey;

TEST(SimGolden, ProfilesAsTheWindowsCallsSeeThem) {
    for (const char *name : {"facts-all", "facts-failing-first", "facts-failing-later", "facts-defaults"}) {
        const std::string profile = std::string("tests/machines/sim/") + name;
        hs::sim::LoadMachineFile(std::string(HS_SOURCE_DIR) + "/" + profile + ".reg");
        std::ostringstream out;
        out << "# Registry\n";
        DumpKey(out, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE");
        DumpFacts(out);
        hstest::ExpectGolden("tests/machines/sim/expected/" + std::string(name) + ".txt", out.str());
    }
}

}  // namespace
