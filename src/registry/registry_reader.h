// RegistryReader: every registry read of the collector goes through it.
#pragma once

#include <cstdint>

#include "api/text.h"
#include "platform/platform.h"

namespace hs {

class RegistryReader {
public:
    RegistryReader() = default;
    virtual ~RegistryReader() = default;

    // Read one value of a key as text. 1 when read (text replaced), 0
    // otherwise (text untouched).
    int32_t ReadRegString(HKEY root, Text keyPath, Text valueName, Text &text);

    // Append the names of the key's subkeys in index order. 1 when the walk
    // ran to its end; 0 for a key that cannot be opened or has no subkeys.
    int32_t EnumRegSubkeys(HKEY root, Text keyPath, TextList &names);

    // Append name, type and data text of every value of the key, in index
    // order, to the three parallel lists.
    void EnumRegValues(HKEY root, Text keyPath, TextList &names, DwordList &types, TextList &data);
};

}  // namespace hs
