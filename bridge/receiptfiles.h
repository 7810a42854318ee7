#pragma once
// The file side of a receipt: which folder entries are receipts, reading
// and cleaning one, and disposing of it afterwards.

#include "commandconfig.h"

#include <string>
#include <vector>

// Whether a file entry of the shared folder is a receipt: its name and
// extension, or its extension alone, upper-cased, are accepted. With
// backup 1 the ".BAK" copies the worker itself leaves are never receipts.
bool IsReceiptName(const std::string& name, const NameList& accepted, int backup);

// The whole file; false when it cannot be opened or read (locked by the
// shop program, vanished), so it can stay for the next pass.
bool ReadReceiptFile(const std::string& path, std::string& text);

// Lines of a receipt text: split at CR and LF, comments from ";" cut,
// blank lines dropped, trimmed; when translating (proto 0) every double
// quote becomes 0xB4.
std::vector<std::string> CleanReceipt(const std::string& text, int proto);

// The same path with its extension replaced by ".BAK".
std::string BackupName(const std::string& path);

// Renames to ".BAK" (replacing an older one) when backup is 1, else
// deletes; false when that failed.
bool DisposeReceipt(const std::string& path, int backup);
