// Resources of the library: GDI+ images, icons, image lists and pattern
// brushes.

#include "cxmisc.h"

#include "cxlibrary.h"

#include <objidl.h>

#include <cstring>

extern "C" int WINAPI GdipLoadImageFromStream(IStream* stream, void** image);

// GDI+ keeps its own reference to the stream, which owns the memory block.
void* LoadImageResource(const char* name)
{
    CorvexGdiplusReady();
    HINSTANCE module = CxModule();
    HRSRC info = FindResourceA(module, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
    DWORD size = info ? SizeofResource(module, info) : 0;
    HGLOBAL loaded = size ? LoadResource(module, info) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return nullptr;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy)
        return nullptr;
    void* target = GlobalLock(copy);
    std::memcpy(target, bytes, size);
    GlobalUnlock(copy);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {
        GlobalFree(copy);
        return nullptr;
    }
    void* image = nullptr;
    if (GdipLoadImageFromStream(stream, &image) != 0)
        image = nullptr;
    stream->Release();
    return image;
}

namespace corvex {

zIcon::~zIcon()
{
    Release();
}

void zIcon::Release()
{
    if (icon_ && !shared_)
        DestroyIcon(icon_);
    icon_ = nullptr;
    shared_ = false;
}

bool zIcon::Load(const char* name, int sizeKind)
{
    if (name == nullptr || *name == '\0')
        return false;
    Release();
    if (sizeKind == kSmall)
        size_ = 16;
    else if (sizeKind == kLarge)
        size_ = 48;
    else if (sizeKind != kStored)
        size_ = 32;
    icon_ = static_cast<HICON>(LoadImageA(CxModule(), name, IMAGE_ICON, size_, size_, 0));
    return icon_ != nullptr;
}

void zIcon::SetShared(HICON icon)
{
    Release();
    icon_ = icon;
    shared_ = true;
}

}  // namespace corvex

int ImageListAddBitmap(HIMAGELIST list, HBITMAP bitmap, HBITMAP mask)
{
    return list && bitmap ? ImageList_Add(list, bitmap, mask) : -1;
}

int ImageListAppendIcon(HIMAGELIST list, HICON icon)
{
    return list && icon ? ImageList_ReplaceIcon(list, -1, icon) : -1;
}

// The list keeps its own copy of the icon.
int ImageListAddIconFile(HIMAGELIST list, const char* path)
{
    if (!list || !path)
        return -1;
    HICON icon = static_cast<HICON>(
        LoadImageA(nullptr, path, IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
    if (!icon)
        return -1;
    int index = ImageList_ReplaceIcon(list, -1, icon);
    DestroyIcon(icon);
    return index;
}

PatternBrush::~PatternBrush()
{
    if (brush_)
        DeleteObject(brush_);
}

// A file that gives no brush keeps the previous one.
bool PatternBrush::FromFile(const char* bitmapPath)
{
    if (!bitmapPath)
        return false;
    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageA(nullptr, bitmapPath, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!bitmap)
        return false;
    HBRUSH brush = CreatePatternBrush(bitmap);
    DeleteObject(bitmap);  // the brush holds its own copy
    if (!brush)
        return false;
    if (brush_)
        DeleteObject(brush_);
    brush_ = brush;
    return true;
}
