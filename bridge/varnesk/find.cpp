// The find dialog (Form3): pre-filled with the selection or the word at
// the caret of the text window's editor; finds the next occurrence after
// the selection, wrapping once to the start.

#include "find.h"

#include "editor.h"
#include "formlook.h"
#include "scintilla.h"

#include "zgenerated.h"

#include <windows.h>

#include <cstring>

_base_Form3* Form3 = nullptr;

_base_Form3* FindDialog()
{
    if (!Form3)
        Form3 = new _base_Form3;  // joins the application's forms, which delete it
    return Form3;
}

_base_Form3::_base_Form3() : zForm(ZFORMCLASS)
{
    SetupControls(Controls());
    Setup();
}

void _base_Form3::Setup()
{
    name = "Form3";
    caption = "Trova";
    style = 0x86C80000;
    exStyle = 0x180;
    zSetDialogBounds(*this, 49.5, 159, 294.5, 73.5);
    brushColour = COLOR_BTNFACE;
    Look(*this, "Verdana");
    kind = ZK_MODAL;
}

void _base_Form3::Create()
{
    parent = Form2;
    zForm::_create_();
}

void _base_Form3::CreateChildren()
{
    CreateControls(*this, Controls());
    SetDefaultButton(&search);
}

void _base_Form3::OnCreate(bool beginning)
{
    if (beginning)
        return;
    TakeWordAtCaret();
    trova.SetText(findText);
    trova.NotifyParent();
    trova.SetFocus();
}

bool _base_Form3::QueryClose()
{
    if (Form2 && Form2->IsLive())
        Form2->SetForeground();
    return true;
}

void _base_Form3::TakeWordAtCaret()
{
    findText[0] = '\0';
    if (!targetEditor || !IsWindow(targetEditor))
        return;
    LONG start = LONG(SendMessageA(targetEditor, SCI_GETSELECTIONSTART, 0, 0));
    LONG end = LONG(SendMessageA(targetEditor, SCI_GETSELECTIONEND, 0, 0));
    if (start == end) {
        LRESULT caret = SendMessageA(targetEditor, SCI_GETCURRENTPOS, 0, 0);
        start = LONG(SendMessageA(targetEditor, SCI_WORDSTARTPOSITION, WPARAM(caret), 1));
        end = LONG(SendMessageA(targetEditor, SCI_WORDENDPOSITION, WPARAM(caret), 1));
    }
    if (end - start > kMaxPattern)
        end = start + kMaxPattern;  // room for the terminator
    if (end <= start)
        return;
    SciTextRange range{start, end, findText};
    SendMessageA(targetEditor, SCI_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    findText[kMaxPattern] = '\0';
    if (char* cr = std::strchr(findText, '\r'))
        *cr = '\0';
    if (char* lf = std::strchr(findText, '\n'))
        *lf = '\0';
}

void _base_Form3::OnSearch()
{
    lstrcpynA(findText, trova.GetText().c_str(), sizeof findText);
    findFlags = (words.IsChecked() ? unsigned(FIND_WHOLEWORD) : 0u) |
                (cases.IsChecked() ? unsigned(FIND_MATCHCASE) : 0u) |
                FIND_DEFINED;
    FindNext();
}

void _base_Form3::FindAgain()
{
    if (findFlags & FIND_DEFINED)
        FindNext();
}

bool _base_Form3::FindNext()
{
    if (!targetEditor || !IsWindow(targetEditor) || findText[0] == '\0')
        return false;
    LONG length = LONG(SendMessageA(targetEditor, SCI_GETLENGTH, 0, 0));
    LONG from = LONG(SendMessageA(targetEditor, SCI_GETSELECTIONEND, 0, 0));
    for (int pass = 0; pass < 2; ++pass) {
        SciTextToFind find{pass == 0 ? from : 0, length, findText, 0, 0};
        LRESULT at = SendMessageA(targetEditor, SCI_FINDTEXT, WPARAM(findFlags),
                                  reinterpret_cast<LPARAM>(&find));
        if (at >= 0) {
            SendMessageA(targetEditor, SCI_SETSEL, WPARAM(find.foundMin), LPARAM(find.foundMax));
            return true;
        }
    }
    return false;
}

void _base_Form3::_base_trova::Setup()
{
    Place(*this, "trova", "", 0x540101C0, 14, 27, 191.5, 10.5);
    exStyle = WS_EX_CLIENTEDGE;
    label = "Trova:";
    labelPosition = 2;
    brushColour = COLOR_WINDOW;
    maxLength = kMaxPattern;
}
void _base_Form3::_base_trova::Create()
{
    zEdit::Create(1);
    SetMaxLength(kMaxPattern);
}
void _base_Form3::_base_trova::OnChange()
{
    Form3->search.Enable(!IsBlank(GetText().c_str()));
}

void _base_Form3::_base_words::Setup() { Place(*this, "words", "Solo parole intere", 0x54010003, 31, 8, 71.5, 8.5); brushColour = COLOR_BTNFACE; }
void _base_Form3::_base_words::Create() { zButton::Create(1); }

void _base_Form3::_base_cases::Setup() { Place(*this, "cases", "Maiuscole/Minuscole", 0x54010003, 42, 8, 71.5, 8.5); brushColour = COLOR_BTNFACE; }
void _base_Form3::_base_cases::Create() { zButton::Create(1); }

void _base_Form3::_base_search::Setup() { Place(*this, "search", "Trova successivo", 0x5C010001, 13, 220, 62.5, 12.5); brushColour = COLOR_BTNFACE; }
void _base_Form3::_base_search::Create() { zButton::Create(1); }
void _base_Form3::_base_search::OnClick() { Form3->OnSearch(); }

void _base_Form3::_base_Button6::Setup()
{
    Place(*this, "Button6", "Annulla", 0x54010000, 27, 220, 62.5, 12.5);
    brushColour = 0xE2E2E2;
}
void _base_Form3::_base_Button6::Create() { zButton::Create(1); }
void _base_Form3::_base_Button6::OnClick() { Form3->Close(); }
