#include <windows.h>

#include <bcrypt.h>

#include <algorithm>

#include "platform/digest.h"

// BCryptHash would do it in one call, but only from Windows 10 on; the
// program runs on Windows 7.
bool Sha256Bytes(const void* data, std::size_t size, std::array<uint8_t, 32>& digest) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) return false;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool done = BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    // The data goes in pieces that a ULONG can count.
    const auto* bytes = static_cast<const UCHAR*>(data);
    for (std::size_t offset = 0; done && offset < size;) {
        const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(size - offset, 1u << 30));
        done = BCRYPT_SUCCESS(BCryptHashData(hash, const_cast<UCHAR*>(bytes + offset), piece, 0));
        offset += piece;
    }
    done = done && BCRYPT_SUCCESS(BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
    if (hash) BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return done;
}
