// Reading BMP files built by hand: core headers, bare DIBs, gaps before the
// bits, truncated and hostile files.

#include "corvex.h"
#include "dib.h"
#include "dibfixture.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace dibtest;

namespace {

// zOpenDIB of a file with the given bytes; the block's bytes, or none.
bool OpenBytes(const std::string& bytes, std::vector<BYTE>* block)
{
    std::string path = TempPath("hand.bmp");
    testutil::write_file(path, bytes);
    HGLOBAL dib = static_cast<HGLOBAL>(zOpenDIB(path.c_str()));
    if (!dib)
        return false;
    *block = Bytes(dib);
    GlobalFree(dib);
    return true;
}

BITMAPINFOHEADER HeaderOf(const std::vector<BYTE>& block)
{
    BITMAPINFOHEADER h = {};
    std::memcpy(&h, block.data(), sizeof h);
    return h;
}

// The RGBTRIPLEs widened the way a packed DIB holds them.
std::string Quads(const std::string& triples)
{
    std::string q;
    for (size_t i = 0; i + 2 < triples.size(); i += 3)
        q += triples.substr(i, 3) + std::string(1, '\0');
    return q;
}

}  // namespace

TEST(DibRead, CoreHeaderBecomesInfoHeader)
{
    struct Row {
        const char* name;
        WORD bits, width, height;
        int colors;
        bool fileHeader;
    } rows[] = {
        {"8-bit with file header", 8, 4, 2, 256, true},
        {"8-bit bare", 8, 4, 2, 256, false},
        {"1-bit with file header", 1, 9, 8, 2, true},
        {"4-bit bare", 4, 5, 2, 16, false},
        {"24-bit, no table", 24, 3, 3, 0, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string table = Pattern(static_cast<size_t>(3 * r.colors), 9);
        DWORD image = dibImageSize(r.bits, r.width, r.height);
        std::string bits = Pattern(image, 4);
        std::string body = CoreHeader(r.width, r.height, r.bits) + table + bits;
        std::string file = r.fileHeader
                               ? FileHeader(14 + body.size(), 14 + 12 + table.size()) + body
                               : body;
        std::vector<BYTE> block;
        ASSERT_TRUE(OpenBytes(file, &block));
        BITMAPINFOHEADER h = HeaderOf(block);
        EXPECT_EQ(40u, h.biSize);
        EXPECT_EQ(r.width, h.biWidth);
        EXPECT_EQ(r.height, h.biHeight);
        EXPECT_EQ(r.bits, h.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(r.colors), h.biClrUsed);
        EXPECT_EQ(image, h.biSizeImage);
        std::string quads = Quads(table);
        ASSERT_EQ(40 + quads.size() + image, block.size());
        EXPECT_EQ(0, std::memcmp(block.data() + 40, quads.data(), quads.size()));
        EXPECT_EQ(0, std::memcmp(block.data() + 40 + quads.size(), bits.data(), image));
    }
}

TEST(DibRead, BareInfoHeaderTakesBitsAfterTable)
{
    std::string table = Pattern(16 * 4, 3), bits = Pattern(dibImageSize(4, 7, 3), 6);
    std::vector<BYTE> block;
    ASSERT_TRUE(OpenBytes(InfoHeader(7, 3, 4) + table + bits, &block));
    ASSERT_EQ(40 + table.size() + bits.size(), block.size());
    EXPECT_EQ(16u, HeaderOf(block).biClrUsed);
    EXPECT_EQ(0, std::memcmp(block.data() + 40, table.data(), table.size()));
    EXPECT_EQ(0, std::memcmp(block.data() + 40 + table.size(), bits.data(), bits.size()));
}

TEST(DibRead, BitsComeFromTheFileHeaderOffset)
{
    std::string header = InfoHeader(2, 2, 24), gap(10, 'x');
    std::string bits = Pattern(16, 8);
    std::string file = FileHeader(14 + 40 + 10 + 16, 14 + 40 + 10) + header + gap + bits;
    std::vector<BYTE> block;
    ASSERT_TRUE(OpenBytes(file, &block));
    ASSERT_EQ(40u + 16, block.size());
    EXPECT_EQ(0, std::memcmp(block.data() + 40, bits.data(), 16));
}

TEST(DibRead, TruncatedFilesNeverReadPastTheirBlock)
{
    std::string table = Pattern(1024, 1), bits = Pattern(dibImageSize(8, 8, 8), 2);
    std::string whole = FileHeader(14 + 40 + 1024 + 64, 14 + 40 + 1024) +
                        InfoHeader(8, 8, 8) + table + bits;
    struct Row {
        const char* name;
        size_t keep;
        bool opens;
    } rows[] = {
        {"empty", 0, false},
        {"half a file header", 7, false},
        {"file header only", 14, false},
        {"half an info header", 14 + 20, false},
        {"header, no table", 14 + 40, true},
        {"half the table", 14 + 40 + 512, true},
        {"half the bits", 14 + 40 + 1024 + 32, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<BYTE> block;
        ASSERT_EQ(r.opens, OpenBytes(whole.substr(0, r.keep), &block));
        if (!r.opens)
            continue;
        // The block is complete; what the file lacks reads as zero.
        ASSERT_EQ(40u + 1024 + 64, block.size());
        std::string expected = whole.substr(14);
        for (size_t i = r.keep - 14; i < expected.size(); ++i)
            expected[i] = '\0';
        EXPECT_EQ(0, std::memcmp(block.data() + 40, expected.data() + 40, 1024 + 64));
    }
}

// The header is read as 40 bytes whatever size it claims: a file that ends
// before them gives no DIB, even one whose core header and bits are whole.
TEST(DibRead, FilesShorterThanAnInfoHeaderGiveNull)
{
    const std::string core1x1 = CoreHeader(1, 1, 24) + Pattern(4, 3);           // 16 bytes
    const std::string core8x1 = CoreHeader(8, 1, 1) + Pattern(6 + 4, 5);        // 22 bytes
    const std::string core1x7 = CoreHeader(1, 7, 24) + Pattern(28, 6);          // 40 bytes
    struct Row {
        const char* name;
        std::string file;
        bool opens;
    } rows[] = {
        {"bare core header, 1x1 24-bit", core1x1, false},
        {"core header with file header, 1x1 24-bit", FileHeader(14 + 16, 26) + core1x1, false},
        {"bare core header, 8x1 1-bit", core8x1, false},
        {"core header with file header, 8x1 1-bit", FileHeader(14 + 22, 32) + core8x1, false},
        {"info header cut at 39 bytes", InfoHeader(1, 1, 24).substr(0, 39), false},
        {"core header and bits of exactly 40 bytes", core1x7, true},
        {"the same with its file header", FileHeader(14 + 40, 26) + core1x7, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<BYTE> block;
        EXPECT_EQ(r.opens, OpenBytes(r.file, &block));
    }
}

// Odd but readable headers are read; refused is only what would overflow:
// a table too large for its 16-bit size, an image size that wraps.
TEST(DibRead, HeadersAreReadUnlessTheyWouldOverflow)
{
    const std::string bits8 = Pattern(dibImageSize(8, 4, 4), 2);
    struct Row {
        const char* name;
        std::string file;
        DWORD tableBytes;  // of a header that opens
        DWORD imageBytes;
        bool opens;
    } rows[] = {
        {"300 colours", InfoHeader(4, 4, 8, 300) + Pattern(1200, 1) + bits8, 1200, 16, true},
        {"largest table of 16-bit size", InfoHeader(4, 4, 8, 16383) + Pattern(65532, 1) + bits8,
         65532, 16, true},
        {"zero width", InfoHeader(0, 4, 24), 0, 0, true},
        {"zero height", InfoHeader(4, 0, 24), 0, 0, true},
        {"negative width with its image size", InfoHeader(-4, 4, 24, 0, 64) + Pattern(64, 1), 0,
         64, true},
        {"table too large for its size", InfoHeader(4, 4, 8, 16384) + Pattern(65536, 1) + bits8,
         0, 0, false},
        {"colours and masks too large for the size",
         InfoHeader(4, 4, 32, 16381, 0, BI_BITFIELDS) + Pattern(65536, 1) + Pattern(64, 2), 0, 0,
         false},
        {"colour count beyond any table", InfoHeader(4, 4, 8, 0x40000000) + Pattern(64, 1), 0, 0,
         false},
        {"negative width, image size by the rule", InfoHeader(-4, 4, 24) + Pattern(64, 1), 0, 0,
         false},
        {"image beyond 4 GB", InfoHeader(0x10000, 0x10000, 32) + Pattern(64, 1), 0, 0, false},
        {"unknown header size",
         std::string("\x6C\0\0\0", 4) + InfoHeader(4, 4, 24).substr(4) + Pattern(64, 1), 0, 0,
         false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<BYTE> block;
        ASSERT_EQ(r.opens, OpenBytes(r.file, &block));
        if (!r.opens)
            continue;
        ASSERT_EQ(40 + r.tableBytes + r.imageBytes, block.size());
        EXPECT_EQ(0, std::memcmp(block.data() + 40, r.file.data() + 40, block.size() - 40));
        BITMAPINFOHEADER h = HeaderOf(block);
        EXPECT_EQ(r.tableBytes / 4, h.biClrUsed);
        EXPECT_EQ(r.imageBytes, h.biSizeImage);
    }
}

TEST(DibRead, UnderstatedImageSizeStillGetsWholeImage)
{
    // Drawing reads every scan line, whatever biSizeImage claims.
    std::string bits = Pattern(dibImageSize(24, 5, 4), 3);
    std::vector<BYTE> block;
    ASSERT_TRUE(OpenBytes(InfoHeader(5, 4, 24, 0, 8) + bits, &block));
    EXPECT_EQ(bits.size(), HeaderOf(block).biSizeImage);
    ASSERT_EQ(40 + bits.size(), block.size());
    EXPECT_EQ(0, std::memcmp(block.data() + 40, bits.data(), bits.size()));
}

TEST(DibRead, TopDownImagesCountTheirLines)
{
    std::string bits = Pattern(dibImageSize(8, 4, 3), 7);
    std::vector<BYTE> block;
    ASSERT_TRUE(OpenBytes(InfoHeader(4, -3, 8) + Pattern(1024, 2) + bits, &block));
    EXPECT_EQ(12u, HeaderOf(block).biSizeImage);
    EXPECT_EQ(40u + 1024 + 12, block.size());
}

TEST(DibRead, MissingFileGivesNull)
{
    EXPECT_EQ(nullptr, zOpenDIB(TempPath("missing.bmp").c_str()));
    EXPECT_EQ(nullptr, zOpenDIB(nullptr));
    EXPECT_EQ(nullptr, dibReadHeader(INVALID_HANDLE_VALUE));
}

TEST(DibRead, ColourCountsAndTableSizes)
{
    struct Row {
        const char* name;
        std::string header;
        DWORD count;
        WORD tableSize;
    } rows[] = {
        {"core 1-bit", CoreHeader(1, 1, 1), 2, 6},
        {"core 4-bit", CoreHeader(1, 1, 4), 16, 48},
        {"core 8-bit", CoreHeader(1, 1, 8), 256, 768},
        {"core 24-bit", CoreHeader(1, 1, 24), 0, 0},
        {"info 1-bit", InfoHeader(1, 1, 1), 2, 8},
        {"info 1-bit, two used", InfoHeader(1, 1, 1, 2), 2, 8},
        {"info 8-bit, 20 used", InfoHeader(1, 1, 8, 20), 20, 80},
        {"info 16-bit", InfoHeader(1, 1, 16), 0, 0},
        {"info 24-bit", InfoHeader(1, 1, 24), 0, 0},
        {"info 32-bit", InfoHeader(1, 1, 32), 0, 0},
        {"info 32-bit, colour masks", InfoHeader(1, 1, 32, 0, 0, BI_BITFIELDS), 0, 12},
        {"info 16-bit, colour masks, two used", InfoHeader(1, 1, 16, 2, 0, BI_BITFIELDS), 2, 20},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string h = r.header + std::string(40, '\0');
        EXPECT_EQ(r.count, dibColorCount(h.data()));
        EXPECT_EQ(r.tableSize, dibColorTableSize(h.data()));
    }
    EXPECT_EQ(0u, dibColorCount(nullptr));
}

TEST(DibRead, HeaderInfoOfShortOrMissingBlocks)
{
    BITMAPINFOHEADER h;
    EXPECT_FALSE(dibHeaderInfo(nullptr, &h));
    // A block shorter than a header is read as far as it goes.
    HGLOBAL small = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
    auto* p = static_cast<DWORD*>(GlobalLock(small));
    p[0] = 40;
    p[1] = 3;
    GlobalUnlock(small);
    ASSERT_TRUE(dibHeaderInfo(small, &h));
    EXPECT_EQ(40u, h.biSize);
    EXPECT_EQ(3, h.biWidth);
    EXPECT_EQ(0, h.biHeight);
    EXPECT_EQ(40, zDibMemSize(small));
    GlobalFree(small);
}
