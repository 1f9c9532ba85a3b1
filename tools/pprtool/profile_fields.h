// The fields of the profile header and of the six row records, by name,
// kind and place, so that dump, make and diff walk one description instead
// of spelling out every record three times. The places are the records' own
// (offsetof), never file offsets: the header codec stays the one place that
// knows the file image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "profile/records.h"
#include "profile/tables.h"

enum class FieldKind {
    Unsigned,  // little-endian unsigned integer of `size` bytes
    Signed,    // little-endian signed integer of `size` bytes
    Hex,       // unsigned 32-bit parameter, shown in hexadecimal
    Real,      // `count` IEEE single-precision values
    Text,      // 260 UTF-16 units, NUL-terminated
    Cp932,     // deviceName: CP932 text in `size` bytes, NUL-terminated
    Bytes,     // `size` uninterpreted bytes (fillers, opaque)
};

struct FieldSpec {
    const char* name;
    FieldKind kind;
    std::size_t offset;     // in the record
    std::size_t size;       // bytes of one value
    std::size_t count = 1;  // values one after another (the series: 10)
};

// The header's fields in record order; the six table references are left out.
std::span<const FieldSpec> HeaderFields();

// The row fields of a table in record order.
std::span<const FieldSpec> RowFields(Table table);

// The table's name as the script writes it, in UTF-8 ("INKTAB").
std::string TableNameUtf8(Table table);

// Reads an integer field (Unsigned, Signed, Hex) of a record.
int64_t ReadInteger(const FieldSpec& field, const uint8_t* record);

// Writes an integer field; the value must fit (see IntegerFits).
void WriteInteger(const FieldSpec& field, uint8_t* record, int64_t value);

// True when `value` fits the integer field's width and signedness.
bool IntegerFits(const FieldSpec& field, int64_t value);

// Returns a real in its shortest form that reads back to the same single
// precision value ("1.1", "-0", "1e+20", "inf", "nan").
std::string ShortestReal(float value);

// Returns the text in double quotes as UTF-8.
std::string QuotedUtf8(std::u16string_view text);

// Returns the field as one line of text: integers in decimal, parameters as
// 0x%08X, reals in their shortest form (several joined by commas), text in
// double quotes as UTF-8, bytes in upper-case hexadecimal.
std::string FormatField(const FieldSpec& field, const uint8_t* record);

// Returns the bytes in upper-case hexadecimal, two digits a byte.
std::string HexBytes(const uint8_t* bytes, std::size_t count);

// Reads hexadecimal digits (two a byte, either case) into exactly `count`
// bytes; false for any other length or character.
bool ParseHexBytes(const std::string& text, uint8_t* bytes, std::size_t count);

// Returns the fields of a record as "name=value name=value ...".
std::string FormatRecord(std::span<const FieldSpec> fields, const uint8_t* record);
