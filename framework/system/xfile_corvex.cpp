// xfile members that the control library adds: flush, seek, byte-range
// locks and hex dumps.

#include "xfile.h"

#include "xexceptions.h"
#include "xsystem.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

// No width would never end a dump: it takes one byte a line.
int PerLine(int bytesPerLine)
{
    return bytesPerLine < 1 ? 1 : bytesPerLine;
}

// The offset field is seven bytes: six hex digits and a blank.
constexpr size_t kOffsetField = 7;

// Offset field, then "XX " per byte, a blank, the bytes as characters, CR
// LF; a short last line is padded with blanks. The offset is always the
// true one: from 16 MB on its digits take the blank's place, and past 256 MB
// they widen the field.
std::string DumpLine(const unsigned char* bytes, int count, int perLine, unsigned long long offset)
{
    char digits[24];
    std::snprintf(digits, sizeof digits, "%06llX", offset);
    std::string line(digits);
    if (line.size() < kOffsetField)
        line += ' ';
    for (int i = 0; i < perLine; ++i) {
        char hex[4] = "   ";
        if (i < count)
            std::snprintf(hex, sizeof hex, "%02X ", bytes[i]);
        line += hex;
    }
    line += ' ';
    for (int i = 0; i < perLine; ++i) {
        unsigned char c = i < count ? bytes[i] : ' ';
        line += (c >= 0x20 && c < 0x7F) ? char(c) : '.';
    }
    line += "\r\n";
    return line;
}

}  // namespace

bool xfile::Flush()
{
    lastError_ = 0;
    // A closed handle reads as the process pseudo-handle: never hand it on.
    if (IsOpen() && FlushFileBuffers(handle_))
        return true;
    lastError_ = IsOpen() ? int(::GetLastError()) : ERROR_INVALID_HANDLE;
    Error("xfile::Flush", 127);
    return false;
}

long long xfile::Seek(LONG distanceLow, LONG distanceHigh, DWORD method)
{
    lastError_ = 0;
    if (!IsOpen())
        return -1;
    LONG high = distanceHigh;
    DWORD low = SetFilePointer(handle_, distanceLow, &high, method);
    if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) {
        lastError_ = int(::GetLastError());
        if (show_ == 1)
            xsys().ShowError("xfile::Seek", DWORD(lastError_));
        return -1;
    }
    return (static_cast<long long>(high) << 32) | low;
}

bool xfile::LockFile(DWORD offset, DWORD length)
{
    lastError_ = 0;
    if (::LockFile(handle_, offset, 0, length, 0))
        return true;
    lastError_ = int(::GetLastError());
    return false;
}

bool xfile::UnlockFile(DWORD offset, DWORD length)
{
    lastError_ = 0;
    if (::UnlockFile(handle_, offset, 0, length, 0))
        return true;
    lastError_ = int(::GetLastError());
    return false;
}

bool xfile::HexDump(const void* data, DWORD length, unsigned long long startOffset,
                    int bytesPerLine)
{
    const int perLine = PerLine(bytesPerLine);
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::string text;
    try {
        for (DWORD at = 0, count = 0; bytes && at < length; at += count) {
            count = length - at < DWORD(perLine) ? length - at : DWORD(perLine);
            text += DumpLine(bytes + at, int(count), perLine, startOffset + at);
        }
    } catch (const std::exception&) {
        lastError_ = ERROR_NOT_ENOUGH_MEMORY;  // lines wider than memory holds
        Error("xfile::Write", 125);
        return false;
    }
    return WriteString(text.c_str());
}

// The dump goes through its own buffer when none is set, so no block is
// left behind in this object; a failure on either side ends it quietly.
bool xfile::Read(const char* targetPath, int bytesPerLine)
{
    const int perLine = PerLine(bytesPerLine);
    // Blocks of 1024 lines, or as many whole lines as a 32-bit count holds.
    const DWORD block = DWORD(perLine) <= MAXDWORD / 1024 ? DWORD(perLine) * 1024
                                                           : MAXDWORD / perLine * perLine;
    std::vector<unsigned char> own;
    void* savedBuffer = readBuffer_;
    DWORD savedCount = toRead_;
    bool ok = true;
    try {
        if (readBuffer_ == nullptr || toRead_ < block) {
            own.resize(block);
            readBuffer_ = own.data();
        }
        toRead_ = block;
        xfile target;
        target.SetDisposition(CREATE_ALWAYS);
        target.SetAccess(GENERIC_WRITE);
        target.Open(targetPath);
        unsigned long long offset = 0;
        while (Read()) {
            target.HexDump(readBuffer_, bytesRead_, offset, perLine);
            offset += bytesRead_;
        }
        ok = lastError_ == 0;
    } catch (const xexceptions& e) {
        ok = e.GetSystemError() == 0;  // reaching the end of the file is the normal stop
    } catch (const std::exception&) {
        ok = false;  // blocks or lines too big for memory
    }
    readBuffer_ = savedBuffer;
    toRead_ = savedCount;
    return ok;
}
