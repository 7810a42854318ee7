#include "dibfixture.h"

#include "testdir.h"

#include "dib.h"

#include <gtest/gtest.h>

#include <cstring>

namespace dibtest {

std::string Pattern(size_t count, int seed)
{
    std::string s(count, '\0');
    for (size_t i = 0; i < count; ++i)
        s[i] = static_cast<char>((i * 7 + static_cast<size_t>(seed) * 13 + 3) & 0xFF);
    return s;
}

HGLOBAL MakeDib(WORD bitCount, LONG width, LONG height, DWORD clrUsed, DWORD compression)
{
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bitCount;
    h.biCompression = compression;
    h.biSizeImage = dibImageSize(bitCount, width, height);
    h.biClrUsed = clrUsed;
    DWORD colours = clrUsed ? clrUsed : (bitCount <= 8 ? 1u << bitCount : 0);
    DWORD table = 4 * colours + (compression == BI_BITFIELDS ? 12 : 0);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof h + table + h.biSizeImage);
    auto* p = static_cast<BYTE*>(GlobalLock(block));
    std::memcpy(p, &h, sizeof h);
    std::string colors = Pattern(table, 1);
    for (DWORD i = 3; i < table; i += 4)
        colors[i] = 0;  // RGBQUAD reserved byte
    std::memcpy(p + sizeof h, colors.data(), table);
    std::string bits = Pattern(h.biSizeImage, 2);
    std::memcpy(p + sizeof h + table, bits.data(), bits.size());
    GlobalUnlock(block);
    return block;
}

std::vector<BYTE> Bytes(HGLOBAL block)
{
    auto* p = static_cast<const BYTE*>(GlobalLock(block));
    std::vector<BYTE> v(p, p + GlobalSize(block));
    GlobalUnlock(block);
    return v;
}

static std::string Le(DWORD v, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string FileHeader(DWORD fileSize, DWORD offBits)
{
    return "BM" + Le(fileSize, 4) + Le(0, 4) + Le(offBits, 4);
}

std::string InfoHeader(LONG width, LONG height, WORD bitCount, DWORD clrUsed, DWORD sizeImage,
                       DWORD compression)
{
    return Le(40, 4) + Le(static_cast<DWORD>(width), 4) + Le(static_cast<DWORD>(height), 4) +
           Le(1, 2) + Le(bitCount, 2) + Le(compression, 4) + Le(sizeImage, 4) + Le(0, 4) +
           Le(0, 4) + Le(clrUsed, 4) + Le(0, 4);
}

std::string CoreHeader(WORD width, WORD height, WORD bitCount)
{
    return Le(12, 4) + Le(width, 2) + Le(height, 2) + Le(1, 2) + Le(bitCount, 2);
}

// The run's files go with the program.
std::string TempFolder()
{
    return testutil::run_folder("cvxdib");
}

std::string TempPath(const std::string& name)
{
    return TempFolder() + "\\" + name;
}

}  // namespace dibtest
