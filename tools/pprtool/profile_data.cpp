#include "tools/pprtool/profile_data.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "devlib/tovrel.h"
#include "engine/profile_writer.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profile/header_codec.h"
#include "tools/pprtool/profile_fields.h"

namespace {

// Says why bytes that do not make a profile are refused, with the numbers;
// empty when they do make one.
std::string WhyNotAProfile(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < kProfileHeaderSize)
        return "is " + std::to_string(bytes.size()) + " bytes long, shorter than the " +
               std::to_string(kProfileHeaderSize) + "-byte profile header";
    uint8_t image[kProfileHeaderSize];
    std::memcpy(image, bytes.data(), sizeof image);
    ProfileHeader header;
    DecodeProfileHeader(image, header);
    std::string counts;
    for (Table table : kTablesInFileOrder) {
        const int count = HeaderCount(header, table);
        if (count < 0)
            return "has a negative row count: " + Utf16ToUtf8(TableName(table)) + " " + std::to_string(count);
        counts += (counts.empty() ? "" : ", ") + std::to_string(count) + " " + Utf16ToUtf8(TableName(table));
    }
    const int64_t expected = ProfileFileSize(header);
    if (static_cast<int64_t>(bytes.size()) != expected)
        return "is " + std::to_string(bytes.size()) + " bytes long, but its counts (" + counts + ") make " +
               std::to_string(expected) + " bytes";
    return {};
}

}  // namespace

ProfileHeader ProfileData::LinkedHeader() const {
    ProfileHeader linked = header;
    for (Table table : kTablesInFileOrder) {
        SetHeaderCount(linked, table, RowCount(table));
        const std::vector<uint8_t>& block = Rows(table);
        SetHeaderBlock(linked, table, block.empty() ? nullptr : const_cast<uint8_t*>(block.data()));
    }
    return linked;
}

ProfileData ProfileDataOf(const ProfileHeader& header) {
    ProfileData profile;
    profile.header = header;
    for (Table table : kTablesInFileOrder) {
        const auto* block = static_cast<const uint8_t*>(HeaderBlock(header, table));
        const std::size_t size = static_cast<std::size_t>(std::max(HeaderCount(header, table), 0)) * RowSize(table);
        if (size > 0 && block != nullptr) profile.Rows(table).assign(block, block + size);
        SetHeaderBlock(profile.header, table, nullptr);
    }
    return profile;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::FILE* file = OpenFile(Utf8ToUtf16(path).c_str(), "rb");
    if (!file) return false;
    bytes.clear();
    uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool ReadProfile(const std::string& path, ProfileData& profile, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        error = path + ": cannot open the file";
        return false;
    }
    if (const std::string why = WhyNotAProfile(bytes); !why.empty()) {
        error = path + " is not a profile: it " + why;
        return false;
    }
    // The profile itself comes through the library, exactly as the program loads it.
    ProfileHeader header{};
    if (!GetPrinterProfileFromPath(Utf8ToUtf16(path).c_str(), &header)) {
        error = path + ": the device-manager library cannot read it as a profile";
        return false;
    }
    profile = ProfileDataOf(header);
    ClearPrinterProfileWorkArea(&header);
    return true;
}

bool WriteProfile(const std::string& path, const ProfileData& profile, std::string& error) {
    for (Table table : kTablesInFileOrder) {
        if (profile.RowCount(table) > MaxHeaderCount(table)) {
            error = TableNameUtf8(table) + " has " + std::to_string(profile.RowCount(table)) +
                    " rows; its count holds at most " + std::to_string(MaxHeaderCount(table));
            return false;
        }
    }
    ScriptRecord destination{};
    if (!CopyText(destination.printerName, kTextUnits, Utf8ToUtf16(path))) {
        error = path + ": the path is longer than " + std::to_string(kTextUnits - 1) + " characters";
        return false;
    }
    const ProfileHeader linked = profile.LinkedHeader();
    if (!SetPrinterProfile(&destination, &linked, 1)) {
        error = path + ": cannot write the file";
        return false;
    }
    return true;
}
