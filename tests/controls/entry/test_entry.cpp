// The library entry of the real Corvex.dll, loaded at run time: class
// registration at load (and not again), text metrics, and the export table
// against the definition file and the interface's decorated names.

#include "testutil.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

using Measure = int (*)(HWND, HFONT);

// Every export of the library's interface, as its callers bind it.
const char* const kInterface[] = {
    "_Z10CorvexInitv", "_Z14CorvexInstancev", "_Z13zTMCharHeightP6HWND__P7HFONT__",
    "_Z12zTMCharWidthP6HWND__P7HFONT__", "_Z15zPictureWndProcP6HWND__jjl",
    "_Z17zVSplitterWndProcP6HWND__jjl", "_Z17zHSplitterWndProcP6HWND__jjl",
    "_Z12zCtlSubclassP6HWND__li", "_Z14zCommonWndProcP6HWND__jjl",
    "_Z10zDBConnectPvPS_PKcS2_S2_i", "_Z14zDBFullConnectPPvS0_PKcS2_S2_i",
    "_Z13zDBDisconnectPvS_i", "_Z17zDBFullDisconnectPvS_i", "_Z13zDBExecScriptPvS_PKcsPc",
    "_Z8zDBErrorPvS_S_PKc", "_Z14zDBErrorStringPvS_S_Pc", "_Z11zDBGetPKkeyPvPKcPP6_pkey_t",
    "_Z8WriteDIBPcPv", "_Z8zOpenDIBPKc", "_Z11zDibMemSizePv", "_Z11zCopyHandlePv",
    "_Z12zGridWndProcP6HWND__jjl", "_Z12zGridEditOffP6HWND__", "_Z15zGridGetRowByXYP6HWND__ii",
    "_Z15zGridGetColByXYP6HWND__ii", "_Z16zGridGetCellRectP6HWND__liP7tagRECT",
    "_Z11zGridBrowseP6HWND__PvPKcS3_S3_S3_S3_S3_S3_S3_S3_S3_S3_i",
    "_Z11zGridColAddP6HWND__iiPKcS2_illS2_b", "_Z14zGridColLocateP6HWND__iPKc",
    "_Z14zGridGetPrefixP6HWND__i", "_Z14zGridGetSuffixP6HWND__i",
    "_Z14zGridAggregateP6HWND__iPKcS2_S2_b", "_Z11zGridGetMaxP6HWND__ic",
    "_Z11zGridDeleteP6HWND__PKc", "_Z9zGridExecP6HWND__PKc", "_Z12zGridPrepareP6HWND__PKc",
    "_Z12zGridGetTextP6HWND__lib", "_Z12zGridGetBoolP6HWND__li",
    "_Z20zGridGetBitmapHandleP6HWND__li", "_Z12zGridGetLongP6HWND__li",
    "_Z13zGridGetShortP6HWND__li", "_Z14zGridGetDoubleP6HWND__li",
    "_Z12zGridPutTextP6HWND__liPKc", "_Z12zGridPutBoolP6HWND__lib",
    "_Z20zGridPutBitmapHandleP6HWND__liP9HBITMAP__", "_Z12zGridPutCharP6HWND__lic",
    "_Z13zGridPutShortP6HWND__lis", "_Z11zGridPutIntP6HWND__lii", "_Z12zGridPutUIntP6HWND__lij",
    "_Z12zGridPutLongP6HWND__lil", "_Z13zGridPutULongP6HWND__lim",
    "_Z14zGridPutDoubleP6HWND__lid",
};

const char kVSplitter[] = "_Z17zVSplitterWndProcP6HWND__jjl";
const char kHSplitter[] = "_Z17zHSplitterWndProcP6HWND__jjl";

struct Library {
    HMODULE module;
    explicit Library(const char* name) : module(LoadLibraryA(name)) {}
    ~Library()
    {
        if (module)
            FreeLibrary(module);
    }
    void* Get(const char* name) const
    {
        return reinterpret_cast<void*>(GetProcAddress(module, name));
    }
    template <class F>
    F Fn(const char* name) const
    {
        return reinterpret_cast<F>(Get(name));
    }
};

struct Section {
    DWORD start, end;
    bool code;
};

