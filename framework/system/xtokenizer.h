#pragma once
// xtokenizer splits a text at delimiter characters: leading delimiters are
// skipped and a run of delimiters counts as one. It keeps its own position,
// so tokenizers on several threads (or nested ones) do not disturb each other.

#include "xstring.h"

#include <cstddef>

class xtokenizer {
public:
    xtokenizer(const char* text = "", const char* delimiters = " ");

    // Starts over a new text (the delimiters stay).
    void SetText(const char* text);
    // The delimiters of the following calls.
    void SetDelimiters(const char* delimiters);
    const xstring& GetDelimiters() const { return delimiters_; }

    // First token; returns its length + 1 (0 when there is none), which is
    // also the consumed count from now on.
    int First();
    // Next token (empty when none); its length + 1 is added to the count.
    xstring Next();
    xstring NextToken() { return Next(); }
    // Next token cut at these delimiters only; the own set stays in force.
    xstring NextToken(const char* delimiters);
    // The current token (empty when none).
    xstring Token() const;
    bool HasToken() const { return token_ != nullptr; }
    int Consumed() const { return consumed_; }

private:
    const char* Advance(const char* delimiters);

    xstring text_;
    xstring copy_;  // cut up in place by the search
    const char* token_ = nullptr;
    xstring delimiters_;
    int consumed_ = 0;
    size_t next_ = 0;  // where the next search starts in copy_
};

// A number as "%X" narrow and wide text.
class xhextext {
public:
    explicit xhextext(int value);
    // Control-library forms (xtokenizer_corvex.cpp): bytes as upper-case hex
    // pairs, or a text as it is; each with its wide copy.
    xhextext(const unsigned char* bytes, int count);
    explicit xhextext(const char* text);
    ~xhextext();
    xhextext(const xhextext&) = delete;
    xhextext& operator=(const xhextext&) = delete;

    const char* Text() const { return narrow_; }
    const wchar_t* Wide() const { return wide_; }

private:
    char* narrow_;
    wchar_t* wide_;
    char* scratch_;
};
