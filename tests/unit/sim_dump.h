// The simulated machine as the Windows calls see it, as text: the registry
// tree and every machine fact, for the test profiles' dumps and the profile
// fuzzer, which checks that whatever loads reads back consistently.
#pragma once

#include <cstring>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "printable.h"
#include "platform/platform.h"

namespace simtest {

using hstest::Hex;
using hstest::Printable;

// A key of HKEY_LOCAL_MACHINE (or below another key), closed at the end of
// the scope.
class Key {
public:
    explicit Key(const char *path, HKEY parent = HKEY_LOCAL_MACHINE) {
        m_status = RegOpenKeyExA(parent, path, 0, KEY_READ, &m_key);
    }
    ~Key() {
        if (m_key != nullptr) RegCloseKey(m_key);
    }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;
    LSTATUS Status() const { return m_status; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
    LSTATUS m_status;
};

// A value's type and bytes as text, or "<missing>".
inline std::string ValueText(const char *path, const char *name) {
    Key key(path);
    char data[1024];
    DWORD size = sizeof data, type = 0;
    if (key.Status() != ERROR_SUCCESS ||
        RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE *>(data), &size) != ERROR_SUCCESS) {
        return "<missing>";
    }
    return "type " + std::to_string(type) + ": \"" + Printable(data, size) + "\"";
}

// Writes the key and every key below it (down to maxDepth levels): its
// counts and longest lengths, every value's type and bytes. Answers false,
// and writes why, when the enumeration contradicts the counts or a value's
// size query.
inline bool DumpKey(std::ostream &out, HKEY key, const std::string &path, int maxDepth = 600) {
    DWORD subkeys = 0, maxSubkey = 0, values = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &values, &maxName, &maxData,
                         nullptr, nullptr) != ERROR_SUCCESS) {
        out << "[" << path << "] cannot be queried\n";
        return false;
    }
    out << "[" << path << "] subkeys " << subkeys << " (longest " << maxSubkey << "), values " << values
        << " (longest name " << maxName << ", data " << maxData << ")\n";
    bool consistent = true;
    std::vector<char> name(maxName + 1);
    std::vector<BYTE> data(maxData + 1);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size()), size = maxData, type = 0, querySize = 0;
        const LSTATUS status = RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &size);
        if ((status == ERROR_NO_MORE_ITEMS) != (i == values) ||
            (status == ERROR_SUCCESS && (RegQueryValueExA(key, name.data(), nullptr, nullptr, nullptr, &querySize) !=
                                             ERROR_SUCCESS || querySize != size))) {
            out << "  value " << i << " of " << values << " answers " << status << " with size " << size << "\n";
            consistent = false;
        }
        if (status != ERROR_SUCCESS) break;
        if (!out) continue;  // a stream that writes nothing needs no text
        out << "  \"" << Printable(name.data(), nameSize) << "\" type " << type << ": \"" << Printable(data.data(), size)
            << "\"\n";
    }
    std::vector<char> subkey(maxSubkey + 1);
    for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(subkey.size());
        const LSTATUS status = RegEnumKeyExA(key, i, subkey.data(), &size, nullptr, nullptr, nullptr, nullptr);
        if ((status == ERROR_NO_MORE_ITEMS) != (i == subkeys)) {
            out << "  subkey " << i << " of " << subkeys << " answers " << status << "\n";
            consistent = false;
        }
        if (status != ERROR_SUCCESS) break;
        HKEY child = nullptr;
        if (maxDepth > 0 && RegOpenKeyExA(key, subkey.data(), 0, KEY_READ, &child) == ERROR_SUCCESS) {
            const std::string childPath = out ? path + "\\" + Printable(subkey.data(), size) : std::string();
            consistent = DumpKey(out, child, childPath, maxDepth - 1) && consistent;
            RegCloseKey(child);
        }
    }
    return consistent;
}

inline std::string Regs(uint32_t leaf) {
    const hs::CpuidRegs r = hs::ExecuteCpuid(leaf);
    return Hex(r.eax) + " " + Hex(r.ebx) + " " + Hex(r.ecx) + " " + Hex(r.edx);
}

