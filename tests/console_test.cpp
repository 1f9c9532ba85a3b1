// The pieces in which text goes to a Windows console.
#include <gtest/gtest.h>

#include <string>

#include "platform/console.h"

TEST(ConsolePieceLength, TakesWholeTextUpToTheLimitAndNeverEndsInsideASurrogatePair) {
    const std::u16string pair = u"\U0002000B";  // two units
    struct Case {
        std::u16string text;
        std::size_t expected;
    };
    const Case cases[] = {
        {u"", 0},
        {u"abc", 3},               // below the limit
        {u"abcd", 4},              // at it
        {u"abcde", 4},             // above it
        {u"ab" + pair, 4},         // a pair that fits whole
        {u"abc" + pair, 3},        // a pair across the limit stays for the next piece
        {u"ab" + pair + u"e", 4},  // a pair that ends at the limit
        {u"プリンタA", 4},         // characters of one unit each
    };
    for (const Case& c : cases) EXPECT_EQ(ConsolePieceLength(c.text, 4), c.expected) << c.text.size();
}
