// The simulated machine as the Windows calls see it, for the profiles under
// tests/machines/sim/: the registry tree (every key's counts and longest
// lengths, every value's type and bytes) and every machine fact, compared
// with tests/machines/sim/expected/<profile>.txt. Together the profiles hold
// each rule of the profile format (both export formats, the three
// encodings, deletions, replacements) and each fact with its default and its
// failure. HS_UPDATE_EXPECTED=1 rewrites the expected files.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "golden.h"
#include "platform/platform.h"
#include "platform/sim/sim_machine.h"

namespace {

using hstest::Hex;
using hstest::Printable;

void DumpKey(std::ostream &out, HKEY key, const std::string &path) {
    DWORD subkeys = 0, maxSubkey = 0, values = 0, maxName = 0, maxData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &values, &maxName, &maxData,
                     nullptr, nullptr);
    out << "[" << path << "] subkeys " << subkeys << " (longest " << maxSubkey << "), values " << values
        << " (longest name " << maxName << ", data " << maxData << ")\n";
    std::vector<char> name(maxName + 1);
    std::vector<BYTE> data(maxData + 1);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size()), size = maxData, type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) break;
        out << "  \"" << Printable(name.data(), nameSize) << "\" type " << type << ": \"" << Printable(data.data(), size)
            << "\"\n";
    }
    std::vector<char> subkey(maxSubkey + 1);
    for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(subkey.size());
        if (RegEnumKeyExA(key, i, subkey.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY child = nullptr;
        RegOpenKeyExA(key, subkey.data(), 0, KEY_READ, &child);
        DumpKey(out, child, path + "\\" + Printable(subkey.data(), size));
        RegCloseKey(child);
    }
}

std::string Regs(uint32_t leaf) {
    const hs::CpuidRegs r = hs::ExecuteCpuid(leaf);
    return Hex(r.eax) + " " + Hex(r.ebx) + " " + Hex(r.ecx) + " " + Hex(r.edx);
}

void DumpFacts(std::ostream &out) {
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
    Sleep(10);
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

TEST(SimGolden, ProfilesAsTheWindowsCallsSeeThem) {
    for (const char *name : {"facts-all", "facts-failing-first", "facts-failing-later", "facts-defaults"}) {
        const std::string profile = std::string("tests/machines/sim/") + name;
        hs::sim::LoadMachineFile(std::string(HS_SOURCE_DIR) + "/" + profile + ".reg");
        std::ostringstream out;
        out << "# Registry\n";
        DumpKey(out, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE");
        DumpFacts(out);
        hstest::ExpectGolden("tests/machines/sim/expected/" + std::string(name) + ".txt", out.str());
    }
}

}  // namespace
