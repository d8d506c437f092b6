/*
 * list_inventory: a small host program of the Hardscan library.
 *
 * It links against the library (the import library on Windows, -lhardscan
 * elsewhere) and prints the machine's drives, devices and installed programs,
 * each read with the two-call protocol: a size query with a null buffer, then
 * a fill into a zeroed buffer of that size.
 *
 * Output, one family after the other:
 *
 *     Drives: 2
 *       [FloppyDisk] Floppy disk drive
 *       [CDROM] ATAPI CD-ROM
 *     Devices: ...
 *     Programs: ...
 *
 * Exit code 0 when every family was read (an empty family is fine), 1 when
 * the library answered an unexpected result code, 2 when memory ran out.
 */
#include <stdio.h>
#include <stdlib.h>

#include "hardscan.h"

/* A buffer export: HsiGetDriverInfo, HsiGetDeviceInfo, HsiGetSoftwareInfo. */
typedef uint32_t(HSAPI *BufferExport)(void *buffer, uint32_t *size);

/* The records of one family after the two calls; free records when done. */
typedef struct Family {
    void *records;
    uint32_t count;
} Family;

/* Wrappers that give the three exports one signature. */
static uint32_t HSAPI ReadDrives(void *buffer, uint32_t *size)
{
    return HsiGetDriverInfo((DRIVERINFO *)buffer, size);
}

static uint32_t HSAPI ReadDevices(void *buffer, uint32_t *size)
{
    return HsiGetDeviceInfo((DEVICEINFO *)buffer, size);
}

static uint32_t HSAPI ReadPrograms(void *buffer, uint32_t *size)
{
    return HsiGetSoftwareInfo((SOFTWAREINFO *)buffer, size);
}

/*
 * The two-call protocol. The size query answers HS_ERROR_BUFFER_OVERFLOW (111)
 * and the size in bytes; 0 bytes means the family is empty. The fill answers
 * HS_SUCCESS (0). Returns 0 on success, 1 on an unexpected result, 2 when
 * out of memory.
 */
static int ReadFamily(const char *name, BufferExport read, uint32_t recordSize, Family *out)
{
    uint32_t size = 0;
    uint32_t result = read(NULL, &size);
    out->records = NULL;
    out->count = 0;
    if (result != HS_ERROR_BUFFER_OVERFLOW) {
        fprintf(stderr, "%s: size query answered %u, expected %u\n", name, (unsigned)result,
                (unsigned)HS_ERROR_BUFFER_OVERFLOW);
        return 1;
    }
    if (size == 0)
        return 0; /* nothing to read; a fill would answer HS_ERROR_NO_DATA */
    /* Zeroed memory: the library never writes a text field's last byte, so
     * every text stays NUL-terminated. */
    out->records = calloc(size, 1);
    if (out->records == NULL) {
        fprintf(stderr, "%s: out of memory (%u bytes)\n", name, (unsigned)size);
        return 2;
    }
    result = read(out->records, &size);
    if (result != HS_SUCCESS) {
        fprintf(stderr, "%s: fill answered %u, expected %u\n", name, (unsigned)result,
                (unsigned)HS_SUCCESS);
        free(out->records);
        out->records = NULL;
        return 1;
    }
    out->count = size / recordSize;
    return 0;
}

/* Drives and devices share one record layout. */
static int PrintTypedFamily(const char *title, BufferExport read)
{
    Family family;
    uint32_t i;
    int status = ReadFamily(title, read, (uint32_t)sizeof(DRIVERINFO), &family);
    if (status != 0)
        return status;
    printf("%s: %u\n", title, (unsigned)family.count);
    /* Step by the record size: on a 64-bit host the next field holds only
     * the low 32 bits of an address. */
    for (i = 0; i < family.count; ++i) {
        const DRIVERINFO *record = (const DRIVERINFO *)family.records + i;
        printf("  [%s] %s\n", record->type, record->description);
    }
    free(family.records);
    return 0;
}

static int PrintPrograms(void)
{
    Family family;
    uint32_t i;
    int status = ReadFamily("Programs", ReadPrograms, (uint32_t)sizeof(SOFTWAREINFO), &family);
    if (status != 0)
        return status;
    printf("Programs: %u\n", (unsigned)family.count);
    for (i = 0; i < family.count; ++i) {
        const SOFTWAREINFO *record = (const SOFTWAREINFO *)family.records + i;
        printf("  %s\n", record->displayName);
    }
    free(family.records);
    return 0;
}

int main(void)
{
    int worst = 0;
    int status;

    status = PrintTypedFamily("Drives", ReadDrives);
    if (status > worst)
        worst = status;
    status = PrintTypedFamily("Devices", ReadDevices);
    if (status > worst)
        worst = status;
    status = PrintPrograms();
    if (status > worst)
        worst = status;
    return worst;
}
