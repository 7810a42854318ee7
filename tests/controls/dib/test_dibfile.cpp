// Writing packed DIBs to BMP files and reading them back; sizes and copies.

#include "corvex.h"
#include "dib.h"
#include "dibfixture.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace dibtest;

namespace {

DWORD Le32(const std::string& s, size_t at)
{
    DWORD v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

struct Form {
    WORD bits;
    LONG width, height;
    DWORD clrUsed;
    DWORD compression;
};

// The bits of a BI_BITFIELDS image start after its three colour masks.
const Form kForms[] = {
    {1, 13, 7, 2, BI_RGB},  {1, 1, 1, 2, BI_RGB},    {4, 9, 5, 16, BI_RGB},
    {4, 3, 2, 5, BI_RGB},   {8, 33, 5, 256, BI_RGB}, {8, 6, 4, 17, BI_RGB},
    {24, 13, 7, 0, BI_RGB}, {24, 1, 3, 0, BI_RGB},   {32, 5, 4, 0, BI_RGB},
    {32, 16, 16, 0, BI_RGB}, {16, 5, 3, 0, BI_BITFIELDS}, {32, 4, 4, 0, BI_BITFIELDS},
};

std::string FormName(const Form& f)
{
    return std::to_string(f.bits) + " bits " + std::to_string(f.width) + "x" +
           std::to_string(f.height) + " colours " + std::to_string(f.clrUsed) +
           (f.compression == BI_BITFIELDS ? " with masks" : "");
}

DWORD MaskBytes(const Form& f)
{
    return f.compression == BI_BITFIELDS ? 12 : 0;
}

}  // namespace

TEST(DibFile, WriteDibLaysOutFileHeaderAndWholeBlock)
{
    for (const Form& f : kForms) {
        SCOPED_TRACE(FormName(f));
        HGLOBAL dib = MakeDib(f.bits, f.width, f.height, f.clrUsed, f.compression);
        std::string path = TempPath("layout.bmp");
        ASSERT_EQ(1, WriteDIB(const_cast<char*>(path.c_str()), dib));
        std::string file = testutil::read_file(path);
        std::vector<BYTE> block = Bytes(dib);
        ASSERT_EQ(block.size() + 14, file.size());
        EXPECT_EQ("BM", file.substr(0, 2));
        EXPECT_EQ(block.size() + 14, Le32(file, 2));
        EXPECT_EQ(0u, Le32(file, 6));
        EXPECT_EQ(14u + 40 + MaskBytes(f) + 4 * f.clrUsed, Le32(file, 10));
        EXPECT_EQ(0, std::memcmp(file.data() + 14, block.data(), block.size()));
        GlobalFree(dib);
    }
}

TEST(DibFile, WrittenFilesReadBackByteForByte)
{
    for (const Form& f : kForms) {
        SCOPED_TRACE(FormName(f));
        HGLOBAL dib = MakeDib(f.bits, f.width, f.height, f.clrUsed, f.compression);
        std::string path = TempPath("round" + std::to_string(f.bits) + ".bmp");
        ASSERT_EQ(1, WriteDIB(const_cast<char*>(path.c_str()), dib));
        HGLOBAL back = static_cast<HGLOBAL>(zOpenDIB(path.c_str()));
        ASSERT_NE(nullptr, back);
        std::vector<BYTE> want = Bytes(dib), got = Bytes(back);
        ASSERT_EQ(want.size(), got.size());
        EXPECT_TRUE(want == got);
        EXPECT_EQ(static_cast<int>(want.size()), zDibMemSize(back));
        GlobalFree(back);
        GlobalFree(dib);
    }
}

TEST(DibFile, ReadingFillsColourCountAndImageSize)
{
    // A header that leaves biClrUsed and biSizeImage 0 gets them filled.
    HGLOBAL dib = MakeDib(8, 6, 4, 0);
    auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    h->biSizeImage = 0;
    GlobalUnlock(dib);
    std::string path = TempPath("fill.bmp");
    ASSERT_EQ(1, WriteDIB(const_cast<char*>(path.c_str()), dib));
    HGLOBAL back = static_cast<HGLOBAL>(zOpenDIB(path.c_str()));
    ASSERT_NE(nullptr, back);
    auto* b = static_cast<BITMAPINFOHEADER*>(GlobalLock(back));
    EXPECT_EQ(256u, b->biClrUsed);
    EXPECT_EQ(8u * 4, b->biSizeImage);
    std::vector<BYTE> want = Bytes(dib);
    EXPECT_EQ(0, std::memcmp(reinterpret_cast<BYTE*>(b) + 40, want.data() + 40, 1024 + 32));
    GlobalUnlock(back);
    GlobalFree(back);
    GlobalFree(dib);
}

TEST(DibFile, WriteDibRefusesWhatItCannotWrite)
{
    HGLOBAL dib = MakeDib(24, 2, 2);
    std::string nowhere = TempPath("no such folder\\x.bmp");
    EXPECT_EQ(0, WriteDIB(const_cast<char*>(nowhere.c_str()), dib));
    EXPECT_FALSE(testutil::file_exists(nowhere));
    std::string path = TempPath("null.bmp");
    EXPECT_EQ(0, WriteDIB(const_cast<char*>(path.c_str()), nullptr));
    EXPECT_FALSE(testutil::file_exists(path));
    // A freed handle cannot be locked: nothing is written.
    HGLOBAL gone = MakeDib(24, 2, 2);
    GlobalFree(gone);
    EXPECT_EQ(0, WriteDIB(const_cast<char*>(path.c_str()), gone));
    EXPECT_FALSE(testutil::file_exists(path));
    GlobalFree(dib);
}

TEST(DibFile, MemSizeFollowsHeaderAndImageRule)
{
    struct Row {
        const char* name;
        WORD bits;
        LONG width, height;
        DWORD clrUsed;
        bool zeroImageSize;
        int expected;
    } rows[] = {
        {"1-bit, colour count from bit count", 1, 13, 7, 0, false, 40 + 8 + 4 * 7},
        {"1-bit, two colours given", 1, 13, 7, 2, false, 40 + 8 + 4 * 7},
        {"8-bit, image size by the rule", 8, 6, 4, 0, true, 40 + 1024 + 8 * 4},
        {"24-bit, padded lines", 24, 5, 3, 0, true, 40 + 16 * 3},
        {"32-bit", 32, 5, 4, 0, false, 40 + 20 * 4},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        HGLOBAL dib = MakeDib(r.bits, r.width, r.height, r.clrUsed);
        if (r.zeroImageSize) {
            auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
            h->biSizeImage = 0;
            GlobalUnlock(dib);
        }
        EXPECT_EQ(r.expected, zDibMemSize(dib));
        GlobalFree(dib);
    }
    EXPECT_EQ(0, zDibMemSize(nullptr));
}

TEST(DibFile, CopyHandleCopiesTheWholeBlock)
{
    HGLOBAL dib = MakeDib(8, 33, 5, 256);
    HGLOBAL copy = static_cast<HGLOBAL>(zCopyHandle(dib));
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(dib, copy);
    EXPECT_EQ(GlobalSize(dib), GlobalSize(copy));
    EXPECT_TRUE(Bytes(dib) == Bytes(copy));
    // The copy is its own block: changing one leaves the other.
    auto* p = static_cast<BYTE*>(GlobalLock(copy));
    p[100] ^= 0xFF;
    GlobalUnlock(copy);
    EXPECT_FALSE(Bytes(dib) == Bytes(copy));
    GlobalFree(copy);
    GlobalFree(dib);
    EXPECT_EQ(nullptr, zCopyHandle(nullptr));
}

TEST(DibFile, PiecesMoveLargeBuffersWhole)
{
    for (DWORD count : {1u, 32767u, 32768u, 32769u, 65536u, 100000u}) {
        SCOPED_TRACE(count);
        std::string data = Pattern(count, 5);
        std::string path = TempPath("pieces.bin");
        HANDLE f = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, f);
        EXPECT_EQ(count, writeInPieces(f, data.data(), count));
        SetFilePointer(f, 0, nullptr, FILE_BEGIN);
        std::string back(count, '\0');
        EXPECT_EQ(count, readInPieces(f, &back[0], count));
        EXPECT_EQ(data, back);
        // Asking for more than the file holds is not a whole read.
        SetFilePointer(f, 0, nullptr, FILE_BEGIN);
        std::string more(count + 40000, '\0');
        EXPECT_EQ(0u, readInPieces(f, &more[0], count + 40000));
        CloseHandle(f);
    }
}
