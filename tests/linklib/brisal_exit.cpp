// A host program that ends with BRISAL.dll still loaded, so the library
// sees its detach as the process goes.

#include <windows.h>

int main()
{
    return LoadLibraryA("BRISAL.dll") ? 0 : 1;
}
