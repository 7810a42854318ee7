#include "bridgelog.h"

#include "workfile.h"
#include "xpath.h"
#include "xstring.h"
#include "xsystem.h"

#include <cstdio>

const char* const kBridgeTitle = "VELK ECR Protocol";
const char* const kBridgeVersion = "Versione 1.6 del 18/01/2013";

namespace {

void LocalClock(SYSTEMTIME* now)
{
    GetLocalTime(now);
}

LogClock g_clock = LocalClock;

std::string DatePart(const SYSTEMTIME& t)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02u%02u%04u", unsigned(t.wDay), unsigned(t.wMonth),
                  unsigned(t.wYear));
    return buf;
}

std::string TimePart(const SYSTEMTIME& t)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02u%02u%02u", unsigned(t.wHour), unsigned(t.wMinute),
                  unsigned(t.wSecond));
    return buf;
}

}  // namespace

LogClock SetLogClock(LogClock clock)
{
    LogClock old = g_clock;
    g_clock = clock ? clock : LocalClock;
    return old;
}

SYSTEMTIME LogNow()
{
    SYSTEMTIME now = {};
    g_clock(&now);
    return now;
}

std::string LogTimestamp()
{
    return LogTimestamp(LogNow());
}

std::string LogTimestamp(const SYSTEMTIME& t)
{
    const char* ds = xsys().DateSeparator();
    const char* ts = xsys().TimeSeparator();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02u%s%02u%s%04u %02u%s%02u%s%02u", unsigned(t.wDay), ds,
                  unsigned(t.wMonth), ds, unsigned(t.wYear), unsigned(t.wHour), ts,
                  unsigned(t.wMinute), ts, unsigned(t.wSecond));
    return buf;
}

std::string LogFileName(const std::string& logFolder, bool perStart, const SYSTEMTIME& when)
{
    std::string name = logFolder + "\\log_" + DatePart(when);
    if (perStart)
        name += "_" + TimePart(when);
    return name + ".LOG";
}

std::string ReceiptCopyName(const std::string& logFolder, const std::string& receiptName,
                            bool generated, const SYSTEMTIME& when)
{
    xpath parts(receiptName.c_str());
    return logFolder + "\\" + parts.GetName().c_str() + (generated ? "_X_X_" : "_") +
           DatePart(when) + "_" + TimePart(when) + parts.GetExt().c_str();
}

BridgeLog::BridgeLog()
{
    // A log that cannot be written must not stop the receipts.
    file_.SetThrow(0);
    file_.SetShow(0);
}

bool BridgeLog::Open(const std::string& logFolder, int logSetting)
{
    Close();
    path_ = LogFileName(logFolder, logSetting != 0, LogNow());
    file_.SetName(path_.c_str());
    file_.SetDisposition(OPEN_ALWAYS);
    if (!file_.Create())
        return false;
    // What this start writes begins on a line of its own, even after a
    // receipt block whose last message ends without a line break.
    HANDLE handle = file_.GetHandle();
    char last = '\n';
    DWORD got = 0;
    if (SetFilePointer(handle, -1, nullptr, FILE_END) != INVALID_SET_FILE_POINTER)
        ReadFile(handle, &last, 1, &got, nullptr);
    SetFilePointer(handle, 0, nullptr, FILE_END);
    if (got == 1 && last != '\n')
        Write("\r\n");
    return true;
}

void BridgeLog::Close()
{
    file_.Close();
}

bool BridgeLog::Write(const std::string& text)
{
    if (!file_.IsOpen())
        return false;
    file_.SetWriteBuffer(text.data(), DWORD(text.size()));
    return file_.Write();
}

void BridgeLog::WriteBanner(const LogBanner& banner)
{
    WriteLine(std::string(kBridgeTitle) + " - " + kBridgeVersion +
              " - INIZIO ELABORAZIONE: " + LogTimestamp());
    std::string port = banner.Port ? "COM" + std::to_string(banner.Port) : "LAN";
    WriteLine(">>> La porta di comunicazione \xE8: " + port);
    if (banner.Backup == 1)
        WriteLine(">>> L'opzione 'salva copia' \xE8 attiva");
    if (banner.Offline == 1)
        WriteLine(">>> L'opzione 'offline' \xE8 attiva");
    if (banner.Level & 1)
        WriteLine(">>> L'opzione 'mostra generazione scontrino xon/xoff nel file di log' \xE8 attiva");
}

void BridgeLog::WriteReceiptBlock(const std::string& receiptName, const std::string& messages)
{
    Write("\r\n" + std::string(80, '-') + "\r\nELABORAZIONE SCONTRINO - " + LogTimestamp() +
          " - FILE: " + receiptName + "\r\n" + messages);
}

void WriteReceiptOutputs(BridgeLog& log, const std::string& logFolder,
                         const std::string& receiptName, const std::vector<std::string>& lines,
                         const std::string& messages, const std::string& generated, int level)
{
    if (!IsBlank(messages.c_str())) {
        std::string copy;
        for (const std::string& line : lines)
            copy += line + "\r\n";
        std::string name = ReceiptCopyName(logFolder, receiptName, false, LogNow());
        WriteWorkFile(name.c_str(), copy.data(), copy.size());
        log.WriteReceiptBlock(receiptName, messages);
    }
    if (!IsBlank(generated.c_str()) && (level & 1)) {
        std::string name = ReceiptCopyName(logFolder, receiptName, true, LogNow());
        WriteWorkFile(name.c_str(), generated.data(), generated.size());
    }
}
