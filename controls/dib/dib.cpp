// Packed DIBs in and out of BMP files, their sizes and copies.

#include "dib.h"

#include "corvex.h"

#include <cstring>

namespace {

constexpr WORD kBmpType = 0x4D42;  // "BM"
constexpr DWORD kFileHeaderSize = 14;
constexpr DWORD kInfoSize = sizeof(BITMAPINFOHEADER);
constexpr DWORD kCoreSize = sizeof(BITMAPCOREHEADER);
constexpr DWORD kPiece = 32768;

bool isCore(const void* header)
{
    return static_cast<const BITMAPINFOHEADER*>(header)->biSize == kCoreSize;
}

bool isUncompressed(const BITMAPINFOHEADER& info)
{
    return info.biCompression == BI_RGB || info.biCompression == BI_BITFIELDS;
}

DWORD filePosition(HANDLE file)
{
    return SetFilePointer(file, 0, nullptr, FILE_CURRENT);
}

void seekTo(HANDLE file, DWORD position)
{
    SetFilePointer(file, static_cast<LONG>(position), nullptr, FILE_BEGIN);
}

DWORD readSome(HANDLE file, void* buffer, DWORD count)
{
    DWORD got = 0;
    if (!ReadFile(file, buffer, count, &got, nullptr))
        return 0;
    return got;
}

DWORD writeSome(HANDLE file, const void* buffer, DWORD count)
{
    DWORD put = 0;
    if (!WriteFile(file, buffer, count, &put, nullptr))
        return 0;
    return put;
}

// A core header as an info header; the colour count goes into biClrUsed.
BITMAPINFOHEADER fromCore(const BITMAPCOREHEADER& core, DWORD colors)
{
    BITMAPINFOHEADER info = {};
    info.biSize = kInfoSize;
    info.biWidth = core.bcWidth;
    info.biHeight = core.bcHeight;
    info.biPlanes = core.bcPlanes;
    info.biBitCount = core.bcBitCount;
    info.biClrUsed = colors;
    info.biClrImportant = colors;
    return info;
}

// The header a file gives, as an info header with its sizes filled in, or
// false when the header cannot describe an image this library can hold.
bool readInfo(HANDLE file, BITMAPINFOHEADER* info, bool* core)
{
    // Forty bytes are read whatever size the header claims; a file that
    // ends before them holds no DIB.
    BYTE raw[kInfoSize] = {};
    if (readSome(file, raw, kInfoSize) != kInfoSize)
        return false;
    DWORD size = reinterpret_cast<BITMAPINFOHEADER*>(raw)->biSize;
    DWORD colors = dibColorCount(raw);
    *core = size == kCoreSize;
    if (*core) {
        BITMAPCOREHEADER c;
        std::memcpy(&c, raw, kCoreSize);
        *info = fromCore(c, colors);
        // What was read past the core header belongs to the colour table.
        SetFilePointer(file, -static_cast<LONG>(kInfoSize - kCoreSize), nullptr, FILE_CURRENT);
    } else if (size == kInfoSize) {
        std::memcpy(info, raw, kInfoSize);
    } else {
        return false;
    }
    // Refused is only what would overflow: a table too long for its size,
    // an image size by the rule that wraps (a negative width, beyond 4 GB).
    if (info->biClrUsed == 0)
        info->biClrUsed = colors;
    if (dibTableBytes(info) > kDibMaxTable)
        return false;
    DWORD rule = dibImageSize(info->biBitCount, info->biWidth, info->biHeight);
    bool ruled = rule != 0xFFFFFFFF;
    if (info->biSizeImage == 0 && !ruled)
        return false;
    // Drawing reads a whole uncompressed image whatever biSizeImage says.
    if (ruled && (info->biSizeImage == 0 || (isUncompressed(*info) && info->biSizeImage < rule)))
        info->biSizeImage = rule;
    return true;
}

// Widens n 3-byte RGBTRIPLEs at `table` into RGBQUADs, last first so that
// nothing is overwritten before it is moved.
void widenCoreTable(BYTE* table, DWORD n)
{
    for (DWORD i = n; i-- > 0;) {
        BYTE blue = table[3 * i], green = table[3 * i + 1], red = table[3 * i + 2];
        table[4 * i] = blue;
        table[4 * i + 1] = green;
        table[4 * i + 2] = red;
        table[4 * i + 3] = 0;
    }
}

DWORD movePieces(HANDLE file, BYTE* buffer, DWORD count, bool write)
{
    auto move = [&](BYTE* p, DWORD n) {
        return write ? writeSome(file, p, n) : readSome(file, p, n);
    };
    DWORD left = count;
    while (left > kPiece) {
        if (move(buffer, kPiece) != kPiece)
            return 0;
        buffer += kPiece;
        left -= kPiece;
    }
    return move(buffer, left) == left ? count : 0;
}

// The header at the start of a block, zero-padded when the block is shorter.
BITMAPINFOHEADER headerOf(const BYTE* block, SIZE_T size)
{
    BITMAPINFOHEADER info = {};
    std::memcpy(&info, block, size < kInfoSize ? size : kInfoSize);
    return info;
}

}  // namespace

