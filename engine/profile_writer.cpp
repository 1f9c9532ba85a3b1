#include "engine/profile_writer.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "devlib/tovrel.h"
#include "engine/profile_lock.h"
#include "platform/replace_file.h"
#include "platform/text.h"
#include "profile/header_codec.h"
#include "profile/tables.h"

namespace {

// Builds the destination in a 260-unit buffer; false when it does not fit.
bool BuildDestination(const ScriptRecord& script, int silent, char16_t (&path)[kTextUnits]) {
    const std::u16string_view name = FieldText(script.printerName);
    return CopyText(path, kTextUnits, silent ? std::u16string(name) : CopyPoolProfilePath(name));
}

void LogOpenFailure(const char16_t* path) {
    char ansiPath[kTextUnits];
    WcsToMbs(ansiPath, sizeof ansiPath, path);
    char line[512];
    std::snprintf(line, sizeof line, "SetPrinterProfile:fopen error[%s]\n", ansiPath);
    Tovrel().WriteRIPLogFile(line);
}

}  // namespace

bool ForEachProfilePart(const ProfileHeader& header, const std::function<bool(const void*, std::size_t)>& part) {
    uint8_t image[kProfileHeaderSize];
    EncodeProfileHeader(header, image);
    if (!part(image, sizeof image)) return false;
    for (Table table : kTablesInFileOrder) {
        const int count = HeaderCount(header, table);
        if (count <= 0) continue;
        const void* rows = HeaderBlock(header, table);
        if (rows == nullptr) return false;  // rows counted but not there: never write a made-up table
        if (!part(rows, static_cast<std::size_t>(count) * RowSize(table))) return false;
    }
    return true;
}

int SetPrinterProfile(const ScriptRecord* script, const ProfileHeader* header, int silent) {
    char16_t path[kTextUnits] = {};
    const bool fits = BuildDestination(*script, silent, path);

    // A path cut to its buffer would name another file: it counts as one that
    // cannot be opened.
    FileReplacement file;
    if (!fits || !file.Open(path)) {
        LogOpenFailure(path);
        return 0;
    }
    const auto write = [&file](const void* bytes, std::size_t size) { return file.Write(bytes, size); };
    if (!ForEachProfilePart(*header, write)) return 0;  // the replacement is abandoned
    return file.Commit() ? 1 : 0;
}
