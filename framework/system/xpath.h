#pragma once
// xpath: a full path split into drive, folder, name and extension, and
// paths built back from those parts. Parts are texts of any length, so
// long and UNC paths split without truncation.

#include "xstring.h"

#include <windows.h>

class xpath {
public:
    xpath() = default;
    explicit xpath(const char* fullPath) { Split(fullPath); }

    void Split(const char* fullPath);
    // Drive + folder + name + the given extension, kept as the working path.
    xstring MakePath(const char* extension);

    xstring GetFullPath() const { return working_; }
    xstring GetDrive() const { return drive_; }
    xstring GetFolder() const;
    xstring GetName() const { return name_; }
    xstring GetExt() const { return ext_; }

    // Control-library additions (xpath_corvex.cpp): the program the system
    // opens the file with (the path itself when none), and icons from it.
    xstring AssociatedProgram() const;
    HICON AssociatedIcon(int index) const;
    HICON ProgramIcon() const;

private:
    xstring full_;
    xstring working_;
    xstring drive_;
    xstring folder_;
    xstring name_;
    xstring ext_;
};
