// hsinfo --hives on Windows: the hive files are read with Debian's libraries,
// which the Windows build does not have.
#include "offline/offline_session.h"

namespace hsinfo::offline {

bool OfflineSession::Prepare(const std::vector<std::string> &, const std::string &, std::string &error) {
    error = "--hives reads hive files with Debian's libraries and exists only on the native build";
    return false;
}

void OfflineSession::Apply(Inventory &) const {}

}  // namespace hsinfo::offline
