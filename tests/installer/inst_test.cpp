#include "inst_test.h"

#include "zapplication.h"

namespace insttest {

ScopedInstallerFolder::ScopedInstallerFolder(const std::string& folder) : saved_(zApp().folder)
{
    zApp().folder = (folder + "\\").c_str();
}

void StartInstallerFramework()
{
    static bool started = zApp().Init(GetModuleHandleA(nullptr), nullptr, SW_SHOWNORMAL);
    (void)started;
}

ScopedInstallerFolder::~ScopedInstallerFolder()
{
    zApp().folder = saved_;
}

}  // namespace insttest
