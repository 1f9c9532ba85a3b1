#include "platform/console.h"

#include <cstdio>

namespace {

std::FILE* FileOf(StandardStream stream) { return stream == StandardStream::Output ? stdout : stderr; }

}  // namespace

void WriteStandardText(StandardStream stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), FileOf(stream));
}

bool FlushStandardStream(StandardStream stream) {
    return std::fflush(FileOf(stream)) == 0 && !std::ferror(FileOf(stream));
}
