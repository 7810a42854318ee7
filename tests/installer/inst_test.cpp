#include "inst_test.h"

#include "zapplication.h"

namespace insttest {

ScopedInstallerFolder::ScopedInstallerFolder(const std::string& folder) : saved_(zApp().folder)
{
    zApp().folder = (folder + "\\").c_str();
}

ScopedInstallerFolder::~ScopedInstallerFolder()
{
    zApp().folder = saved_;
}

}  // namespace insttest
