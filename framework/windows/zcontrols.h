#pragma once
// The framework's controls over the common window classes: edit, static,
// button, combo box, IP address, progress bar, the control library's
// picture control and the Scintilla editor. Each fixes its class name and
// type code and adds the event operations its notifications reach (the
// form calls them through zWindow::Event with the slot number).

#include "zwindow.h"

class zEdit : public zWindow {
public:
    zEdit();
    using zWindow::Create;
    void Create(int subclass) override;
    bool HasDropButton() const override { return dropButton != 0; }
    void Event(int number) override;

    using zWindow::OnKillFocus;
    virtual void OnKillFocus() {}
    virtual void OnGotFocus() {}
    virtual void OnUpdate() {}
    virtual void OnChange() {}

    void SetMaxLength(int length);
    void SetReadOnly(bool flag);
    HWND DropButtonWindow() const { return dropWindow_; }

    unsigned char dropButton = 0;

private:
    HWND dropWindow_ = nullptr;
};

class zStatic : public zWindow {
public:
    zStatic() : zWindow("static", ZT_STATIC) {}
    void Event(int number) override;
    virtual void OnClick() {}
    virtual void OnDblClick() {}
};

class zButton : public zWindow {
public:
    zButton() : zWindow("button", ZT_BUTTON) {}
    using zWindow::Create;
    void Create(int subclass) override;
    void Event(int number) override;
    virtual void OnClick() {}
    // OnCustomDraw (zWindow) is the second event operation of buttons.

    void Click() override;
    bool IsChecked() const;
    void SetCheck(int state);

    int checkState = 0;
};

// Item data of a combo box item with a value.
struct zComboItem {
    DWORD flag;  // set: value is an allocated block, freed with the record
    LONG value;
};

class zComboBox : public zWindow {
public:
    zComboBox() : zWindow("combobox", ZT_COMBOBOX) {}
    ~zComboBox() override;
    using zWindow::Create;
    void Create(int subclass) override;
    void Event(int number) override;
    void OnWindowDestroyed() override;

    virtual void OnEditChange() {}
    virtual void OnEditUpdate() {}
    using zWindow::OnKillFocus;
    using zWindow::OnSetFocus;
    virtual void OnKillFocus() {}
    virtual void OnSetFocus() {}
    virtual void OnSelChange() {}
    virtual void OnDblClick() {}
    virtual void AfterCreate() {}

    int AddString(const char* text, LONG value = 0);
    int SetItemValue(int index, LONG value);
    LONG GetItemValue(int index) const;
    int DeleteItem(int index);
    void Clear();
    int SelectByValue(LONG value);
    int GetCurSel() const;
    int SetCurSel(int index);
    void SetMaxLength(int length);
    int Count() const;

    DWORD fileAttributes = 0;
    xstring fileMask;

private:
    zComboItem* Record(int index) const;
    void FreeRecords();
};

class zIPAddress : public zWindow {
public:
    zIPAddress() : zWindow(WC_IPADDRESSA, ZT_IPADDRESS) {}
    virtual void OnFieldChanged() {}
    // The address as four bytes, high byte first (IPM_SETADDRESS form).
    void SetAddress(DWORD address);
    DWORD GetAddress() const;
    // Dotted text "a.b.c.d"; false when the text is not an address.
    bool SetAddressText(const char* text);
    bool IsBlank() const;
    // The caption as the address: the window text first; the dotted form
    // where the control does not read its text.
    void ShowCaption();
};

class zProgressBar : public zWindow {
public:
    zProgressBar() : zWindow(PROGRESS_CLASSA, ZT_PROGRESS) {}
    void SetMarquee(bool on);
};

class zPicture : public zWindow {
public:
    zPicture() : zWindow("zpicture", ZT_PICTURE) {}
    using zWindow::Create;
    void Create(int subclass) override;
    void Event(int number) override;
    virtual void OnClick() {}
    virtual void OnDblClick() {}

    unsigned char option1 = 0, option2 = 0, option3 = 0;
};

class zScintilla : public zWindow {
public:
    zScintilla() : zWindow("scintilla", ZT_SCINTILLA) {}
    void Event(int number) override;
    virtual void OnChange() {}
};
