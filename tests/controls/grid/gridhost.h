#pragma once
// A grid record on a plain child window, and a parent window that records
// every notification the grid sends and answers queries as a test asks.

#include "gridinfo.h"

#include <map>
#include <utility>
#include <vector>

class GridHost {
public:
    // A client area of width x height pixels for the grid, with grid style
    // bits. Shown windows cost Wine seconds to map: only focus tests show.
    GridHost(int width, int height, DWORD style = 0, bool shown = false);
    ~GridHost();
    GridHost(const GridHost&) = delete;
    GridHost& operator=(const GridHost&) = delete;

    HWND grid() const { return grid_; }
    HWND parent() const { return parent_; }
    GRIDINFO* gi() const { return gi_; }

    // Appends columns of the given display widths (text, data width = display).
    void AddColumns(const std::vector<int>& widths);
    // Appends n empty unbound rows and recalculates the layout.
    void AddRows(int n);
    // Recalculates after a change of size or rows.
    void Recalc();

    // Notifications received, in order: (code, value).
    const std::vector<std::pair<int, int>>& notes() const { return notes_; }
    int Count(int code) const;
    void ClearNotes() { notes_.clear(); }
    // The reply to a notification code (0 unless set).
    void Reply(int code, LRESULT value) { replies_[code] = value; }

private:
    static LRESULT CALLBACK ParentProc(HWND, UINT, WPARAM, LPARAM);

    HWND parent_ = nullptr;
    HWND grid_ = nullptr;
    GRIDINFO* gi_ = nullptr;
    std::vector<std::pair<int, int>> notes_;
    std::map<int, LRESULT> replies_;
};
