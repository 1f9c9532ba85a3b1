#include "tools/pprtool/print.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/console.h"

namespace {

void PrintTo(StandardStream stream, const char* format, std::va_list arguments) {
    // Formatted whole first: the console writer converts whole characters.
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    if (length > 0) {
        std::string text(static_cast<std::size_t>(length), '\0');
        std::vsnprintf(text.data(), text.size() + 1, format, again);
        WriteStandardText(stream, text);
    }
    va_end(again);
}

}  // namespace

void Print(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    PrintTo(StandardStream::Output, format, arguments);
    va_end(arguments);
}

void PrintError(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    PrintTo(StandardStream::Error, format, arguments);
    va_end(arguments);
}
