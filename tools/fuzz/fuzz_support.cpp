#include "tools/fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/afx.h"
#include "platform/text.h"

namespace {

class SilentHost : public MessageHost {
public:
    int ShowMessage(HostWindow, const CString&, const CString&, unsigned) override { return 1; }
};

}  // namespace

std::u16string WriteScratchFile(const char* name, const uint8_t* data, std::size_t size) {
    // Memory-backed where there is such a folder: the fuzzers write a file per input.
    const std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    const std::filesystem::path path = base / ("quillon-fuzz-" + std::to_string(getpid()) + "-" + name);
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    return Utf8ToUtf16(path.string());
}

void SilenceMessages() {
    static SilentHost host;
    SetMessageHost(&host);
}
