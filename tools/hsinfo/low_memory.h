// Record arrays that a 32-bit address field can name: below 4 GiB.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hsinfo {

class LowBuffer {
public:
    explicit LowBuffer(size_t size);
    ~LowBuffer();
    LowBuffer(const LowBuffer &) = delete;
    LowBuffer &operator=(const LowBuffer &) = delete;

    uint8_t *Data() const { return m_data; }
    size_t Size() const { return m_size; }
    uint32_t Address32() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_data)); }

private:
    uint8_t *m_data;
    size_t m_size;
};

}  // namespace hsinfo
