#include "xstring.h"

#include "xalloc.h"
#include "xfile.h"

#include <windows.h>

#include <climits>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Character tests on bytes >= 0x80 (Italian letters) need unsigned values.
inline bool IsSpaceChar(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
inline bool IsCntrlChar(char c) { return std::iscntrl(static_cast<unsigned char>(c)) != 0; }
inline bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }
inline int Lower(char c) { return std::tolower(static_cast<unsigned char>(c)); }

char* NewBlock(const char* bytes, size_t count)
{
    char* block = static_cast<char*>(xalloc(count + 1));
    if (count)
        std::memcpy(block, bytes, count);
    return block;
}

}  // namespace

xstring::xstring() : text_(NewBlock(nullptr, 0)), capacity_(1) {}

xstring::xstring(const char* text) : xstring(text, text ? std::strlen(text) : 0) {}

xstring::xstring(const char* bytes, size_t count)
    : text_(NewBlock(bytes, count)), size_(count), capacity_(count + 1)
{
}

xstring::xstring(const xstring& other) : xstring(other.text_, other.size_) {}

xstring::xstring(xstring&& other) noexcept
    : text_(other.text_), size_(other.size_), capacity_(other.capacity_)
{
    other.text_ = NewBlock(nullptr, 0);
    other.size_ = 0;
    other.capacity_ = 1;
}

xstring::~xstring()
{
    xfree(text_);
    xfree(scratch_);
}

void xstring::Adopt(char* block, size_t size, size_t capacity)
{
    xfree(text_);
    text_ = block;
    size_ = size;
    capacity_ = capacity;
}

// The new block is filled before the old one goes, so a source inside this
// string's own memory stays valid while it is copied.
void xstring::Assign(const char* bytes, size_t count)
{
    Adopt(NewBlock(bytes, count), count, count + 1);
}

bool xstring::Inside(const char* p) const
{
    return p >= text_ && p < text_ + capacity_;
}

xstring& xstring::operator=(const char* text)
{
    Assign(text, text ? std::strlen(text) : 0);
    return *this;
}

xstring& xstring::operator=(const xstring& other)
{
    if (this != &other)
        Assign(other.text_, other.size_);
    return *this;
}

xstring& xstring::operator=(xstring&& other) noexcept
{
    if (this != &other) {
        Adopt(other.text_, other.size_, other.capacity_);
        other.text_ = NewBlock(nullptr, 0);
        other.size_ = 0;
        other.capacity_ = 1;
    }
    return *this;
}

xstring& xstring::operator+=(const char* text)
{
    if (text == nullptr || *text == '\0')
        return *this;
    size_t add = std::strlen(text);
    size_t len = std::strlen(text_);
    std::string copy;
    if (Inside(text)) {  // xrealloc may move the block the source lives in
        copy.assign(text, add);
        text = copy.c_str();
    }
    if (len + add + 1 > capacity_) {
        text_ = static_cast<char*>(xrealloc(text_, len + add + 1));
        capacity_ = len + add + 1;
    }
    std::memcpy(text_ + len, text, add);
    text_[len + add] = '\0';
    size_ = len + add;
    return *this;
}

xstring& xstring::operator+=(const xstring& other)
{
    return *this += other.text_;
}

xstring& xstring::FromInt(int value)
{
    std::snprintf(number_, sizeof number_, "%d", value);
    return *this = number_;
}

xstring& xstring::FromULong(unsigned long value)
{
    std::snprintf(number_, sizeof number_, "%lu", value);
    return *this = number_;
}

xstring& xstring::FromLong(long value)
{
    std::snprintf(number_, sizeof number_, "%ld", value);
    return *this = number_;
}

xstring& xstring::FromUnsigned(unsigned value)
{
    std::snprintf(number_, sizeof number_, "%u", value);
    return *this = number_;
}

xstring& xstring::FromUnsignedShort(unsigned value)
{
    std::snprintf(number_, sizeof number_, "%u", value & 0xFFFFu);
    return *this = number_;
}

