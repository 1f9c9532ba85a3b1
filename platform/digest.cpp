#include "platform/digest.h"

std::string Sha256Hex(const void* data, std::size_t size) {
    std::array<uint8_t, 32> digest{};
    if (!Sha256Bytes(data, size, digest)) return {};
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}
