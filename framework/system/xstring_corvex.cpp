// xstring members that the control library adds: number and wide-text
// assignments, searches from the end and for character sets, decimal and
// hexadecimal reading, and width formatting.

#include "xstring.h"

#include "xalloc.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

inline int Lower(char c) { return std::tolower(static_cast<unsigned char>(c)); }

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

xstring& xstring::FromShort(short value)
{
    std::snprintf(number_, sizeof number_, "%d", value);
    return *this = number_;
}

xstring& xstring::FromInt64(long long value)
{
    std::snprintf(number_, sizeof number_, "%lld", value);
    return *this = number_;
}

// A double may need more than the number area (1e300 has 301 digits): the
// area is used when the text fits, else a block of the exact size.
xstring& xstring::FromDouble(double value, int precision)
{
    if (precision < 0)
        precision = 0;
    if (precision > 30)
        precision = 30;
    int n = std::snprintf(number_, sizeof number_, "%.*f", precision, value);
    if (n >= 0 && size_t(n) < sizeof number_)
        return *this = number_;
    if (n < 0)
        return *this = "";
    std::vector<char> wide(size_t(n) + 1);
    std::snprintf(wide.data(), wide.size(), "%.*f", precision, value);
    return *this = wide.data();
}

xstring& xstring::FromWide(const wchar_t* text)
{
    char* narrow = ToNarrow(text);
    *this = narrow;
    xfree(narrow);
    return *this;
}

int xstring::FindLast(const char* pattern, int start, bool matchCase) const
{
    int last = -1;
    for (int at = Find(pattern, start, !matchCase); at >= 0; at = Find(pattern, at + 1, !matchCase))
        last = at;
    return last;
}

int xstring::FindAnyOf(const char* characters, int start, bool ignoreCase) const
{
    int len = Length();
    if (characters == nullptr || *characters == '\0' || start > len)
        return -1;
    if (start < 0)
        start = 0;
    for (int i = start; i < len; ++i) {
        for (const char* c = characters; *c; ++c) {
            bool same = ignoreCase ? Lower(*c) == Lower(text_[i]) : *c == text_[i];
            if (same)
                return i;
        }
    }
    return -1;
}

double xstring::ToDouble() const
{
    char work[32];
    std::snprintf(work, sizeof work, "%s", text_);
    NormalizeNumber(work, 32);
    return std::strtod(work, nullptr);
}

const unsigned char* xstring::FromHex(int* count)
{
    int len = Length();
    char* block = static_cast<char*>(xalloc(size_t(len / 2) + 1));
    int n = 0;
    for (int i = 0; i + 1 < len; i += 2) {
        int high = HexDigit(text_[i]);
        int low = HexDigit(text_[i + 1]);
        if (high < 0 || low < 0)
            break;
        block[n++] = char(high * 16 + low);
    }
    xfree(scratch_);
    scratch_ = block;
    if (count)
        *count = n;
    return reinterpret_cast<const unsigned char*>(scratch_);
}

const char* xstring::Format(int width, const char* format)
{
    if (width < 1 || format == nullptr)
        return text_;
    char* block = static_cast<char*>(xalloc(size_t(width) + 1));
    std::snprintf(block, size_t(width) + 1, format, width, width, text_);
    xfree(scratch_);
    scratch_ = block;
    return scratch_;
}

wchar_t* ToWide(const char* text)
{
    if (text == nullptr)
        return nullptr;
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0)
        n = 1;
    wchar_t* block = static_cast<wchar_t*>(xalloc(size_t(n) * sizeof(wchar_t)));
    MultiByteToWideChar(CP_ACP, 0, text, -1, block, n);
    return block;
}

char* ToNarrow(const wchar_t* text)
{
    if (text == nullptr)
        return nullptr;
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        n = 1;
    char* block = static_cast<char*>(xalloc(size_t(n)));
    WideCharToMultiByte(CP_ACP, 0, text, -1, block, n, nullptr, nullptr);
    return block;
}
