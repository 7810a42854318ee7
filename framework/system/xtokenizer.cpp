#include "xtokenizer.h"

#include "xalloc.h"

#include <cstdio>
#include <cstring>

xtokenizer::xtokenizer(const char* text, const char* delimiters)
    : text_(text), copy_(text), delimiters_(delimiters)
{
}

void xtokenizer::SetText(const char* text)
{
    text_ = text;
    copy_ = text_;
    token_ = nullptr;
    consumed_ = 0;
    next_ = 0;
}

void xtokenizer::SetDelimiters(const char* delimiters)
{
    delimiters_ = delimiters;
}

// One step of the strtok rule over the own copy, cut in place.
const char* xtokenizer::Advance(const char* delimiters)
{
    char* base = copy_.GetBuffer();
    size_t size = copy_.Size();
    size_t at = next_;
    while (at < size && base[at] && std::strchr(delimiters, base[at]))
        ++at;
    if (at >= size || base[at] == '\0') {
        next_ = size;
        return nullptr;
    }
    size_t end = at;
    while (end < size && base[end] && !std::strchr(delimiters, base[end]))
        ++end;
    if (end < size && base[end]) {
        base[end] = '\0';
        next_ = end + 1;
    } else {
        next_ = end;
    }
    return base + at;
}

int xtokenizer::First()
{
    copy_ = text_;  // undo the cuts of an earlier pass
    next_ = 0;
    token_ = Advance(delimiters_.c_str());
    consumed_ = token_ ? int(std::strlen(token_)) + 1 : 0;
    return consumed_;
}

xstring xtokenizer::Next()
{
    return NextToken(delimiters_.c_str());
}

xstring xtokenizer::NextToken(const char* delimiters)
{
    token_ = Advance(delimiters ? delimiters : "");
    if (token_ == nullptr)
        return xstring();
    consumed_ += int(std::strlen(token_)) + 1;
    return xstring(token_);
}

xstring xtokenizer::Token() const
{
    return xstring(token_);
}

xhextext::xhextext(int value)
    : narrow_(static_cast<char*>(xalloc(20))),
      wide_(nullptr),
      scratch_(static_cast<char*>(xalloc(20)))
{
    std::snprintf(narrow_, 20, "%X", static_cast<unsigned>(value));
    size_t n = std::strlen(narrow_);
    wide_ = static_cast<wchar_t*>(xalloc((n + 1) * sizeof(wchar_t)));
    for (size_t i = 0; i < n; ++i)
        wide_[i] = static_cast<wchar_t>(narrow_[i]);
}

xhextext::~xhextext()
{
    xfree(narrow_);
    xfree(wide_);
    xfree(scratch_);
}
