// Printers, as the print spooler lists them: the named (local) printers on
// NT; on Windows 9x the default printer followed by the local printers that
// are not the default one.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "api/inventory.h"

namespace hs {

namespace {

constexpr const char kTypeWord[] = "Printer";

bool SameTextIgnoringCase(const Text &a, const Text &b) {
    return _mbsicmp(reinterpret_cast<const unsigned char *>(a.c_str()),
                    reinterpret_cast<const unsigned char *>(b.c_str())) == 0;
}

void TraceSpoolerError(DWORD error) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(error));
    OutputDebugStringA(text);
}

// One spooler listing (flags and level fixed) into a buffer that starts with
// room for one record and grows once when the spooler asks for more.
class PrinterEnumeration {
public:
    PrinterEnumeration(DWORD level, size_t recordSize)
        : m_level(level), m_recordSize(recordSize), m_buffer(recordSize, 0) {}

    // The first call passes cbBuf; a failure with 122 grows the buffer to
    // hold the needed bytes (rounded up to whole records, plus one) and
    // retries once with its whole size. Answers the result of the last call;
    // on failure lastError holds the error of that call.
    bool Enumerate(DWORD flags, DWORD cbBuf, bool &retried) {
        retried = false;
        m_needed = 0;
        m_returned = 0;
        if (Call(flags, cbBuf)) return true;
        m_lastError = GetLastError();
        if (m_lastError != ERROR_INSUFFICIENT_BUFFER) return false;
        retried = true;
        const size_t grown = (m_needed / m_recordSize + 1) * m_recordSize;
        m_buffer.assign(grown, 0);
        if (Call(flags, static_cast<DWORD>(m_buffer.size()))) return true;
        m_lastError = GetLastError();
        return false;
    }

    void Clear() {
        std::fill(m_buffer.begin(), m_buffer.end(), 0);
        m_needed = 0;
        m_returned = 0;
    }

    // Names of the records of the last successful call. The printer name is
    // the first field of both record levels.
    TextList Names() const {
        TextList names;
        const size_t fit = m_buffer.size() / m_recordSize;
        const size_t count = m_returned < fit ? m_returned : fit;
        for (size_t i = 0; i < count; ++i) {
            const LPSTR name = *reinterpret_cast<const LPSTR *>(m_buffer.data() + i * m_recordSize);
            names.push_back(name ? Text(name) : Text());
        }
        return names;
    }

    DWORD LastError() const { return m_lastError; }

private:
    bool Call(DWORD flags, DWORD cbBuf) {
        return EnumPrintersA(flags, nullptr, m_level, m_buffer.data(), cbBuf, &m_needed, &m_returned) != FALSE;
    }

    DWORD m_level;
    size_t m_recordSize;
    std::vector<BYTE> m_buffer;
    DWORD m_needed = 0;
    DWORD m_returned = 0;
    DWORD m_lastError = 0;
};

}  // namespace

int32_t CInventory::GetPrinters(TextList &descriptions, TextList &types) {
    bool retried = false;
    if (GetPlatformId() == VER_PLATFORM_WIN32_NT) {
        PrinterEnumeration printers(4, sizeof(PRINTER_INFO_4A));
        if (!printers.Enumerate(PRINTER_ENUM_NAME, sizeof(PRINTER_INFO_4A), retried)) {
            TraceSpoolerError(printers.LastError());
            return 0;
        }
        for (const Text &name : printers.Names()) descriptions.push_back(name);
        return FillTypeWords(descriptions, types, kTypeWord);
    }

    PrinterEnumeration printers(5, sizeof(PRINTER_INFO_5A));
    if (printers.Enumerate(PRINTER_ENUM_DEFAULT, sizeof(PRINTER_INFO_5A), retried)) {
        for (const Text &name : printers.Names()) descriptions.push_back(name);
    } else if (retried) {
        TraceSpoolerError(printers.LastError());
        return 0;
    }
    // Without a default printer the local ones are listed all the same.

    printers.Clear();
    TextList localNames;
    if (printers.Enumerate(PRINTER_ENUM_LOCAL, sizeof(PRINTER_INFO_5A), retried)) {
        localNames = printers.Names();
    } else if (retried) {
        TraceSpoolerError(printers.LastError());
        // The kind answers 0: the default printer found above is dropped too,
        // so that the count, the descriptions and the type words agree.
        descriptions.clear();
        types.clear();
        return 0;
    }

    // The default printer is normally also a local one: list each name once.
    for (const Text &name : localNames) {
        bool listed = false;
        for (const Text &earlier : descriptions) {
            if (SameTextIgnoringCase(name, earlier)) {
                listed = true;
                break;
            }
        }
        if (!listed) descriptions.push_back(name);
    }
    return FillTypeWords(descriptions, types, kTypeWord);
}

}  // namespace hs
