#pragma once
// The control library's exported interface. Programs bind by the C++ names,
// which carry the parameter types.

#include <windows.h>

#ifdef CORVEX_BUILD
#define CORVEX_API __declspec(dllexport)
#else
#define CORVEX_API __declspec(dllimport)
#endif

// Makes sure the library is loaded (its classes are registered at load) and
// that GDI+ runs when it returns. Not for a DllMain: it starts GDI+.
CORVEX_API void CorvexInit(void);
CORVEX_API HINSTANCE CorvexInstance(void);
CORVEX_API int zTMCharHeight(HWND window, HFONT font);
CORVEX_API int zTMCharWidth(HWND window, HFONT font);

// ODBC connection functions (controls/odbc/zdb.h defines _pkey_).
struct _pkey_;
CORVEX_API int zDBConnect(void* henv, void** hdbc, const char* dataSource, const char* user, const char* password, int showErrors);
CORVEX_API int zDBFullConnect(void** henv, void** hdbc, const char* dataSource, const char* user, const char* password, int showErrors);
CORVEX_API int zDBDisconnect(void* henv, void* hdbc, int showErrors);
CORVEX_API int zDBFullDisconnect(void* henv, void* hdbc, int showErrors);
CORVEX_API int zDBExecScript(void* henv, void* hdbc, const char* text, short mode, char* errorText);
CORVEX_API void zDBError(void* henv, void* hdbc, void* hstmt, const char* extra);
CORVEX_API void zDBErrorString(void* henv, void* hdbc, void* hstmt, char* destination);
CORVEX_API short zDBGetPKkey(void* hdbc, const char* table, _pkey_** keys, unsigned short unused);

// Packed DIBs (movable global blocks: header, colour table, bits).
CORVEX_API int WriteDIB(char* fileName, void* dib);
CORVEX_API void* zOpenDIB(const char* fileName);
CORVEX_API int zDibMemSize(void* dib);
CORVEX_API void* zCopyHandle(void* handle);

// Splitter bars ("zvsplitter", "zhsplitter") and control subclassing.
CORVEX_API LRESULT CALLBACK zVSplitterWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
CORVEX_API LRESULT CALLBACK zHSplitterWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
CORVEX_API int zCtlSubclass(HWND window, long bits, int mode);
CORVEX_API LRESULT CALLBACK zCommonWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Window procedure of the "zpicture" class.
CORVEX_API long WINAPI zPictureWndProc(HWND window, unsigned int message, unsigned int wParam, long lParam);

// Window procedure of the "zgrid" class (the data grid).
CORVEX_API LRESULT CALLBACK zGridWndProc(HWND grid, UINT msg, WPARAM wParam, LPARAM lParam);

// The data grid's data side: browsing, columns and owner statements.
CORVEX_API bool zGridBrowse(HWND grid, void* henv, const char* dataSource, const char* user, const char* password, const char* table, const char* selectPrefix, const char* where, const char* orderBy, const char* columnList, const char* fromExtra, const char* groupBy, const char* having, int unused);
CORVEX_API void zGridColAdd(HWND grid, int dataWidth, int decimals, const char* title, const char* sqlName, int displayWidth, long type, long flags, const char* description, bool visible);
CORVEX_API long zGridColLocate(HWND grid, int start, const char* text);
CORVEX_API const char* zGridGetPrefix(HWND grid, int column);
CORVEX_API const char* zGridGetSuffix(HWND grid, int column);
CORVEX_API double zGridAggregate(HWND grid, int kind, const char* expression, const char* where, const char* extra, bool useGridFilter);
CORVEX_API double zGridGetMax(HWND grid, int column, char mode);
CORVEX_API void zGridDelete(HWND grid, const char* where);
CORVEX_API void* zGridExec(HWND grid, const char* statement);
CORVEX_API void* zGridPrepare(HWND grid, const char* statement);
CORVEX_API void zGridEditOff(HWND grid);
CORVEX_API const char* zGridGetText(HWND grid, long row, int column, bool fetch);
CORVEX_API bool zGridGetBool(HWND grid, long row, int column);
CORVEX_API HBITMAP zGridGetBitmapHandle(HWND grid, long row, int column);
CORVEX_API long zGridGetLong(HWND grid, long row, int column);
CORVEX_API short zGridGetShort(HWND grid, long row, int column);
CORVEX_API double zGridGetDouble(HWND grid, long row, int column);
CORVEX_API void zGridPutText(HWND grid, long row, int column, const char* text);
CORVEX_API void zGridPutBool(HWND grid, long row, int column, bool value);
CORVEX_API void zGridPutBitmapHandle(HWND grid, long row, int column, HBITMAP bitmap);
CORVEX_API void zGridPutChar(HWND grid, long row, int column, char value);
CORVEX_API void zGridPutShort(HWND grid, long row, int column, short value);
CORVEX_API void zGridPutInt(HWND grid, long row, int column, int value);
CORVEX_API void zGridPutUInt(HWND grid, long row, int column, unsigned int value);
CORVEX_API void zGridPutLong(HWND grid, long row, int column, long value);
CORVEX_API void zGridPutULong(HWND grid, long row, int column, unsigned long value);
CORVEX_API void zGridPutDouble(HWND grid, long row, int column, double value);
CORVEX_API long zGridGetRowByXY(HWND grid, int x, int y);
CORVEX_API int zGridGetColByXY(HWND grid, int x, int y);
CORVEX_API void zGridGetCellRect(HWND grid, long row, int column, RECT* rect);
