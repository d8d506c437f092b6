/*
 * Hardscan: machine inventory for Windows.
 *
 * The records below cross the library's interface byte for byte. Every
 * integer is 32 bits, little-endian; every address field holds a 32-bit
 * address (on 64-bit hosts the low 32 bits, see README.md). Text fields hold
 * single-byte ANSI text; the library never writes a text field's last byte.
 *
 * Compiles as C99 and as C++.
 */
#ifndef HARDSCAN_H
#define HARDSCAN_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define HSAPI __cdecl
#else
#define HSAPI
#endif

#if defined(HARDSCAN_BUILDING) && !defined(_WIN32)
#define HSEXPORT __attribute__((visibility("default")))
#else
#define HSEXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of the buffer exports (Win32 error numbers). */
#define HS_SUCCESS 0u
#define HS_ERROR_INVALID_BLOCK 9u
#define HS_ERROR_BUFFER_OVERFLOW 111u
#define HS_ERROR_NO_DATA 232u

#pragma pack(push, 1)

/* One processor; chained. */
typedef struct CPUINFO {
    uint32_t next;
    char name[260];
    char vendor[260];
    uint32_t speed; /* MHz, 0 when unknown */
} CPUINFO;

/* One drive; chained. */
typedef struct DRIVERINFO {
    uint32_t next;
    char type[32];
    char description[260];
} DRIVERINFO;

/* One device; chained. Same layout as DRIVERINFO. */
typedef struct DEVICEINFO {
    uint32_t next;
    char type[32];
    char description[260];
} DEVICEINFO;

/* One network adapter with an address; chained. */
typedef struct IPADAPTERINFO {
    uint32_t next;
    char adapterName[260];
    char description[132];
    char mac[16];
    char ipAddress[16];
} IPADAPTERINFO;

/* One installed program; chained. */
typedef struct SOFTWAREINFO {
    uint32_t next;
    char displayName[260];
} SOFTWAREINFO;

/* GlobalMemoryStatus as a 32-bit system reports it. */
typedef struct HSMEMORYSTATUS {
    uint32_t dwLength;
    uint32_t dwMemoryLoad;
    uint32_t dwTotalPhys;
    uint32_t dwAvailPhys;
    uint32_t dwTotalPageFile;
    uint32_t dwAvailPageFile;
    uint32_t dwTotalVirtual;
    uint32_t dwAvailVirtual;
} HSMEMORYSTATUS;

/* OSVERSIONINFOA as a 32-bit system lays it out. */
typedef struct HSOSVERSIONINFO {
    uint32_t dwOSVersionInfoSize;
    uint32_t dwMajorVersion;
    uint32_t dwMinorVersion;
    uint32_t dwBuildNumber;
    uint32_t dwPlatformId;
    char szCSDVersion[128];
} HSOSVERSIONINFO;

/* Machine-wide facts. */
typedef struct COMMONINFO {
    HSMEMORYSTATUS memoryStatus;
    char computerName[260];
    char userName[260];
    char registeredOwner[260];
    char registeredOrganization[260];
    char osDescription[260];
    HSOSVERSIONINFO osVersion; /* not filled by HsiGetCommonInfo */
} COMMONINFO;

/* This machine's name, user and first addressed adapter. */
typedef struct NETUSERINFO {
    uint32_t reserved0;
    char computerName[260];
    char ipAddress[32];
    char mac[32];
    char userName[260];
    char reserved1[12];
} NETUSERINFO;

/* One NetBIOS adapter. */
typedef struct NETINFO {
    uint32_t ipAddress; /* network byte order */
    char ipText[32];
    char mac[32];
} NETINFO;

/* Header of HsiGetCpuInfoEx (CPUINFO records) and HsiGetNetInfoEx (NETINFO). */
typedef struct INFOLIST {
    int32_t count;
    uint32_t recordSize;
    uint32_t records; /* address of the caller's record array */
} INFOLIST;

/* Header of HsiGetSoftwareInfoEx. */
typedef struct SOFTWAREINFOLIST {
    int32_t count;
    uint32_t recordSize;
    char category[32];
    uint32_t records; /* address of the caller's SOFTWAREINFO array */
} SOFTWAREINFOLIST;

/* Head of the HsiGetSysInfo block: section sizes in bytes. */
typedef struct SYSINFOHEADER {
    uint32_t commonSize;
    uint32_t cpuSize;
    uint32_t driverSize;
    uint32_t deviceSize;
    uint32_t adapterSize;
    uint32_t softwareSize;
} SYSINFOHEADER;

