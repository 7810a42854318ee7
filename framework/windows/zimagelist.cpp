#include "zimagelist.h"

zImageList::zImageList(int w, int h) : width(w), height(h)
{
    CreateList();
}

zImageList::~zImageList()
{
    if (list)
        ImageList_Destroy(list);
}

void zImageList::CreateList()
{
    if (!list)
        list = ImageList_Create(width, height, flags, 0, 0);
}

void zImageList::AddIcon(const char* resourceName)
{
    if (!list || !resourceName || !*resourceName)
        return;
    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), resourceName, IMAGE_ICON, width, height, 0));
    if (!icon)
        return;
    ImageList_ReplaceIcon(list, -1, icon);
    DestroyIcon(icon);
}
