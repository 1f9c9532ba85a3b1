#include "tools/pprtool/profile_fields.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "platform/text.h"

namespace {

#define PPR_FIELD(Record, member, kind) \
    FieldSpec { #member, FieldKind::kind, offsetof(Record, member), sizeof(Record::member) }

const FieldSpec kHeaderFields[] = {
    PPR_FIELD(ProfileHeader, opaque, Bytes),
    PPR_FIELD(ProfileHeader, deviceName, Cp932),
    PPR_FIELD(ProfileHeader, colorTypeCount, Signed),
    PPR_FIELD(ProfileHeader, filler277, Bytes),
    PPR_FIELD(ProfileHeader, resolutionCount, Signed),
    PPR_FIELD(ProfileHeader, filler285, Bytes),
    PPR_FIELD(ProfileHeader, nextInkId, Signed),
    PPR_FIELD(ProfileHeader, inkCount, Signed),
    PPR_FIELD(ProfileHeader, filler298, Bytes),
    PPR_FIELD(ProfileHeader, nextMediaId, Signed),
    PPR_FIELD(ProfileHeader, mediaCount, Signed),
    PPR_FIELD(ProfileHeader, filler310, Bytes),
    PPR_FIELD(ProfileHeader, bitsPerPixelCount, Signed),
    PPR_FIELD(ProfileHeader, filler318, Bytes),
    PPR_FIELD(ProfileHeader, correctionCount, Signed),
    PPR_FIELD(ProfileHeader, filler326, Bytes),
};

const FieldSpec kColorTypeFields[] = {
    PPR_FIELD(ColorTypeEntry, typeCode, Unsigned), PPR_FIELD(ColorTypeEntry, typeKey, Unsigned),
    PPR_FIELD(ColorTypeEntry, filler, Bytes),      PPR_FIELD(ColorTypeEntry, param1, Hex),
    PPR_FIELD(ColorTypeEntry, param2, Hex),
};

const FieldSpec kResolutionFields[] = {
    PPR_FIELD(ResolutionEntry, res1, Signed), PPR_FIELD(ResolutionEntry, res2, Signed),
    PPR_FIELD(ResolutionEntry, res3, Signed), PPR_FIELD(ResolutionEntry, res4, Signed),
    PPR_FIELD(ResolutionEntry, param1, Hex),  PPR_FIELD(ResolutionEntry, param2, Hex),
};

const FieldSpec kNamedFields[] = {
    PPR_FIELD(NamedEntry, name, Text),
    PPR_FIELD(NamedEntry, id, Signed),
    PPR_FIELD(NamedEntry, param1, Hex),
    PPR_FIELD(NamedEntry, param2, Hex),
};

const FieldSpec kBitsPerPixelFields[] = {
    PPR_FIELD(BitsPerPixelEntry, bppKey, Unsigned),
    PPR_FIELD(BitsPerPixelEntry, filler, Bytes),
    PPR_FIELD(BitsPerPixelEntry, param1, Hex),
    PPR_FIELD(BitsPerPixelEntry, param2, Hex),
};

const FieldSpec kCorrectionFields[] = {
    PPR_FIELD(CorrectionEntry, key1, Signed),
    PPR_FIELD(CorrectionEntry, key2, Signed),
    PPR_FIELD(CorrectionEntry, name1, Text),
    PPR_FIELD(CorrectionEntry, name2, Text),
    PPR_FIELD(CorrectionEntry, level1, Unsigned),
    PPR_FIELD(CorrectionEntry, level2, Unsigned),
    PPR_FIELD(CorrectionEntry, icmFile, Text),
    PPR_FIELD(CorrectionEntry, calFile, Text),
    PPR_FIELD(CorrectionEntry, bccFile, Text),
    PPR_FIELD(CorrectionEntry, text8, Text),
    PPR_FIELD(CorrectionEntry, text9, Text),
    PPR_FIELD(CorrectionEntry, filler, Bytes),
    PPR_FIELD(CorrectionEntry, scalar, Real),
    FieldSpec{"series", FieldKind::Real, offsetof(CorrectionEntry, series), sizeof(float), 10},
    PPR_FIELD(CorrectionEntry, param1, Hex),
    PPR_FIELD(CorrectionEntry, param2, Hex),
};

#undef PPR_FIELD

}  // namespace

std::string QuotedUtf8(std::u16string_view text) {
    std::string quoted = "\"";
    quoted.append(Utf16ToUtf8(text)).append("\"");
    return quoted;
}

std::span<const FieldSpec> HeaderFields() { return kHeaderFields; }

std::span<const FieldSpec> RowFields(Table table) {
    switch (table) {
        case Table::ColorType: return kColorTypeFields;
        case Table::Resolution: return kResolutionFields;
        case Table::Ink:
        case Table::Media: return kNamedFields;
        case Table::BitsPerPixel: return kBitsPerPixelFields;
        case Table::Correction: return kCorrectionFields;
    }
    return {};
}

std::string TableNameUtf8(Table table) { return Utf16ToUtf8(TableName(table)); }

int64_t ReadInteger(const FieldSpec& field, const uint8_t* record) {
    uint64_t bits = 0;
    std::memcpy(&bits, record + field.offset, field.size);  // little-endian host
    if (field.kind == FieldKind::Signed && field.size < 8) {
        const uint64_t sign = uint64_t{1} << (field.size * 8 - 1);
        return static_cast<int64_t>((bits ^ sign) - sign);
    }
    return static_cast<int64_t>(bits);
}

void WriteInteger(const FieldSpec& field, uint8_t* record, int64_t value) {
    const auto bits = static_cast<uint64_t>(value);
    std::memcpy(record + field.offset, &bits, field.size);
}

bool IntegerFits(const FieldSpec& field, int64_t value) {
    const int bits = static_cast<int>(field.size * 8);
    if (field.kind == FieldKind::Signed) {
        const int64_t limit = int64_t{1} << (bits - 1);
        return value >= -limit && value < limit;
    }
    return value >= 0 && value < (int64_t{1} << bits);
}

std::string ShortestReal(float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string HexBytes(const uint8_t* bytes, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out;
}

bool ParseHexBytes(const std::string& text, uint8_t* bytes, std::size_t count) {
    if (text.size() != count * 2) return false;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned value = 0;
        const auto result = std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, value, 16);
        if (result.ec != std::errc() || result.ptr != text.data() + 2 * i + 2) return false;
        bytes[i] = static_cast<uint8_t>(value);
    }
    return true;
}

