// The command-line text handed to the start-up on POSIX: the arguments
// quoted as the Windows C runtime hands them on.
#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(CommandLineTail, QuotesArgumentsWithBlanksAsWindowsDoes) {
    const struct {
        std::vector<std::string> arguments;
        std::u16string tail;
    } cases[] = {
        {{}, u""},
        {{"P.SCR", "P.ppr"}, u"P.SCR P.ppr"},
        {{"P.SCR", "P.ppr old/P.ppr"}, u"P.SCR \"P.ppr old/P.ppr\""},
        {{"a\tb"}, u"\"a\tb\""},
        {{""}, u"\"\""},
        {{"say \"hi\""}, u"\"say \\\"hi\\\"\""},
        {{"dir\\ end\\"}, u"\"dir\\ end\\\\\""},  // backslashes before the closing quote doubled
        {{"no\"blank"}, u"no\"blank"},            // without a blank the argument goes as it is
        {{"\xE5\x8D\xB0 x"}, u"\"\u5370 x\""},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv = {const_cast<char*>("quillon")};
        for (const std::string& a : c.arguments) argv.push_back(const_cast<char*>(a.c_str()));
        EXPECT_EQ(CommandLineTail(static_cast<int>(argv.size()), argv.data()), c.tail);
    }
}
