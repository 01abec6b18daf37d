// Thumb stops: text stops between two key values, numeric stops, and the two fixed tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/ScrollStops.h"

namespace {

// Padded comparison, the way the thumb compares stops with a field.
int padCompare(const std::string& a, const std::string& b) {
    std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
        auto y = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

std::vector<std::string> textStops(const std::string& low, const std::string& high, int size, int classes,
                                   bool lettersOnly) {
    InitTextStops(low, high, size, classes, lettersOnly);
    std::vector<std::string> out;
    for (int i = 0; i < kThumbStops; ++i) out.push_back(NextTextStop());
    return out;
}

constexpr int kAll = StopUpperLetters | StopOtherCharacters | StopDigits;

struct TextStopCase {
    const char* name;
    const char* low;
    const char* high;
    int size;
    int classes;
    bool lettersOnly;
    const char* first;   // stop 1
    const char* second;  // stop 2
    const char* last;    // stop 100
};

const TextStopCase kTextStops[] = {
    // Base 27 (26 letters): ALPH = 28871, BRAV = 52537, step 239; 29110 is A L Y D.
    {"LettersOnly", "ALPHA", "BRAVO", 5, kAll, true, "ALPH", "ALYD", "BRAV"},
    // The letters-only flag wins over the classes given.
    {"LettersOnlyIgnoresClasses", "ALPHA", "BRAVO", 40, StopDigits, true, "ALPH", "ALYD", "BRAV"},
    // A shared beginning becomes the prefix of every stop.
    {"CommonPrefix", "THE ALPHA", "THE BRAVO", 40, StopUpperLetters, false, "THE ALPH", "THE ALYD", "THE BRAV"},
    // A key without lower-case letters gets upper-case stops, its prefix included.
    {"LowerCaseEnds", "the alpha", "The Bravo", 40, StopUpperLetters, false, "THE ALPH", "THE ALYD", "THE BRAV"},
    // A short high end is extended with the alphabet's last character ("ABZZZ"), so equal
    // ends still spread: parts "    " = 0 and "ZZZ " = 531414, step 5367 = 0 7 9 21.
    {"ShortHighEnd", "AB", "AB", 4, StopUpperLetters, false, "AB", "ABAGIU", "ABZZZ"},
    // Digits come before letters in code order: base 37, "1000" = 102713, step 17893,
    // 120606 = 2 14 3 23.
    {"DigitsAndLetters", "1000", "ZZZZ", 4, StopUpperLetters | StopDigits, false, "1000", "1D2M", "ZZZZ"},
};

TEST(TextStops, TableOfCases) {
    for (const auto& c : kTextStops) {
        SCOPED_TRACE(c.name);
        auto stops = textStops(c.low, c.high, c.size, c.classes, c.lettersOnly);
        ASSERT_EQ(stops.size(), 100u);
        EXPECT_EQ(padCompare(stops[0], c.first), 0) << stops[0];
        EXPECT_EQ(padCompare(stops[1], c.second), 0) << stops[1];
        EXPECT_EQ(padCompare(stops[99], c.last), 0) << stops[99];
        // Digits 0 and 1 both give the first character, so neighbouring stops may fall back a
        // little (BARM, then BAAI), but every stop lies between the two ends.
        for (std::size_t i = 1; i < stops.size(); ++i) {
            EXPECT_LE(padCompare(stops[0], stops[i]), 0) << "stop " << i + 1;
            EXPECT_GE(padCompare(stops[99], stops[i]), 0) << "stop " << i + 1;
        }
    }
}

TEST(TextStops, BetweenAlphaAndBravoAllStopsLieBetweenTheEnds) {
    auto stops = textStops("ALPHA", "BRAVO", 5, kAll, true);
    EXPECT_EQ(stops.front(), "ALPH");
    EXPECT_EQ(stops.back(), "BRAV");
    for (const auto& s : stops) {
        EXPECT_GE(padCompare(s, "ALPH"), 0) << s;
        EXPECT_LE(padCompare(s, "BRAV"), 0) << s;
        for (char ch : s) EXPECT_TRUE(ch >= 'A' && ch <= 'Z') << s;
    }
    // Stop 47 is 39865 = 2 0 18 13 and stop 48 is 40104 = 2 1 0 9: both BA..., as the digits 0
    // and 1 give the same character.
    EXPECT_EQ(stops[46], "BARM");
    EXPECT_EQ(stops[47], "BAAI");
}

TEST(TextStops, OtherCharactersIncludeThePoundSignAndTheSpace) {
    // Class 2 alone: 30 characters; the first in code order is the space, the last the pound sign.
    auto stops = textStops(" ", "\u00A3\u00A3\u00A3\u00A3", 4, StopOtherCharacters, false);
    EXPECT_EQ(stops.back(), "\u00A3\u00A3\u00A3\u00A3");
    // Digits 0 and 1 both give the first character, the space.
    EXPECT_EQ(stops[1].substr(0, 1), " ");
    for (const auto& s : stops)
        for (char ch : s) EXPECT_FALSE(ch >= 'A' && ch <= 'Z') << s;
}

TEST(TextStops, InitialisingAgainStartsAfresh) {
    // A fresh alphabet and count each time.
    auto a = textStops("ALPHA", "BRAVO", 5, kAll, true);
    auto b = textStops("ALPHA", "BRAVO", 5, kAll, true);
    EXPECT_EQ(a, b);
}

struct NumericCase {
    double first, last;
    std::vector<std::pair<int, double>> expected;  // stop number, value
};

TEST(NumericStops, TableOfCases) {
    const NumericCase cases[] = {
        {1, 100, {{1, 1}, {2, 2}, {50, 50}, {99, 99}, {100, 100}}},
        {0, 9.9, {{1, 0}, {2, 0.1}, {11, 1.0}, {100, 9.9}}},
        {10, 10, {{1, 10}, {37, 10}, {100, 10}}},
        {500, -490, {{1, 500}, {2, 490}, {100, -490}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.last));
        InitNumericStops(c.first, c.last);
        std::vector<double> got;
        for (int i = 0; i < kThumbStops; ++i) got.push_back(NextNumericStop());
        for (auto [n, v] : c.expected) EXPECT_NEAR(got[static_cast<std::size_t>(n - 1)], v, 1e-9) << "stop " << n;
        // The last stop is the last value exactly, not a sum of steps.
        EXPECT_EQ(got.back(), c.last);
    }
}

TEST(StopTables, WorkspaceTableRisesFromBlankToYor) {
    EXPECT_EQ(WorkspaceStopTable.front(), "   ");
    EXPECT_EQ(WorkspaceStopTable[1], "ALB");
    EXPECT_EQ(WorkspaceStopTable[2], "AME");
    EXPECT_EQ(WorkspaceStopTable.back(), "YOR");
    for (std::size_t i = 0; i < WorkspaceStopTable.size(); ++i) {
        EXPECT_EQ(WorkspaceStopTable[i].size(), 3u) << i;
        if (i) {
            EXPECT_LT(WorkspaceStopTable[i - 1], WorkspaceStopTable[i]) << i;
        }
    }
}

TEST(StopTables, TwoCharacterTable) {
    const std::pair<int, const char*> named[] = {{1, "  "}, {2, "AF"}, {5, "B "}, {66, "QN"}, {99, "Z "}, {100, "ZN"}};
    for (auto [n, text] : named) EXPECT_EQ(TwoCharacterStopTable[static_cast<std::size_t>(n - 1)], text) << n;
    for (std::size_t i = 0; i < TwoCharacterStopTable.size(); ++i) {
        EXPECT_EQ(TwoCharacterStopTable[i].size(), 2u) << i;
        if (i) {
            EXPECT_LT(TwoCharacterStopTable[i - 1], TwoCharacterStopTable[i]) << i;
            EXPECT_NE(TwoCharacterStopTable[i], "A ") << "stop 1 stands for A and a blank";
        }
    }
}

}  // namespace
