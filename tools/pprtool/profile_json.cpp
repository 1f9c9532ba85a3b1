#include "tools/pprtool/profile_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/text.h"
#include "tools/pprtool/profile_fields.h"

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

// The units of a text field read back from its text alone: terminated,
// nothing behind the terminator, and no unit that UTF-8 cannot carry.
bool TextRoundTrips(const char16_t (&units)[kTextUnits]) {
    const std::u16string_view text = FieldText(units);
    if (text.size() == kTextUnits) return false;
    for (std::size_t i = text.size(); i < kTextUnits; ++i)
        if (units[i] != 0) return false;
    return Utf8ToUtf16(Utf16ToUtf8(text)) == text;
}

bool Cp932RoundTrips(const uint8_t* bytes, std::size_t size) {
    const auto* chars = reinterpret_cast<const char*>(bytes);
    const void* end = std::memchr(chars, 0, size);
    if (!end) return false;
    const std::size_t length = static_cast<const char*>(end) - chars;
    for (std::size_t i = length; i < size; ++i)
        if (bytes[i] != 0) return false;
    std::string encoded;
    return Utf16ToCp932(Cp932ToUtf16(std::string_view(chars, length)), encoded) &&
           encoded == std::string_view(chars, length);
}

// A real as a JSON number when the number reads back to the same bits;
// otherwise (infinities, NaNs) its bits as "0x%08X".
ordered_json RealToJson(float value) {
    if (std::isfinite(value)) {
        const double shortest = std::strtod(ShortestReal(value).c_str(), nullptr);
        const auto back = static_cast<float>(shortest);
        if (std::memcmp(&back, &value, sizeof value) == 0) return shortest;
    }
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", bits);
    return text;
}

ordered_json FieldToJson(const FieldSpec& field, const uint8_t* record) {
    const uint8_t* at = record + field.offset;
    switch (field.kind) {
        case FieldKind::Unsigned:
        case FieldKind::Signed: return ReadInteger(field, record);
        case FieldKind::Hex: return FormatField(field, record);
        case FieldKind::Real: {
            if (field.count == 1) {
                float value;
                std::memcpy(&value, at, sizeof value);
                return RealToJson(value);
            }
            ordered_json values = ordered_json::array();
            for (std::size_t i = 0; i < field.count; ++i) {
                float value;
                std::memcpy(&value, at + i * sizeof value, sizeof value);
                values.push_back(RealToJson(value));
            }
            return values;
        }
        case FieldKind::Text: {
            char16_t units[kTextUnits];
            std::memcpy(units, at, sizeof units);
            const std::string text = Utf16ToUtf8(FieldText(units));
            if (TextRoundTrips(units)) return text;
            return ordered_json{{"text", text}, {"hex", HexBytes(at, field.size)}};
        }
        case FieldKind::Cp932: {
            const std::string quoted = FormatField(field, record);
            const std::string text = quoted.substr(1, quoted.size() - 2);
            if (Cp932RoundTrips(at, field.size)) return text;
            return ordered_json{{"text", text}, {"hex", HexBytes(at, field.size)}};
        }
        case FieldKind::Bytes: return HexBytes(at, field.size);
    }
    return nullptr;
}

ordered_json RecordToJson(std::span<const FieldSpec> fields, const uint8_t* record) {
    ordered_json out = ordered_json::object();
    for (const FieldSpec& field : fields) out[field.name] = FieldToJson(field, record);
    return out;
}

// Reads one JSON value into a field; an empty string when it fits, else what
// was expected.
std::string RealFromJson(const json& value, uint8_t* at) {
    float real;
    if (value.is_number()) {
        real = static_cast<float>(value.get<double>());
    } else if (value.is_string()) {
        uint32_t bits = 0;
        const std::string text = value.get<std::string>();
        char rest = 0;
        if (text.size() != 10 || std::sscanf(text.c_str(), "0x%8x%c", &bits, &rest) != 1)
            return "a number, or the bits of a single-precision value as \"0x%08X\"";
        std::memcpy(&real, &bits, sizeof real);
    } else {
        return "a number";
    }
    std::memcpy(at, &real, sizeof real);
    return {};
}

