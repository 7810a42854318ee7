#include "installlist.h"

#include "instance.h"

#include "zapplication.h"
#include "xsystem.h"
#include "xtokenizer.h"

#include <windows.h>

const char* const xarrarybase::kOutOfRange = "XARRARY::INDEX OUT OF RANGE";

InstallList& installList()
{
    static InstallList list;
    return list;
}

void InstallList::Reset()
{
    english = 'Y';
    msqlFlag = keyFlag = 'N';
    destination = extraPath = group = dsn = db = uninstallName = "";
    dbNumber = -1;
    items.Clear();
    systemFiles.Clear();
    reports.Clear();
    copies.Clear();
    expands.Clear();
    commands.Clear();
    registryFiles.Clear();
    fonts.Clear();
}

namespace {

// The reader's cursor over the tokens of the list file.
class ListReader {
public:
    explicit ListReader(const char* text) : tokens_(text, kSeparators) {}

    xstring First() { return tokens_.First() ? tokens_.Token() : xstring(); }
    xstring Next() { return tokens_.Next(); }
    bool Flag() { return Next().Upper() == "YES"; }
    xstring Field() { return Next().Trim(); }
    // Up to the line end; "=" and "," belong to the value.
    xstring RestOfLine() { return tokens_.NextToken("\r\n").Trim(); }

private:
    static constexpr const char* kSeparators = "=,\r\n";
    xtokenizer tokens_;
};

template <class T>
T& Append(xarrary<T>& list)
{
    return list[list.Grow(1)];
}

void AddText(xarrary<TextEntry>& list, const xstring& text)
{
    Append(list).text = text;
}

xstring ProgramFolderIn(xstring value)
{
    value.Replace("$PROGRAMFOLDER$", xsys().GetEnvironment("ProgramFiles"), true, true);
    return value;
}

// One keyword with its values; false when the token is no keyword.
bool TakeKeyword(const xstring& keyword, ListReader& in, InstallList& list)
{
    if (keyword == "MSQL") {
        if (in.Flag())
            list.msqlFlag = 'Y';
    } else if (keyword == "ENGLISH") {
        if (!in.Flag())
            list.english = 'N';
    } else if (keyword == "MOVKEY") {
        if (in.Flag())
            list.keyFlag = 'Y';
    } else if (keyword == "COPY") {
        CopyEntry& e = Append(list.copies);
        e.source = in.Field();
        e.destination = in.Field();
    } else if (keyword == "REPORT") {
        AddText(list.reports, in.Next());
    } else if (keyword == "WINDLL") {
        AddText(list.systemFiles, in.Next());
    } else if (keyword == "SHELL") {
        AddText(list.commands, in.RestOfLine());
    } else if (keyword == "FREG") {
        AddText(list.registryFiles, in.RestOfLine());
    } else if (keyword == "FONT") {
        FontEntry& e = Append(list.fonts);
        e.file = in.Field();
        e.face = in.Field();
    } else if (keyword == "ITEM") {
        ItemEntry& e = Append(list.items);
        e.program = in.Field();
        e.arguments = in.Field();
        e.description = in.Field();
    } else if (keyword == "EXPAND") {
        CopyEntry& e = Append(list.expands);
        e.source = in.Next();
        e.destination = in.Next();
    } else {
        return false;
    }
    return true;
}

bool TakeSetting(const xstring& keyword, ListReader& in, InstallList& list)
{
    xstring* target = nullptr;
    if (keyword == "DPATH") {
        list.destination = ProgramFolderIn(in.Field());
        return true;
    }
    if (keyword == "DBNUMBER") {
        list.dbNumber = in.Field().ToInt();
        return true;
    }
    if (keyword == "EXTRAPATH")
        target = &list.extraPath;
    else if (keyword == "GROUP")
        target = &list.group;
    else if (keyword == "DSN")
        target = &list.dsn;
    else if (keyword == "DB")
        target = &list.db;
    else if (keyword == "UNINSTALL")
        target = &list.uninstallName;
    if (!target)
        return false;
    *target = in.Field();
    return true;
}

}  // namespace

void ParseInstallList(const char* text, InstallList& list)
{
    ListReader in(text ? text : "");
    // An unknown token is skipped alone; the one after it is read as a keyword.
    for (xstring token = in.First(); !token.IsBlank(); token = in.Next()) {
        xstring keyword = token.Upper();
        if (!TakeKeyword(keyword, in, list))
            TakeSetting(keyword, in, list);
    }
}

xstring InstallListPath()
{
    const zApplication& app = zApp();
    if (app.args.size() >= 2)
        return app.args[1];
    return app.GetFolder() + "ondrel.lst";
}

void LoadInstallList(const char* path)
{
    try {
        ParseInstallList(xstring::FromFile(path), installList());
    } catch (...) {
        PostQuitMessage(0);
    }
}

bool ReadInstallList()
{
    if (!CheckSingleInstance(setupInstanceMemory()))
        return false;
    LoadInstallList(InstallListPath());
    return true;
}
