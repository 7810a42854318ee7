#pragma once
// Packed DIBs: one movable global block with a BITMAPINFOHEADER, the colour
// table and the bits, as the BMP format lays them out after its file header.
// These are the library's internal helpers; the exported four (zOpenDIB,
// WriteDIB, zDibMemSize, zCopyHandle) are declared in corvex.h.

#include <windows.h>

// Longest colour table a DIB can have: its size is a 16-bit value, so a
// longer one could not be measured and is refused.
constexpr DWORD kDibMaxTable = 0xFFFF;

// Bytes of the bits of an uncompressed image: scan lines padded to 4 bytes.
// Top-down images (negative height) count their lines the same; a size that
// does not fit in 32 bits answers 0xFFFFFFFF, which no allocation meets.
DWORD dibImageSize(WORD bitCount, LONG width, LONG height);

// Entries of the colour table of a core (12-byte) or info (40-byte) header.
DWORD dibColorCount(const void* header);
// Bytes of that colour table: 3 per entry for a core header, else 4, after
// the three colour masks of a BI_BITFIELDS header, which GDI reads there.
// dibTableBytes is the whole count, dibColorTableSize its 16-bit size.
unsigned long long dibTableBytes(const void* header);
WORD dibColorTableSize(const void* header);
// Bytes of the colour masks at the start of that table (12 or 0).
DWORD dibMaskBytes(const void* header);

// Copies the block's first 40 bytes into `info` (zeros where the block is
// shorter) and, for an info header, fills a zero biSizeImage and biClrUsed.
// False only for a null handle or a block that cannot be locked.
bool dibHeaderInfo(HGLOBAL dib, BITMAPINFOHEADER* info);

// Bytes a packed DIB needs for its header, colour table and bits, or 0 when
// the header is not one of the two known forms.
DWORD dibNeededSize(const void* header);

// Reads the header and the colour table from an open file (with or without
// the BMP file header, core headers converted) into a new block and leaves
// the file at the bits. Null on any failure, and for a header that would
// overflow: a colour table past the end of the file or too long for its
// 16-bit size, an image size that wraps.
HGLOBAL dibReadHeader(HANDLE file);

HPALETTE dibPaletteFromHeader(const void* header);
HPALETTE dibPaletteFromHandle(HGLOBAL dib);

// Draw a packed DIB unscaled / scaled; a null DIB fills the rectangle with
// the raster operation instead. A block too short for its own header is not
// drawn (0).
int dibBlit(HDC dc, int x, int y, int width, int height, HGLOBAL dib, int xSrc, int ySrc,
            DWORD rop);
int dibStretchBlit(HDC dc, int x, int y, int width, int height, HGLOBAL dib, int xSrc, int ySrc,
                   int widthSrc, int heightSrc, DWORD rop);

// Move `count` bytes in pieces of 32768; the count when all moved, else 0.
DWORD readInPieces(HANDLE file, void* buffer, DWORD count);
DWORD writeInPieces(HANDLE file, const void* buffer, DWORD count);