// The names and the kind (code or not) of a loaded module's exports.
std::set<std::string> ExportNames(HMODULE module, std::vector<std::string>* notCode)
{
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::set<std::string> names;
    if (!dir.VirtualAddress)
        return names;
    std::vector<Section> sections;
    const IMAGE_SECTION_HEADER* s = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++s)
        sections.push_back({s->VirtualAddress, s->VirtualAddress + s->Misc.VirtualSize,
                            (s->Characteristics & IMAGE_SCN_MEM_EXECUTE) != 0});
    auto exp = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto nameRvas = reinterpret_cast<const DWORD*>(base + exp->AddressOfNames);
    auto ordinals = reinterpret_cast<const WORD*>(base + exp->AddressOfNameOrdinals);
    auto functions = reinterpret_cast<const DWORD*>(base + exp->AddressOfFunctions);
    for (DWORD i = 0; i < exp->NumberOfNames; ++i) {
        std::string name = reinterpret_cast<const char*>(base + nameRvas[i]);
        DWORD rva = functions[ordinals[i]];
        bool code = std::any_of(sections.begin(), sections.end(), [&](const Section& sec) {
            return sec.code && rva >= sec.start && rva < sec.end;
        });
        if (!code)
            notCode->push_back(name);
        names.insert(name);
    }
    return names;
}

// The export names listed in the definition file (decorations and
// ordinals dropped).
std::set<std::string> DefinitionNames()
{
    std::set<std::string> names;
    bool inExports = false;
    for (std::string line :
         testutil::lines_of(testutil::read_file(testutil::exe_folder() + "\\corvex_exports.def"))) {
        line = line.substr(0, line.find(';'));
        size_t b = line.find_first_not_of(" \t");
        if (b == std::string::npos)
            continue;
        std::string word = line.substr(b, line.find_first_of(" \t", b) - b);
        if (word == "EXPORTS") {
            inExports = true;
            continue;
        }
        if (inExports && word != "LIBRARY")
            names.insert(word.substr(0, word.find('@')));
    }
    return names;
}

TEST(CorvexEntry, ExportTableHoldsExactlyTheDefinedInterfaceNames)
{
    Library lib("Corvex.dll");
    ASSERT_NE(nullptr, lib.module);
    std::vector<std::string> notCode;
    std::set<std::string> exported = ExportNames(lib.module, &notCode);
    std::set<std::string> defined = DefinitionNames();
    ASSERT_FALSE(defined.empty()) << "corvex_exports.def next to the test";
    std::set<std::string> known(std::begin(kInterface), std::end(kInterface));
    EXPECT_EQ(52u, known.size());
    for (const std::string& name : exported) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(known.count(name)) << "exported but not part of the interface";
        EXPECT_TRUE(defined.count(name)) << "exported but missing from the definition file";
        EXPECT_NE(nullptr, lib.Get(name.c_str()));
    }
    for (const std::string& name : defined) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(exported.count(name)) << "defined but not exported";
    }
    for (const std::string& name : known) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(exported.count(name)) << "part of the interface but not exported";
    }
    EXPECT_TRUE(notCode.empty()) << "the library exports functions only, e.g. " << notCode[0];
    for (const char* built : {"_Z10CorvexInitv", "_Z14CorvexInstancev",
                              "_Z13zTMCharHeightP6HWND__P7HFONT__",
                              "_Z12zTMCharWidthP6HWND__P7HFONT__", kVSplitter, kHSplitter,
                              "_Z12zCtlSubclassP6HWND__li", "_Z14zCommonWndProcP6HWND__jjl"})
        EXPECT_TRUE(exported.count(built)) << built;
}

TEST(CorvexEntry, LoadRegistersEachClassWithItsProcedure)
{
    Library lib("Corvex.dll");
    ASSERT_NE(nullptr, lib.module);
    auto instance = lib.Fn<HINSTANCE (*)()>("_Z14CorvexInstancev");
    ASSERT_NE(nullptr, instance);
    EXPECT_EQ(lib.module, instance());
    struct Row {
        const char* cls;
        const char* proc;
    } rows[] = {{"zhsplitter", kHSplitter},
                {"zvsplitter", kVSplitter},
                {"zpicture", "_Z15zPictureWndProcP6HWND__jjl"},
                {"zgrid", "_Z12zGridWndProcP6HWND__jjl"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.cls);
        auto proc = lib.Fn<WNDPROC>(row.proc);
        ASSERT_NE(nullptr, proc);
        WNDCLASSA cls = {};
        ASSERT_TRUE(GetClassInfoA(lib.module, row.cls, &cls));
        EXPECT_EQ(proc, cls.lpfnWndProc);
    }
}

// The library's start keeps it loaded until GDI+ has been started outside
// the loader lock: an unload right after the load completes a moment later.
bool UnloadedWithin(const char* name, DWORD ms)
{
    DWORD start = GetTickCount();
    while (GetModuleHandleA(name)) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(5);
    }
    return true;
}

