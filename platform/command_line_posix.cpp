#include "platform/command_line.h"

#include "platform/text.h"

namespace {

// Quotes an argument as the Windows C runtime and CreateProcess callers do
// when it holds a blank or a tab (or is empty): in double quotes, a double
// quote inside as \", and the backslashes before a quote doubled.
std::u16string QuoteAsWindows(const std::u16string& argument) {
    if (!argument.empty() && argument.find_first_of(u" \t") == std::u16string::npos) return argument;
    std::u16string quoted = u"\"";
    std::size_t backslashes = 0;
    for (char16_t c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"') backslashes = backslashes * 2 + 1;
        quoted.append(backslashes, u'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, u'\\');
    return quoted + u"\"";
}

}  // namespace

std::u16string CommandLineTail(int argc, char** argv) {
    std::u16string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += u' ';
        tail += QuoteAsWindows(Utf8ToUtf16(argv[i]));
    }
    return tail;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }
