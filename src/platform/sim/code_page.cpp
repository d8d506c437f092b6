#include "platform/sim/code_page.h"

namespace hs::sim {
namespace {

// Code points of the bytes 0x80 to 0x9F in Windows-1252; the five bytes that
// the code page leaves undefined map to the C1 control of the same number.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

char CodePointTo1252(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == cp) return static_cast<char>(0x80 + i);
    }
    return '?';
}

std::string Utf8To1252(const std::string &in) {
    std::string out;
    out.reserve(in.size());
    size_t i = 0;
    while (i < in.size()) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        int extra = 0;
        uint32_t cp = 0, minimum = 0;
        if ((c & 0xE0) == 0xC0) {
            extra = 1, cp = c & 0x1F, minimum = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, cp = c & 0x0F, minimum = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, cp = c & 0x07, minimum = 0x10000;
        } else {
            out += '?';
            ++i;
            continue;
        }
        bool ok = i + extra < in.size();
        for (int k = 1; ok && k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(in[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += '?';
            ++i;
            continue;
        }
        out += CodePointTo1252(cp);
        i += extra + 1;
    }
    return out;
}

std::string Utf16LeTo1252(const std::string &in) {
    std::string out;
    out.reserve(in.size() / 2 + 1);
    size_t i = 0;
    auto unit = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<unsigned char>(in[at])) |
               (static_cast<uint32_t>(static_cast<unsigned char>(in[at + 1])) << 8);
    };
    while (i + 1 < in.size()) {
        uint32_t u = unit(i);
        i += 2;
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < in.size()) {
                uint32_t low = unit(i);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    i += 2;
                    out += CodePointTo1252(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                    continue;
                }
            }
            out += '?';
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            out += '?';
        } else {
            out += CodePointTo1252(u);
        }
    }
    if (i < in.size()) out += '?';
    return out;
}

}  // namespace hs::sim
