// The drive collector: floppy, CD-ROM and disk drives, joined in that order
// into the collector's two parallel lists.
#include "api/inventory.h"

namespace hs {

namespace {

void AppendList(TextList &to, const TextList &from) { to.insert(to.end(), from.begin(), from.end()); }

}  // namespace

uint32_t CInventory::GetDriverCount() {
    OutputDebugStringA("trc GetDriverCount...\n");

    TextList floppyDescriptions, floppyTypes;
    TextList cdromDescriptions, cdromTypes;
    TextList diskDescriptions, diskTypes;
    int32_t total = GetFloppyDrives(floppyDescriptions, floppyTypes);
    total += GetCdromDrives(cdromDescriptions, cdromTypes);
    total += GetDiskDrives(diskDescriptions, diskTypes);

    TextList descriptions, types;
    AppendList(descriptions, floppyDescriptions);
    AppendList(descriptions, cdromDescriptions);
    AppendList(descriptions, diskDescriptions);
    AppendList(types, floppyTypes);
    AppendList(types, cdromTypes);
    AppendList(types, diskTypes);

    m_driveDescriptions.clear();
    m_driveTypes.clear();
    m_driveDescriptions = descriptions;
    m_driveTypes = types;

    OutputDebugStringA("trc GetDriverCount...ok\n");
    return static_cast<uint32_t>(total);
}

void CInventory::CopyDriverLists(TextList &descriptions, TextList &types) {
    descriptions = m_driveDescriptions;
    types = m_driveTypes;
}

}  // namespace hs
