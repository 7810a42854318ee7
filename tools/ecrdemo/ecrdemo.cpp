// Loads BRISAL.dll, prints its version and pings a register address.
// Usage: ecrdemo [host]   (default 127.0.0.1)

#include "brisal.h"

#include <cstdio>

int main(int argc, char** argv)
{
    const char* host = argc > 1 ? argv[1] : "127.0.0.1";
    char version[32];
    std::printf("%s\n", ecr_get_ver(version));

    int rc = ecr_ping(host, 2);
    char text[25];
    std::printf("ecr_ping %s: %s\n", host, ecr_get_err(rc, text));
    return rc == 0 ? 0 : 1;
}
