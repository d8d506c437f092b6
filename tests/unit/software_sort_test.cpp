// The case-blind exchange sort of program names.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "platform/platform.h"
#include "software/name_sort.h"

namespace {

// The exchange procedure with the comparison done afresh every time:
// upper-case both entries and compare them as strcmp does.
void ReferenceSort(hs::TextList &names, size_t count) {
    auto upper = [](std::string text) {
        if (!text.empty()) _mbsupr(reinterpret_cast<unsigned char *>(&text[0]));
        return text;
    };
    for (size_t i = 0; i + 1 < count; ++i) {
        for (size_t j = i + 1; j < count; ++j) {
            if (std::strcmp(upper(names[i]).c_str(), upper(names[j]).c_str()) > 0) std::swap(names[i], names[j]);
        }
    }
}

// The counts the random rounds below never give; the order itself is theirs.
TEST(SoftwareNameSort, CountsBeyondTheList) {
    const struct {
        const char *what;
        hs::TextList names;
        size_t count;
        hs::TextList sorted;
    } cases[] = {
        {"count beyond the end sorts what is there", {"b", "a"}, 10, {"a", "b"}},
        {"no names", {}, 0, {}},
    };
    for (const auto &c : cases) {
        hs::TextList names = c.names;
        hs::SortNamesIgnoringCase(names, c.count);
        EXPECT_EQ(c.sorted, names) << c.what;
    }
}

TEST(SoftwareNameSort, MatchesTheExchangeProcedureOnMixedCaseDuplicates) {
    // Few distinct letters, random case and length, counts short of the list:
    // many names equal but for case or prefixes of others, so the final order
    // depends on every single exchange; '_' sorts after the upper-cased
    // letters, and bytes above 0x7F after everything.
    std::mt19937 random(20261205);
    const char letters[] = "abAB_\xE4\xC4";
    for (int round = 0; round < 50; ++round) {
        hs::TextList names(1 + random() % 60);
        for (hs::Text &name : names) {
            const size_t length = random() % 4;
            for (size_t c = 0; c < length; ++c) name += letters[random() % (sizeof letters - 1)];
        }
        hs::TextList expected = names;
        const size_t count = names.size() - random() % 3 % names.size();
        ReferenceSort(expected, count);
        hs::SortNamesIgnoringCase(names, count);
        ASSERT_EQ(expected, names) << "round " << round;
    }
}

}  // namespace
