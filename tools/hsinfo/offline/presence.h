// Which device instances count as present. A running Windows marks them with
// a volatile "Control" subkey that no hive file holds; an offline inventory
// decides by a rule and marks the instances it counts as present the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "offline/key_copy.h"

namespace hsinfo::offline {

enum class PresenceRule { LastSession, All, None };

const char *RuleName(PresenceRule rule);
// "last-session", "all" or "none"; nullopt for anything else.
std::optional<PresenceRule> ParseRule(const std::string &name);

// The last arrival and last removal of an instance, as FILETIMEs.
struct DeviceTimes {
    std::optional<uint64_t> arrival;
    std::optional<uint64_t> removal;
};

// Arrived since the session began and not removed after arriving, or with
// neither time on record.
bool PresentInSession(const DeviceTimes &times, uint64_t sessionStart);

// The times that an instance key records (Windows 8 and later).
DeviceTimes ReadDeviceTimes(const KeyCopy &instance);

// When the last session began: the last arrival of the HAL instance
// ACPI_HAL\PNP0C08\0 under the enumeration tree, if recorded.
std::optional<uint64_t> SessionStart(const KeyCopy &enumTree);

struct PresenceCount {
    size_t instances = 0;
    size_t present = 0;
};

// Counts the instances (Enum\<enumerator>\<device>\<instance>) that the rule
// counts as present. With mark, gives each of them a "Control" subkey, after
// dropping any "Control" subkey the file held (the 9x family's walks do not
// ask for one, and a subkey they do not expect would change what they find).
// sessionStart is needed by LastSession only.
PresenceCount MarkPresent(KeyCopy &enumTree, PresenceRule rule, std::optional<uint64_t> sessionStart, bool mark);

// A FILETIME as UTC text, "2015-12-12T03:26:32.5547770Z".
std::string FiletimeText(uint64_t filetime);

}  // namespace hsinfo::offline