xstring& xstring::Space(int n)
{
    if (n > 0) {
        char* block = static_cast<char*>(xalloc(size_t(n) + 1));
        std::memset(block, ' ', size_t(n));
        Adopt(block, size_t(n), size_t(n) + 1);
    }
    return *this;
}

void xstring::Reserve(unsigned n)
{
    if (n == 0)
        return;
    text_ = static_cast<char*>(xrealloc(text_, capacity_ + n));
    capacity_ += n;
}

xstring xstring::FromFile(const char* path)
{
    xfile file;
    file.SetDisposition(OPEN_EXISTING);
    file.SetAccess(GENERIC_READ);
    file.SetShareMode(FILE_SHARE_READ | FILE_SHARE_WRITE);
    file.SetThrow(0);
    file.SetShow(0);
    if (path == nullptr || !file.Open(path))
        return xstring();
    DWORD high = 0;
    DWORD low = GetFileSize(file.GetHandle(), &high);
    if (low == INVALID_FILE_SIZE || high != 0 || low >= 0x7FFFFFFF)
        return xstring();
    xstring result;
    result.Adopt(static_cast<char*>(xalloc(size_t(low) + 1)), low, size_t(low) + 1);
    size_t have = 0;
    while (have < low) {
        file.SetReadBuffer(result.text_ + have, DWORD(low - have));
        if (!file.Read())
            return xstring();
        have += file.GetBytesRead();
    }
    return result;
}

int xstring::Length() const
{
    return int(std::strlen(text_));
}

bool xstring::operator!=(const char* text) const
{
    return std::strcmp(text_, text ? text : "") != 0;
}

bool xstring::IsBlank() const
{
    return ::IsBlank(text_);
}

int xstring::Find(const char* pattern, int start, bool ignoreCase) const
{
    if (pattern == nullptr || *pattern == '\0')
        return -1;
    int len = Length();
    if (start < 0)
        start = 0;
    if (start > len)
        return -1;
    size_t plen = std::strlen(pattern);
    for (int at = start; size_t(len - at) >= plen; ++at) {
        size_t i = 0;
        if (ignoreCase) {
            while (i < plen && Lower(text_[at + i]) == Lower(pattern[i]))
                ++i;
        } else {
            while (i < plen && text_[at + i] == pattern[i])
                ++i;
        }
        if (i == plen)
            return at;
    }
    return -1;
}

// Separators are dropped ("1.234,56" reads 123456); a number beyond the
// range of int saturates instead of wrapping.
int xstring::ToInt() const
{
    std::string kept;
    for (const char* p = text_; *p; ++p)
        if (*p == '+' || *p == '-' || IsDigitChar(*p))
            kept += *p;
    size_t i = 0;
    bool negative = false;
    if (i < kept.size() && (kept[i] == '+' || kept[i] == '-'))
        negative = kept[i++] == '-';
    long long value = 0;
    for (; i < kept.size() && IsDigitChar(kept[i]); ++i) {
        value = value * 10 + (kept[i] - '0');
        if (value > (long long)INT_MAX + 1)
            value = (long long)INT_MAX + 1;
    }
    if (negative)
        return value > INT_MAX ? INT_MIN : -int(value);
    return value > INT_MAX ? INT_MAX : int(value);
}

// A negative position counts from 0; a negative or too long length takes
// what remains of the text.
void xstring::Clamp(int& position, int& length) const
{
    int len = Length();
    if (position < 0)
        position = 0;
    if (length < 0 || length > len - position)
        length = len - position;
}

const char* xstring::Substr(int position, int length)
{
    if (position > Length())
        return text_;
    Clamp(position, length);
    char* block = NewBlock(text_ + position, size_t(length));
    xfree(scratch_);
    scratch_ = block;
    return scratch_;
}

xstring xstring::Mid(int position, int length) const
{
    if (position > Length())
        return *this;
    Clamp(position, length);
    return xstring(text_ + position, size_t(length));
}

xstring xstring::Right(int n) const
{
    int len = Length();
    if (n <= 0)
        return xstring();
    if (n > len)
        n = len;
    return xstring(text_ + len - n, size_t(n));
}

