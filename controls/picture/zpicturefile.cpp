// The picture control's files and devices: loading through GDI+, saving,
// printing, capturing its window and pasting from the clipboard.

#include "zpicture.h"

#include "corvex.h"
#include "dib.h"
#include "gdipflat.h"

#include <cctype>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kPhysicalWidth = 110;
constexpr int kPhysicalHeight = 111;
constexpr int kPhysicalOffsetX = 112;
constexpr int kPhysicalOffsetY = 113;

// The whole file in a movable block, or null when it cannot be read or is
// empty.
HGLOBAL readWholeFile(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER size = {};
    HGLOBAL block = nullptr;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x7FFFFFFF)
        block = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size.QuadPart));
    void* p = block ? GlobalLock(block) : nullptr;
    bool ok = p && readInPieces(file, p, static_cast<DWORD>(size.QuadPart)) != 0;
    if (p)
        GlobalUnlock(block);
    CloseHandle(file);
    if (!ok && block) {
        GlobalFree(block);
        block = nullptr;
    }
    return block;
}

// The file counts as the GDI+ picture even when GDI+ refuses the data:
// the objects it could not make stay null and their status says why.
void makeGdipObjects(IMGINFO* info, HGLOBAL block)
{
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
        GlobalFree(block);
        return;
    }
    info->stream = stream;
    info->gdipLoaded = true;
    void* bitmap = nullptr;
    info->gdipBitmapStatus = GdipCreateBitmapFromStream(stream, &bitmap);
    info->gdipBitmap = info->gdipBitmapStatus == gdip::kOk ? bitmap : nullptr;
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    void* image = nullptr;
    info->gdipImageStatus = GdipLoadImageFromStream(stream, &image);
    info->gdipImage = info->gdipImageStatus == gdip::kOk ? image : nullptr;
}

// The BMP encoder; GUID_NULL (refused by GDI+) when there is none.
CLSID bmpEncoder()
{
    CLSID clsid = GUID_NULL;
    UINT count = 0, bytes = 0;
    if (GdipGetImageEncodersSize(&count, &bytes) != gdip::kOk || count == 0 || bytes == 0)
        return clsid;
    std::vector<BYTE> buffer(bytes);
    auto* codecs = reinterpret_cast<gdip::CodecInfo*>(buffer.data());
    if (GdipGetImageEncoders(count, bytes, codecs) != gdip::kOk)
        return clsid;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].mimeType && std::wcscmp(codecs[i].mimeType, L"image/bmp") == 0)
            return codecs[i].clsid;
    }
    return clsid;
}

std::wstring widen(const char* text)
{
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

void printDib(HDC printer, IMGINFO* info, int width, int height)
{
    int x = GetDeviceCaps(printer, kPhysicalOffsetX);
    int y = GetDeviceCaps(printer, kPhysicalOffsetY);
    int w = 2 * GetDeviceCaps(printer, HORZRES) - GetDeviceCaps(printer, kPhysicalWidth);
    int h = 2 * GetDeviceCaps(printer, VERTRES) - GetDeviceCaps(printer, kPhysicalHeight);
    if (pictureHasValidDib(info))
        dibStretchBlit(printer, x, y, w, h, info->dib, 0, 0, width, height, SRCCOPY);
}

}  // namespace

bool pictureBlank(const char* text)
{
    if (!text)
        return true;
    for (; *text; ++text) {
        if (!std::isspace(static_cast<unsigned char>(*text)))
            return false;
    }
    return true;
}

LRESULT pictureLoadFile(HWND window, IMGINFO* info, WPARAM wParam, const char* path)
{
    pictureRelease(info);
    info->fileName[0] = 0;
    info->borrowed = false;
    // A path that does not fit the record is refused: the control stays
    // empty, as after a blank path.
    bool fits = !path || std::strlen(path) < sizeof info->fileName;
    if (fits && !pictureBlank(path)) {
        std::strcpy(info->fileName, path);
        if (HGLOBAL block = readWholeFile(path))
            makeGdipObjects(info, block);
    }
    pictureChanged(window, wParam);
    return 1;
}

void pictureSave(IMGINFO* info, const char* path)
{
    if (pictureBlank(path))
        return;
    if (info->gdipLoaded) {
        if (!info->gdipBitmap)
            return;
        CLSID encoder = bmpEncoder();
        std::wstring wide = widen(path);
        info->gdipBitmapStatus = GdipSaveImageToFile(info->gdipBitmap, wide.c_str(), &encoder, nullptr);
    } else if (info->dib) {
        WriteDIB(const_cast<char*>(path), info->dib);
    }
}

void picturePrint(HWND window, IMGINFO* info, HDC printer)
{
    if (!printer)
        return;
    int width = static_cast<int>(SendMessageA(window, ZPM_GETWIDTH, 0, 0));
    int height = static_cast<int>(SendMessageA(window, ZPM_GETHEIGHT, 0, 0));
    SetMapMode(printer, MM_TEXT);
    DOCINFOA doc = {};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = "Corvex Picture Printing";
    if (StartDocA(printer, &doc) > 0 && StartPage(printer) > 0) {
        printDib(printer, info, width, height);
        EndPage(printer);
    }
    EndDoc(printer);
}

void pictureCapture(HWND window, IMGINFO* info, WPARAM wParam)
{
    pictureRelease(info);
    info->borrowed = false;
    RECT rc;
    GetWindowRect(window, &rc);
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    HDC windowDc = GetWindowDC(window);
    if (windowDc) {
        HBITMAP bitmap = CreateCompatibleBitmap(windowDc, width, height);
        HDC memory = bitmap ? CreateCompatibleDC(windowDc) : nullptr;
        if (memory) {
            HGDIOBJ old = SelectObject(memory, bitmap);
            BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
            info->bitmap = bitmap;
        } else if (bitmap) {
            DeleteObject(bitmap);
        }
        ReleaseDC(window, windowDc);
    }
    pictureChanged(window, wParam);
}

void picturePaste(HWND window)
{
    if (!OpenClipboard(window))
        return;
    HGLOBAL copy = nullptr;
    if (IsClipboardFormatAvailable(CF_DIB))
        copy = static_cast<HGLOBAL>(zCopyHandle(GetClipboardData(CF_DIB)));
    // Closed before the change goes out, so the parent can use the clipboard.
    CloseClipboard();
    if (copy)
        SendMessageA(window, ZPM_SETDIB, reinterpret_cast<WPARAM>(copy), 0);
}
