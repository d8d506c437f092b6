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

TEST(SoftwareNameSort, AscendingWithoutRegardToCase) {
    hs::TextList names{"banana", "Apple", "cherry"};
    hs::SortNamesIgnoringCase(names, 3);
    EXPECT_EQ((hs::TextList{"Apple", "banana", "cherry"}), names);
}

TEST(SoftwareNameSort, NamesEqualButForCaseFollowTheExchanges) {
    // "b" and "B" are never exchanged with each other; the exchange with "a"
    // decides their order.
    hs::TextList kept{"b", "B", "a"};
    hs::SortNamesIgnoringCase(kept, 3);
    EXPECT_EQ((hs::TextList{"a", "B", "b"}), kept);

    hs::TextList reversed{"B", "b", "a"};
    hs::SortNamesIgnoringCase(reversed, 3);
    EXPECT_EQ((hs::TextList{"a", "b", "B"}), reversed);

    hs::TextList untouched{"Beta", "BETA", "beta"};
    hs::SortNamesIgnoringCase(untouched, 3);
    EXPECT_EQ((hs::TextList{"Beta", "BETA", "beta"}), untouched);
}

TEST(SoftwareNameSort, ComparesBytesAsUnsigned) {
    hs::TextList names{"\xC4pfel", "Zoo", "_under", "~tilde", "1st"};
    hs::SortNamesIgnoringCase(names, names.size());
    // '1' < 'Z' < '_' (0x5F) < '~' (0x7E) < 0xC4.
    EXPECT_EQ((hs::TextList{"1st", "Zoo", "_under", "~tilde", "\xC4pfel"}), names);
}

TEST(SoftwareNameSort, ShorterPrefixComesFirst) {
    hs::TextList names{"Office XP", "office", "Office 2000"};
    hs::SortNamesIgnoringCase(names, 3);
    EXPECT_EQ((hs::TextList{"office", "Office 2000", "Office XP"}), names);
}

TEST(SoftwareNameSort, TouchesOnlyTheFirstCountEntries) {
    hs::TextList names{"zeta", "alpha", "", "", "Aardvark"};
    hs::SortNamesIgnoringCase(names, 2);
    EXPECT_EQ((hs::TextList{"alpha", "zeta", "", "", "Aardvark"}), names);
    // A count beyond the list's end sorts what is there.
    hs::TextList shortList{"b", "a"};
    hs::SortNamesIgnoringCase(shortList, 10);
    EXPECT_EQ((hs::TextList{"a", "b"}), shortList);
}

TEST(SoftwareNameSort, FewerThanTwoNamesAreLeftAlone) {
    hs::TextList one{"Only"};
    hs::SortNamesIgnoringCase(one, 1);
    EXPECT_EQ((hs::TextList{"Only"}), one);
    hs::TextList none;
    hs::SortNamesIgnoringCase(none, 0);
    EXPECT_TRUE(none.empty());
}

TEST(SoftwareNameSort, MatchesTheExchangeProcedureOnMixedCaseDuplicates) {
    // Few distinct letters, random case: many names equal but for case, so
    // the final order depends on every single exchange.
    std::mt19937 random(20261205);
    const char letters[] = "abAB\xE4\xC4";
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
