#pragma once
// zImageList: an image list filled from icon resources.

#include <windows.h>
#include <commctrl.h>

class zImageList {
public:
    zImageList() = default;
    zImageList(int width, int height);
    virtual ~zImageList();
    zImageList(const zImageList&) = delete;
    zImageList& operator=(const zImageList&) = delete;

    virtual void LoadImages() {}
    virtual void SetSize() {}

    // Creates the list with the stored size and flags when there is none.
    void CreateList();
    void AddIcon(const char* resourceName);

    HIMAGELIST list = nullptr;
    int width = 16, height = 16;
    UINT flags = ILC_COLOR32 | ILC_MASK;
};
