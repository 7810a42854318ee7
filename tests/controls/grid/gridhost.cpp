#include "gridhost.h"

#include "corvex.h"
#include "gridbrowse.h"
#include "gridcolumns.h"
#include "gridcursor.h"
#include "gridlayout.h"
#include "gridrows.h"

#include <string>

namespace {

const char kParentClass[] = "CorvexGridTestParent";
const char kGridClass[] = "CorvexGridTestGrid";

void RegisterClasses(WNDPROC parentProc)
{
    static bool done = false;
    if (done)
        return;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = parentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kParentClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = kGridClass;
    RegisterClassA(&wc);
    done = true;
}

}  // namespace

GridHost::GridHost(int width, int height, DWORD style, bool shown)
{
    RegisterClasses(ParentProc);
    parent_ = CreateWindowExA(0, kParentClass, "grid host", WS_POPUP | (shown ? WS_VISIBLE : 0), 0, 0,
                              width + 100, height + 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    grid_ = CreateWindowExA(0, kGridClass, "", WS_CHILD | WS_VISIBLE, 0, 0, width, height, parent_,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    gi_ = GridAttachRecord(grid_);
    gi_->style = style;
    gi_->stopOnReadOnly = true;
    gi_->hideRowNumbers = (style & GRIDS_NOROWNUMBERS) != 0;
    gi_->rowMarker = CreateWindowExA(0, "static", "", WS_CHILD | SS_SUNKEN | SS_CENTER, 0, 0, 10, 10,
                                     grid_, nullptr, GetModuleHandleA(nullptr), nullptr);
    GridSetFontMetrics(grid_, gi_, nullptr);
    GridRecalcLayout(grid_, gi_);
}

GridHost::~GridHost()
{
    GridCloseBrowse(grid_, gi_);
    GridFreeColumns(grid_, gi_);
    GridFreeRows(gi_);
    GridDetachRecord(grid_);
    DestroyWindow(parent_);
}

void GridHost::AddColumns(const std::vector<int>& widths)
{
    for (size_t i = 0; i < widths.size(); ++i) {
        std::string name = "c" + std::to_string(gi_->columnCount + 1);
        zGridColAdd(grid_, widths[i], 0, name.c_str(), name.c_str(), widths[i], GRID_TEXT, 0, "", true);
    }
}

void GridHost::AddRows(int n)
{
    for (int i = 0; i < n; ++i)
        GridAppendRow(gi_);
    GridRecalcLayout(grid_, gi_);
}

void GridHost::Recalc()
{
    GridRecalcLayout(grid_, gi_);
}

int GridHost::Count(int code) const
{
    int n = 0;
    for (const auto& note : notes_)
        n += note.first == code;
    return n;
}

LRESULT CALLBACK GridHost::ParentProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* host = reinterpret_cast<GridHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (msg == WM_COMMAND && host && reinterpret_cast<HWND>(lParam) == host->grid_) {
        int code = HIWORD(wParam);
        host->notes_.emplace_back(code, static_cast<short>(LOWORD(wParam)));
        auto it = host->replies_.find(code);
        return it == host->replies_.end() ? 0 : it->second;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}
