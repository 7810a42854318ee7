#include "ecrstream.h"
#include "ecr_result.h"
#include "ecrtrace.h"

#include <cstdio>

int ecr_send_file_pieces(const char* path, const std::function<int(const char* piece)>& send)
{
    const long kPiece = 1024;
    long size = ecr_file_size(path);
    if (size < 0)
        return ERR_FILE_NOT_FOUND;
    if (size == 0)
        return ERR_INVALID_FILESIZE;
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return ERR_FILE_NOT_FOUND;
    char piece[kPiece + 1];
    int rc = 0;
    while (rc == 0 && size > 0) {
        size_t want = static_cast<size_t>(size < kPiece ? size : kPiece);
        size_t got = std::fread(piece, 1, want, f);
        // A file cut short while we read it would otherwise never end.
        if (got != want) {
            rc = ERR_FILE_NOT_FOUND;
            break;
        }
        piece[got] = '\0';
        rc = send(piece);
        size -= static_cast<long>(got);
    }
    std::fclose(f);
    return rc;
}
