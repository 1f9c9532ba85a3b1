// The two platform primitives beneath the CP932 conversions of text.h. The
// walk over the bytes, the single-byte codes and every rule for invalid input
// live once, in text.cpp; only the tables of the double-byte characters come
// from the platform (POSIX: iconv "CP932"; Windows: the code page 932 tables).
// Internal to platform/text*.
#pragma once

#include <cstdint>

// Lead bytes of CP932 double-byte characters.
constexpr bool IsCp932Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Bytes that may follow a lead byte.
constexpr bool IsCp932Trail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Decodes the double-byte character lead:trail (both in range); 0 when the
// pair names no character.
char16_t DecodeCp932Pair(unsigned char lead, unsigned char trail);

// Encodes a unit that is neither ASCII nor half-width katakana nor one of the
// single-byte codes 0x80, 0xA0, 0xFD-0xFF: returns its code (a double-byte
// code as lead * 256 + trail, or a single byte the code page maps it to), or
// -1 when it has no CP932 form.
int EncodeCp932Unit(char16_t unit);
