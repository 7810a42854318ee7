#pragma once
// The file side of a receipt: which folder entries are receipts, claiming
// one for sending, reading and cleaning it, and disposing of it afterwards.

#include "commandconfig.h"

#include <string>
#include <vector>

// Whether a file entry of the shared folder is a receipt: its name and
// extension, or its extension alone, upper-cased, are accepted. With
// backup 1 the ".BAK" copies the worker itself leaves are never receipts.
bool IsReceiptName(const std::string& name, const NameList& accepted, int backup);

// While it is sent a receipt carries a working name: its own name followed
// by ".INVIO" (and a number when that name is taken). A working name is
// never a receipt, so a receipt once claimed is never read again as new.
bool IsWorkingName(const std::string& name);
// The receipt's own name inside a working name.
std::string ReceiptNameOf(const std::string& workingName);

// Whether the receipt could be claimed now: false while another program
// holds it open without delete sharing (or it is gone).
bool CanClaimReceipt(const std::string& path);
// Claims a receipt before anything of it is sent: moving it to a working
// name proves it can be disposed of afterwards. False, with the file left
// as it was, when another program holds it open without delete sharing or
// it is gone; workingPath then is empty.
bool ClaimReceipt(const std::string& path, std::string& workingPath);

// The whole file; false when it cannot be opened or read.
bool ReadReceiptFile(const std::string& path, std::string& text);

// Lines of a receipt text: split at CR and LF, comments from ";" cut,
// trimmed as the framework trims (control characters too, so a DOS
// end-of-file mark is no line), empty lines dropped; when translating
// (proto 0) every double quote becomes 0xB4.
std::vector<std::string> CleanReceipt(const std::string& text, int proto);

// The same path with its extension replaced by ".BAK".
std::string BackupName(const std::string& path);

// A sent receipt, held under its working name, renamed to the receipt's
// ".BAK" name (replacing an older one) when backup is 1, else deleted;
// false when that failed.
bool DisposeReceipt(const std::string& workingPath, const std::string& receiptPath, int backup);