std::string FormatField(const FieldSpec& field, const uint8_t* record) {
    const uint8_t* at = record + field.offset;
    switch (field.kind) {
        case FieldKind::Unsigned:
        case FieldKind::Signed: return std::to_string(ReadInteger(field, record));
        case FieldKind::Hex: {
            char text[16];
            std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(ReadInteger(field, record)));
            return text;
        }
        case FieldKind::Real: {
            std::string out;
            for (std::size_t i = 0; i < field.count; ++i) {
                float value;
                std::memcpy(&value, at + i * sizeof value, sizeof value);
                if (i > 0) out += ',';
                out += ShortestReal(value);
            }
            return out;
        }
        case FieldKind::Text: {
            char16_t units[kTextUnits];
            std::memcpy(units, at, sizeof units);
            return QuotedUtf8(FieldText(units));
        }
        case FieldKind::Cp932: {
            const auto* bytes = reinterpret_cast<const char*>(at);
            const void* end = std::memchr(bytes, 0, field.size);
            const std::size_t length = end ? static_cast<const char*>(end) - bytes : field.size;
            return QuotedUtf8(Cp932ToUtf16(std::string_view(bytes, length)));
        }
        case FieldKind::Bytes: return HexBytes(at, field.size);
    }
    return {};
}

std::string FormatRecord(std::span<const FieldSpec> fields, const uint8_t* record) {
    std::string out;
    for (const FieldSpec& field : fields) {
        if (!out.empty()) out += ' ';
        out += field.name;
        out += '=';
        out += FormatField(field, record);
    }
    return out;
}
