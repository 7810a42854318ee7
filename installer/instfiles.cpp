#include "instfiles.h"

#include "installlist.h"
#include "instview.h"

#include "zapplication.h"
#include "zbrowse.h"
#include "xexceptions.h"
#include "xfindfile.h"
#include "xpath.h"
#include "xsystem.h"
#include "xthread.h"

#include <shellapi.h>
#include <winver.h>

#include <cstring>
#include <string>

namespace {

struct BitText {
    DWORD bit;
    const char* text;
};

// Problems the user may step over, in the order they are asked about.
const BitText kHardErrors[] = {
    {VIF_OUTOFSPACE, "OUT OF SPACE DISK!"},      {VIF_OUTOFMEMORY, "OUT OF MEMORY!"},
    {VIF_BUFFTOOSMALL, "BUFFER TOO SMALL!"},     {VIF_CANNOTCREATE, "CANNOT CREATE TEMPORARY!"},
    {VIF_CANNOTREADSRC, "CANNOT READ SOURCE!"},  {VIF_CANNOTREADDST, "CANNOT READ DESTINATION!"},
    {VIF_CANNOTRENAME, "CANNOT RENAME!"},        {VIF_CANNOTDELETECUR, "CANNOT DELETE CURRENT!"},
};

const BitText kInUse[] = {
    {VIF_SHARINGVIOLATION, "Violazione di condivisione.\n"},
    {VIF_FILEINUSE, "Questo file è in uso.\n"},
    {VIF_ACCESSVIOLATION, "Violazione d'accesso.\n"},
};

const BitText kMismatch[] = {
    {VIF_WRITEPROT, "Protetto dalla scrittura.\n"}, {VIF_MISMATCH, "Attributi diversi.\n"},
    {VIF_SRCOLD, "Versione precedente.\n"},         {VIF_DIFFTYPE, "Tipologia differente.\n"},
    {VIF_DIFFLANG, "Lingua differente.\n"},         {VIF_DIFFCODEPG, "Code page differente.\n"},
};

template <size_t N>
xstring Reasons(DWORD result, const BitText (&rows)[N])
{
    xstring text;
    for (const BitText& row : rows)
        if (result & row.bit)
            text += row.text;
    return text;
}

// A text with its terminating zero and the extra zero the shell's lists need.
std::string DoubleZero(const char* text)
{
    std::string list(text ? text : "");
    list.push_back('\0');
    return list;
}

}  // namespace

int AskContinueOnError(const char* fileName, const char* reason)
{
    xstring text = xstring(fileName) + "\n" + reason + "\nContinue?";
    return xsys().MessageBox(text, "Warning", MB_YESNO | MB_ICONQUESTION);
}

int AskContinueOnMismatch(const char* fileName, const char* reasons)
{
    xstring text = xstring(reasons) + fileName + "\nContinue?";
    return xsys().MessageBox(text, "Warning", MB_YESNO | MB_ICONQUESTION);
}

int InstallVersionedFile(const char* sourceName, const char* destinationName,
                         const char* sourceFolder, const char* destinationFolder, int flags)
{
    bool english = installList().English();
    xstring line = xstring(english ? "INSTALLING " : "INSTALLAZIONE DI ") + destinationFolder +
                   "\\" + destinationName + (english ? " FROM " : " DA ") + sourceFolder +
                   sourceName;
    ShowLine(line);
    char currentFolder[1024] = {};
    char tempFile[1024] = {};
    UINT tempLength = sizeof tempFile;
    // The platform's declaration takes writable texts; it only reads them.
    std::string src(sourceName), dst(destinationName), srcDir(sourceFolder),
        dstDir(destinationFolder);
    DWORD result = VerInstallFileA(DWORD(flags), &src[0], &dst[0], &srcDir[0], &dstDir[0],
                                   currentFolder, tempFile, &tempLength);
    zApp().DoEvents();
    if (result == 0)
        return 0;
    for (const BitText& row : kHardErrors)
        if ((result & row.bit) && AskContinueOnError(sourceName, row.text) == IDNO)
            return int(row.bit);
    xstring inUse = Reasons(result, kInUse);
    if (!inUse.IsBlank())
        ScheduleRenameOnRestart(sourceName, sourceFolder, destinationFolder, inUse);
    // A forced installation is asked for once: a platform that still reports
    // the difference must not put the same question again and again.
    xstring differences = Reasons(result, kMismatch);
    if (!differences.IsBlank() && !(flags & VIFF_FORCEINSTALL) &&
        AskContinueOnMismatch(sourceName, differences) == IDYES)
        InstallVersionedFile(sourceName, destinationName, sourceFolder, destinationFolder,
                             VIFF_FORCEINSTALL);
    return 0;
}

