// Runs a whole silent update on an input split into a script and a profile:
// the first two bytes give the script's length. When the first byte's top bit
// is set, the script is preceded by a version line, the start marker and a
// table header declaring a large row count (from the next four bytes) for one
// of the six tables, so that declared counts far beyond the file's size are
// tried on every run of that kind.
#include <cstdint>
#include <string>

#include "engine/silent_update.h"
#include "profile/tables.h"
#include "tools/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    SilenceMessages();
    std::size_t scriptSize = static_cast<std::size_t>(data[0] & 0x7F) | static_cast<std::size_t>(data[1]) << 7;
    std::string prefix;
    if ((data[0] & 0x80) != 0 && size >= 7) {
        const uint32_t count = static_cast<uint32_t>(data[2]) | static_cast<uint32_t>(data[3]) << 8 |
                               static_cast<uint32_t>(data[4]) << 16 | static_cast<uint32_t>(data[5]) << 24;
        const std::u16string name = TableName(kTablesInFileOrder[data[6] % 6]);
        prefix = "[Tessera PPR Version],3.0\n[QUILLON_START]\n[PPR_Index]," + std::string(name.begin(), name.end()) +
                 "," + std::to_string(count & 0x7FFFFFFF) + "\n";
        data += 5;
        size -= 5;
    }
    data += 2;
    size -= 2;
    if (scriptSize > size) scriptSize = size;
    const std::string scriptBytes = prefix + std::string(reinterpret_cast<const char*>(data), scriptSize);
    const std::u16string script =
        WriteScratchFile("update.SCR", reinterpret_cast<const uint8_t*>(scriptBytes.data()), scriptBytes.size());
    const std::u16string profile = WriteScratchFile("update.ppr", data + scriptSize, size - scriptSize);
    WorkingData work;
    std::string reason;
    UpdateProfileSilently(work, script.c_str(), profile.c_str(), reason);
    return 0;
}
