// A console program for the SHELL tests: ends with 0 when its standard
// output takes a line, 1 without a standard output handle, 2 when the
// handle it has refuses the line.

#include <windows.h>

int main()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE)
        return 1;
    const char line[] = "stdprobe\r\n";
    DWORD written = 0;
    return WriteFile(out, line, sizeof line - 1, &written, nullptr) && written == sizeof line - 1 ? 0 : 2;
}
