#pragma once
// InstallList: everything one installation does, as its list file says.
// Read once at start-up, before any window exists.

#include "xarrary.h"
#include "xstring.h"

struct CopyEntry {
    xstring source;
    xstring destination;
};

struct FontEntry {
    xstring file;  // may hold "$MAINFOLDER$"
    xstring face;
};

struct ItemEntry {
    xstring program;
    xstring arguments;  // "NOP" in any case: no Program Manager item
    xstring description;
};

struct TextEntry {
    xstring text;
};

struct InstallList {
    char english = 'Y';
    char msqlFlag = 'N';
    char keyFlag = 'N';
    xstring destination;
    xstring extraPath;
    xstring group;
    xstring dsn;
    xstring db;
    int dbNumber = -1;
    xstring uninstallName;
    xarrary<ItemEntry> items;
    xarrary<TextEntry> systemFiles;
    xarrary<TextEntry> reports;
    xarrary<CopyEntry> copies;
    xarrary<CopyEntry> expands;
    xarrary<TextEntry> commands;
    xarrary<TextEntry> registryFiles;
    xarrary<FontEntry> fonts;

    bool English() const { return english == 'Y'; }
    // Back to the defaults of a program that has read nothing.
    void Reset();
};

// The installer's one list.
InstallList& installList();

// Fills the list from a list file's text (entries are added to what the
// list already holds). Throws what the list arrays throw.
void ParseInstallList(const char* text, InstallList& list);

// The list file: the first command-line argument, else "ondrel.lst" in the
// installer's folder.
xstring InstallListPath();

// Reads a list file into the installer's list. A failure while reading
// keeps what was read and posts the quit message.
void LoadInstallList(const char* path);

// The single-instance test first (false: another installer runs, nothing
// read); then the list file. A failure while reading keeps what was read,
// posts the quit message and still answers true.
bool ReadInstallList();