#pragma pack(pop)

/* Layout checks: sizes and offsets are part of the interface. */
#if defined(__cplusplus)
#define HS_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define HS_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#else
/* C99: an array type of negative size fails to compile. */
#define HS_STATIC_ASSERT_JOIN2(a, b) a##b
#define HS_STATIC_ASSERT_JOIN(a, b) HS_STATIC_ASSERT_JOIN2(a, b)
#define HS_STATIC_ASSERT(cond, msg) \
    typedef char HS_STATIC_ASSERT_JOIN(hs_layout_check_, __LINE__)[(cond) ? 1 : -1]
#endif

HS_STATIC_ASSERT(sizeof(CPUINFO) == 528, "CPUINFO size");
HS_STATIC_ASSERT(offsetof(CPUINFO, name) == 4, "CPUINFO.name");
HS_STATIC_ASSERT(offsetof(CPUINFO, vendor) == 264, "CPUINFO.vendor");
HS_STATIC_ASSERT(offsetof(CPUINFO, speed) == 524, "CPUINFO.speed");

HS_STATIC_ASSERT(sizeof(DRIVERINFO) == 296, "DRIVERINFO size");
HS_STATIC_ASSERT(offsetof(DRIVERINFO, type) == 4, "DRIVERINFO.type");
HS_STATIC_ASSERT(offsetof(DRIVERINFO, description) == 36, "DRIVERINFO.description");
HS_STATIC_ASSERT(sizeof(DEVICEINFO) == 296, "DEVICEINFO size");
HS_STATIC_ASSERT(offsetof(DEVICEINFO, type) == 4, "DEVICEINFO.type");
HS_STATIC_ASSERT(offsetof(DEVICEINFO, description) == 36, "DEVICEINFO.description");

HS_STATIC_ASSERT(sizeof(IPADAPTERINFO) == 428, "IPADAPTERINFO size");
HS_STATIC_ASSERT(offsetof(IPADAPTERINFO, adapterName) == 4, "IPADAPTERINFO.adapterName");
HS_STATIC_ASSERT(offsetof(IPADAPTERINFO, description) == 264, "IPADAPTERINFO.description");
HS_STATIC_ASSERT(offsetof(IPADAPTERINFO, mac) == 396, "IPADAPTERINFO.mac");
HS_STATIC_ASSERT(offsetof(IPADAPTERINFO, ipAddress) == 412, "IPADAPTERINFO.ipAddress");

HS_STATIC_ASSERT(sizeof(SOFTWAREINFO) == 264, "SOFTWAREINFO size");
HS_STATIC_ASSERT(offsetof(SOFTWAREINFO, displayName) == 4, "SOFTWAREINFO.displayName");

HS_STATIC_ASSERT(sizeof(HSMEMORYSTATUS) == 32, "HSMEMORYSTATUS size");
HS_STATIC_ASSERT(sizeof(HSOSVERSIONINFO) == 148, "HSOSVERSIONINFO size");
HS_STATIC_ASSERT(offsetof(HSOSVERSIONINFO, szCSDVersion) == 20, "HSOSVERSIONINFO.szCSDVersion");

HS_STATIC_ASSERT(sizeof(COMMONINFO) == 1480, "COMMONINFO size");
HS_STATIC_ASSERT(offsetof(COMMONINFO, memoryStatus) == 0, "COMMONINFO.memoryStatus");
HS_STATIC_ASSERT(offsetof(COMMONINFO, computerName) == 32, "COMMONINFO.computerName");
HS_STATIC_ASSERT(offsetof(COMMONINFO, userName) == 292, "COMMONINFO.userName");
HS_STATIC_ASSERT(offsetof(COMMONINFO, registeredOwner) == 552, "COMMONINFO.registeredOwner");
HS_STATIC_ASSERT(offsetof(COMMONINFO, registeredOrganization) == 812, "COMMONINFO.registeredOrganization");
HS_STATIC_ASSERT(offsetof(COMMONINFO, osDescription) == 1072, "COMMONINFO.osDescription");
HS_STATIC_ASSERT(offsetof(COMMONINFO, osVersion) == 1332, "COMMONINFO.osVersion");

