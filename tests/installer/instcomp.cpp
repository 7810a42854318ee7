// A component with a version resource, for the version-checked installation
// tests (built twice, as version 1 and version 2).
#include <windows.h>

extern "C" __declspec(dllexport) int instcomp_version()
{
    return INSTCOMP_VERSION;
}
