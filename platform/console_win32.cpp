#include "platform/console.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/text.h"

namespace {

struct Stream {
    std::FILE* file;
    DWORD handleId;
    bool isConsole;
    bool lost;  // a write to the console failed
};

Stream Opened(std::FILE* file, DWORD handleId) {
    DWORD mode = 0;
    return {file, handleId, GetConsoleMode(GetStdHandle(handleId), &mode) != 0, false};
}

Stream& StateOf(StandardStream which) {
    // Whether a stream is a console is asked once: it stays what it was at
    // start-up, and a dump of a large profile writes many lines.
    static Stream streams[2] = {Opened(stdout, STD_OUTPUT_HANDLE), Opened(stderr, STD_ERROR_HANDLE)};
    return streams[which == StandardStream::Output ? 0 : 1];
}

// Units per WriteConsoleW call: older consoles refuse a single write of tens
// of thousands of characters.
constexpr std::size_t kConsolePiece = 8192;

}  // namespace

void WriteStandardText(StandardStream which, std::string_view text) {
    Stream& stream = StateOf(which);
    if (!stream.isConsole) {
        std::fwrite(text.data(), 1, text.size(), stream.file);
        return;
    }
    // What went through the C runtime's buffer before comes out first.
    std::fflush(stream.file);
    const std::u16string wide = Utf8ToUtf16(text);
    const HANDLE console = GetStdHandle(stream.handleId);
    for (std::size_t done = 0; done < wide.size();) {
        const std::size_t piece = ConsolePieceLength(std::u16string_view(wide).substr(done), kConsolePiece);
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + done, static_cast<DWORD>(piece), &written, nullptr) || written == 0) {
            stream.lost = true;
            return;
        }
        done += written;
    }
}

bool FlushStandardStream(StandardStream which) {
    Stream& stream = StateOf(which);
    return std::fflush(stream.file) == 0 && !std::ferror(stream.file) && !stream.lost;
}
