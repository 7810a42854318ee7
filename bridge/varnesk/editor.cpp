// The configuration editor and log viewer (Form2) and the main form's
// operations that open them and store an edited configuration.

#include "editor.h"

#include "find.h"
#include "form1.h"
#include "formlook.h"
#include "scintilla.h"
#include "waitform.h"

#include "commandconfig.h"
#include "settingsstore.h"
#include "workfile.h"

#include "zapplication.h"
#include "zgenerated.h"
#include "xsystem.h"

#include <windows.h>

#include <new>
#include <vector>

namespace {

const int kLexerProperties = 9;
const int kLexerNull = 1;

struct StyleRow {
    int style;
    COLORREF fore;
    COLORREF back;
    bool bold;
};

// Assignment, section, comment, default value, key, line numbers.
const StyleRow kIniStyles[] = {
    {3, 0x000080, 0xFFFFFF, true},  {2, 0x800000, 0xFFFFFF, false},
    {1, 0x008000, 0xFFFFFF, false}, {4, 0x808000, 0xFFFFFF, false},
    {5, 0x008080, 0xFFFFFF, true},  {33, 0x000000, 0xC0C0C0, false},
};

// The lexers live in the Scintilla library; a library without a factory
// takes the lexer number directly.
void SetLexer(MYSCINTILLA& editor, const char* name, int number)
{
    using Factory = void*(__stdcall*)(const char*);
    HMODULE library = GetModuleHandleA("SCILEXER.DLL");
    auto create = library ? reinterpret_cast<Factory>(
                                reinterpret_cast<void*>(GetProcAddress(library, "CreateLexer")))
                          : nullptr;
    void* lexer = create ? create(name) : nullptr;
    if (lexer)
        editor.Call(SCI_SETILEXER, 0, reinterpret_cast<LPARAM>(lexer));
    else
        editor.Call(SCI_SETLEXER, WPARAM(number));
}

// The whole file, read beside a writer that keeps it open.
std::string ReadShared(const std::string& path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[8192];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

_base_Form2* TextForm()
{
    if (!Form2)
        Form2 = new _base_Form2;  // joins the application's forms, which delete it
    return Form2;
}

}  // namespace

_base_Form2* Form2 = nullptr;

// --- MYSCINTILLA ------------------------------------------------------------

void MYSCINTILLA::Setup()
{
    name = "x";
    caption = "x";
    Look(*this, "Courier New");
}

void MYSCINTILLA::Create()
{
    style = 0x52010000;
    anchor = 15;
    marginLeft = marginTop = marginRight = marginBottom = 5;
    zWindow::Create(1);
}

void MYSCINTILLA::OnChange()
{
    if (Form2)
        Form2->modified = 1;
}

LRESULT MYSCINTILLA::Call(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return IsLive() ? SendMessageA(hwnd, msg, wParam, lParam) : 0;
}

xstring MYSCINTILLA::GetText()
{
    LRESULT length = Call(SCI_GETLENGTH);
    if (length <= 0)
        return xstring("");
    std::vector<char> text;
    try {
        text.resize(size_t(length) + 1);
    } catch (const std::bad_alloc&) {
        return xstring("");
    }
    Call(SCI_GETTEXT, WPARAM(length + 1), reinterpret_cast<LPARAM>(text.data()));
    text.back() = '\0';
    return xstring(text.data());
}

void MYSCINTILLA::ResetHistory()
{
    Call(SCI_SETSAVEPOINT);
    Call(SCI_SETUNDOCOLLECTION, 0);
    Call(SCI_SETUNDOCOLLECTION, 1);
    Call(SCI_EMPTYUNDOBUFFER);
    Call(SCI_SETSAVEPOINT);
    Call(SCI_GOTOPOS, 0);
}

void MYSCINTILLA::LoadText(const std::string& text)
{
    Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// --- Form2 ------------------------------------------------------------------

_base_Form2::_base_Form2() : zForm(ZFORMCLASS)
{
    editor.Setup();
    Setup();
}

void _base_Form2::Setup()
{
    name = "Form2";
    caption = "INI file";
    style = 0x06CF0000;
    exStyle = 0x100;
    zSetDialogBounds(*this, 17, 163.5, 243, 279);
    brushColour = COLOR_BTNFACE;
    Look(*this, "Verdana");
    kind = ZK_MODAL;
}

void _base_Form2::Create()
{
    parent = Form1;
    zForm::_create_();
}

void _base_Form2::OnCreate(bool beginning)
{
    if (beginning) {
        Look(editor, "Courier New");
        return;
    }
    editor.parent = this;
    editor.Create();
    editor.Anchor();
}

void _base_Form2::OnSize(WPARAM type, int, int)
{
    if (type != SIZE_MINIMIZED)
        editor.Anchor();
}

void _base_Form2::OnActivate(WPARAM wParam, LPARAM)
{
    if (LOWORD(wParam) != WA_INACTIVE && editor.IsLive())
        editor.SetFocus();
}

bool _base_Form2::OnSetFocus(HWND)
{
    if (editor.IsLive())
        editor.SetFocus();
    return true;
}

void _base_Form2::PrepareWindow()
{
    if (!IsLive())
        Create();
}

void _base_Form2::ColourAsIni()
{
    SetLexer(editor, "props", kLexerProperties);
    for (const StyleRow& row : kIniStyles) {
        editor.Call(SCI_STYLESETFORE, WPARAM(row.style), LPARAM(row.fore));
        editor.Call(SCI_STYLESETBACK, WPARAM(row.style), LPARAM(row.back));
        editor.Call(SCI_STYLESETBOLD, WPARAM(row.style), row.bold ? 1 : 0);
    }
    LRESULT width = editor.Call(SCI_TEXTWIDTH, 33, reinterpret_cast<LPARAM>("_999"));
    editor.Call(SCI_SETMARGINTYPEN, 0, 1);
    editor.Call(SCI_SETMARGINWIDTHN, 0, LPARAM(width));
    editor.Call(SCI_SETMARGINWIDTHN, 1, 0);
    editor.Call(SCI_SETMARGINWIDTHN, 2, 0);
    editor.Call(SCI_SETINDENTATIONGUIDES, 1);
    editor.Call(SCI_SETMODEVENTMASK, 3);
}

bool _base_Form2::OpenConfig(const std::string& text, std::string* edited)
{
    PrepareWindow();
    // A window left by the log view would still be read-only.
    editor.Call(SCI_SETREADONLY, 0);
    editor.LoadText(text);
    ColourAsIni();
    modified = 0;
    editor.ResetHistory();
    asking_ = true;
    store_ = false;
    edited_.clear();
    Show(SW_RESTORE);
    asking_ = false;
    if (store_ && edited)
        *edited = edited_;
    return store_;
}

void _base_Form2::OpenLog(const std::string& text)
{
    PrepareWindow();
    editor.Call(SCI_SETREADONLY, 0);
    editor.LoadText(text);
    SetLexer(editor, "null", kLexerNull);
    modified = 0;
    editor.Call(SCI_SETREADONLY, 1);
    asking_ = false;
    store_ = false;
    Show(SW_RESTORE);
}

// The store and the reload are left to the opener, after the form's window
// has gone: the reload may end the whole program.
bool _base_Form2::QueryClose()
{
    if (asking_ && modified == 1) {
        int answer = xsys().MessageBox(
            "ATTENZIONE: il file \xE8 stato aggiornato. Vuoi salvarlo?", "Warning",
            MB_YESNO | MB_ICONQUESTION);
        if (answer == IDYES) {
            edited_ = editor.GetText().c_str();
            store_ = true;
        }
    }
    if (Form1 && Form1->IsLive())
        Form1->SetForeground();
    return true;
}

void _base_Form2::OnKeyDown(WPARAM* key, LPARAM)
{
    if (!key || *key != VK_F3)
        return;
    _base_Form3* find = FindDialog();
    find->targetEditor = editor.Handle();
    if (GetKeyState(VK_CONTROL) & 0x8000)
        find->Show(SW_RESTORE);
    else
        find->FindAgain();
    if (editor.IsLive())
        editor.SetFocus();
}

// --- the main form's side ----------------------------------------------------

void _base_Form1::OpenConfigEditor()
{
    std::string text = SettingsStore(ProgramFolder()).Read();
    std::string edited;
    if (!TextForm()->OpenConfig(text, &edited))
        return;
    // A text that could not be stored is not claimed by a reload.
    if (SaveConfigText(edited))
        LoadSettings();
}

void _base_Form1::ShowLogFile()
{
    std::string path = Service().Log().Path();
    TextForm()->OpenLog(path.empty() ? std::string() : ReadShared(path));
}

// The parse only reports: it fills tables of its own, so the running worker
// keeps reading the configuration it was started with until the reload.
bool _base_Form1::SaveConfigText(const std::string& text)
{
    std::string path = SettingsStore::SaveCopyPath();
    if (!WriteWorkFile(path.c_str(), text.data(), text.size(), FILE_ATTRIBUTE_TEMPORARY, true))
        return false;
    CommandConfig scratch;
    WaitFormProgress progress;
    if (!LoadCommandConfig(path.c_str(), scratch, &progress))
        Close();  // not quitting: this only hides the main form
    bool stored = WriteSettingsStore(path);
    xsys().DeleteFile(path.c_str());
    return stored;
}
