// Construction and destruction of the collector, and the version test that
// decides whether the processor detail record is filled at load.
#include "api/inventory.h"

#include <cstring>

#include "platform/platform.h"

namespace hs {

namespace {
constexpr uint32_t kDetailDurationMs = 1000;
constexpr uint32_t kPackageCapacity = 8;
}  // namespace

CInventory::CInventory()
    : m_cpuReady(0),
      m_cpu(),
      m_registry(),
      m_platformId(0),
      m_adapterBuffer(nullptr),
      m_cpuDetail(),
      m_driveDescriptions(),
      m_driveTypes(),
      m_deviceDescriptions(),
      m_deviceTypes() {
    std::memset(&m_cpuDetail, 0, sizeof m_cpuDetail);
    m_platformId = 0;
    m_adapterBuffer = nullptr;

    m_cpuDetail.cacheTable = new CacheInfoEntry[kCacheTypeCount]();
    m_cpuDetail.brandString = new char[48]();
    m_cpuDetail.packageCapacity = kPackageCapacity;
    m_cpuDetail.packageTable = new CpuPackageEntry[kPackageCapacity]();

    OutputDebugStringA("aaaaaa\n");
    if (IsCpuDetailSupported() == 1) FillCpuDetail(kDetailDurationMs, &m_cpuDetail);
    m_cpuReady = 1;
    m_cpu.InitCpuStates();
}

CInventory::~CInventory() {
    if (m_adapterBuffer != nullptr) {
        delete[] reinterpret_cast<uint8_t *>(m_adapterBuffer);
        m_adapterBuffer = nullptr;
    }
    delete[] m_cpuDetail.cacheTable;
    delete[] m_cpuDetail.brandString;
    delete[] m_cpuDetail.packageTable;
    m_cpuDetail.cacheTable = nullptr;
    m_cpuDetail.brandString = nullptr;
    m_cpuDetail.packageTable = nullptr;
    // The lists, the registry reader and the processor object go in the
    // reverse order of their declaration.
}

int32_t CInventory::IsCpuDetailSupported() {
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = 148;
    if (!GetVersionExA(&version)) return 0;

    switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS:
        if (version.dwMajorVersion != 4) return 1;
        if (version.dwMinorVersion == 0) return 0;
        if (version.dwMinorVersion == 10) return version.szCSDVersion[1] == 'A' ? 1 : 0;
        return 1;
    case VER_PLATFORM_WIN32_NT:
        return version.dwMajorVersion > 4 ? 1 : 0;
    default:
        return 1;
    }
}

uint32_t CInventory::GetCpuCount() {
    if (m_cpuReady == 0) m_cpu.InitCpuStates();
    return m_cpu.GetCpuCount();
}

uint32_t CInventory::GetCpuSpeed() { return m_cpu.GetCpuSpeed(); }

Text CInventory::GetCpuVendor() { return m_cpu.GetVendorString(); }

Text CInventory::GetCpuName() {
    const char *brand = m_cpuDetail.brandString;
    const Text text = brand != nullptr ? TextUpToNul(brand, 48) : Text();
    if (!text.empty()) {
        const size_t spaces = text.find_first_not_of(' ');
        return spaces == Text::npos ? Text() : text.substr(spaces);
    }
    char name[256] = {};
    GetBrandName(name, sizeof name, &m_cpuDetail);
    return TextUpToNul(name, sizeof name);
}

OSVERSIONINFOA QueryVersion() {
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = 148;
    GetVersionExA(&version);
    return version;
}

int32_t FillTypeWords(const TextList &descriptions, TextList &types, const char *typeWord) {
    types.assign(descriptions.size(), Text(typeWord));
    return static_cast<int32_t>(descriptions.size());
}

}  // namespace hs
