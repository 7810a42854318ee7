#pragma once
// Whole-file writes of the bridge (work copies, receipt copies, the store),
// through the framework's file class with create-always disposition.

#include <windows.h>

#include <cstddef>

// False when the file cannot be created or written; never throws. With
// show, a failure is shown through the file class's error routine.
bool WriteWorkFile(const char* path, const void* data, size_t size,
                   DWORD flags = FILE_ATTRIBUTE_NORMAL, bool show = false);
