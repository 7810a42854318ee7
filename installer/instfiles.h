#pragma once
// Putting files in place: version-checked installation of one file, its
// completion at the next start of Windows when it is in use, shell copies
// of files and folder trees, and clearing read-only attributes of a tree.

#include "xstring.h"

#include <windows.h>

// 0 when the file was installed or the user chose to go on; otherwise the
// VerInstallFileA result bit at which the user chose to stop.
int InstallVersionedFile(const char* sourceName, const char* destinationName,
                         const char* sourceFolder, const char* destinationFolder, int flags);
int AskContinueOnError(const char* fileName, const char* reason);
int AskContinueOnMismatch(const char* fileName, const char* reasons);
void ScheduleRenameOnRestart(const char* fileName, const char* sourceFolder,
                             const char* destinationFolder, const char* reasons);
// Non-zero when the shell copied the file or folder pattern into target.
int CopyInstallFiles(const char* source, const char* target);
void SetTreeAttributes(const char* folder);

// Starts the animation of a window's caption on its own thread, which runs
// until the process ends.
void StartCaptionAnimation(HWND window);