// Writes what every machine fact's Windows call answers: version, system
// and affinity, priority, processor and clock, timer, adapters, NetBIOS,
// printers and drives. sleep: include a Sleep(10), which is real time on a
// machine without a simulated processor.
inline void DumpFacts(std::ostream &out, bool sleep = true) {
    OSVERSIONINFOA v;
    std::memset(&v, 0x5A, sizeof v);
    v.dwOSVersionInfoSize = sizeof v;
    const BOOL gotVersion = GetVersionExA(&v);
    out << "# Version\nGetVersionExA -> " << gotVersion << ": " << v.dwMajorVersion << "." << v.dwMinorVersion
        << " build " << Hex(v.dwBuildNumber) << " platform " << v.dwPlatformId << " \""
        << Printable(v.szCSDVersion, strnlen(v.szCSDVersion, sizeof v.szCSDVersion)) << "\"\n";

    SYSTEM_INFO s;
    GetSystemInfo(&s);
    DWORD_PTR process = 0, system = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &process, &system);
    out << "# System\nprocessors " << s.dwNumberOfProcessors << ", active " << s.dwActiveProcessorMask << ", level "
        << s.wProcessorLevel << ", revision " << Hex(s.wProcessorRevision, 4) << "; affinity " << process << " of "
        << system << ", leaf 1 EBX " << Hex(hs::ExecuteCpuid(1).ebx) << "\n";
    for (DWORD_PTR mask : {0, 5, 2, 1, 3}) {
        SetLastError(0);
        const BOOL set = SetProcessAffinityMask(GetCurrentProcess(), mask);
        const DWORD error = GetLastError();
        GetProcessAffinityMask(GetCurrentProcess(), &process, &system);
        out << "SetProcessAffinityMask(" << mask << ") -> " << set << " (error " << error << "), affinity " << process
            << ", leaf 1 EBX " << Hex(hs::ExecuteCpuid(1).ebx) << "\n";
    }
    out << "priority class " << Hex(GetPriorityClass(GetCurrentProcess()));
    for (DWORD priority : {0x1234u, 0x100u}) {
        out << "; SetPriorityClass(" << Hex(priority) << ") -> " << SetPriorityClass(GetCurrentProcess(), priority)
            << ", " << Hex(GetPriorityClass(GetCurrentProcess()));
    }

    out << "\n# Processor\nCPUID " << (hs::CanToggleIdFlag() ? "" : "not ") << "supported; SSE probe "
        << Hex(hs::ProbeSse()) << ", SSE2 probe " << Hex(hs::ProbeSse2()) << ", MXCSR mask "
        << Hex(hs::ReadMxcsrMask()) << "\n";
    for (uint32_t leaf : {0u, 1u, 2u, 3u, 0x80000000u, 0x80000001u, 0x80000004u}) {
        out << "leaf " << Hex(leaf) << ": " << Regs(leaf) << "\n";
    }
    out << "clock: counter " << hs::ReadTsc() << ", times " << timeGetTime();
    out << " " << timeGetTime() << " " << timeGetTime() << ", counter " << hs::ReadTsc();
    if (sleep) Sleep(10);
    out << ", after 10 ms: counter " << hs::ReadTsc() << ", time " << timeGetTime() << "\n";

    TIMECAPS caps{};
    const MMRESULT capsResult = timeGetDevCaps(&caps, sizeof caps);
    out << "# Timer\ntimeGetDevCaps -> " << capsResult << ": " << caps.wPeriodMin << " to " << caps.wPeriodMax;
    for (UINT period : {0u, 1u, 2u, 16u, 17u}) {
        const MMRESULT begun = timeBeginPeriod(period);
        out << "; period " << period << " -> " << begun;
        if (begun == TIMERR_NOERROR) out << ", end " << timeEndPeriod(period);
    }

    ULONG size = 0;
    out << "\n# Adapters\nGetAdaptersInfo(none) -> " << GetAdaptersInfo(nullptr, &size) << ", size " << size;
    std::vector<IP_ADAPTER_INFO> list(size / sizeof(IP_ADAPTER_INFO) + 1);
    ULONG shorter = size - (size > 0 ? 1 : 0);
    out << "; one byte short -> " << GetAdaptersInfo(list.data(), &shorter) << ", size " << shorter;
    const DWORD filled = GetAdaptersInfo(list.data(), &size);
    out << "; the size -> " << filled << "\n";
    for (size_t i = 0; filled == ERROR_SUCCESS && i < size / sizeof(IP_ADAPTER_INFO); ++i) {
        const IP_ADAPTER_INFO &a = list[i];
        out << "\"" << a.AdapterName << "\" \"" << a.Description << "\" address " << Printable(a.Address, a.AddressLength)
            << " IP \"" << a.IpAddressList.IpAddress.String << "\" next " << (a.Next ? a.Next - list.data() : -1) << "\n";
    }

    LANA_ENUM lanas{};
    NCB ncb{};
    ncb.ncb_command = NCBENUM, ncb.ncb_buffer = reinterpret_cast<UCHAR *>(&lanas), ncb.ncb_length = sizeof lanas;
    out << "# NetBIOS\nNCBENUM -> " << +Netbios(&ncb) << ": " << +lanas.length << " LANAs\n";
    std::vector<UCHAR> numbers(lanas.lana, lanas.lana + lanas.length);
    numbers.push_back(99);
    for (UCHAR lana : numbers) {
        NCB reset{}, status{};
        ADAPTER_STATUS answer{};
        reset.ncb_command = NCBRESET, reset.ncb_lana_num = lana;
        status.ncb_command = NCBASTAT, status.ncb_lana_num = lana, status.ncb_callname[0] = '*';
        status.ncb_buffer = reinterpret_cast<UCHAR *>(&answer), status.ncb_length = sizeof answer;
        out << "LANA " << +lana << ": NCBRESET -> " << +Netbios(&reset) << ", NCBASTAT -> " << +Netbios(&status)
            << " address " << Printable(answer.adapter_address, 6) << "\n";
    }

    out << "# Printers\n";
    const std::pair<DWORD, DWORD> calls[] = {{PRINTER_ENUM_DEFAULT, 5}, {PRINTER_ENUM_LOCAL, 4},
                                             {PRINTER_ENUM_NAME, 4},    {PRINTER_ENUM_LOCAL, 3}};
    for (const auto &[flags, level] : calls) {
        std::vector<BYTE> buffer(4096);
        DWORD needed = 0, returned = 0;
        out << "flags " << flags << " level " << level;
        for (DWORD room : {0u, 1u, 2u}) {
            const DWORD bytes = room == 0 ? 0 : room == 1 ? (needed > 0 ? needed - 1 : 0) : needed;
            SetLastError(0);
            const BOOL listed = EnumPrintersA(flags, nullptr, level, bytes ? buffer.data() : nullptr, bytes, &needed,
                                              &returned);
            out << "; " << bytes << " bytes -> " << listed << " (error " << GetLastError() << ") needed " << needed
                << " returned " << returned;
            const size_t recordSize = level == 5 ? sizeof(PRINTER_INFO_5A) : sizeof(PRINTER_INFO_4A);
            for (DWORD i = 0; listed && i < returned; ++i) {
                const auto *record = reinterpret_cast<const char *const *>(buffer.data() + i * recordSize);
                // The texts lie in the caller's buffer, after the records.
                out << " \"" << record[0] << "\" at " << record[0] - reinterpret_cast<const char *>(buffer.data())
                    << (level == 5 ? std::string(" on ") + record[1] : "");
            }
        }
        out << "\n";
    }

    out << "# Drives\ntypes:";
    char root[] = "A:";
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        root[0] = letter;
        if (GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR) out << " " << letter << " " << GetDriveTypeA(root);
    }
    out << "; \"c:\\\" " << GetDriveTypeA("c:\\") << ", \"C:\\Windows\" " << GetDriveTypeA("C:\\Windows")
        << ", none " << GetDriveTypeA(nullptr) << "\ncurrent " << _getdrive() << "; can be made current:";
    for (int drive = 0; drive <= 27; ++drive) {
        if (_chdrive(drive) == 0) out << " " << drive << " (" << _getdrive() << ")";
    }
    out << "\n";
}

}  // namespace simtest
