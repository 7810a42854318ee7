#pragma once
// Packed DIBs and BMP files built by hand for the DIB tests.

#include <windows.h>

#include <string>
#include <vector>

namespace dibtest {

// A packed DIB of the given form with a recognisable colour table (after
// the three colour masks of BI_BITFIELDS) and bits (every byte differs from
// its neighbours); biSizeImage holds the real size.
HGLOBAL MakeDib(WORD bitCount, LONG width, LONG height, DWORD clrUsed = 0,
                DWORD compression = BI_RGB);

// The block's bytes.
std::vector<BYTE> Bytes(HGLOBAL block);

// Bytes of a BMP file: "BM", sizes, the rest as given.
std::string FileHeader(DWORD fileSize, DWORD offBits);
std::string InfoHeader(LONG width, LONG height, WORD bitCount, DWORD clrUsed = 0,
                       DWORD sizeImage = 0, DWORD compression = BI_RGB);
std::string CoreHeader(WORD width, WORD height, WORD bitCount);
std::string Pattern(size_t count, int seed);

// A folder of this test run, created on first use and removed at the end.
std::string TempFolder();
std::string TempPath(const std::string& name);

}  // namespace dibtest
