// Windows-1252 to UTF-8.
#include <cstdint>
#include <string>

#include "code_page_1252.h"
#include "output.h"

namespace hsinfo {

namespace {

void AppendUtf8(std::string &out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string DecodeWindows1252(const char *bytes, size_t size) {
    std::string out;
    out.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        const auto b = static_cast<uint8_t>(bytes[i]);
        uint32_t cp = b;
        if (b >= 0x80 && b < 0xA0) cp = kWindows1252High[b - 0x80] ? kWindows1252High[b - 0x80] : 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace hsinfo
