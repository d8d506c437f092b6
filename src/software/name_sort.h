// The order in which installed programs are listed.
#pragma once

#include <cstddef>

#include "api/text.h"

namespace hs {

// Sort the first count entries of names in ascending order without regard
// to letter case, by an exchange sort: for each position i, for each later
// position j, the entries are exchanged when the upper-cased entry at i
// compares greater (unsigned bytes, as strcmp) than the one at j. Names that
// differ only in case compare equal; their final order is the one that this
// exchange sequence gives. Stored names keep their own case. Entries past
// count (or past the list's end) are left alone.
void SortNamesIgnoringCase(TextList &names, size_t count);

}  // namespace hs