void ScheduleRenameOnRestart(const char* fileName, const char* sourceFolder,
                             const char* destinationFolder, const char* reasons)
{
    xstring text = xstring(reasons) + "\n" + fileName +
                   " verrà installato ma diventerà\neffettivo dopo il restart di Windows.";
    xsys().MessageBox(text, "Message", MB_ICONINFORMATION);
    xpath source(xstring(sourceFolder) + "\\" + fileName);
    xpath destination(xstring(destinationFolder) + "\\" + fileName);
    xstring target = destination.GetFullPath();
    xstring waiting = destination.MakePath("---");
    xstring wininit = xsys().GetWindowsFolder() + "\\wininit.ini";
    WritePrivateProfileStringA("rename", target, waiting, wininit);
    // A file still waiting from an earlier installation is older than this
    // one: it must not be what the restart puts in place.
    xsys().CopyFile(source.GetFullPath(), waiting, false);
    // The NT family ignores wininit.ini and keeps its own list of moves.
    if (xsys().GetVersion().dwPlatformId == VER_PLATFORM_WIN32_NT)
        MoveFileExA(waiting, target, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);
}

int CopyInstallFiles(const char* source, const char* target)
{
    xstring line;
    if (installList().English())
        line = xstring("COPYING INTO ") + target + " FROM " + source;
    else
        line = xstring("COPIA IN ") + target + " DI " + xpath(source).GetName();
    ShowLine(line);
    // A folder's contents go into a folder: Wine's shell would copy a folder
    // that holds one file to a new file of the target's name instead.
    if (std::strpbrk(xpath(source).GetName() + xpath(source).GetExt(), "*?") &&
        !xsys().FileExistsIn(target, "*"))
        zCreateFolderPath(target);
    std::string from = DoubleZero(source), to = DoubleZero(target);
    SHFILEOPSTRUCTA op = {};
    op.hwnd = installView().OwnerWindow();
    op.wFunc = FO_COPY;
    op.pFrom = from.c_str();
    op.pTo = to.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
    int ok = SHFileOperationA(&op) == 0 ? 1 : 0;
    if (ok)
        LogWrite(">>>>> 1\r\n");
    return ok;
}

// The walk keeps the process's current folder on the folder it visits; a
// folder that cannot be entered is left alone instead of ending the run.
void SetTreeAttributes(const char* folder)
{
    if (!SetCurrentDirectoryA(folder))
        return;
    xfindfile find("*.*");
    find.SetThrow(0);
    for (bool more = find.First(); more; more = find.Next()) {
        const WIN32_FIND_DATAA& entry = find.GetData();
        bool dots = std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0;
        if (entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY && !dots) {
            SetTreeAttributes(entry.cFileName);
            continue;
        }
        DWORD attributes = GetFileAttributesA(entry.cFileName);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesA(entry.cFileName, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    }
    find.Close();
    SetCurrentDirectoryA("..");
}

namespace {

// Frame n (1 to 10) of the main form's caption: a bullet running right and back.
xstring CaptionFrame(int frame)
{
    static const int kPositions[10] = {1, 2, 3, 4, 5, 5, 4, 3, 2, 1};
    char text[8] = "|     |";
    if (frame >= 1 && frame <= 10)
        text[kPositions[frame - 1]] = '\x95';
    return xstring(text);
}

DWORD AnimateCaption(void* parameter)
{
    HWND window = static_cast<HWND>(parameter);
    for (int frame = 1;; frame = frame % 10 + 1) {
        xstring text = CaptionFrame(frame);
        Sleep(100);
        // Not SetWindowText: a busy or ended GUI thread must not hold this one.
        DWORD_PTR ignored = 0;
        if (IsWindow(window))
            SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                SMTO_ABORTIFHUNG, 1000, &ignored);
    }
    return 0;
}

}  // namespace

void StartCaptionAnimation(HWND window)
{
    xthread thread(AnimateCaption, window);
    if (thread.Execute())
        thread.CloseHandle();
}
