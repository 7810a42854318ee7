// Blowfish against the published test vectors and in its ECB framing.

#include "blowfish.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Hex(const char* text)
{
    std::vector<unsigned char> out;
    for (size_t i = 0; text[i] && text[i + 1]; i += 2)
        out.push_back(static_cast<unsigned char>(std::stoul(std::string(text + i, 2), nullptr, 16)));
    return out;
}

// The vectors are written big-endian per half; blocks here hold each 32-bit
// half little-endian, so every half's bytes are reversed.
void SwapHalves(unsigned char* block)
{
    std::swap(block[0], block[3]);
    std::swap(block[1], block[2]);
    std::swap(block[4], block[7]);
    std::swap(block[5], block[6]);
}

void CheckVector(const std::vector<unsigned char>& key, const char* plain, const char* cipher)
{
    Blowfish bf;
    bf.Init(key.data(), key.size());
    std::vector<unsigned char> block = Hex(plain), expected = Hex(cipher);
    SwapHalves(block.data());
    unsigned char out[8];
    EXPECT_EQ(8u, bf.Encrypt(block.data(), out, 8));
    SwapHalves(out);
    EXPECT_EQ(expected, std::vector<unsigned char>(out, out + 8));
    SwapHalves(out);
    bf.Decrypt(out, out, 8);
    EXPECT_EQ(block, std::vector<unsigned char>(out, out + 8));
}

}  // namespace

TEST(Blowfish, PublishedVectors)
{
    struct Row { const char* key; const char* plain; const char* cipher; } rows[] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
        {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
        {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
        {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
        {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
        {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.key);
        CheckVector(Hex(r.key), r.plain, r.cipher);
    }
}

TEST(Blowfish, VariableKeyLength)
{
    const std::vector<unsigned char> fullKey = Hex("F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677");
    const char* ciphers[] = {
        "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05",
        "B39E44481BDB1E6E", "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82",
        "15750E7A4F4EC577", "122BA70B3AB64AE0", "3A833C9AFFC537F6", "9409DA87A90F6BF2",
        "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F", "93142887EE3BE15C",
        "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
        "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
    };
    for (size_t n = 1; n <= fullKey.size(); ++n) {
        SCOPED_TRACE("key length " + std::to_string(n));
        std::vector<unsigned char> key(fullKey.begin(), fullKey.begin() + long(n));
        CheckVector(key, "FEDCBA9876543210", ciphers[n - 1]);
    }
}

TEST(Blowfish, EightByteKeyRepeatsLikeSixteen)
{
    // key words are read cyclically: an 8-byte key and the same bytes twice agree
    const unsigned char k8[] = "ECRkey01";
    const unsigned char k16[] = "ECRkey01ECRkey01";
    Blowfish a, b;
    a.Init(k8, 8);
    b.Init(k16, 16);
    unsigned char pa[8] = "receipt", pb[8] = "receipt";
    a.Encrypt(pa, pa, 8);
    b.Encrypt(pb, pb, 8);
    EXPECT_EQ(0, std::memcmp(pa, pb, 8));
}

TEST(Blowfish, PaddedLength)
{
    EXPECT_EQ(0u, Blowfish::PaddedLength(0));
    EXPECT_EQ(8u, Blowfish::PaddedLength(1));
    EXPECT_EQ(8u, Blowfish::PaddedLength(8));
    EXPECT_EQ(16u, Blowfish::PaddedLength(9));
}

TEST(Blowfish, RoundTripsInPlaceAndOutOfPlace)
{
    Blowfish bf;
    const unsigned char key[] = "K3y!pass";
    bf.Init(key, 8);
    for (size_t n = 0; n <= 40; ++n) {
        SCOPED_TRACE("length " + std::to_string(n));
        std::vector<unsigned char> plain(n);
        for (size_t i = 0; i < n; ++i)
            plain[i] = static_cast<unsigned char>(0xE0 + i * 7);
        size_t padded = Blowfish::PaddedLength(n);

        std::vector<unsigned char> inPlace(padded + 8, 0xAA);
        std::memcpy(inPlace.data(), plain.data(), n);
        EXPECT_EQ(padded, bf.Encrypt(inPlace.data(), inPlace.data(), n));
        EXPECT_EQ(0xAA, inPlace[padded]);  // nothing beyond the padded length

        const std::vector<unsigned char> input = plain;
        std::vector<unsigned char> out(padded + 8, 0x55);
        EXPECT_EQ(padded, bf.Encrypt(input.data(), out.data(), n));
        EXPECT_EQ(plain, input);
        EXPECT_EQ(0, std::memcmp(out.data(), inPlace.data(), padded));
        EXPECT_EQ(0x55, out[padded]);

        bf.Decrypt(inPlace.data(), inPlace.data(), n);
        std::vector<unsigned char> back(padded);
        bf.Decrypt(out.data(), back.data(), n);
        std::vector<unsigned char> expected(plain);
        expected.resize(padded, 0);
        EXPECT_EQ(expected, std::vector<unsigned char>(inPlace.begin(), inPlace.begin() + long(padded)));
        EXPECT_EQ(expected, back);
    }
}

TEST(Blowfish, EcbRepeatsEqualBlocks)
{
    Blowfish bf;
    const unsigned char key[] = "abc";
    bf.Init(key, 3);
    unsigned char buf[16];
    std::memcpy(buf, "SAMEBLK", 8);
    std::memcpy(buf + 8, buf, 8);
    bf.Encrypt(buf, buf, 16);
    EXPECT_EQ(0, std::memcmp(buf, buf + 8, 8));
    EXPECT_NE(0, std::memcmp(buf, "SAMEBLK", 8));
}