std::string FieldFromJson(const FieldSpec& field, const json& value, uint8_t* record) {
    uint8_t* at = record + field.offset;
    switch (field.kind) {
        case FieldKind::Unsigned:
        case FieldKind::Signed: {
            const std::string expected =
                "an integer from " +
                std::to_string(field.kind == FieldKind::Signed ? -(int64_t{1} << (field.size * 8 - 1)) : 0) + " to " +
                std::to_string(field.kind == FieldKind::Signed ? (int64_t{1} << (field.size * 8 - 1)) - 1
                                                               : (int64_t{1} << (field.size * 8)) - 1);
            if (!value.is_number_integer() || !IntegerFits(field, value.get<int64_t>())) return expected;
            WriteInteger(field, record, value.get<int64_t>());
            return {};
        }
        case FieldKind::Hex: {
            const std::string expected =
                "a hexadecimal string such as \"0x0000C000\", or an integer from 0 to 4294967295";
            if (value.is_number_integer() && value.get<int64_t>() >= 0 && value.get<int64_t>() <= 0xFFFFFFFFll) {
                WriteInteger(field, record, value.get<int64_t>());
                return {};
            }
            if (!value.is_string()) return expected;
            const std::string text = value.get<std::string>();
            unsigned long long parsed = 0;
            const char* begin = text.c_str();
            if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) begin += 2;
            const auto result = std::from_chars(begin, text.c_str() + text.size(), parsed, 16);
            if (begin == text.c_str() + text.size() || result.ec != std::errc() ||
                result.ptr != text.c_str() + text.size() || parsed > 0xFFFFFFFFull)
                return expected;
            WriteInteger(field, record, static_cast<int64_t>(parsed));
            return {};
        }
        case FieldKind::Real: {
            if (field.count == 1) return RealFromJson(value, at);
            if (!value.is_array() || value.size() != field.count)
                return "an array of " + std::to_string(field.count) + " numbers";
            for (std::size_t i = 0; i < field.count; ++i)
                if (std::string why = RealFromJson(value[i], at + i * sizeof(float)); !why.empty())
                    return "an array of " + std::to_string(field.count) + " numbers: [" + std::to_string(i) +
                           "] is not " + why;
            return {};
        }
        case FieldKind::Text:
        case FieldKind::Cp932: {
            if (value.is_object()) {
                if (!value.contains("hex") || !value["hex"].is_string() ||
                    !ParseHexBytes(value["hex"].get<std::string>(), at, field.size))
                    return "an object whose \"hex\" holds all " + std::to_string(field.size) + " bytes";
                return {};
            }
            if (!value.is_string()) return "a string";
            const std::u16string text = Utf8ToUtf16(value.get<std::string>());
            std::memset(at, 0, field.size);
            if (field.kind == FieldKind::Text) {
                if (text.size() >= kTextUnits) return "a text of at most 259 characters";
                std::memcpy(at, text.data(), text.size() * sizeof(char16_t));
                return {};
            }
            std::string bytes;
            if (!Utf16ToCp932(text, bytes)) return "a text whose every character has a code page 932 form";
            if (bytes.size() >= field.size)
                return "a text of at most " + std::to_string(field.size - 1) + " bytes in code page 932";
            std::memcpy(at, bytes.data(), bytes.size());
            return {};
        }
        case FieldKind::Bytes:
            if (!value.is_string() || !ParseHexBytes(value.get<std::string>(), at, field.size))
                return std::to_string(field.size) + " bytes in hexadecimal (" + std::to_string(field.size * 2) +
                       " digits)";
            return {};
    }
    return "nothing";
}

