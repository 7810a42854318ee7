#pragma once
// A real "zgrid" window of the loaded Corvex.dll on a parent that
// records what the grid tells it: WM_COMMAND notifications (answered as the
// test asks), the keys the grid passes on (0x0979) and the edit-begin
// records. Tables for bound grids are made on the test's own connection.

#include "gridinfo.h"
#include "gridmsg.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class ZGridWindow {
public:
    // A hidden parent unless `shown`: mapping a window costs Wine a lot, and
    // only painting and focus need it.
    explicit ZGridWindow(bool shown = false, int width = 400, int height = 300);
    ~ZGridWindow();
    ZGridWindow(const ZGridWindow&) = delete;
    ZGridWindow& operator=(const ZGridWindow&) = delete;

    HWND grid() const { return grid_; }
    HWND parent() const { return parent_; }
    GRIDINFO* gi() const { return GridInfo(grid_); }
    GRIDCOL& col(int column) const { return gi()->columns[column - 1]; }
    HWND editor() const { return gi()->editor; }
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    LRESULT SendText(UINT msg, WPARAM wParam, const char* text) const;

    // Unbound: text columns of the given widths, then n empty rows.
    void AddTextColumns(const std::vector<int>& widths);
    void AddRows(int n);
    // Bound: browses a table of the data source (the caller made it).
    bool Browse(const std::string& dsn, const std::string& table, const std::string& order, bool autoCommit);

    // Makes a cell current through the grid's own messages.
    void GoTo(int row, int column) const;
    // The cell under the pointer is clicked (button down and up).
    void Click(POINT pt);
    // The centre of a cell as the grid lays it out now.
    POINT CellCentre(int row, int column) const;
    // Key down (and character) as the keyboard sends them to the grid or
    // to its editor.
    void Key(WPARAM key) const;
    void Char(char ch) const;
    // Dispatches what is queued, for a bounded time.
    static void Pump();

    // What the parent received, in order: (code, value).
    std::vector<std::pair<int, int>> notes;
    int Count(int code) const;
    // Called with each notification's code as it comes, before the reply.
    std::function<void(int code)> heard;
    void Reply(int code, LRESULT value) { replies_[code] = value; }

private:
    static LRESULT CALLBACK ParentProc(HWND, UINT, WPARAM, LPARAM);

    HWND parent_ = nullptr;
    HWND grid_ = nullptr;
    std::map<int, LRESULT> replies_;
};

// Lock statements still open in both of a grid's lock lists.
int OpenLockStatements(const GRIDINFO* gi);
