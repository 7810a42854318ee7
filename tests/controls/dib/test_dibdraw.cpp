// Palettes made from packed DIBs and drawing them into memory contexts.

#include "dib.h"
#include "dibfixture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace dibtest;

namespace {

// A 32-bit memory context of the given size, filled white.
class Canvas {
public:
    Canvas(int width, int height) : width_(width)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                   nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        PatBlt(dc_, 0, 0, width, height, WHITENESS);
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC Dc() const { return dc_; }
    // The pixel as 0x00RRGGBB.
    DWORD At(int x, int y) const
    {
        GdiFlush();
        return bits_[y * width_ + x] & 0xFFFFFF;
    }

private:
    int width_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    DWORD* bits_ = nullptr;
};

// A 24-bit 3x2 DIB: first stored line blue, green, red; second white,
// black, grey.
HGLOBAL SixColours()
{
    HGLOBAL dib = MakeDib(24, 3, 2);
    auto* p = static_cast<BYTE*>(GlobalLock(dib)) + 40;
    const BYTE bottom[] = {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0};
    const BYTE top[] = {0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80, 0x80, 0x80, 0, 0, 0};
    std::memcpy(p, bottom, 12);
    std::memcpy(p + 12, top, 12);
    GlobalUnlock(dib);
    return dib;
}

std::vector<PALETTEENTRY> Entries(HPALETTE palette)
{
    UINT n = GetPaletteEntries(palette, 0, 0, nullptr);
    std::vector<PALETTEENTRY> v(n);
    if (n)
        GetPaletteEntries(palette, 0, n, v.data());
    return v;
}

}  // namespace

TEST(DibDraw, PaletteFollowsColourTable)
{
    struct Row {
        WORD bits;
        DWORD clrUsed;
        UINT entries;
    } rows[] = {{1, 0, 2}, {1, 2, 2}, {4, 0, 16}, {4, 5, 5}, {8, 0, 256}, {8, 17, 17}, {8, 300, 300}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.bits) + " bits, " + std::to_string(r.clrUsed) + " used");
        HGLOBAL dib = MakeDib(r.bits, 4, 4, r.clrUsed);
        HPALETTE palette = dibPaletteFromHandle(dib);
        ASSERT_NE(nullptr, palette);
        std::vector<PALETTEENTRY> got = Entries(palette);
        ASSERT_EQ(r.entries, got.size());
        auto* table = reinterpret_cast<const RGBQUAD*>(static_cast<BYTE*>(GlobalLock(dib)) + 40);
        for (UINT i = 0; i < r.entries; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(table[i].rgbRed, got[i].peRed);
            EXPECT_EQ(table[i].rgbGreen, got[i].peGreen);
            EXPECT_EQ(table[i].rgbBlue, got[i].peBlue);
            EXPECT_EQ(0, got[i].peFlags);
        }
        GlobalUnlock(dib);
        DeleteObject(palette);
        GlobalFree(dib);
    }
}

TEST(DibDraw, TrueColourPaletteIsTheFixedSpread)
{
    HGLOBAL dib = MakeDib(24, 2, 2);
    HPALETTE palette = dibPaletteFromHandle(dib);
    ASSERT_NE(nullptr, palette);
    std::vector<PALETTEENTRY> got = Entries(palette);
    ASSERT_EQ(256u, got.size());
    for (UINT i = 0; i < 256; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(32 * (i % 8), got[i].peRed);
        EXPECT_EQ(32 * ((i / 8) % 8), got[i].peGreen);
        EXPECT_EQ(64 * (i / 64), got[i].peBlue);
    }
    DeleteObject(palette);
    GlobalFree(dib);
}

TEST(DibDraw, NoPaletteWhereThereIsNoTable)
{
    for (WORD bits : {16, 32}) {
        SCOPED_TRACE(bits);
        HGLOBAL dib = MakeDib(bits, 2, 2);
        EXPECT_EQ(nullptr, dibPaletteFromHandle(dib));
        GlobalFree(dib);
    }
    EXPECT_EQ(nullptr, dibPaletteFromHandle(nullptr));
    EXPECT_EQ(nullptr, dibPaletteFromHeader(nullptr));
    std::string core = dibtest::CoreHeader(2, 2, 8) + std::string(800, '\0');
    EXPECT_EQ(nullptr, dibPaletteFromHeader(core.data()));
    // A block that ends inside its colour table gives no palette.
    HGLOBAL dib = MakeDib(8, 2, 2);
    HGLOBAL cut = GlobalReAlloc(dib, 40 + 100, GMEM_MOVEABLE);
    ASSERT_NE(nullptr, cut);
    EXPECT_EQ(nullptr, dibPaletteFromHandle(cut));
    GlobalFree(cut);
}

