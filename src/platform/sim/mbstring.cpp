// The multibyte string functions of the C runtime for the machine's code
// page, Windows-1252: one byte per character, case folding of ASCII letters.
#include "platform/platform.h"

namespace {

constexpr int kCompareError = 0x7FFFFFFF;  // _NLSCMPERROR

unsigned char LowerAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

template <class Fold>
int Compare(const unsigned char *a, const unsigned char *b, Fold fold) {
    if (a == nullptr || b == nullptr) return kCompareError;
    while (true) {
        unsigned char ca = fold(*a++), cb = fold(*b++);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
}

}  // namespace

int _mbsicmp(const unsigned char *string1, const unsigned char *string2) { return Compare(string1, string2, LowerAscii); }

int _mbscmp(const unsigned char *string1, const unsigned char *string2) {
    return Compare(string1, string2, [](unsigned char c) { return c; });
}

unsigned char *_mbsupr(unsigned char *string) {
    if (string == nullptr) return nullptr;
    for (unsigned char *p = string; *p != 0; ++p) {
        if (*p >= 'a' && *p <= 'z') *p = static_cast<unsigned char>(*p - 32);
    }
    return string;
}
