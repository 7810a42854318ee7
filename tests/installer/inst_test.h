#pragma once
// Helpers of the installer tests: a scratch folder of the test's own, the
// framework's message boxes answered from a script, and a view that records
// what the installation steps show.

#include "instview.h"
#include "installlist.h"
#include "testdir.h"
#include "testutil.h"

#include "xhooks.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace insttest {

// A folder below the temporary folder, unique to this process and name;
// removed with everything in it at the end of the scope (after leaving it:
// a current folder cannot be removed).
class ScratchFolder : public testutil::TestDir {
public:
    explicit ScratchFolder(const std::string& name) : TestDir("ondrel_" + name) {}
    ~ScratchFolder() { SetCurrentDirectoryA(testutil::exe_folder().c_str()); }
};

struct Box {
    std::string text, caption;
    UINT style;
};

// Every framework box goes here: recorded, answered with the next scripted
// answer (IDOK once the script is used up).
class BoxScript {
public:
    explicit BoxScript(std::deque<int> answers = {}) : old_(xsetmessagebox(Answer))
    {
        Current() = this;
        answers_ = std::move(answers);
    }
    ~BoxScript()
    {
        xsetmessagebox(old_);
        Current() = nullptr;
    }
    BoxScript(const BoxScript&) = delete;
    BoxScript& operator=(const BoxScript&) = delete;

    std::vector<Box> boxes;
    // Runs while each box is up (a real box takes the focus, for one).
    std::function<void()> during;

private:
    static BoxScript*& Current()
    {
        static BoxScript* current = nullptr;
        return current;
    }
    static int Answer(HWND, const char* text, const char* caption, UINT style)
    {
        BoxScript* self = Current();
        if (!self)
            return IDOK;
        self->boxes.push_back({text ? text : "", caption ? caption : "", style});
        if (self->during)
            self->during();
        if (self->answers_.empty())
            return IDOK;
        int answer = self->answers_.front();
        self->answers_.pop_front();
        return answer;
    }

    std::deque<int> answers_;
    xmessageboxfn old_;
};

// Records the steps' display; the destination is the test's.
class RecordingView : public InstallView {
public:
    explicit RecordingView(std::string destination) : destination_(std::move(destination))
    {
        SetInstallView(this);
    }
    ~RecordingView() override { SetInstallView(nullptr); }
    RecordingView(const RecordingView&) = delete;
    RecordingView& operator=(const RecordingView&) = delete;

    xstring Destination() override { return destination_.c_str(); }
    void ShowProgress() override { ++shown; }
    void CloseProgress() override { ++closed; }
    void SetProgressRange(int low, int high) override { rangeLow = low, rangeHigh = high; }
    void SetProgressPosition(int position) override { positions.push_back(position); }
    void SetStepText(const char* text) override { stepTexts.push_back(text); }
    bool AppendNotes(const char* text) override
    {
        notes += text;
        return true;
    }
    void SetStatusText(const char* text) override { status.push_back(text); }

    int shown = 0, closed = 0, rangeLow = 0, rangeHigh = 0;
    std::vector<int> positions;
    std::vector<std::string> stepTexts, status;
    std::string notes;

private:
    std::string destination_;
};

// The install log opened on a file of the test (closed at the end).
class ScopedLog {
public:
    explicit ScopedLog(const std::string& path) : path_(path)
    {
        xfile& log = installLog();
        log.Close();
        log.SetName(path.c_str());
        log.SetDisposition(CREATE_ALWAYS);
        log.Create();
    }
    ~ScopedLog() { installLog().Close(); }
    ScopedLog(const ScopedLog&) = delete;
    ScopedLog& operator=(const ScopedLog&) = delete;

    std::vector<std::string> Lines() const { return testutil::lines_of(testutil::read_file(path_)); }

private:
    std::string path_;
};

// The global list emptied before and after a test.
class ScopedList {
public:
    ScopedList() { installList().Reset(); }
    ~ScopedList() { installList().Reset(); }
    ScopedList(const ScopedList&) = delete;
    ScopedList& operator=(const ScopedList&) = delete;
    InstallList& operator*() { return installList(); }
    InstallList* operator->() { return &installList(); }
};

// The installer's own folder, as the steps read it, set for a scope.
class ScopedInstallerFolder {
public:
    explicit ScopedInstallerFolder(const std::string& folder);
    ~ScopedInstallerFolder();
    ScopedInstallerFolder(const ScopedInstallerFolder&) = delete;
    ScopedInstallerFolder& operator=(const ScopedInstallerFolder&) = delete;

private:
    xstring saved_;
};

// The application object started as the installer starts it (once per
// test program): DDE, the installer's message boxes.
void StartInstallerFramework();

// The test components: version 1 and 2 of one DLL beside the test program.
inline std::string Component(int version)
{
    return testutil::exe_folder() + "\\instcomp" + std::to_string(version) + ".dll";
}

// The first number of a file's version, 0 without one.
inline int FileMajorVersion(const std::string& path)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (!size)
        return 0;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data()))
        return 0;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info)
        return 0;
    return int(HIWORD(info->dwFileVersionMS));
}

}  // namespace insttest
