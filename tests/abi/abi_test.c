/*
 * Checks the byte layout of every record of the public header at run time:
 * each record's size and each field's offset and width, as the compiler of
 * this target lays them out. Prints every mismatch; exits 1 if there is any.
 */
#include <stddef.h>
#include <stdio.h>

#include "hardscan.h"

static int g_checks = 0;
static int g_failures = 0;

static void check(const char *what, size_t actual, size_t expected)
{
    ++g_checks;
    if (actual != expected) {
        ++g_failures;
        printf("MISMATCH %s: actual %lu, expected %lu\n", what, (unsigned long)actual, (unsigned long)expected);
    }
}

#define SIZE(type, expected) check("sizeof(" #type ")", sizeof(type), (expected))
#define FIELD(type, field, offset, width)                                          \
    do {                                                                           \
        check("offsetof(" #type ", " #field ")", offsetof(type, field), (offset)); \
        check("sizeof(" #type "." #field ")", sizeof(((type *)0)->field), (width)); \
    } while (0)

int main(void)
{
    SIZE(CPUINFO, 528);
    FIELD(CPUINFO, next, 0, 4); FIELD(CPUINFO, name, 4, 260); FIELD(CPUINFO, vendor, 264, 260);
    FIELD(CPUINFO, speed, 524, 4);
    SIZE(DRIVERINFO, 296);
    FIELD(DRIVERINFO, next, 0, 4); FIELD(DRIVERINFO, type, 4, 32); FIELD(DRIVERINFO, description, 36, 260);
    SIZE(DEVICEINFO, 296);
    FIELD(DEVICEINFO, next, 0, 4); FIELD(DEVICEINFO, type, 4, 32); FIELD(DEVICEINFO, description, 36, 260);
    SIZE(IPADAPTERINFO, 428);
    FIELD(IPADAPTERINFO, next, 0, 4); FIELD(IPADAPTERINFO, adapterName, 4, 260);
    FIELD(IPADAPTERINFO, description, 264, 132); FIELD(IPADAPTERINFO, mac, 396, 16);
    FIELD(IPADAPTERINFO, ipAddress, 412, 16);
    SIZE(SOFTWAREINFO, 264);
    FIELD(SOFTWAREINFO, next, 0, 4); FIELD(SOFTWAREINFO, displayName, 4, 260);

    SIZE(HSMEMORYSTATUS, 32);
    FIELD(HSMEMORYSTATUS, dwLength, 0, 4); FIELD(HSMEMORYSTATUS, dwMemoryLoad, 4, 4);
    FIELD(HSMEMORYSTATUS, dwTotalPhys, 8, 4); FIELD(HSMEMORYSTATUS, dwAvailPhys, 12, 4);
    FIELD(HSMEMORYSTATUS, dwTotalPageFile, 16, 4); FIELD(HSMEMORYSTATUS, dwAvailPageFile, 20, 4);
    FIELD(HSMEMORYSTATUS, dwTotalVirtual, 24, 4); FIELD(HSMEMORYSTATUS, dwAvailVirtual, 28, 4);
    SIZE(HSOSVERSIONINFO, 148);
    FIELD(HSOSVERSIONINFO, dwOSVersionInfoSize, 0, 4); FIELD(HSOSVERSIONINFO, dwMajorVersion, 4, 4);
    FIELD(HSOSVERSIONINFO, dwMinorVersion, 8, 4); FIELD(HSOSVERSIONINFO, dwBuildNumber, 12, 4);
    FIELD(HSOSVERSIONINFO, dwPlatformId, 16, 4); FIELD(HSOSVERSIONINFO, szCSDVersion, 20, 128);
    SIZE(COMMONINFO, 1480);
    FIELD(COMMONINFO, memoryStatus, 0, 32); FIELD(COMMONINFO, computerName, 32, 260);
    FIELD(COMMONINFO, userName, 292, 260); FIELD(COMMONINFO, registeredOwner, 552, 260);
    FIELD(COMMONINFO, registeredOrganization, 812, 260); FIELD(COMMONINFO, osDescription, 1072, 260);
    FIELD(COMMONINFO, osVersion, 1332, 148);
    SIZE(NETUSERINFO, 600);
    FIELD(NETUSERINFO, reserved0, 0, 4); FIELD(NETUSERINFO, computerName, 4, 260);
    FIELD(NETUSERINFO, ipAddress, 264, 32); FIELD(NETUSERINFO, mac, 296, 32);
    FIELD(NETUSERINFO, userName, 328, 260); FIELD(NETUSERINFO, reserved1, 588, 12);
    SIZE(NETINFO, 68);
    FIELD(NETINFO, ipAddress, 0, 4); FIELD(NETINFO, ipText, 4, 32); FIELD(NETINFO, mac, 36, 32);

    SIZE(INFOLIST, 12);
    FIELD(INFOLIST, count, 0, 4); FIELD(INFOLIST, recordSize, 4, 4); FIELD(INFOLIST, records, 8, 4);
    SIZE(SOFTWAREINFOLIST, 44);
    FIELD(SOFTWAREINFOLIST, count, 0, 4); FIELD(SOFTWAREINFOLIST, recordSize, 4, 4);
    FIELD(SOFTWAREINFOLIST, category, 8, 32); FIELD(SOFTWAREINFOLIST, records, 40, 4);
    SIZE(SYSINFOHEADER, 24);
    FIELD(SYSINFOHEADER, commonSize, 0, 4); FIELD(SYSINFOHEADER, cpuSize, 4, 4);
    FIELD(SYSINFOHEADER, driverSize, 8, 4); FIELD(SYSINFOHEADER, deviceSize, 12, 4);
    FIELD(SYSINFOHEADER, adapterSize, 16, 4); FIELD(SYSINFOHEADER, softwareSize, 20, 4);

    if (g_failures != 0) {
        printf("abi: %d of %d checks failed\n", g_failures, g_checks);
        return 1;
    }
    printf("abi: %d checks passed\n", g_checks);
    return 0;
}
