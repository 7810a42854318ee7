#pragma once
// The bridge log in the shared folder's "log" subfolder: its file names,
// the timestamp, the start banner, the receipt blocks and the copies of
// receipts and of the command text generated for them.

#include "xfile.h"

#include <windows.h>

#include <string>
#include <vector>

// The clock behind every timestamp and file name (local time unless a test
// sets its own); returns the previous one. nullptr restores local time.
using LogClock = void (*)(SYSTEMTIME* now);
LogClock SetLogClock(LogClock clock);
SYSTEMTIME LogNow();

// DD/MM/YYYY HH:MM:SS with the system's date and time separators.
std::string LogTimestamp();
std::string LogTimestamp(const SYSTEMTIME& when);

// logFolder + "\log_DDMMYYYY.LOG", or with "_HHMMSS" when perStart.
std::string LogFileName(const std::string& logFolder, bool perStart, const SYSTEMTIME& when);
// logFolder + "\" + name + ("_" or "_X_X_") + DDMMYYYY_HHMMSS + extension.
std::string ReceiptCopyName(const std::string& logFolder, const std::string& receiptName,
                            bool generated, const SYSTEMTIME& when);

// What the start banner reports.
struct LogBanner {
    int Port = 0;
    int Backup = 0;
    int Offline = 0;
    int Level = 0;
};

extern const char* const kBridgeTitle;
extern const char* const kBridgeVersion;

class BridgeLog {
public:
    BridgeLog();
    BridgeLog(const BridgeLog&) = delete;
    BridgeLog& operator=(const BridgeLog&) = delete;

    // Opens the day's file (log setting 0) or a file of this start, for
    // appending: a second load on the same day keeps what the first wrote,
    // and its text begins on a new line.
    bool Open(const std::string& logFolder, int logSetting);
    void Close();
    bool IsOpen() const { return file_.IsOpen(); }
    std::string Path() const { return path_; }

    bool Write(const std::string& text);
    bool WriteLine(const std::string& text) { return Write(text + "\r\n"); }
    void WriteBanner(const LogBanner& banner);
    // The block of a receipt that produced messages.
    void WriteReceiptBlock(const std::string& receiptName, const std::string& messages);

private:
    xfile file_;
    std::string path_;
};

// End of a receipt: with messages, the receipt copy and the block; with
// generated text and bit 0 of level, the "_X_X_" copy.
void WriteReceiptOutputs(BridgeLog& log, const std::string& logFolder,
                         const std::string& receiptName, const std::vector<std::string>& lines,
                         const std::string& messages, const std::string& generated, int level);