// Fills a record from a JSON object; fields left out stay zero.
bool RecordFromJson(std::span<const FieldSpec> fields, const json& object, uint8_t* record, const std::string& where,
                    std::string& error) {
    if (!object.is_object()) {
        error = where + ": expected an object of fields";
        return false;
    }
    for (const auto& [key, value] : object.items()) {
        const FieldSpec* field = nullptr;
        for (const FieldSpec& candidate : fields)
            if (key == candidate.name) field = &candidate;
        if (!field) {
            error = where + ": unknown field \"" + key + "\"";
            return false;
        }
        if (const std::string expected = FieldFromJson(*field, value, record); !expected.empty()) {
            error = where + "." + key + ": expected " + expected;
            return false;
        }
    }
    return true;
}

// The header field that holds the table's row count.
const FieldSpec* CountField(Table table) {
    ProfileHeader probe{};
    SetHeaderCount(probe, table, 1);
    for (const FieldSpec& field : HeaderFields())
        if (reinterpret_cast<const uint8_t*>(&probe)[field.offset] == 1) return &field;
    return nullptr;
}

}  // namespace

ordered_json ProfileToJson(const ProfileData& profile) {
    const ProfileHeader linked = profile.LinkedHeader();
    ProfileHeader shown = profile.header;
    for (Table table : kTablesInFileOrder) SetHeaderCount(shown, table, HeaderCount(linked, table));
    ordered_json document = ordered_json::object();
    document["header"] = RecordToJson(HeaderFields(), reinterpret_cast<const uint8_t*>(&shown));
    for (Table table : kTablesInFileOrder) {
        ordered_json rows = ordered_json::array();
        for (int i = 0; i < profile.RowCount(table); ++i)
            rows.push_back(RecordToJson(RowFields(table), profile.Row(table, i)));
        document[TableNameUtf8(table)] = rows;
    }
    return document;
}

bool ProfileFromJson(const json& document, ProfileData& profile, std::string& error) {
    profile = ProfileData{};
    if (!document.is_object()) {
        error = "expected an object with \"header\" and the six tables";
        return false;
    }
    for (const auto& [key, value] : document.items()) {
        bool known = key == "header";
        for (Table table : kTablesInFileOrder) known = known || key == TableNameUtf8(table);
        if (!known) {
            error = "unknown member \"" + key + "\" (expected \"header\" and the six tables)";
            return false;
        }
    }
    ProfileHeader header{};
    if (document.contains("header") &&
        !RecordFromJson(HeaderFields(), document["header"], reinterpret_cast<uint8_t*>(&header), "header", error))
        return false;

    for (Table table : kTablesInFileOrder) {
        const std::string name = TableNameUtf8(table);
        if (!document.contains(name)) continue;
        const json& rows = document[name];
        if (!rows.is_array()) {
            error = name + ": expected an array of rows";
            return false;
        }
        if (rows.size() > static_cast<std::size_t>(MaxHeaderCount(table))) {
            error = name + ": " + std::to_string(rows.size()) + " rows, more than its count holds (" +
                    std::to_string(MaxHeaderCount(table)) + ")";
            return false;
        }
        std::vector<uint8_t>& block = profile.Rows(table);
        block.assign(rows.size() * RowSize(table), 0);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (!RecordFromJson(RowFields(table), rows[i], block.data() + i * RowSize(table),
                                name + "[" + std::to_string(i) + "]", error))
                return false;
        }
    }
    // A count given in the header must agree with its table.
    const json* given = document.contains("header") ? &document["header"] : nullptr;
    for (Table table : kTablesInFileOrder) {
        const FieldSpec* count = CountField(table);
        if (!given || !count || !given->contains(count->name)) continue;
        if (HeaderCount(header, table) != profile.RowCount(table)) {
            error = std::string("header.") + count->name + " is " + std::to_string(HeaderCount(header, table)) +
                    " but " + TableNameUtf8(table) + " has " + std::to_string(profile.RowCount(table)) + " rows";
            return false;
        }
    }
    for (Table table : kTablesInFileOrder) SetHeaderCount(header, table, profile.RowCount(table));
    profile.header = header;
    return true;
}
