// hsinfo --hives: the simulated machine of a Windows installation's hive
// files is handed to the library as a profile, the library is read through
// its exports as for any profile, and hsinfo then puts in what the library
// cannot know (the processors the files record) and marks what was left out.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "reader.h"

namespace hsinfo::offline {

class OfflineSession {
public:
    // Reads the hive files and selects their machine for the library, which
    // must not be loaded yet. rule: "last-session", "all", "none" or "" for
    // the default. false with a message naming the file on failure.
    bool Prepare(const std::vector<std::string> &paths, const std::string &rule, std::string &error);

    // The families the files gave or left out, in the inventory.
    void Apply(Inventory &inventory) const;

private:
    OfflineSummary m_summary;
    bool m_haveProcessors = false;
    std::vector<CPUINFO> m_processors;
};

}  // namespace hsinfo::offline
