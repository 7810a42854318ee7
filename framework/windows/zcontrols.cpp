// The controls over the common window classes and their event slots.

#include "zcontrols.h"

#include "zform.h"
#include "xalloc.h"

#include <commctrl.h>

#include <cstdio>

namespace {
const int kComboArrowBitmap = 32738;  // OBM_COMBO
}  // namespace

// --- zEdit ----------------------------------------------------------------

zEdit::zEdit() : zWindow("edit", ZT_EDIT)
{
    style |= ES_AUTOVSCROLL | ES_AUTOHSCROLL;
}

void zEdit::Create(int subclass)
{
    if (IsLive())
        return;
    zWindow::Create(dropButton ? 0 : subclass);
    if (!IsLive())
        return;
    SendMessageA(hwnd, EM_SETREADONLY, readOnly != 0, 0);
    if (maxLength > 0)
        SendMessageA(hwnd, EM_LIMITTEXT, WPARAM(maxLength), 0);
    if (!dropButton)
        return;
    // The drop button is a child of the edit: subclassed with it, its
    // click gives the edit the focus and a VK_DOWN.
    dropWindow_ = CreateWindowExA(0, "BUTTON", nullptr, WS_CHILD | WS_VISIBLE | BS_BITMAP,
                                  width - 24, 0, 20, height - 4 > 0 ? height - 4 : 0, hwnd,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (dropWindow_) {
        HBITMAP arrow = LoadBitmapA(nullptr, MAKEINTRESOURCEA(kComboArrowBitmap));
        SendMessageA(dropWindow_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(arrow));
    }
    zWindow::Subclass();
    SendMessageA(hwnd, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELONG(0, 22));
}

void zEdit::Event(int number)
{
    switch (number) {
    case ZEV_EDIT_KILLFOCUS: OnKillFocus(); break;
    case ZEV_EDIT_GOTFOCUS: OnGotFocus(); break;
    case ZEV_EDIT_UPDATE: OnUpdate(); break;
    case ZEV_EDIT_CHANGE: OnChange(); break;
    default: break;
    }
}

void zEdit::SetMaxLength(int length)
{
    maxLength = length;
    if (IsLive() && length > 0)
        SendMessageA(hwnd, EM_LIMITTEXT, WPARAM(length), 0);
}

void zEdit::SetReadOnly(bool flag)
{
    readOnly = flag ? 1 : 0;
    if (IsLive())
        SendMessageA(hwnd, EM_SETREADONLY, flag, 0);
}

// --- zStatic --------------------------------------------------------------

void zStatic::Event(int number)
{
    if (number == ZEV_STATIC_CLICK)
        OnClick();
    else if (number == ZEV_STATIC_DBLCLICK)
        OnDblClick();
}

// --- zButton --------------------------------------------------------------

void zButton::Create(int subclass)
{
    if (IsLive())
        return;
    zWindow::Create(subclass);
    if (!IsLive())
        return;
    if ((style & 0xF) == BS_DEFPUSHBUTTON) {
        if (auto* form = dynamic_cast<zForm*>(parent))
            form->SetDefaultButton(this);
    }
    checkState = checkState ? 1 : 0;
    SendMessageA(hwnd, BM_SETCHECK, WPARAM(checkState), 0);
}

void zButton::Event(int number)
{
    if (number == ZEV_BUTTON_CLICK)
        OnClick();
}

void zButton::Click()
{
    checkState = 1;
    if (IsLive())
        SendMessageA(hwnd, BM_CLICK, 0, 0);
}

bool zButton::IsChecked() const
{
    return IsLive() && SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void zButton::SetCheck(int state)
{
    checkState = state;
    if (IsLive())
        SendMessageA(hwnd, BM_SETCHECK, WPARAM(state), 0);
}

// --- zComboBox ------------------------------------------------------------

zComboBox::~zComboBox()
{
    // Records go with the window; a window still live is ended here so
    // that they are freed while the object is whole.
    DestroyLiveWindow();
    FreeRecords();
}

void zComboBox::Create(int subclass)
{
    if (IsLive())
        return;
    style |= WS_VSCROLL | CBS_AUTOHSCROLL;
    zWindow::Create(subclass);
    if (!IsLive())
        return;
    if (!(style & CBS_NOINTEGRALHEIGHT))
        SetWindowPos(hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(hwnd, CB_SETEXTENDEDUI, TRUE, 0);
    AfterCreate();
}

void zComboBox::Event(int number)
{
    switch (number) {
    case ZEV_COMBO_EDITCHANGE: OnEditChange(); break;
    case ZEV_COMBO_EDITUPDATE: OnEditUpdate(); break;
    case ZEV_COMBO_KILLFOCUS: OnKillFocus(); break;
    case ZEV_COMBO_SETFOCUS: OnSetFocus(); break;
    case ZEV_COMBO_SELCHANGE: OnSelChange(); break;
    case ZEV_COMBO_DBLCLICK: OnDblClick(); break;
    default: break;
    }
}

void zComboBox::OnWindowDestroyed()
{
    FreeRecords();
}

int zComboBox::Count() const
{
    return IsLive() ? int(SendMessageA(hwnd, CB_GETCOUNT, 0, 0)) : 0;
}

zComboItem* zComboBox::Record(int index) const
{
    LRESULT data = SendMessageA(hwnd, CB_GETITEMDATA, WPARAM(index), 0);
    if (data == CB_ERR || data <= 0)
        return nullptr;
    return reinterpret_cast<zComboItem*>(data);
}

namespace {

void FreeRecord(zComboItem* record)
{
    if (!record)
        return;
    if (record->flag && record->value)
        xfree(reinterpret_cast<void*>(record->value));
    xfree(record);
}

}  // namespace

void zComboBox::FreeRecords()
{
    if (!IsLive())
        return;
    int n = Count();
    for (int i = 0; i < n; ++i) {
        FreeRecord(Record(i));
        SendMessageA(hwnd, CB_SETITEMDATA, WPARAM(i), 0);
    }
}

int zComboBox::AddString(const char* text, LONG value)
{
    if (!IsLive())
        return -1;
    LRESULT index = SendMessageA(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : ""));
    if (index < 0)
        return -1;
    if (value != 0)
        SetItemValue(int(index), value);
    return int(index);
}

int zComboBox::SetItemValue(int index, LONG value)
{
    if (!IsLive() || index < 0 || index >= Count())
        return -1;
    zComboItem* record = Record(index);
    bool fresh = record == nullptr;
    if (fresh) {
        record = static_cast<zComboItem*>(xalloc(sizeof(zComboItem)));
    } else if (record->flag && record->value) {
        xfree(reinterpret_cast<void*>(record->value));
    }
    record->flag = 0;
    record->value = value;
    LRESULT r = SendMessageA(hwnd, CB_SETITEMDATA, WPARAM(index), reinterpret_cast<LPARAM>(record));
    if (r == CB_ERR) {
        if (fresh)
            xfree(record);
        return -1;
    }
    return int(r);
}

LONG zComboBox::GetItemValue(int index) const
{
    if (!IsLive() || index < 0 || index >= Count())
        return -1;
    LRESULT data = SendMessageA(hwnd, CB_GETITEMDATA, WPARAM(index), 0);
    if (data <= 0)
        return LONG(data);
    return reinterpret_cast<zComboItem*>(data)->value;
}

int zComboBox::DeleteItem(int index)
{
    if (!IsLive() || index < 0 || index >= Count())
        return -1;
    FreeRecord(Record(index));
    SendMessageA(hwnd, CB_SETITEMDATA, WPARAM(index), 0);
    return int(SendMessageA(hwnd, CB_DELETESTRING, WPARAM(index), 0));
}

void zComboBox::Clear()
{
    if (!IsLive())
        return;
    for (int i = Count() - 1; i >= 0; --i)
        DeleteItem(i);
    SendMessageA(hwnd, CB_RESETCONTENT, 0, 0);
}

int zComboBox::SelectByValue(LONG value)
{
    if (!IsLive())
        return -1;
    int found = -1;
    int n = Count();
    for (int i = 0; i < n && found < 0; ++i)
        if (GetItemValue(i) == value)
            found = i;
    return int(SendMessageA(hwnd, CB_SETCURSEL, WPARAM(found), 0));
}

int zComboBox::GetCurSel() const
{
    return IsLive() ? int(SendMessageA(hwnd, CB_GETCURSEL, 0, 0)) : -1;
}

int zComboBox::SetCurSel(int index)
{
    return IsLive() ? int(SendMessageA(hwnd, CB_SETCURSEL, WPARAM(index), 0)) : -1;
}

void zComboBox::SetMaxLength(int length)
{
    maxLength = length;
    if (IsLive() && length > 0)
        SendMessageA(hwnd, CB_LIMITTEXT, WPARAM(length), 0);
}

// --- zIPAddress -----------------------------------------------------------

void zIPAddress::SetAddress(DWORD address)
{
    if (IsLive())
        SendMessageA(hwnd, IPM_SETADDRESS, 0, LPARAM(address));
}

DWORD zIPAddress::GetAddress() const
{
    DWORD address = 0;
    if (IsLive())
        SendMessageA(hwnd, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return address;
}

// The control does not read a text it is given everywhere, so the dotted
// text is parsed here and set as the four fields.
bool zIPAddress::SetAddressText(const char* text)
{
    unsigned a, b, c, d;
    char tail;
    if (!text || std::sscanf(text, "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 ||
        b > 255 || c > 255 || d > 255)
        return false;
    SetAddress(MAKEIPADDRESS(a, b, c, d));
    return IsLive();
}

bool zIPAddress::IsBlank() const
{
    return !IsLive() || SendMessageA(hwnd, IPM_ISBLANK, 0, 0) != 0;
}

void zIPAddress::ShowCaption()
{
    if (!IsLive())
        return;
    SetWindowTextA(hwnd, caption);
    if (IsBlank() && !caption.IsBlank())
        SetAddressText(caption);
}

// --- zProgressBar ---------------------------------------------------------

void zProgressBar::SetMarquee(bool on)
{
    if (on)
        style |= PBS_MARQUEE;
    else
        style &= ~DWORD(PBS_MARQUEE);
    ApplyStyle(false);
    if (IsLive())
        SendMessageA(hwnd, PBM_SETMARQUEE, on, 50);
}

// --- zPicture -------------------------------------------------------------

void zPicture::Create(int subclass)
{
    if (IsLive())
        return;
    // Without the control library the class is unknown: no window, no
    // messages.
    zWindow::Create(subclass);
    if (!IsLive())
        return;
    SendMessageA(hwnd, ZPICM_STOREVALUE, pictureFlags, 0);
    SendMessageA(hwnd, ZPICM_STRETCH, option2, 0);
    SendMessageA(hwnd, ZPICM_AUTOSIZE, option3, 0);
    SendMessageA(hwnd, ZPICM_CLEARBACKGROUND, option1, 0);
}

void zPicture::Event(int number)
{
    if (number == ZEV_PICTURE_CLICK)
        OnClick();
    else if (number == ZEV_PICTURE_DBLCLICK)
        OnDblClick();
}

// --- zScintilla -----------------------------------------------------------

void zScintilla::Event(int number)
{
    if (number == ZEV_SCINTILLA_CHANGE)
        OnChange();
}
