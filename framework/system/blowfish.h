#pragma once
// Blowfish block cipher (64-bit blocks, 16 rounds), ECB over 8-byte blocks
// with zero padding. Halves are little-endian words: the settings store's
// ciphertext depends on that byte order.

#include <cstddef>
#include <cstdint>

class Blowfish {
public:
    Blowfish();

    // Key schedule; a key of length 0 leaves the published tables as they are.
    void Init(const unsigned char* key, size_t keyLength);

    static size_t PaddedLength(size_t length);

    // Enciphers length bytes, returns the padded length. In place the buffer
    // must hold the padded length; out of place the input is left untouched.
    size_t Encrypt(const unsigned char* input, unsigned char* output, size_t length);
    // Deciphers ceil(length / 8) blocks; no padding is removed.
    void Decrypt(const unsigned char* input, unsigned char* output, size_t length);

    void EncipherBlock(uint32_t& left, uint32_t& right) const;
    void DecipherBlock(uint32_t& left, uint32_t& right) const;

private:
    uint32_t F(uint32_t x) const;

    uint32_t P[18];
    uint32_t S[4][256];

    static const uint32_t InitialP[18];
    static const uint32_t InitialS[4][256];
};
