// Checks of a hive file's header, before its library reads it, so that the
// commonest faults (a truncated or overwritten file) are named plainly.
#pragma once

#include <cstdint>
#include <istream>

namespace hsinfo::offline {

// Throw HiveError for a regf header whose checksum does not match or that
// announces more hive bins than the file holds.
void CheckRegfHeader(std::istream &in, uint64_t size);

// Throw HiveError for a CREG file whose key block or data blocks run past
// its end.
void CheckCregHeader(std::istream &in, uint64_t size);

}  // namespace hsinfo::offline
