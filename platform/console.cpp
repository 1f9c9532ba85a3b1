#include "platform/console.h"

std::size_t ConsolePieceLength(std::u16string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    const char16_t last = text[limit - 1];
    return last >= 0xD800 && last < 0xDC00 ? limit - 1 : limit;
}
