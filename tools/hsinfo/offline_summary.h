// What an inventory taken from hive files (hsinfo --hives) says about itself:
// the files read, the presence rule, and how each family that a running
// machine answers was handled. Plain data, for the printers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace hsinfo {

struct OfflineSummary {
    struct Hive {
        std::string path, format, role;
    };
    struct Family {
        std::string family;     // processors, memory, adapters, netbios, printers, driveTypes
        bool fromHive = false;  // taken from the files, else left out
        std::string detail;     // where from, or why left out
    };
    std::vector<Hive> hives;
    std::string windowsFamily;  // "NT" or "9x"
    std::string controlSet;
    std::string presenceRule;
    std::string sessionStart;  // UTC, "" when not recorded
    size_t instances = 0, present = 0;
    std::string versionSource;
    size_t skippedNames = 0;
    std::vector<Family> families;

    bool LeftOut(const std::string &family) const {
        for (const Family &f : families) {
            if (f.family == family) return !f.fromHive;
        }
        return false;
    }
};

}  // namespace hsinfo
