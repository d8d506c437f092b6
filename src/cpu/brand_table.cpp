// The brand-ID table and the brand-ID name lookup.
#include <cstring>

#include "cpu/cpu_detail.h"

namespace hs {

namespace {

constexpr uint32_t kBrandSlotCount = 256;
constexpr uint32_t kBrandSlotSize = 128;

// Indexed by the brand ID (leaf-1 EBX bits 0-7); slots 23 to 255 are empty.
const char kBrandTable[kBrandSlotCount][kBrandSlotSize] = {
    "This processor does not support the brand identification feature",
    "Intel(R) Celeron(R) Processor",
    "Intel(R) Pentium(R) III Processor",
    "Intel(R) Pentium(R) III Xeon Processor",
    "Intel(R) Pentium(R) III Processor",
    "Reserved (5)",
    "Mobile Intel(R) Pentium(R) III Processor-M",
    "Mobile Intel(R) Celeron(R) Processor",
    "Intel(R) Pentium(R) 4 Processor",
    "Intel(R) Pentium(R) 4 Processor",
    "Intel(R) Pentium(R) 4 Processor",
    "Intel(R) Xeon(tm) Processor",
    "Reserved (12)",
    "Reserved (13)",
    "Intel(R) Xeon(tm) Processor",
    "Intel(R) Xeon(tm) Processor",
    "Reserved (16)",
    "Reserved (17)",
    "Reserved (18)",
    "Reserved (19)",
    "Reserved (20)",
    "Reserved (21)",
    "Banias Mobile Processor (Brand TBD)",
};

// Family 15 model 2 reuses brand IDs 14 and 15 for the mobile Pentium 4.
const char kMobilePentium4M[] = "Mobile Intel(r) Pentium(r) 4 Processor-M";

}  // namespace

uint32_t GetBrandName(char *destination, uint32_t size, const CpuDetail *detail) {
    if (destination == nullptr || detail == nullptr || detail->brandId >= kBrandSlotCount) {
        return 0;
    }
    const char *text = kBrandTable[detail->brandId];
    if (detail->family == 15 && detail->model == 2 && (detail->brandId == 14 || detail->brandId == 15)) {
        text = kMobilePentium4M;
    }
    // Bounded copy: at most size bytes, the rest of the buffer NUL-filled.
    std::strncpy(destination, text, size);
    return 1;
}

}  // namespace hs
