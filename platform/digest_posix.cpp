#include <openssl/evp.h>

#include "platform/digest.h"

bool Sha256Bytes(const void* data, std::size_t size, std::array<uint8_t, 32>& digest) {
    unsigned int length = 0;
    return EVP_Digest(data, size, digest.data(), &length, EVP_sha256(), nullptr) == 1 && length == digest.size();
}
