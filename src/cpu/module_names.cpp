// The status, processor-type and cache-type names the module carries.
#include "cpu/cpu_detail.h"

namespace hs {

namespace {

const char kHtStatusNames[5][64] = {
    "Error detecting HT",
    "HT processors not detected",
    "HT detected, but not enabled",
    "HT enabled, but not available",
    "HT enabled and available",
};

// Code 1 carries the registered sign as the single Windows-1252 byte 0xAE.
const char kProcessorTypeNames[4][64] = {
    "Original OEM Processor",
    "Intel OverDrive\xAE Processor",
    "Dual processor",
    "Intel reserved",
};

const char kCacheTypeNames[kCacheTypeCount][8] = {
    "NULL", "L1I", "L1D", "L2", "TC", "L3", "ITLB", "DTLB",
};

}  // namespace

// A code outside a table names nothing: the empty text.
const char *HtStatusName(uint32_t status) { return status < 5 ? kHtStatusNames[status] : ""; }

const char *ProcessorTypeName(uint32_t type) { return type < 4 ? kProcessorTypeNames[type] : ""; }

const char *CacheTypeName(uint32_t type) { return type < kCacheTypeCount ? kCacheTypeNames[type] : ""; }

}  // namespace hs
