#include "blowfish.h"

#include <cstring>

namespace {

uint32_t LoadLE(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void StoreLE(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

}  // namespace

Blowfish::Blowfish()
{
    std::memcpy(P, InitialP, sizeof P);
    std::memcpy(S, InitialS, sizeof S);
}

uint32_t Blowfish::F(uint32_t x) const
{
    return ((S[0][x >> 24] + S[1][(x >> 16) & 255]) ^ S[2][(x >> 8) & 255]) + S[3][x & 255];
}

void Blowfish::EncipherBlock(uint32_t& left, uint32_t& right) const
{
    uint32_t l = left, r = right;
    for (int i = 0; i < 16; ++i) {
        l ^= P[i];
        r ^= F(l);
        uint32_t t = l;
        l = r;
        r = t;
    }
    uint32_t t = l;
    l = r;
    r = t;
    r ^= P[16];
    l ^= P[17];
    left = l;
    right = r;
}

void Blowfish::DecipherBlock(uint32_t& left, uint32_t& right) const
{
    uint32_t l = left, r = right;
    for (int i = 17; i > 1; --i) {
        l ^= P[i];
        r ^= F(l);
        uint32_t t = l;
        l = r;
        r = t;
    }
    uint32_t t = l;
    l = r;
    r = t;
    r ^= P[1];
    l ^= P[0];
    left = l;
    right = r;
}

void Blowfish::Init(const unsigned char* key, size_t keyLength)
{
    std::memcpy(P, InitialP, sizeof P);
    std::memcpy(S, InitialS, sizeof S);
    if (key == nullptr || keyLength == 0)
        return;
    size_t k = 0;
    for (int i = 0; i < 18; ++i) {
        uint32_t word = 0;
        for (int b = 0; b < 4; ++b) {
            word = word << 8 | key[k];
            k = (k + 1) % keyLength;
        }
        P[i] ^= word;
    }
    uint32_t l = 0, r = 0;
    for (int i = 0; i < 18; i += 2) {
        EncipherBlock(l, r);
        P[i] = l;
        P[i + 1] = r;
    }
    for (int box = 0; box < 4; ++box) {
        for (int i = 0; i < 256; i += 2) {
            EncipherBlock(l, r);
            S[box][i] = l;
            S[box][i + 1] = r;
        }
    }
}

size_t Blowfish::PaddedLength(size_t length)
{
    return (length + 7) / 8 * 8;
}

size_t Blowfish::Encrypt(const unsigned char* input, unsigned char* output, size_t length)
{
    size_t padded = PaddedLength(length);
    if (input == output) {
        std::memset(output + length, 0, padded - length);
    } else {
        std::memset(output, 0, padded);
        std::memcpy(output, input, length);
    }
    for (size_t at = 0; at < padded; at += 8) {
        uint32_t l = LoadLE(output + at), r = LoadLE(output + at + 4);
        EncipherBlock(l, r);
        StoreLE(output + at, l);
        StoreLE(output + at + 4, r);
    }
    return padded;
}

void Blowfish::Decrypt(const unsigned char* input, unsigned char* output, size_t length)
{
    size_t padded = PaddedLength(length);
    if (input != output)
        std::memmove(output, input, padded);
    for (size_t at = 0; at < padded; at += 8) {
        uint32_t l = LoadLE(output + at), r = LoadLE(output + at + 4);
        DecipherBlock(l, r);
        StoreLE(output + at, l);
        StoreLE(output + at + 4, r);
    }
}
