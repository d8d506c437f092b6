// The Hardscan library loaded at run time, reached only through its exports.
#pragma once

#include <string>

#include "hardscan.h"

namespace hsinfo {

struct Exports {
    decltype(&HsiGetCpuCount) GetCpuCount = nullptr;
    decltype(&HsiGetCpuInfo) GetCpuInfo = nullptr;
    decltype(&HsiGetCpuInfoEx) GetCpuInfoEx = nullptr;
    decltype(&HsiGetCommonInfo) GetCommonInfo = nullptr;
    decltype(&HsiGetNetCount) GetNetCount = nullptr;
    decltype(&HsiGetNetInfoEx) GetNetInfoEx = nullptr;
    decltype(&HsiGetAdapterCount) GetAdapterCount = nullptr;
    decltype(&HsiGetAdapterInfo) GetAdapterInfo = nullptr;
    decltype(&HsiGetNetUserInfo) GetNetUserInfo = nullptr;
    decltype(&HsiGetSoftwareCount) GetSoftwareCount = nullptr;
    decltype(&HsiGetSoftwareInfo) GetSoftwareInfo = nullptr;
    decltype(&HsiGetSoftwareInfoEx) GetSoftwareInfoEx = nullptr;
    decltype(&HsiGetDriverInfo) GetDriverInfo = nullptr;
    decltype(&HsiGetDeviceInfo) GetDeviceInfo = nullptr;
    decltype(&HsiGetSysInfo) GetSysInfo = nullptr;
};

// Loads the library from path (default: next to this program). On failure
// answers false with a message; an export that is missing is named.
bool LoadHardscan(const std::string &path, Exports &exports, std::string &error);

// The library's default path beside the running program.
std::string DefaultLibraryPath();

// Select a machine profile for the native library before it is loaded.
bool SelectMachine(const std::string &profile, std::string &error);

}  // namespace hsinfo