DWORD dibImageSize(WORD bitCount, LONG width, LONG height)
{
    long long lines = height < 0 ? -static_cast<long long>(height) : height;
    long long line = (static_cast<long long>(bitCount) * width + 31) / 32 * 4;
    if (line < 0)
        return 0xFFFFFFFF;
    long long bytes = line * lines;
    return bytes > 0xFFFFFFFELL ? 0xFFFFFFFF : static_cast<DWORD>(bytes);
}

DWORD dibColorCount(const void* header)
{
    if (!header)
        return 0;
    WORD bits;
    if (isCore(header)) {
        bits = static_cast<const BITMAPCOREHEADER*>(header)->bcBitCount;
    } else {
        const auto* info = static_cast<const BITMAPINFOHEADER*>(header);
        if (info->biClrUsed)
            return info->biClrUsed;
        bits = info->biBitCount;
    }
    switch (bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

DWORD dibMaskBytes(const void* header)
{
    return header && !isCore(header) &&
                   static_cast<const BITMAPINFOHEADER*>(header)->biCompression == BI_BITFIELDS
               ? 3 * sizeof(DWORD)
               : 0;
}

unsigned long long dibTableBytes(const void* header)
{
    if (!header)
        return 0;
    DWORD entry = isCore(header) ? sizeof(RGBTRIPLE) : sizeof(RGBQUAD);
    return dibMaskBytes(header) + static_cast<unsigned long long>(dibColorCount(header)) * entry;
}

WORD dibColorTableSize(const void* header)
{
    return static_cast<WORD>(dibTableBytes(header));
}

bool dibHeaderInfo(HGLOBAL dib, BITMAPINFOHEADER* info)
{
    if (!dib || !info)
        return false;
    auto* block = static_cast<const BYTE*>(GlobalLock(dib));
    if (!block)
        return false;
    *info = headerOf(block, GlobalSize(dib));
    GlobalUnlock(dib);
    if (info->biSize != kCoreSize) {
        if (info->biSizeImage == 0)
            info->biSizeImage = dibImageSize(info->biBitCount, info->biWidth, info->biHeight);
        if (info->biClrUsed == 0)
            info->biClrUsed = dibColorCount(info);
    }
    return true;
}

DWORD dibNeededSize(const void* header)
{
    if (!header)
        return 0;
    unsigned long long image;
    if (isCore(header)) {
        const auto* core = static_cast<const BITMAPCOREHEADER*>(header);
        image = dibImageSize(core->bcBitCount, core->bcWidth, core->bcHeight);
    } else {
        const auto* info = static_cast<const BITMAPINFOHEADER*>(header);
        if (info->biSize != kInfoSize || dibTableBytes(info) > kDibMaxTable)
            return 0;
        image = isUncompressed(*info)
                    ? dibImageSize(info->biBitCount, info->biWidth, info->biHeight)
                    : info->biSizeImage;
    }
    unsigned long long total = static_cast<const BITMAPINFOHEADER*>(header)->biSize +
                               dibColorTableSize(header) + image;
    return total > 0xFFFFFFFEULL ? 0 : static_cast<DWORD>(total);
}

DWORD readInPieces(HANDLE file, void* buffer, DWORD count)
{
    return movePieces(file, static_cast<BYTE*>(buffer), count, false);
}

DWORD writeInPieces(HANDLE file, const void* buffer, DWORD count)
{
    return movePieces(file, static_cast<BYTE*>(const_cast<void*>(buffer)), count, true);
}

HGLOBAL dibReadHeader(HANDLE file)
{
    if (!file || file == INVALID_HANDLE_VALUE)
        return nullptr;
    DWORD start = filePosition(file);
    BYTE fileHeader[kFileHeaderSize] = {};
    DWORD got = readSome(file, fileHeader, 2);
    DWORD offBits = 0;
    if (got == 2 && fileHeader[0] == (kBmpType & 0xFF) && fileHeader[1] == (kBmpType >> 8)) {
        if (readSome(file, fileHeader + 2, 12) != 12)
            return nullptr;
        std::memcpy(&offBits, fileHeader + 10, sizeof offBits);
    } else {
        seekTo(file, start);  // a bare DIB: the header comes first
    }
    BITMAPINFOHEADER info;
    bool core = false;
    if (!readInfo(file, &info, &core))
        return nullptr;
    DWORD n = info.biClrUsed, table = dibColorTableSize(&info);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kInfoSize + table);
    if (!block)
        return nullptr;
    auto* p = static_cast<BYTE*>(GlobalLock(block));
    if (!p) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(p, &info, kInfoSize);
    // A table the file cuts short keeps zeros where it ends.
    if (n > 0 && core) {
        readSome(file, p + kInfoSize, n * sizeof(RGBTRIPLE));
        widenCoreTable(p + kInfoSize, n);
    } else if (table > 0) {
        readSome(file, p + kInfoSize, table);
    }
    GlobalUnlock(block);
    if (offBits)
        seekTo(file, start + offBits);
    return block;
}

void* zOpenDIB(const char* fileName)
{
    if (!fileName)
        return nullptr;
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    HGLOBAL block = dibReadHeader(file);
    BITMAPINFOHEADER info;
    if (!block || !dibHeaderInfo(block, &info)) {
        if (block)
            GlobalFree(block);
        CloseHandle(file);
        return nullptr;
    }
    DWORD bitsAt = kInfoSize + dibColorTableSize(&info);
    HGLOBAL grown = info.biSizeImage > 0xFFFFFFFF - bitsAt
                        ? nullptr
                        : GlobalReAlloc(block, bitsAt + info.biSizeImage,
                                        GMEM_MOVEABLE | GMEM_ZEROINIT);
    BYTE* p = grown ? static_cast<BYTE*>(GlobalLock(grown)) : nullptr;
    if (!p) {
        GlobalFree(grown ? grown : block);
        CloseHandle(file);
        return nullptr;
    }
    // A short file leaves the rest of the image zero.
    std::memset(p + bitsAt, 0, info.biSizeImage);
    readInPieces(file, p + bitsAt, info.biSizeImage);
    GlobalUnlock(grown);
    CloseHandle(file);
    return grown;
}

int WriteDIB(char* fileName, void* dib)
{
    if (!dib || !fileName)
        return 0;
    SIZE_T size = GlobalSize(dib);
    auto* block = static_cast<const BYTE*>(GlobalLock(dib));
    if (!block)
        return 0;
    HANDLE file = CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        GlobalUnlock(dib);
        return 0;
    }
    BITMAPINFOHEADER info = headerOf(block, size);
    BYTE fileHeader[kFileHeaderSize] = {};
    DWORD bfSize = static_cast<DWORD>(size) + kFileHeaderSize;
    DWORD offBits = info.biSize + dibColorTableSize(&info) + kFileHeaderSize;
    fileHeader[0] = kBmpType & 0xFF;
    fileHeader[1] = kBmpType >> 8;
    std::memcpy(fileHeader + 2, &bfSize, 4);
    std::memcpy(fileHeader + 10, &offBits, 4);
    // A full disk is a failed write, not a written file.
    bool written = writeSome(file, fileHeader, 2) == 2 &&
                   writeSome(file, fileHeader + 2, 12) == 12 &&
                   writeInPieces(file, block, static_cast<DWORD>(size)) == size;
    GlobalUnlock(dib);
    CloseHandle(file);
    return written ? 1 : 0;
}

int zDibMemSize(void* dib)
{
    BITMAPINFOHEADER info;
    if (!dibHeaderInfo(dib, &info))
        return 0;
    if (info.biSize == kCoreSize) {
        DWORD n = dibNeededSize(&info);
        return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
    }
    unsigned long long total =
        static_cast<unsigned long long>(info.biSize) + dibColorTableSize(&info) + info.biSizeImage;
    return total > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(total);
}

void* zCopyHandle(void* handle)
{
    if (!handle)
        return nullptr;
    SIZE_T size = GlobalSize(handle);
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!copy)
        return nullptr;
    void* to = GlobalLock(copy);
    const void* from = GlobalLock(handle);
    if (to && from)
        std::memcpy(to, from, size);
    if (from)
        GlobalUnlock(handle);
    if (to)
        GlobalUnlock(copy);
    if (!to || !from) {
        GlobalFree(copy);
        return nullptr;
    }
    return copy;
}
