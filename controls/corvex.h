#pragma once
// The control library's exported interface (only its entry for now: the
// window classes and ODBC functions join it as they are built). Programs bind
// by the C++ names, which carry the parameter types.

#include <windows.h>

#ifdef CORVEX_BUILD
#define CORVEX_API __declspec(dllexport)
#else
#define CORVEX_API __declspec(dllimport)
#endif

// Makes sure the library is loaded (its classes are registered at load).
CORVEX_API void CorvexInit(void);
CORVEX_API HINSTANCE CorvexInstance(void);
CORVEX_API int zTMCharHeight(HWND window, HFONT font);
CORVEX_API int zTMCharWidth(HWND window, HFONT font);
