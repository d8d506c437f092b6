#include "offline/hive_set.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace hsinfo::offline {

namespace {

namespace fs = std::filesystem;

// The files of a folder that an installation's hives are named by.
std::vector<std::string> HiveFilesIn(const std::string &folder) {
    std::vector<std::string> found;
    std::error_code error;
    fs::directory_iterator it(folder, error), end;
    if (error) throw OfflineError(folder + ": cannot be listed (" + error.message() + ")");
    for (; it != end; it.increment(error)) {
        if (error) throw OfflineError(folder + ": cannot be listed (" + error.message() + ")");
        const std::string name = it->path().filename().string();
        if (NamesEqual(name, "SYSTEM") || NamesEqual(name, "SOFTWARE") || NamesEqual(name, "SYSTEM.DAT")) {
            found.push_back(it->path().string());
        }
    }
    if (found.empty()) throw OfflineError(folder + ": holds no file named SYSTEM, SOFTWARE or SYSTEM.DAT");
    std::sort(found.begin(), found.end());
    return found;
}

OpenedHive Open(const std::string &path) {
    return WithFile(path, [&] {
        OpenedHive hive{path, "", OpenHiveFile(path)};
        std::unique_ptr<HiveKey> root = hive.file->Root();
        if (hive.file->Format() == HiveFormat::Creg) {
            if (!FindSubkey(*root, "Enum") && !FindSubkey(*root, "System")) {
                throw HiveError("a CREG file without the machine's keys (no Enum, no System): not a SYSTEM.DAT");
            }
            hive.role = "SYSTEM.DAT";
        } else if (FindSubkey(*root, "Select")) {
            hive.role = "SYSTEM";
        } else if (FindSubkey(*root, "Microsoft")) {
            hive.role = "SOFTWARE";
        } else {
            throw HiveError("a regf hive that is neither SYSTEM (no Select key) nor SOFTWARE (no Microsoft key)");
        }
        return hive;
    });
}

void Place(OpenedHive hive, std::optional<OpenedHive> &slot) {
    if (slot) throw OfflineError(slot->path + " and " + hive.path + " are both " + hive.role + " hives");
    slot = std::move(hive);
}

}  // namespace

HiveSet OpenHives(const std::vector<std::string> &paths) {
    HiveSet set;
    for (const std::string &path : paths) {
        std::error_code error;
        const bool folder = fs::is_directory(path, error);
        for (const std::string &file : folder ? HiveFilesIn(path) : std::vector<std::string>{path}) {
            OpenedHive hive = Open(file);
            if (hive.role == "SYSTEM") {
                Place(std::move(hive), set.system);
            } else if (hive.role == "SOFTWARE") {
                Place(std::move(hive), set.software);
            } else {
                Place(std::move(hive), set.system9x);
            }
        }
    }
    if (set.system9x && (set.system || set.software)) {
        const std::string nt = set.system ? set.system->path : set.software->path;
        throw OfflineError(set.system9x->path + " (Windows 9x) and " + nt +
                           " (Windows NT) belong to different installations");
    }
    return set;
}

}  // namespace hsinfo::offline
