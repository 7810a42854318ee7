#pragma once
// A GridHost whose grid window hands keys, characters and the editors'
// offered keys to the grid's key handlers, as the grid window does, and
// whose parent also records the keys the grid passes on (0x0979) and the
// edit-begin records (WM_NOTIFY 777).

#include "gridhost.h"

#include <string>
#include <vector>

class EditHost {
public:
    EditHost(int rows, const std::vector<int>& widths);
    ~EditHost();
    EditHost(const EditHost&) = delete;
    EditHost& operator=(const EditHost&) = delete;

    HWND grid() const { return host.grid(); }
    GRIDINFO* gi() const { return host.gi(); }
    GRIDCOL& col(int column) const { return host.gi()->columns[column - 1]; }
    HWND editor() const { return host.gi()->editor; }

    // Cell texts of the row store.
    void Put(int row, int column, const char* text);
    std::string Cell(int row, int column) const;
    // Makes (row, column) current without notifying.
    void Go(int row, int column);
    // The editor's window text.
    std::string EditorText() const;
    // Types each character into the editor (WM_CHAR, as the keyboard does).
    void Type(const char* text);
    void KeyToEditor(WPARAM key);

    // Holds Ctrl and/or Shift for GetKeyState until the next call.
    static void Hold(bool ctrl, bool shift);

    GridHost host;
    std::vector<WPARAM> parentKeys;          // keys passed on as 0x0979
    std::vector<int> editBegins;             // columns of the edit-begin records
    const char* suppliedText = nullptr;      // the text the parent supplies

private:
    static LRESULT CALLBACK GridProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK ParentProc(HWND, UINT, WPARAM, LPARAM);
    WNDPROC oldParent_ = nullptr;
};
