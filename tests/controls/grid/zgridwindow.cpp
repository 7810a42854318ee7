#include "zgridwindow.h"

#include "corvex.h"
#include "gridlayout.h"
#include "subclass/zsubclass.h"

namespace {

const char kParentClass[] = "CorvexZGridTestParent";

void RegisterParent(WNDPROC proc)
{
    static bool done = false;
    if (done)
        return;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kParentClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&wc);
    done = true;
}

}  // namespace

ZGridWindow::ZGridWindow(bool shown, int width, int height)
{
    RegisterParent(ParentProc);
    parent_ = CreateWindowExA(0, kParentClass, "zgrid test", WS_POPUP | (shown ? WS_VISIBLE : 0), 0, 0, width + 100,
                              height + 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    grid_ = CreateWindowExA(0, "zgrid", "", WS_CHILD | WS_VISIBLE, 0, 0, width, height, parent_, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    if (grid_)
        SendMessageA(grid_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    notes.clear();
}

ZGridWindow::~ZGridWindow()
{
    DestroyWindow(parent_);
}

LRESULT ZGridWindow::Send(UINT msg, WPARAM wParam, LPARAM lParam) const
{
    return SendMessageA(grid_, msg, wParam, lParam);
}

LRESULT ZGridWindow::SendText(UINT msg, WPARAM wParam, const char* text) const
{
    return SendMessageA(grid_, msg, wParam, reinterpret_cast<LPARAM>(text));
}

void ZGridWindow::AddTextColumns(const std::vector<int>& widths)
{
    for (int width : widths) {
        std::string name = "c" + std::to_string(gi()->columnCount + 1);
        zGridColAdd(grid_, width, 0, name.c_str(), name.c_str(), width, GRID_TEXT, 0, "", true);
    }
}

void ZGridWindow::AddRows(int n)
{
    for (int i = 0; i < n; ++i)
        Send(GRIDM_INSERTROW, 0, 0);
}

bool ZGridWindow::Browse(const std::string& dsn, const std::string& table, const std::string& order,
                         bool autoCommit)
{
    gi()->autoCommit = autoCommit;
    bool ok = zGridBrowse(grid_, nullptr, dsn.c_str(), "", "", table.c_str(), "", "", order.c_str(), "*", "", "",
                          "", 0);
    notes.clear();
    return ok;
}

void ZGridWindow::GoTo(int row, int column) const
{
    Send(GRIDM_GOTOROW, 0, row);
    Send(GRIDM_GOTOCOLUMN, column);
}

void ZGridWindow::Click(POINT pt)
{
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}

POINT ZGridWindow::CellCentre(int row, int column) const
{
    const GRIDINFO* g = gi();
    int left = GridColumnLeft(g, column);
    int width = g->columns[column - 1].displayWidth * g->charWidth;
    return {left + width / 2, GridRowTop(g, row - 1) + GridRowHeight(g) / 2};
}

void ZGridWindow::Key(WPARAM key) const
{
    HWND target = gi()->editor ? gi()->editor : grid_;
    SendMessageA(target, WM_KEYDOWN, key, 1);
}

void ZGridWindow::Char(char ch) const
{
    HWND target = gi()->editor ? gi()->editor : grid_;
    SendMessageA(target, WM_CHAR, WPARAM(static_cast<unsigned char>(ch)), 1);
}

void ZGridWindow::Pump()
{
    DWORD start = GetTickCount();
    MSG m;
    while (GetTickCount() - start < 2000 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

int ZGridWindow::Count(int code) const
{
    int n = 0;
    for (const auto& note : notes)
        n += note.first == code;
    return n;
}

LRESULT CALLBACK ZGridWindow::ParentProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<ZGridWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && msg == WM_COMMAND && lParam && reinterpret_cast<HWND>(lParam) == self->grid_) {
        int code = HIWORD(wParam);
        self->notes.emplace_back(code, static_cast<short>(LOWORD(wParam)));
        if (self->heard)
            self->heard(code);
        auto it = self->replies_.find(code);
        return it == self->replies_.end() ? 0 : it->second;
    }
    if (self && msg == ZCS_OFFERKEY)
        return 0;
    return DefWindowProcA(window, msg, wParam, lParam);
}

int OpenLockStatements(const GRIDINFO* gi)
{
    int open = 0;
    for (int i = 0; gi->editLocks && i <= gi->editLockLast; ++i)
        open += gi->editLocks[i] != nullptr;
    for (int i = 0; gi->updateLocks && i <= gi->updateLockLast; ++i)
        open += gi->updateLocks[i] != nullptr;
    return open;
}
