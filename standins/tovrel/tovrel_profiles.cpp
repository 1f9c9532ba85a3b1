// Printer profiles read from .ppr files into blocks of the library's allocator.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "devlib/tovrel.h"
#include "platform/files.h"
#include "profile/header_codec.h"
#include "profile/tables.h"
#include "standins/tovrel/tovrel_store.h"

namespace {

// Reads exactly `size` bytes into `bytes` and makes sure the file ends there.
// The bytes are taken as they come, so a file much shorter than its counts
// claim costs no more memory than the file itself.
bool ReadExactly(std::FILE* file, std::size_t size, std::vector<uint8_t>& bytes) {
    uint8_t chunk[65536];
    try {
        while (bytes.size() < size) {
            const std::size_t want = std::min(sizeof chunk, size - bytes.size());
            const std::size_t got = std::fread(chunk, 1, want, file);
            bytes.insert(bytes.end(), chunk, chunk + got);
            if (got < want) return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return std::fgetc(file) == EOF && !std::ferror(file);
}

void FreeBlocks(ProfileHeader& header) {
    for (Table table : kTablesInFileOrder) {
        RIPfree(HeaderBlock(header, table));
        SetHeaderBlock(header, table, nullptr);
    }
}

// Loads a whole profile file. The file must be exactly as long as its
// counts say; otherwise nothing is allocated and `out` stays as it was.
int LoadProfileFile(const std::u16string& path, ProfileHeader* out) {
    std::FILE* file = OpenFile(path.c_str(), "rb");
    if (!file) return 0;
    uint8_t image[kProfileHeaderSize];
    ProfileHeader header;
    std::vector<uint8_t> rows;
    bool ok = std::fread(image, 1, sizeof image, file) == sizeof image;
    if (ok) {
        DecodeProfileHeader(image, header);
        const int64_t size = ProfileFileSize(header);
        ok = size >= static_cast<int64_t>(kProfileHeaderSize) &&
             ReadExactly(file, static_cast<std::size_t>(size - kProfileHeaderSize), rows);
    }
    std::fclose(file);
    if (!ok) return 0;

    std::size_t offset = 0;
    for (Table table : kTablesInFileOrder) {
        const std::size_t bytes = static_cast<std::size_t>(HeaderCount(header, table)) * RowSize(table);
        if (bytes == 0) continue;
        void* block = RIPmalloc(bytes);
        if (!block) {
            FreeBlocks(header);
            return 0;
        }
        std::memcpy(block, rows.data() + offset, bytes);
        SetHeaderBlock(header, table, block);
        offset += bytes;
    }
    *out = header;
    return 1;
}

// A printer name names a file in the copy pool, never one elsewhere.
bool IsPlainName(const char16_t* name) {
    if (!name || !*name) return false;
    for (const char16_t* c = name; *c; ++c)
        if (*c == u'/' || *c == u'\\') return false;
    return true;
}

}  // namespace

extern "C" int GetPrinterProfile(const char16_t* printerName, ProfileHeader* header) {
    if (!header || !IsPlainName(printerName)) return 0;
    std::u16string path = JoinPath(CopyPoolFolder(), printerName);
    path += u".ppr";
    return LoadProfileFile(path, header);
}

extern "C" int GetPrinterProfileFromPath(const char16_t* path, ProfileHeader* header) {
    if (!path || !*path || !header) return 0;
    return LoadProfileFile(path, header);
}

extern "C" void ClearPrinterProfileWorkArea(ProfileHeader* header) {
    if (header) FreeBlocks(*header);
}
