// The inventory as one document of GLPI's native inventory format
// (docs/glpi.md): the sections that the exports' records can fill.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "reader.h"

namespace hsinfo {

// The local time of an inventory; it forms part of the device id.
struct InventoryTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Parses "YYYY-MM-DD HH:MM:SS" (or with 'T' between date and time), or takes
// the current local time when text is empty; false with a message when the
// text is not such a time.
bool ResolveInventoryTime(const std::string &text, InventoryTime &time, std::string &error);

// Prints the document to out and each family that could not be read as one
// line to notes. Families that were not asked for, and families that failed,
// leave their sections out.
void PrintGlpi(std::ostream &out, std::ostream &notes, const Inventory &inv,
               const std::vector<std::string> &families, const InventoryTime &time);

}  // namespace hsinfo
