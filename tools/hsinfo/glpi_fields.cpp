#include "glpi_fields.h"

#include <cctype>
#include <utility>
#include <vector>

namespace hsinfo {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits and dots, beginning with a digit: "5.1", "2600", "4.10.2222".
bool IsVersionNumber(const std::string &text) {
    if (text.empty() || !IsDigit(text[0])) return false;
    for (char c : text) {
        if (!IsDigit(c) && c != '.') return false;
    }
    return true;
}

std::string TrimSpaces(const std::string &text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Start and end of each part of text between runs of two or more spaces.
std::vector<std::pair<size_t, size_t>> PartsBetweenWideGaps(const std::string &text) {
    std::vector<std::pair<size_t, size_t>> parts;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == ' ') {
            size_t end = i;
            while (i < text.size() && text[i] == ' ') ++i;
            parts.push_back({start, end});
            start = i;
        } else {
            ++i;
        }
    }
    parts.push_back({start, text.size()});
    return parts;
}

std::string FindServicePack(const std::string &text) {
    static const std::string kWords = "Service Pack ";
    for (size_t at = text.find(kWords); at != std::string::npos; at = text.find(kWords, at + 1)) {
        size_t end = at + kWords.size();
        while (end < text.size() && IsDigit(text[end])) ++end;
        if (end > at + kWords.size()) return text.substr(at, end - at);
    }
    return "";
}

}  // namespace

std::string ManufacturerOfVendor(const std::string &vendor) {
    static const std::pair<const char *, const char *> kMakers[] = {
        {"GenuineIntel", "Intel"},   {"AuthenticAMD", "AMD"},   {"AMDisbetter!", "AMD"},
        {"CyrixInstead", "Cyrix"},   {"CentaurHauls", "VIA"},   {"GenuineTMx86", "Transmeta"},
        {"TransmetaCPU", "Transmeta"}, {"NexGenDriven", "NexGen"}, {"RiseRiseRise", "Rise"},
        {"UMC UMC UMC ", "UMC"},     {"SiS SiS SiS ", "SiS"},   {"Geode by NSC", "National Semiconductor"},
    };
    for (const auto &[id, maker] : kMakers) {
        if (vendor == id) return maker;
    }
    return vendor;
}

std::string ColonMac(const std::string &digits) {
    if (digits.size() != 12) return "";
    std::string mac;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(digits[i]))) return "";
        if (i > 0 && i % 2 == 0) mac += ':';
        mac += digits[i];
    }
    return mac;
}

bool IsDottedQuad(const std::string &text) {
    int fields = 0;
    size_t i = 0;
    while (true) {
        const size_t start = i;
        while (i < text.size() && IsDigit(text[i]) && i - start < 3) ++i;
        const size_t length = i - start;
        if (length == 0 || (length > 1 && text[start] == '0')) return false;
        if (std::stoi(text.substr(start, length)) > 255) return false;
        ++fields;
        if (i == text.size()) return fields == 4;
        if (text[i] != '.' || fields == 4) return false;
        ++i;
    }
}

OsDescriptionParts SplitOsDescription(const std::string &description) {
    OsDescriptionParts result;
    result.servicePack = FindServicePack(description);
    const auto parts = PartsBetweenWideGaps(description);
    auto text = [&](size_t k) { return description.substr(parts[k].first, parts[k].second - parts[k].first); };
    size_t productEnd = parts.size();
    const size_t last = parts.size() - 1;
    if (parts.size() >= 3 && IsVersionNumber(text(last - 1)) && IsVersionNumber(text(last))) {
        result.version = text(last - 1);
        result.build = text(last);
        productEnd = last - 1;
    } else if (parts.size() >= 2 && IsVersionNumber(text(last))) {
        result.version = text(last);
        productEnd = last;
    }
    const size_t cut = productEnd < parts.size() ? parts[productEnd - 1].second : description.size();
    result.product = TrimSpaces(description.substr(0, cut));
    return result;
}

}  // namespace hsinfo
