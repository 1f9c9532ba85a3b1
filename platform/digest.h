// A digest of bytes, to tell later whether a file still holds what was
// written to it: SHA-256, from the platform's own cryptographic library
// (POSIX: OpenSSL's libcrypto; Windows: CNG, bcrypt.dll).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Returns the SHA-256 digest of the `size` bytes at `data` as 64 lower-case
// hexadecimal digits; empty when the platform cannot make one.
std::string Sha256Hex(const void* data, std::size_t size);

// The platform's part: puts the 32 bytes of the digest in `digest`; false
// when it cannot.
bool Sha256Bytes(const void* data, std::size_t size, std::array<uint8_t, 32>& digest);
