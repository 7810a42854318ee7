#pragma once
// xstring: the framework's owned, zero-terminated 8-bit text. Every change
// builds a fresh block from the framework allocator; copies copy the text.

#include <cstddef>

class xstring {
public:
    xstring();
    xstring(const char* text);  // NOLINT: texts convert implicitly, as everywhere in the framework
    xstring(const char* bytes, size_t count);
    xstring(const xstring& other);
    xstring(xstring&& other) noexcept;
    ~xstring();

    xstring& operator=(const char* text);
    xstring& operator=(const xstring& other);
    xstring& operator=(xstring&& other) noexcept;
    xstring& operator+=(const char* text);
    xstring& operator+=(const xstring& other);

    xstring& FromInt(int value);
    xstring& FromULong(unsigned long value);
    xstring& FromLong(long value);
    xstring& FromUnsigned(unsigned value);
    xstring& FromUnsignedShort(unsigned value);
    // Control-library number and wide-text assignments (xstring_corvex.cpp).
    xstring& FromShort(short value);
    xstring& FromInt64(long long value);
    xstring& FromDouble(double value, int precision);
    xstring& FromWide(const wchar_t* text);  // converted to 8-bit; null gives empty
    xstring& Space(int n);
    void Reserve(unsigned n);
    // The whole content of a file, zero bytes included; empty on any failure.
    static xstring FromFile(const char* path);

    const char* c_str() const { return text_; }
    operator const char*() const { return text_; }
    char* GetBuffer() { return text_; }
    // Characters before the terminator; Size() counts every byte held
    // (a file read by FromFile may hold zero bytes inside).
    int Length() const;
    size_t Size() const { return size_; }
    size_t Capacity() const { return capacity_; }

    bool operator!=(const char* text) const;
    bool operator==(const char* text) const { return !(*this != text); }
    bool IsBlank() const;
    int Find(const char* pattern, int start = 0, bool ignoreCase = false) const;
    int ToInt() const;
    const char* Substr(int position, int length);
    xstring Mid(int position, int length = -1) const;
    xstring Right(int n) const;
    bool Found() const { return found_ != 0; }
    // Last occurrence at or after start; letter case ignored without matchCase.
    int FindLast(const char* pattern, int start = 0, bool matchCase = true) const;
    int FindAnyOf(const char* characters, int start = 0, bool ignoreCase = false) const;
    // "," is the decimal point; a "." counts only when no "," is present.
    double ToDouble() const;
    // Bytes of the leading pairs of hexadecimal digits (0-9, A-F), in the
    // scratch block (valid until the next scratch use); *count gets their number.
    const unsigned char* FromHex(int* count);
    // printf(format, width, width, text) into the scratch block of width + 1.
    const char* Format(int width, const char* format);

    void Insert(int position, const char* text, bool keepTail = true);
    void Delete(int position, int n);
    void Replace(const char* pattern, const char* replacement, bool all = true,
                 bool ignoreCase = false);
    xstring TrimRight();
    xstring TrimLeft();
    xstring Trim();
    // A copy upper-cased by the ANSI code page's rules (CharUpperA).
    xstring Upper() const;

private:
    void Adopt(char* block, size_t size, size_t capacity);
    void Assign(const char* bytes, size_t count);
    bool Inside(const char* p) const;
    void Clamp(int& position, int& length) const;

    char* text_;
    int counter_ = 0;
    char* scratch_ = nullptr;
    char number_[32] = {};
    size_t size_ = 0;
    size_t capacity_ = 0;
    unsigned char found_ = 0;
};

xstring operator+(const xstring& a, const xstring& b);
xstring operator+(const char* a, const xstring& b);
xstring operator+(const xstring& a, const char* b);

// 8-bit and wide texts as new blocks (free with xfree); null gives null.
wchar_t* ToWide(const char* text);
char* ToNarrow(const wchar_t* text);

// Text functions shared by the framework's classes, in place on a buffer.
bool IsBlank(const char* text);
char* TrimRight(char* text, char ch);
char* TrimLeft(char* text, char ch);
// Keeps the characters of a typed number (mode 32: decimal); at most 31 kept.
char* NormalizeNumber(char* text, int mode);
