// xhextext forms that the control library adds.

#include "xtokenizer.h"

#include "xalloc.h"

#include <cstdio>
#include <cstring>

namespace {

wchar_t* WideCopy(const char* narrow)
{
    size_t n = std::strlen(narrow);
    wchar_t* wide = static_cast<wchar_t*>(xalloc((n + 1) * sizeof(wchar_t)));
    for (size_t i = 0; i < n; ++i)
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(narrow[i]));
    return wide;
}

}  // namespace

xhextext::xhextext(const unsigned char* bytes, int count)
    : narrow_(static_cast<char*>(xalloc(size_t(count > 0 ? count : 0) * 2 + 1))),
      wide_(nullptr),
      scratch_(static_cast<char*>(xalloc(20)))
{
    for (int i = 0; bytes && i < count; ++i)
        std::snprintf(narrow_ + 2 * i, 3, "%02X", bytes[i]);
    wide_ = WideCopy(narrow_);
}

xhextext::xhextext(const char* text)
    : narrow_(nullptr), wide_(nullptr), scratch_(static_cast<char*>(xalloc(20)))
{
    size_t n = text ? std::strlen(text) : 0;
    narrow_ = static_cast<char*>(xalloc(n + 1));
    if (n)
        std::memcpy(narrow_, text, n);
    wide_ = WideCopy(narrow_);
}
