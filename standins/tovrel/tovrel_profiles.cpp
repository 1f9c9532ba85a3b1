// Printer profiles read from .ppr files into blocks of the library's allocator.
#include <cstdio>

#include "devlib/tovrel.h"
#include "platform/files.h"
#include "profile/header_codec.h"
#include "profile/tables.h"
#include "standins/tovrel/tovrel_store.h"

namespace {

void FreeBlocks(ProfileHeader& header) {
    for (Table table : kTablesInFileOrder) {
        RIPfree(HeaderBlock(header, table));
        SetHeaderBlock(header, table, nullptr);
    }
}

// True when the rest of the file, from where it stands, is exactly `size`
// bytes: no block is allocated for rows a file does not have.
bool RestIsExactly(std::FILE* file, int64_t size) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return false;
    const long end = std::ftell(file);
    if (end < 0 || std::fseek(file, here, SEEK_SET) != 0) return false;
    return static_cast<int64_t>(end) - here == size;
}

// Reads the tables straight into their blocks, one read each.
bool ReadTables(std::FILE* file, ProfileHeader& header) {
    for (Table table : kTablesInFileOrder) SetHeaderBlock(header, table, nullptr);
    for (Table table : kTablesInFileOrder) {
        const std::size_t bytes = static_cast<std::size_t>(HeaderCount(header, table)) * RowSize(table);
        if (bytes == 0) continue;
        void* block = RIPmalloc(bytes);
        if (!block) return false;
        SetHeaderBlock(header, table, block);
        if (std::fread(block, 1, bytes, file) != bytes) return false;
    }
    // The file may have changed since its size was taken.
    return std::fgetc(file) == EOF && !std::ferror(file);
}

// Loads a whole profile file. The file must be exactly as long as its
// counts say; otherwise nothing is kept and `out` stays as it was.
int LoadProfileFile(const std::u16string& path, ProfileHeader* out) {
    std::FILE* file = OpenFile(path.c_str(), "rb");
    if (!file) return 0;
    uint8_t image[kProfileHeaderSize];
    ProfileHeader header;
    bool ok = std::fread(image, 1, sizeof image, file) == sizeof image;
    if (ok) {
        DecodeProfileHeader(image, header);
        const int64_t size = ProfileFileSize(header);
        ok = size >= static_cast<int64_t>(kProfileHeaderSize) &&
             RestIsExactly(file, size - static_cast<int64_t>(kProfileHeaderSize));
        if (ok && !ReadTables(file, header)) {
            FreeBlocks(header);
            ok = false;
        }
    }
    std::fclose(file);
    if (!ok) return 0;
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