// Loaded and unloaded at once, again and again: the entry answers TRUE and
// every unload completes (the start's own thread holds the library until it
// has run) without a hang or a fault.
TEST(CorvexEntry, UnloadRightAfterLoad)
{
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        HMODULE module = LoadLibraryA("Corvex.dll");
        ASSERT_NE(nullptr, module);
        ASSERT_TRUE(FreeLibrary(module));
        EXPECT_TRUE(UnloadedWithin("Corvex.dll", 10000));
    }
}

LRESULT CALLBACK Impostor(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(CorvexEntry, LoadedAgainItKeepsTheClassesItFinds)
{
    HMODULE first = LoadLibraryA("Corvex.dll");
    ASSERT_NE(nullptr, first);
    // A class of the same name already registered under the module when the
    // library loads again: a local one, so that a second registration of the
    // library's global class would succeed and show.
    ASSERT_TRUE(UnregisterClassA("zhsplitter", first));
    WNDCLASSA mine = {};
    mine.lpfnWndProc = Impostor;
    mine.hInstance = first;
    mine.lpszClassName = "zhsplitter";
    ASSERT_NE(0, RegisterClassA(&mine));
    ASSERT_TRUE(FreeLibrary(first));
    ASSERT_TRUE(UnloadedWithin("Corvex.dll", 10000));

    std::string copy = testutil::exe_folder() + "\\corvex_second.dll";
    ASSERT_TRUE(CopyFileA((testutil::exe_folder() + "\\Corvex.dll").c_str(), copy.c_str(), FALSE));
    {
        Library again("Corvex.dll");
        ASSERT_NE(nullptr, again.module) << "the entry answers TRUE";
        ASSERT_EQ(first, again.module) << "loaded at the same place";
        WNDCLASSA cls = {};
        ASSERT_TRUE(GetClassInfoA(again.module, "zhsplitter", &cls));
        EXPECT_EQ(Impostor, cls.lpfnWndProc) << "the class found is kept";
        EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "zhsplitter", &cls))
            << "no global zhsplitter was registered beside it";
        ASSERT_TRUE(GetClassInfoA(again.module, "zvsplitter", &cls));
        EXPECT_EQ(again.Fn<WNDPROC>(kVSplitter), cls.lpfnWndProc);

        Library second(copy.c_str());
        ASSERT_NE(nullptr, second.module) << "a second copy loads as well";
        ASSERT_NE(again.module, second.module);
        ASSERT_TRUE(GetClassInfoA(second.module, "zvsplitter", &cls));
        EXPECT_EQ(again.Fn<WNDPROC>(kVSplitter), cls.lpfnWndProc)
            << "the copy registered nothing over the loaded library's class";
        EXPECT_TRUE(UnregisterClassA("zhsplitter", again.module));
    }
    DeleteFileA(copy.c_str());
}

// A window that answers WM_GETFONT with the font it is given.
HFONT g_windowFont = nullptr;
LRESULT CALLBACK FontWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_GETFONT)
        return reinterpret_cast<LRESULT>(g_windowFont);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEXTMETRICA MetricsOf(HWND window, HFONT font)
{
    TEXTMETRICA tm = {};
    HDC dc = GetDC(window);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    GetTextMetricsA(dc, &tm);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(window, dc);
    return tm;
}

TEST(CorvexEntry, TextMetricsOfTheGivenTheWindowsOrTheDefaultFont)
{
    Library lib("Corvex.dll");
    auto height = lib.Fn<Measure>("_Z13zTMCharHeightP6HWND__P7HFONT__");
    auto width = lib.Fn<Measure>("_Z12zTMCharWidthP6HWND__P7HFONT__");
    ASSERT_TRUE(height && width);
    WNDCLASSA cls = {};
    cls.lpfnWndProc = FontWindow;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "CorvexFontWindow";
    RegisterClassA(&cls);
    HWND window = CreateWindowA(cls.lpszClassName, "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                cls.hInstance, nullptr);
    ASSERT_NE(nullptr, window);
    HFONT big = CreateFontA(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    HFONT small = CreateFontA(-9, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    struct Row {
        const char* name;
        HFONT windowFont, argument, measured;
    } rows[] = {{"window without a font", nullptr, nullptr, nullptr},
                {"the window's font", big, nullptr, big},
                {"the argument over the window's font", big, small, small}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        g_windowFont = row.windowFont;
        TEXTMETRICA tm = MetricsOf(window, row.measured);
        EXPECT_EQ(tm.tmHeight + tm.tmExternalLeading, height(window, row.argument));
        EXPECT_EQ(tm.tmAveCharWidth, width(window, row.argument));
    }
    EXPECT_GE(height(window, big), 40);
    EXPECT_LT(height(window, small), 20);
    DestroyWindow(window);
    DeleteObject(big);
    DeleteObject(small);
}

}  // namespace
