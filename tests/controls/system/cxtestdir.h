#pragma once
// A fresh folder of the test's own under the temp folder, removed with
// everything in it at the end of the test.

#include "testdir.h"

#include <string>

class CxTestDir : public testutil::TestDir {
public:
    explicit CxTestDir(const char* name) : TestDir(std::string("cxsys_") + name) {}
    static void Remove(const std::string& folder) { testutil::remove_tree(folder); }
};
