// Case-blind ordering of program names.
//
// The exchange sort compares every pair it visits, so comparisons must be
// cheap: each name is upper-cased once, and the upper-cased names are ranked
// once (equal texts share a rank). Comparing two ranks then answers exactly
// what comparing the two upper-cased texts would, and the exchanges follow
// the same sequence.
#include "software/name_sort.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace hs {

namespace {

// The runtime's multibyte upper-casing of the current code page.
Text UpperCased(Text text) {
    if (!text.empty()) _mbsupr(reinterpret_cast<unsigned char *>(&text[0]));
    return text;
}

// Rank of each text in the order of strcmp; equal texts share a rank.
std::vector<uint32_t> RankTexts(const TextList &texts) {
    std::vector<uint32_t> order(texts.size());
    std::iota(order.begin(), order.end(), 0u);
    auto less = [&texts](uint32_t a, uint32_t b) {
        return std::strcmp(texts[a].c_str(), texts[b].c_str()) < 0;
    };
    std::sort(order.begin(), order.end(), less);

    std::vector<uint32_t> rank(texts.size());
    uint32_t current = 0;
    for (size_t k = 0; k < order.size(); ++k) {
        if (k > 0 && less(order[k - 1], order[k])) ++current;
        rank[order[k]] = current;
    }
    return rank;
}

}  // namespace

void SortNamesIgnoringCase(TextList &names, size_t count) {
    count = std::min(count, names.size());
    if (count < 2) return;

    TextList upper;
    upper.reserve(count);
    for (size_t k = 0; k < count; ++k) upper.push_back(UpperCased(names[k]));
    std::vector<uint32_t> rank = RankTexts(upper);

    // The exchanges run on ranks and entry numbers; the names are moved into
    // their places once at the end. The entry at i is held in locals while j
    // runs, as it is the one every comparison of the pass involves.
    std::vector<uint32_t> entry(count);
    std::iota(entry.begin(), entry.end(), 0u);
    for (size_t i = 0; i + 1 < count; ++i) {
        uint32_t heldRank = rank[i];
        uint32_t heldEntry = entry[i];
        for (size_t j = i + 1; j < count; ++j) {
            if (heldRank > rank[j]) {
                std::swap(heldRank, rank[j]);
                std::swap(heldEntry, entry[j]);
            }
        }
        rank[i] = heldRank;
        entry[i] = heldEntry;
    }

    TextList sorted(count);
    for (size_t k = 0; k < count; ++k) sorted[k] = std::move(names[entry[k]]);
    std::move(sorted.begin(), sorted.end(), names.begin());
}

}  // namespace hs
