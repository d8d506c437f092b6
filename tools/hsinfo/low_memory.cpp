#include "low_memory.h"

#include <new>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace hsinfo {

namespace {

size_t RoundUp(size_t size) { return size == 0 ? 4096 : (size + 4095) / 4096 * 4096; }

#if defined(_WIN32)
uint8_t *AllocateLow(size_t size) {
    // Try successive low addresses until one is free; 32-bit processes get
    // every address below 4 GiB anyway.
    for (uintptr_t base = 0x10000000; base < 0xF0000000u; base += 0x01000000) {
        void *p = VirtualAlloc(reinterpret_cast<void *>(base), size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (p != nullptr) return static_cast<uint8_t *>(p);
    }
    return nullptr;
}
void FreeLow(uint8_t *p, size_t) { VirtualFree(p, 0, MEM_RELEASE); }
#else
uint8_t *AllocateLow(size_t size) {
    void *p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<uint8_t *>(p);
}
void FreeLow(uint8_t *p, size_t size) { munmap(p, size); }
#endif

}  // namespace

LowBuffer::LowBuffer(size_t size) : m_data(AllocateLow(RoundUp(size))), m_size(RoundUp(size)) {
    if (m_data == nullptr) throw std::bad_alloc();
}

LowBuffer::~LowBuffer() { FreeLow(m_data, m_size); }

}  // namespace hsinfo
