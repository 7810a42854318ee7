// Palettes from packed DIBs and drawing them on a device context.

#include "dib.h"

#include <cstdlib>

namespace {

constexpr WORD kPaletteVersion = 0x300;
constexpr DWORD kFixedPaletteSize = 256;

// A LOGPALETTE with room for n entries, freed by the caller.
LOGPALETTE* newLogPalette(DWORD n)
{
    auto* pal = static_cast<LOGPALETTE*>(
        std::calloc(1, sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY)));
    if (pal) {
        pal->palVersion = kPaletteVersion;
        pal->palNumEntries = static_cast<WORD>(n);
    }
    return pal;
}

// An even spread of colours for true-colour images on palette displays:
// red fastest in steps of 32, then green in steps of 32, blue in steps of 64.
void fillFixedPalette(LOGPALETTE* pal)
{
    for (DWORD i = 0; i < kFixedPaletteSize; ++i) {
        PALETTEENTRY& e = pal->palPalEntry[i];
        e.peRed = static_cast<BYTE>(32 * (i % 8));
        e.peGreen = static_cast<BYTE>(32 * ((i / 8) % 8));
        e.peBlue = static_cast<BYTE>(64 * (i / 64));
        e.peFlags = 0;
    }
}

// The locked block when it holds all that its header describes (GDI reads
// header, colour table and the whole image), else null with nothing locked.
const BYTE* lockWhole(HGLOBAL dib)
{
    auto* block = static_cast<const BYTE*>(GlobalLock(dib));
    if (!block)
        return nullptr;
    SIZE_T size = GlobalSize(dib);
    DWORD needed = size >= sizeof(BITMAPINFOHEADER) ? dibNeededSize(block) : 0;
    if (needed == 0 || size < needed) {
        GlobalUnlock(dib);
        return nullptr;
    }
    return block;
}

const void* bitsOf(const BYTE* block)
{
    return block + reinterpret_cast<const BITMAPINFOHEADER*>(block)->biSize +
           dibColorTableSize(block);
}

// Scan lines the image has from `first` on, so GDI never reads past them.
UINT linesFrom(const BYTE* block, int first, int wanted)
{
    const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(block);
    LONG height = info->biSize == sizeof(BITMAPCOREHEADER)
                      ? reinterpret_cast<const BITMAPCOREHEADER*>(block)->bcHeight
                      : std::labs(info->biHeight);
    if (first < 0 || wanted <= 0 || first >= height)
        return 0;
    return static_cast<UINT>(wanted < height - first ? wanted : height - first);
}

}  // namespace

HPALETTE dibPaletteFromHeader(const void* header)
{
    const auto* info = static_cast<const BITMAPINFOHEADER*>(header);
    if (!info || info->biSize != sizeof(BITMAPINFOHEADER))
        return nullptr;
    DWORD n = dibColorCount(info);
    if (dibTableBytes(info) > kDibMaxTable)
        return nullptr;
    LOGPALETTE* pal = nullptr;
    if (n > 0) {
        pal = newLogPalette(n);
        const auto* table = reinterpret_cast<const RGBQUAD*>(
            reinterpret_cast<const BYTE*>(info + 1) + dibMaskBytes(info));
        for (DWORD i = 0; pal && i < n; ++i)
            pal->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    } else if (info->biBitCount == 24) {
        pal = newLogPalette(kFixedPaletteSize);
        if (pal)
            fillFixedPalette(pal);
    }
    if (!pal)
        return nullptr;
    HPALETTE palette = CreatePalette(pal);
    std::free(pal);
    return palette;
}

HPALETTE dibPaletteFromHandle(HGLOBAL dib)
{
    if (!dib)
        return nullptr;
    auto* block = static_cast<const BYTE*>(GlobalLock(dib));
    if (!block)
        return nullptr;
    // The colour table must lie inside the block.
    SIZE_T size = GlobalSize(dib);
    HPALETTE palette = nullptr;
    if (size >= sizeof(BITMAPINFOHEADER) &&
        size >= sizeof(BITMAPINFOHEADER) + static_cast<SIZE_T>(dibColorTableSize(block)))
        palette = dibPaletteFromHeader(block);
    GlobalUnlock(dib);
    return palette;
}

int dibBlit(HDC dc, int x, int y, int width, int height, HGLOBAL dib, int xSrc, int ySrc,
            DWORD rop)
{
    if (!dib)
        return PatBlt(dc, x, y, width, height, rop);
    const BYTE* block = lockWhole(dib);
    if (!block)
        return 0;
    SetDIBitsToDevice(dc, x, y, width, height, xSrc, ySrc, xSrc, linesFrom(block, xSrc, height),
                      bitsOf(block), reinterpret_cast<const BITMAPINFO*>(block), DIB_RGB_COLORS);
    GlobalUnlock(dib);
    return 1;
}

int dibStretchBlit(HDC dc, int x, int y, int width, int height, HGLOBAL dib, int xSrc, int ySrc,
                   int widthSrc, int heightSrc, DWORD rop)
{
    if (!dib)
        return PatBlt(dc, x, y, width, height, rop);
    const BYTE* block = lockWhole(dib);
    if (!block)
        return 0;
    StretchDIBits(dc, x, y, width, height, xSrc, ySrc, widthSrc, heightSrc, bitsOf(block),
                  reinterpret_cast<const BITMAPINFO*>(block), DIB_RGB_COLORS, rop);
    GlobalUnlock(dib);
    return 1;
}
