// Feeds arbitrary bytes to the library's profile reader as a .ppr file.
#include <cstdint>

#include "devlib/tovrel.h"
#include "tools/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::u16string path = WriteScratchFile("profile.ppr", data, size);
    ProfileHeader header{};
    if (GetPrinterProfileFromPath(path.c_str(), &header)) ClearPrinterProfileWorkArea(&header);
    return 0;
}
