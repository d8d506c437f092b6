// The operating-system version record as the host readers ask for it.
#pragma once

#include "platform/platform.h"

namespace hs {

// Ask GetVersionExA with a zero-filled record whose size field is 148. On
// failure the record stays zero (platform id 0, version 0.0) and false is
// answered.
bool ReadOsVersion(OSVERSIONINFOA &info);

// The NT family's platform id.
constexpr DWORD kPlatformNt = 2;

}  // namespace hs
