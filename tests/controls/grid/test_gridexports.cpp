// The library exports the grid's functions under the names its callers bind
// to: the decorated names that carry the parameter types.

#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(GridExports, TheLibraryExportsEveryGridFunction)
{
    HMODULE corvex = LoadLibraryA("Corvex.dll");
    ASSERT_TRUE(corvex);
    const char* names[] = {
        "_Z11zGridBrowseP6HWND__PvPKcS3_S3_S3_S3_S3_S3_S3_S3_S3_S3_i",
        "_Z11zGridColAddP6HWND__iiPKcS2_illS2_b",
        "_Z14zGridColLocateP6HWND__iPKc",
        "_Z14zGridGetPrefixP6HWND__i",
        "_Z14zGridGetSuffixP6HWND__i",
        "_Z14zGridAggregateP6HWND__iPKcS2_S2_b",
        "_Z11zGridGetMaxP6HWND__ic",
        "_Z11zGridDeleteP6HWND__PKc",
        "_Z9zGridExecP6HWND__PKc",
        "_Z12zGridPrepareP6HWND__PKc",
        "_Z12zGridEditOffP6HWND__",
        "_Z12zGridGetTextP6HWND__lib",
        "_Z12zGridGetBoolP6HWND__li",
        "_Z20zGridGetBitmapHandleP6HWND__li",
        "_Z12zGridGetLongP6HWND__li",
        "_Z13zGridGetShortP6HWND__li",
        "_Z14zGridGetDoubleP6HWND__li",
        "_Z12zGridPutTextP6HWND__liPKc",
        "_Z12zGridPutBoolP6HWND__lib",
        "_Z20zGridPutBitmapHandleP6HWND__liP9HBITMAP__",
        "_Z12zGridPutCharP6HWND__lic",
        "_Z13zGridPutShortP6HWND__lis",
        "_Z11zGridPutIntP6HWND__lii",
        "_Z12zGridPutUIntP6HWND__lij",
        "_Z12zGridPutLongP6HWND__lil",
        "_Z13zGridPutULongP6HWND__lim",
        "_Z14zGridPutDoubleP6HWND__lid",
        "_Z15zGridGetRowByXYP6HWND__ii",
        "_Z15zGridGetColByXYP6HWND__ii",
        "_Z16zGridGetCellRectP6HWND__liP7tagRECT",
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(GetProcAddress(corvex, name));
    }

    // A window without a grid record is refused quietly.
    using GetText = const char* (*)(HWND, long, int, bool);
    auto getText = reinterpret_cast<GetText>(
        reinterpret_cast<void*>(GetProcAddress(corvex, "_Z12zGridGetTextP6HWND__lib")));
    ASSERT_TRUE(getText);
    EXPECT_STREQ("", getText(GetDesktopWindow(), 1, 1, true));
    FreeLibrary(corvex);
}

}  // namespace