void xstring::Insert(int position, const char* text, bool keepTail)
{
    int len = Length();
    if (position < 0 || position > len)
        return;
    size_t add = text ? std::strlen(text) : 0;
    size_t tail = keepTail ? size_t(len - position) : 0;
    size_t total = size_t(position) + add + tail;
    char* block = static_cast<char*>(xalloc(total + 1));
    std::memcpy(block, text_, size_t(position));
    if (add)
        std::memcpy(block + position, text, add);
    std::memcpy(block + position + add, text_ + position, tail);
    Adopt(block, total, total + 1);
}

void xstring::Delete(int position, int n)
{
    int len = Length();
    if (position < 0 || n < 0 || position > len || len - position < n)
        return;
    std::string rest(text_ + position + n);
    std::string head(text_, size_t(position));
    Assign((head + rest).c_str(), head.size() + rest.size());
}

void xstring::Replace(const char* pattern, const char* replacement, bool all, bool ignoreCase)
{
    found_ = 0;
    if (pattern == nullptr || *pattern == '\0')
        return;
    // Both may point into this string's own block, which every edit replaces.
    const std::string pat(pattern);
    const std::string rep(replacement ? replacement : "");
    if (pat == rep)
        return;
    int at = Find(pat.c_str(), 0, ignoreCase);
    while (at >= 0) {
        Delete(at, int(pat.size()));
        Insert(at, rep.c_str(), true);
        found_ = 1;
        if (!all)
            break;
        at = Find(pat.c_str(), at + int(rep.size()), ignoreCase);
    }
}

xstring xstring::TrimRight()
{
    ::TrimRight(text_, ' ');
    size_ = std::strlen(text_);
    return *this;
}

xstring xstring::TrimLeft()
{
    ::TrimLeft(text_, ' ');
    size_ = std::strlen(text_);
    return *this;
}

xstring xstring::Trim()
{
    TrimRight();
    return TrimLeft();
}

xstring xstring::Upper() const
{
    xstring copy(*this);
    CharUpperA(copy.text_);
    return copy;
}

xstring operator+(const xstring& a, const xstring& b)
{
    xstring r(a);
    r += b;
    return r;
}

xstring operator+(const char* a, const xstring& b)
{
    xstring r(a);
    r += b;
    return r;
}

xstring operator+(const xstring& a, const char* b)
{
    xstring r(a);
    r += b;
    return r;
}

bool IsBlank(const char* text)
{
    if (text == nullptr)
        return true;
    for (; *text; ++text)
        if (!IsSpaceChar(*text))
            return false;
    return true;
}

namespace {
inline bool Trimmable(char c, char ch) { return c == ch || IsSpaceChar(c) || IsCntrlChar(c); }
}  // namespace

char* TrimRight(char* text, char ch)
{
    if (text == nullptr)
        return nullptr;
    size_t n = std::strlen(text);
    while (n > 0 && Trimmable(text[n - 1], ch))
        text[--n] = '\0';
    return text;
}

char* TrimLeft(char* text, char ch)
{
    if (text == nullptr)
        return nullptr;
    char* p = text;
    while (*p && Trimmable(*p, ch))
        ++p;
    if (p != text)
        std::memmove(text, p, std::strlen(p) + 1);
    return text;
}

char* NormalizeNumber(char* text, int mode)
{
    if (text == nullptr)
        return nullptr;
    const bool decimal = mode == 32;
    const bool hasComma = std::strchr(text, ',') != nullptr;
    char kept[32];
    size_t n = 0;
    bool dotKept = false;
    for (const char* p = text; *p && n < 31; ++p) {
        char c = *p;
        if (c == '+' || c == '-' || IsDigitChar(c))
            kept[n++] = c;
        else if (decimal && c == ',')
            kept[n++] = '.';
        else if (decimal && c == '.' && !hasComma && !dotKept) {
            kept[n++] = '.';
            dotKept = true;
        }
    }
    kept[n] = '\0';
    std::memcpy(text, kept, n + 1);
    return text;
}
