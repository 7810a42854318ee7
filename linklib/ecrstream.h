#pragma once
// What the TCP and the serial command stream share: sending a file of
// command text.

#include <functional>

// Command text from a file, handed to `send` in NUL-terminated pieces of at
// most 1024 bytes (a NUL inside a piece ends what is sent of it). 0, the
// first failing send's result, ERR_FILE_NOT_FOUND (missing, or cut short
// while read) or ERR_INVALID_FILESIZE (empty).
int ecr_send_file_pieces(const char* path, const std::function<int(const char* piece)>& send);
