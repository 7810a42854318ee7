#pragma once
// LineScanner cuts a receipt line into tokens by the rule of xtokenizer
// (leading delimiters skipped, the delimiter after a token used up) and,
// unlike it, tells which delimiter really ended the last token, which the
// translation needs to decide whether an option carries a value.

#include <string>

class LineScanner {
public:
    LineScanner(const std::string& text, const char* delimiters) : delimiters_(delimiters)
    {
        SetText(text);
    }

    // Starts over a new text, up to its first zero byte.
    void SetText(const std::string& text)
    {
        text_.assign(text.c_str());
        pos_ = 0;
        ended_ = '\0';
    }
    void SetDelimiters(const char* delimiters) { delimiters_ = delimiters; }

    // The next token, empty when none is left.
    std::string Next() { return NextToken(delimiters_); }
    // The next token cut at these delimiters only.
    std::string NextToken(const std::string& delimiters)
    {
        size_t at = text_.find_first_not_of(delimiters, pos_);
        if (at == std::string::npos) {
            pos_ = text_.size();
            ended_ = '\0';
            return std::string();
        }
        size_t end = text_.find_first_of(delimiters, at);
        if (end == std::string::npos) {
            pos_ = text_.size();
            ended_ = '\0';
            return text_.substr(at);
        }
        pos_ = end + 1;
        ended_ = text_[end];
        return text_.substr(at, end - at);
    }
    // The delimiter after the last token; zero when the text ended it.
    char EndedBy() const { return ended_; }
    // The first character still to come that is not a blank; zero at the end.
    char NextNonBlank() const
    {
        size_t at = text_.find_first_not_of(' ', pos_);
        return at == std::string::npos ? '\0' : text_[at];
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
    std::string delimiters_;
    size_t pos_ = 0;
    char ended_ = '\0';
};