// Stored from the bottom up, the first line (blue, green, red) is drawn at
// the bottom; stored from the top down (a negative height), on top.
TEST(DibDraw, BlitDrawsEachLineAtItsPlace)
{
    const struct {
        const char* name;
        bool topDown;
        int firstLineY, secondLineY;
    } rows[] = {{"bottom-up", false, 4, 3}, {"top-down", true, 3, 4}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Canvas canvas(8, 8);
        HGLOBAL dib = SixColours();
        if (row.topDown) {
            static_cast<BITMAPINFOHEADER*>(GlobalLock(dib))->biHeight = -2;
            GlobalUnlock(dib);
        }
        EXPECT_EQ(1, dibBlit(canvas.Dc(), 2, 3, 3, 2, dib, 0, 0, SRCCOPY));
        const int first = row.firstLineY, second = row.secondLineY;
        struct Px {
            int x, y;
            DWORD rgb;
        } want[] = {{2, second, 0xFFFFFF}, {3, second, 0x000000}, {4, second, 0x808080},
                    {2, first, 0x0000FF},  {3, first, 0x00FF00},  {4, first, 0xFF0000},
                    {1, 3, 0xFFFFFF},      {5, 4, 0xFFFFFF},      {2, 5, 0xFFFFFF}};
        for (const Px& p : want) {
            SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
            EXPECT_EQ(p.rgb, canvas.At(p.x, p.y));
        }
        GlobalFree(dib);
    }
}

TEST(DibDraw, StretchBlitScalesTheWholeImage)
{
    Canvas canvas(6, 4);
    HGLOBAL dib = SixColours();
    EXPECT_EQ(1, dibStretchBlit(canvas.Dc(), 0, 0, 6, 4, dib, 0, 0, 3, 2, SRCCOPY));
    EXPECT_EQ(0xFFFFFFu, canvas.At(0, 0));
    EXPECT_EQ(0xFFFFFFu, canvas.At(1, 1));
    EXPECT_EQ(0x808080u, canvas.At(5, 1));
    EXPECT_EQ(0x0000FFu, canvas.At(0, 3));
    EXPECT_EQ(0x00FF00u, canvas.At(3, 2));
    EXPECT_EQ(0xFF0000u, canvas.At(5, 3));
    GlobalFree(dib);
}

TEST(DibDraw, NullDibFillsWithTheRasterOperation)
{
    Canvas canvas(4, 4);
    EXPECT_NE(0, dibBlit(canvas.Dc(), 0, 0, 2, 2, nullptr, 0, 0, BLACKNESS));
    EXPECT_NE(0, dibStretchBlit(canvas.Dc(), 2, 2, 2, 2, nullptr, 0, 0, 1, 1, BLACKNESS));
    EXPECT_EQ(0u, canvas.At(1, 1));
    EXPECT_EQ(0xFFFFFFu, canvas.At(2, 1));
    EXPECT_EQ(0u, canvas.At(3, 3));
}

TEST(DibDraw, BlockShorterThanItsImageIsNotDrawn)
{
    // The header promises 64x64 pixels; the block ends after one line.
    HGLOBAL dib = MakeDib(24, 64, 64);
    HGLOBAL cut = GlobalReAlloc(dib, 40 + 192, GMEM_MOVEABLE);
    ASSERT_NE(nullptr, cut);
    Canvas canvas(64, 64);
    EXPECT_EQ(0, dibBlit(canvas.Dc(), 0, 0, 64, 64, cut, 0, 0, SRCCOPY));
    EXPECT_EQ(0, dibStretchBlit(canvas.Dc(), 0, 0, 64, 64, cut, 0, 0, 64, 64, SRCCOPY));
    EXPECT_EQ(0xFFFFFFu, canvas.At(10, 10));
    GlobalFree(cut);
}
