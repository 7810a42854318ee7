// The "zgrid" window class. Its window procedure belongs to the window side
// of the grid, which is not part of this build yet: until it is, the class
// stays unregistered and creating a "zgrid" window fails.

#include "corvexclasses.h"

bool RegisterGridClass(HINSTANCE)
{
    return false;
}
