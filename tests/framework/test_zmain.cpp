// Start of the window test program: the application object once, and the
// helpers of zwintest.h.

#include "zwintest.h"

#include "zgdi.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace zwt {

std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

::testing::AssertionResult SameSequence(const std::vector<std::string>& expected,
                                        const std::vector<std::string>& actual)
{
    if (expected == actual)
        return ::testing::AssertionSuccess();
    std::ostringstream out;
    size_t n = std::max(expected.size(), actual.size());
    for (size_t i = 0; i < n; ++i) {
        const std::string e = i < expected.size() ? expected[i] : "(none)";
        const std::string a = i < actual.size() ? actual[i] : "(none)";
        out << (e == a ? "  " : "! ") << i << ": expected " << e << ", got " << a << "\n";
    }
    return ::testing::AssertionFailure() << "message sequence differs:\n" << out.str();
}

std::string Hex(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%lx", value);
    return text;
}

namespace {

std::vector<MessageRecorder*>& Recorders()
{
    static std::vector<MessageRecorder*> all;
    return all;
}

}  // namespace

MessageRecorder::MessageRecorder(HWND window, const char* tag, std::vector<Name> names)
    : window_(window), tag_(tag), names_(std::move(names))
{
    old_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
    Recorders().push_back(this);
}

MessageRecorder::~MessageRecorder()
{
    auto& all = Recorders();
    all.erase(std::find(all.begin(), all.end(), this));
    if (IsWindow(window_) &&
        GetWindowLongPtrA(window_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(Proc))
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old_));
}

LRESULT CALLBACK MessageRecorder::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    for (MessageRecorder* r : Recorders()) {
        if (r->window_ != hwnd)
            continue;
        for (const Name& n : r->names_) {
            if (n.msg == msg)
                Log().push_back(r->tag_ + ":" + n.name + " " + Hex(static_cast<unsigned long>(lParam)));
        }
        return CallWindowProcA(r->old_, hwnd, msg, wParam, lParam);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TestControl* AddControl(zForm& form, const char* cls, unsigned short type, const char* name,
                        DWORD style, int y)
{
    auto* c = new TestControl(cls, type, name);
    c->parent = &form;
    c->style = style;
    c->left = 10, c->top = y, c->width = 120, c->height = 22;
    c->Create();
    return c;
}

}  // namespace zwt

namespace {

class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(zApp().Init(GetModuleHandleA(nullptr), nullptr, SW_SHOW)); }
    void TearDown() override { zApp().Exit(); }
};

const auto* const g_env = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

}  // namespace
