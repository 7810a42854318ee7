#pragma once
// Pieces of the ODBC connection functions that have no driver in them, kept
// apart so they can be checked on their own.

#include <string>
#include <vector>

// A text of the library's string table, in the 80-byte buffer it has always had.
class ZdbText {
public:
    explicit ZdbText(unsigned id);
    const char* c_str() const { return text_; }

private:
    char text_[80];
};

// Body of zDBError's box: the message with the extra text on its own line,
// upper-cased and cut to the box's buffer; duplicate keys get the shop's own words.
std::string ZdbBoxText(const char* message, const char* extra);

// Statements of a script file of one statement per line (empty lines vanish).
std::vector<std::string> ZdbScriptLines(const std::string& text);

// The statement of a script file that is one statement, up to a zero byte.
// The file's last character is dropped when it does not belong to the
// statement (";", blank, line end, end-of-file mark) and kept otherwise;
// blanks and line ends left at the end go too.
std::string ZdbScriptStatement(const std::string& text);

// The table part of a possibly qualified name ("catalog.schema.table").
std::string ZdbTablePart(const char* name);
