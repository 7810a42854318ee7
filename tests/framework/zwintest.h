#pragma once
// Shared pieces of the window tests: the application started once per
// program, a pump with a bound, a recording log, test forms and controls.

#include "zapplication.h"
#include "zform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zwt {

// Pumps the queue until cond() holds or ms milliseconds have passed.
template <class Cond>
bool PumpUntil(Cond cond, DWORD ms = 3000)
{
    DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > ms)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
    return true;
}

inline void Pump(DWORD ms = 100)
{
    PumpUntil([] { return false; }, ms);
}

// The log of calls that test objects record, as "object:event" lines.
std::vector<std::string>& Log();

// Prints expected against actual, the way Wine's message tests do.
::testing::AssertionResult SameSequence(const std::vector<std::string>& expected,
                                        const std::vector<std::string>& actual);

class TestForm : public zForm {
public:
    explicit TestForm(const char* formName, int formKind = ZK_TOPLEVEL)
        : zForm(ZFORMCLASS)
    {
        name = formName;
        caption = formName;
        kind = formKind;
        left = 40, top = 40, width = 320, height = 240;
    }
    void Rec(const char* what) { Log().push_back(std::string(name.c_str()) + ":" + what); }
    void OnCreate(bool b) override { Rec(b ? "OnCreate(begin)" : "OnCreate(end)"); }
    void CreateChildren() override { Rec("CreateChildren"); }
    void OnCreated() override { Rec("OnCreated"); }
    bool QueryClose() override { Rec("QueryClose"); return allowClose; }
    bool CloseCheck() override { Rec("CloseCheck"); return true; }
    bool CloseCheck2(bool) override { Rec("CloseCheck2"); return true; }
    void OnKeyDown(WPARAM* key, LPARAM) override
    {
        keys.push_back(int(*key));
    }
    void OnDropFiles(const char* file) override { Rec((std::string("OnDropFiles ") + file).c_str()); }
    bool allowClose = true;
    std::vector<int> keys;
};

// A control over a common window class that records its events.
class TestControl : public zWindow {
public:
    TestControl(const char* cls, unsigned short typeCode, const char* ctlName)
        : zWindow(cls, typeCode)
    {
        name = ctlName;
    }
    void Event(int n) override { Log().push_back(std::string(name.c_str()) + ":Event" + std::to_string(n)); }
    void OnChar(WPARAM* ch, LPARAM) override { chars += char(*ch); }
    void OnDropFiles(const char* file) override
    {
        Log().push_back(std::string(name.c_str()) + ":OnDropFiles " + file);
    }
    std::string chars;
};

// A number as the message logs show it: lower-case hex, no prefix.
std::string Hex(unsigned long value);

// Records the named messages a window receives, as "<tag>:<name> <lParam in
// hex>" lines in Log(), before the window's own procedure handles them.
// The window leaves the recorder when the recorder ends.
class MessageRecorder {
public:
    struct Name {
        UINT msg;
        const char* name;
    };
    MessageRecorder(HWND window, const char* tag, std::vector<Name> names);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND window_;
    std::string tag_;
    std::vector<Name> names_;
    WNDPROC old_;
};

// A form with the child controls it is given, laid out in a column.
TestControl* AddControl(zForm& form, const char* cls, unsigned short type, const char* name,
                        DWORD style, int y);

}  // namespace zwt
