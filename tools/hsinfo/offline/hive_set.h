// The hive files of one installation, found from the paths a user gives and
// told apart by their content.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "offline/hive_file.h"

namespace hsinfo::offline {

// What stops an offline inventory; the message names the file.
class OfflineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OpenedHive {
    std::string path;
    std::string role;  // "SYSTEM", "SOFTWARE" or "SYSTEM.DAT"
    std::unique_ptr<HiveFile> file;
};

struct HiveSet {
    std::optional<OpenedHive> system;    // regf SYSTEM
    std::optional<OpenedHive> software;  // regf SOFTWARE
    std::optional<OpenedHive> system9x;  // CREG SYSTEM.DAT: the whole HKEY_LOCAL_MACHINE
};

// Each path is a hive file (any name) or a folder, of which the entries named
// SYSTEM, SOFTWARE and SYSTEM.DAT (any case) are taken. Throws OfflineError.
HiveSet OpenHives(const std::vector<std::string> &paths);

// Runs f, turning a HiveError into an OfflineError that names the file.
template <typename F>
auto WithFile(const std::string &path, F f) {
    try {
        return f();
    } catch (const HiveError &e) {
        throw OfflineError(path + ": " + e.what());
    }
}

}  // namespace hsinfo::offline
