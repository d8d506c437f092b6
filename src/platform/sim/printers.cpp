// EnumPrintersA, levels 4 and 5: the records first, their strings after them
// in the same buffer.
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/machine.h"

namespace {

const hs::sim::PrinterListFacts g_noPrinters HS_INIT_PRIORITY(HS_PRIORITY_SIM_MACHINE);

constexpr DWORD kErrorInvalidLevel = 124;
constexpr DWORD kErrorInvalidName = 123;
constexpr DWORD kNullReference = 1780;  // RPC_X_NULL_REF_POINTER
constexpr DWORD kAttributeLocal = 0x00000040;
constexpr char kPortName[] = "LPT1:";

// The list a call asks for, or null for a list that is always empty.
const hs::sim::PrinterListFacts *ListFor(const hs::sim::PrintersFacts &f, DWORD flags, LPCSTR name, bool &badName) {
    badName = false;
    if (flags & PRINTER_ENUM_DEFAULT) return &f.defaults;
    if (flags & PRINTER_ENUM_LOCAL) return &f.locals;
    if (flags & PRINTER_ENUM_NAME) {
        if (name == nullptr || name[0] == '\0') return &f.locals;
        badName = true;
        return nullptr;
    }
    return &g_noPrinters;
}

size_t StringsSize(const std::vector<std::string> &names, DWORD level) {
    size_t size = 0;
    for (const std::string &n : names) size += n.size() + 1 + (level == 5 ? sizeof kPortName : 0);
    return size;
}

}  // namespace

BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed,
                   LPDWORD returned) {
    if (needed == nullptr || returned == nullptr) {
        SetLastError(kNullReference);
        return FALSE;
    }
    *returned = 0;
    if (level != 4 && level != 5) {
        SetLastError(kErrorInvalidLevel);
        return FALSE;
    }
    std::shared_ptr<const hs::sim::Machine> machine = hs::sim::CurrentMachine();
    bool badName = false;
    const hs::sim::PrinterListFacts *list = ListFor(machine->facts.printers, flags, name, badName);
    if (badName) {
        SetLastError(kErrorInvalidName);
        return FALSE;
    }
    if (list->error != 0) {
        *needed = 0;
        SetLastError(list->error);
        return FALSE;
    }
    size_t recordSize = level == 4 ? sizeof(PRINTER_INFO_4A) : sizeof(PRINTER_INFO_5A);
    size_t total = list->names.size() * recordSize + StringsSize(list->names, level);
    *needed = static_cast<DWORD>(total);
    if (total > bufferSize || (buffer == nullptr && total != 0)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (list->retryError != 0) {
        SetLastError(list->retryError);
        return FALSE;
    }
    char *strings = reinterpret_cast<char *>(buffer) + list->names.size() * recordSize;
    auto place = [&strings](const std::string &text) {
        char *at = strings;
        std::memcpy(at, text.c_str(), text.size() + 1);
        strings += text.size() + 1;
        return at;
    };
    for (size_t i = 0; i < list->names.size(); ++i) {
        if (level == 4) {
            PRINTER_INFO_4A record{};
            record.pPrinterName = place(list->names[i]);
            record.pServerName = nullptr;
            record.Attributes = kAttributeLocal;
            std::memcpy(buffer + i * recordSize, &record, sizeof record);
        } else {
            PRINTER_INFO_5A record{};
            record.pPrinterName = place(list->names[i]);
            record.pPortName = place(kPortName);
            record.Attributes = kAttributeLocal;
            record.DeviceNotSelectedTimeout = 15000;
            record.TransmissionRetryTimeout = 45000;
            std::memcpy(buffer + i * recordSize, &record, sizeof record);
        }
    }
    *returned = static_cast<DWORD>(list->names.size());
    return TRUE;
}