HS_STATIC_ASSERT(sizeof(NETUSERINFO) == 600, "NETUSERINFO size");
HS_STATIC_ASSERT(offsetof(NETUSERINFO, computerName) == 4, "NETUSERINFO.computerName");
HS_STATIC_ASSERT(offsetof(NETUSERINFO, ipAddress) == 264, "NETUSERINFO.ipAddress");
HS_STATIC_ASSERT(offsetof(NETUSERINFO, mac) == 296, "NETUSERINFO.mac");
HS_STATIC_ASSERT(offsetof(NETUSERINFO, userName) == 328, "NETUSERINFO.userName");
HS_STATIC_ASSERT(offsetof(NETUSERINFO, reserved1) == 588, "NETUSERINFO.reserved1");

HS_STATIC_ASSERT(sizeof(NETINFO) == 68, "NETINFO size");
HS_STATIC_ASSERT(offsetof(NETINFO, ipText) == 4, "NETINFO.ipText");
HS_STATIC_ASSERT(offsetof(NETINFO, mac) == 36, "NETINFO.mac");

HS_STATIC_ASSERT(sizeof(INFOLIST) == 12, "INFOLIST size");
HS_STATIC_ASSERT(offsetof(INFOLIST, recordSize) == 4, "INFOLIST.recordSize");
HS_STATIC_ASSERT(offsetof(INFOLIST, records) == 8, "INFOLIST.records");

HS_STATIC_ASSERT(sizeof(SOFTWAREINFOLIST) == 44, "SOFTWAREINFOLIST size");
HS_STATIC_ASSERT(offsetof(SOFTWAREINFOLIST, recordSize) == 4, "SOFTWAREINFOLIST.recordSize");
HS_STATIC_ASSERT(offsetof(SOFTWAREINFOLIST, category) == 8, "SOFTWAREINFOLIST.category");
HS_STATIC_ASSERT(offsetof(SOFTWAREINFOLIST, records) == 40, "SOFTWAREINFOLIST.records");

HS_STATIC_ASSERT(sizeof(SYSINFOHEADER) == 24, "SYSINFOHEADER size");
HS_STATIC_ASSERT(offsetof(SYSINFOHEADER, cpuSize) == 4, "SYSINFOHEADER.cpuSize");
HS_STATIC_ASSERT(offsetof(SYSINFOHEADER, driverSize) == 8, "SYSINFOHEADER.driverSize");
HS_STATIC_ASSERT(offsetof(SYSINFOHEADER, deviceSize) == 12, "SYSINFOHEADER.deviceSize");
HS_STATIC_ASSERT(offsetof(SYSINFOHEADER, adapterSize) == 16, "SYSINFOHEADER.adapterSize");
HS_STATIC_ASSERT(offsetof(SYSINFOHEADER, softwareSize) == 20, "SYSINFOHEADER.softwareSize");

/* The fifteen exports. */
HSEXPORT int32_t HSAPI HsiGetCpuCount(void);
HSEXPORT uint32_t HSAPI HsiGetCpuInfo(CPUINFO *buffer, uint32_t *size);
HSEXPORT int32_t HSAPI HsiGetCpuInfoEx(INFOLIST *list, int32_t count);
HSEXPORT int32_t HSAPI HsiGetCommonInfo(COMMONINFO *info);
HSEXPORT int32_t HSAPI HsiGetNetCount(void);
HSEXPORT int32_t HSAPI HsiGetNetInfoEx(INFOLIST *list, int32_t count);
HSEXPORT int32_t HSAPI HsiGetAdapterCount(const void *adapterList);
HSEXPORT uint32_t HSAPI HsiGetAdapterInfo(IPADAPTERINFO *buffer, uint32_t *size);
HSEXPORT int32_t HSAPI HsiGetNetUserInfo(NETUSERINFO *info);
HSEXPORT int32_t HSAPI HsiGetSoftwareCount(void);
HSEXPORT uint32_t HSAPI HsiGetSoftwareInfo(SOFTWAREINFO *buffer, uint32_t *size);
HSEXPORT int32_t HSAPI HsiGetSoftwareInfoEx(SOFTWAREINFOLIST *list, int32_t count);
HSEXPORT uint32_t HSAPI HsiGetDriverInfo(DRIVERINFO *buffer, uint32_t *size);
HSEXPORT uint32_t HSAPI HsiGetDeviceInfo(DEVICEINFO *buffer, uint32_t *size);
HSEXPORT uint32_t HSAPI HsiGetSysInfo(SYSINFOHEADER *block, uint32_t *totalSize);

#ifdef __cplusplus
}
#endif

#endif /* HARDSCAN_H */
