// The fifteen exports as function pointers, for the programs that call a
// loaded library by name and for those linked with the library's objects,
// and the bytes of each record that no export ever writes.
#pragma once

#include <cstddef>
#include <vector>

#include "hardscan.h"

#define HS_EXPORT_NAMES(X)                                                                                        \
    X(HsiGetCpuCount) X(HsiGetCpuInfo) X(HsiGetCpuInfoEx) X(HsiGetCommonInfo) X(HsiGetNetCount) X(HsiGetNetInfoEx) \
    X(HsiGetAdapterCount) X(HsiGetAdapterInfo) X(HsiGetNetUserInfo) X(HsiGetSoftwareCount) X(HsiGetSoftwareInfo)   \
    X(HsiGetSoftwareInfoEx) X(HsiGetDriverInfo) X(HsiGetDeviceInfo) X(HsiGetSysInfo)

namespace hstest {

struct Exports {
#define HS_EXPORT_MEMBER(name) decltype(&::name) name = nullptr;
    HS_EXPORT_NAMES(HS_EXPORT_MEMBER)
#undef HS_EXPORT_MEMBER
};

// Every export looked up through lookup(name), which answers a void * (null
// when missing). Answers the first missing name, or null when all are there.
template <typename Lookup>
const char *ResolveExports(Exports &x, Lookup lookup) {
#define HS_RESOLVE(name)                                         \
    x.name = reinterpret_cast<decltype(x.name)>(lookup(#name)); \
    if (x.name == nullptr) return #name;
    HS_EXPORT_NAMES(HS_RESOLVE)
#undef HS_RESOLVE
    return nullptr;
}

// The library's own functions, in a program linked with its objects.
template <int = 0>
Exports LinkedExports() {
    Exports x;
#define HS_LINKED(name) x.name = &::name;
    HS_EXPORT_NAMES(HS_LINKED)
#undef HS_LINKED
    return x;
}

// Byte offsets inside a record that no export writes: the last byte of every
// text field, and what lies outside the fields an export fills.
using Offsets = std::vector<size_t>;
inline Offsets Range(size_t begin, size_t end, Offsets more = {}) {
    for (size_t i = begin; i < end; ++i) more.push_back(i);
    return more;
}
inline Offsets NeverWritten(const CPUINFO *) { return {4 + 259, 264 + 259}; }
inline Offsets NeverWritten(const DRIVERINFO *) { return {4 + 31, 36 + 259}; }
inline Offsets NeverWritten(const DEVICEINFO *) { return {4 + 31, 36 + 259}; }
inline Offsets NeverWritten(const IPADAPTERINFO *) { return {4 + 259, 264 + 131, 396 + 15, 412 + 15}; }
inline Offsets NeverWritten(const SOFTWAREINFO *) { return {4 + 259}; }
inline Offsets NeverWritten(const NETINFO *) { return {4 + 31, 36 + 31}; }
inline Offsets NeverWritten(const COMMONINFO *) {
    return Range(1332, 1480, {32 + 259, 292 + 259, 552 + 259, 812 + 259, 1072 + 259});
}
// The reserved words, the last bytes of the names and the address texts'
// bytes past their first 15.
inline Offsets NeverWritten(const NETUSERINFO *) {
    return Range(0, 4, Range(264 + 15, 296, Range(296 + 15, 328, Range(588, 600, {4 + 259, 328 + 259}))));
}
inline Offsets NeverWritten(const SOFTWAREINFOLIST *) { return {8 + 31}; }
inline Offsets NeverWritten(const void *) { return {}; }
template <typename T>
Offsets NeverWritten() {
    return NeverWritten(static_cast<const T *>(nullptr));
}

}  // namespace hstest
