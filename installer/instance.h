#pragma once
// One installer at a time: the shared memory "WQ_SETUP" holds the running
// installer's main window.

#include "xsharedmemory.h"

// The program's single-instance memory (4 bytes; throws, shows no box).
xsharedmemory& setupInstanceMemory();

// True when no other installer runs (the memory is then created); false
// when one does, whose main window is brought to the front when it lives.
bool CheckSingleInstance(xsharedmemory& memory);

// Writes the main form's window (0 when it has none) into the memory.
void PublishMainWindow();
