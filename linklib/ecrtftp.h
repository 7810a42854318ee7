#pragma once
// The register's file channel: a reduced TFTP in octet mode. Requests go to
// UDP port 500 of the register; a transfer then stays with the port that the
// register's first DATA or ACK came from (500 itself, for the register).

#include <cstdint>

#define TFTP_PORT 500
#define TFTP_BLOCK_SIZE 512
// Receive and packet buffers; a request holds a base name of at most
// TFTP_MAX_NAME bytes.
#define TFTP_BUFFER_SIZE 1024
#define TFTP_MAX_NAME 512

enum tftp_opcode {
    TFTP_RRQ = 1,
    TFTP_WRQ = 2,
    TFTP_DATA = 3,
    TFTP_ACK = 4,
    TFTP_ERROR = 5,
};

// The packets' 16-bit numbers, big-endian.
inline unsigned tftp_get16(const char* p)
{
    return (static_cast<unsigned char>(p[0]) << 8) | static_cast<unsigned char>(p[1]);
}

inline void tftp_put16(char* p, unsigned value)
{
    p[0] = static_cast<char>((value >> 8) & 0xFF);
    p[1] = static_cast<char>(value & 0xFF);
}

// Request packet for the base name of `path` (the part behind its last
// backslash) into `buffer` (TFTP_BUFFER_SIZE bytes); returns its length,
// 9 bytes more than the name.
int tftp_build_request(char* buffer, int opcode, const char* path);

// Fetches the register file named by the base name of `path` into the local
// file `path`; 0 or ERR_SOCKET_OPEN, ERR_TIMEOUT, ERR_TRANSFER_FAILED,
// ERR_FILE_CREATION (the local file could not be created or written). A
// failed read leaves no local file. `missing` (optional)
// tells a refusal for a file the register does not have (ERROR 1) from a
// transfer that broke off: both end in ERR_TRANSFER_FAILED.
int tftp_get(uint32_t ip, const char* path, bool* missing = nullptr);

// Sends the local file `path` under its base name, as many bytes as it had
// at the start; 0 or ERR_SOCKET_OPEN, ERR_TIMEOUT, ERR_TRANSFER_FAILED,
// ERR_FILE_NOT_FOUND (missing, or a read that came up short).
int tftp_put(uint32_t ip, const char* path);
