#include "offline/text_codes.h"

#include "code_page_1252.h"

namespace hsinfo::offline {

namespace {

char ByteOf(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (uint32_t i = 0; i < 32; ++i) {
        if (kWindows1252High[i] != 0 && kWindows1252High[i] == cp) return static_cast<char>(0x80 + i);
    }
    return '?';
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::string Utf16LeTo1252(const uint8_t *data, size_t size) {
    std::string out;
    out.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2) {
        const uint32_t unit = data[i] | (static_cast<uint32_t>(data[i + 1]) << 8);
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        if (high && i + 3 < size) {
            const uint32_t next = data[i + 2] | (static_cast<uint32_t>(data[i + 3]) << 8);
            if (next >= 0xDC00 && next < 0xE000) i += 2;  // one character outside the code page
        }
        out += (unit >= 0xD800 && unit < 0xE000) ? '?' : ByteOf(unit);
    }
    return out;
}

std::string Utf8To1252(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool whole = length != 0 && i + length <= text.size();
        for (size_t k = 1; whole && k < length; ++k) whole = IsContinuation(static_cast<unsigned char>(text[i + k]));
        if (!whole) {
            out += '?';
            ++i;
            continue;
        }
        uint32_t cp = length == 1 ? c : c & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out += ByteOf(cp);
        i += length;
    }
    return out;
}

}  // namespace hsinfo::offline
