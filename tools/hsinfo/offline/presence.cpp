#include "offline/presence.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace hsinfo::offline {

namespace {

// The device property set that holds the arrival (0066) and removal (0067)
// times, and the type of a FILETIME property value.
constexpr char kTimesPropertySet[] = "Properties\\{83da6326-97a6-4088-9453-a1923f573b29}";
constexpr uint32_t kFiletimeProperty = 0xFFFF0010;
constexpr char kHalInstance[] = "ACPI_HAL\\PNP0C08\\0";

std::optional<uint64_t> ReadTime(const KeyCopy &instance, const char *property) {
    const KeyCopy *key = instance.FindPath(std::string(kTimesPropertySet) + "\\" + property);
    const HiveValue *value = key ? key->Value("") : nullptr;
    if (value == nullptr || value->type != kFiletimeProperty || value->data.size() != 8) return std::nullopt;
    uint64_t time = 0;
    for (size_t i = 8; i > 0; --i) time = (time << 8) | value->data[i - 1];
    return time;
}

}  // namespace

const char *RuleName(PresenceRule rule) {
    switch (rule) {
    case PresenceRule::LastSession: return "last-session";
    case PresenceRule::All: return "all";
    case PresenceRule::None: return "none";
    }
    return "";
}

std::optional<PresenceRule> ParseRule(const std::string &name) {
    for (PresenceRule rule : {PresenceRule::LastSession, PresenceRule::All, PresenceRule::None}) {
        if (name == RuleName(rule)) return rule;
    }
    return std::nullopt;
}

bool PresentInSession(const DeviceTimes &times, uint64_t sessionStart) {
    if (!times.arrival) return !times.removal;
    return *times.arrival >= sessionStart && !(times.removal && *times.removal > *times.arrival);
}

DeviceTimes ReadDeviceTimes(const KeyCopy &instance) {
    return {ReadTime(instance, "0066"), ReadTime(instance, "0067")};
}

std::optional<uint64_t> SessionStart(const KeyCopy &enumTree) {
    const KeyCopy *hal = enumTree.FindPath(kHalInstance);
    return hal ? ReadTime(*hal, "0066") : std::nullopt;
}

PresenceCount MarkPresent(KeyCopy &enumTree, PresenceRule rule, std::optional<uint64_t> sessionStart, bool mark) {
    PresenceCount count;
    for (KeyCopy &enumerator : enumTree.subkeys) {
        for (KeyCopy &device : enumerator.subkeys) {
            for (KeyCopy &instance : device.subkeys) {
                auto &subs = instance.subkeys;
                if (mark) {
                    subs.erase(std::remove_if(subs.begin(), subs.end(),
                                              [](const KeyCopy &k) { return NamesEqual(k.name, "Control"); }),
                               subs.end());
                }
                bool present = rule == PresenceRule::All;
                if (rule == PresenceRule::LastSession && sessionStart) {
                    present = PresentInSession(ReadDeviceTimes(instance), *sessionStart);
                }
                ++count.instances;
                if (present) {
                    ++count.present;
                    if (mark) subs.push_back(KeyCopy{"Control", {}, {}});
                }
            }
        }
    }
    return count;
}

std::string FiletimeText(uint64_t filetime) {
    // 100-nanosecond steps since 1601-01-01; 11644473600 s to 1970-01-01.
    const uint64_t seconds = filetime / 10000000;
    const auto unix = static_cast<time_t>(static_cast<int64_t>(seconds) - 11644473600LL);
    std::tm parts{};
    gmtime_r(&unix, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%07uZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<unsigned>(filetime % 10000000));
    return text;
}

}  // namespace hsinfo::offline
