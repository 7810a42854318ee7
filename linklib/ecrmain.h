#pragma once
// The library's load and unload steps, apart from DllMain so that a test
// program linking the code statically can run them too.

extern const char ecr_version[];

void ecr_library_attach();
void ecr_library_detach(bool processEnding);
