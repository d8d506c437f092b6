// The simulated machine of a Windows installation's hive files: the registry
// keys the library reads, copied into a profile, the device instances marked
// present by a rule, and those machine facts the files record.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "offline/hive_facts.h"
#include "offline/hive_set.h"
#include "offline/presence.h"

namespace hsinfo::offline {

struct HiveSummary {
    std::string path;
    std::string format;  // "regf" or "CREG"
    std::string role;    // "SYSTEM", "SOFTWARE" or "SYSTEM.DAT"
};

// How a family that a running machine answers was handled.
struct FamilyNote {
    std::string family;
    bool fromHive = false;  // taken from the hive files, else left out
    std::string detail;     // where from, or why left out
};

struct OfflineReport {
    std::vector<HiveSummary> hives;
    std::string windowsFamily;  // "NT" or "9x"
    std::string controlSet;     // the NT control set behind CurrentControlSet
    PresenceRule rule = PresenceRule::All;
    std::optional<uint64_t> sessionStart;
    PresenceCount presence;
    VersionFacts version;
    std::optional<std::vector<ProcessorFacts>> processors;
    std::vector<FamilyNote> families;
    size_t skippedNames = 0;  // keys and values whose names no registry could hold

    const FamilyNote *Family(const std::string &name) const;
};

struct OfflineMachine {
    std::string profile;  // the profile text for the simulated machine
    OfflineReport report;
};

// paths: hive files, or folders holding them (SYSTEM, SOFTWARE, SYSTEM.DAT,
// names in any case). rule: the presence rule asked for, or nullopt for the
// default. Throws OfflineError.
OfflineMachine ReadOfflineMachine(const std::vector<std::string> &paths, std::optional<PresenceRule> rule);

}  // namespace hsinfo::offline
