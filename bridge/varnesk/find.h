#pragma once
// _base_Form3 ("Trova"): the find dialog of the text window. It keeps the
// last pattern and options between openings, so F3 repeats the search
// without it.

#include "zcontrols.h"
#include "zform.h"

#include <array>

class _base_Form3 : public zForm {
public:
    class _base_trova : public zEdit { public: void Setup() override; void Create() override; void OnChange() override; };
    class _base_words : public zButton { public: void Setup() override; void Create() override; };
    class _base_cases : public zButton { public: void Setup() override; void Create() override; };
    class _base_search : public zButton { public: void Setup() override; void Create() override; void OnClick() override; };
    class _base_Button6 : public zButton { public: void Setup() override; void Create() override; void OnClick() override; };

    enum : unsigned { FIND_WHOLEWORD = 2, FIND_MATCHCASE = 4, FIND_DEFINED = 8 };
    static const int kMaxPattern = 511;

    _base_Form3();
    void Setup() override;
    void Create() override;
    void CreateChildren() override;
    void OnCreate(bool beginning) override;
    bool QueryClose() override;

    void TakeWordAtCaret();
    void OnSearch();
    void FindAgain();
    bool FindNext();

    _base_trova trova;
    _base_words words;
    _base_cases cases;
    _base_search search;
    _base_Button6 Button6;

    char findText[512] = {};
    unsigned findFlags = 0;
    HWND targetEditor = nullptr;

private:
    std::array<zWindow*, 5> Controls() { return {&trova, &words, &cases, &search, &Button6}; }
};

extern _base_Form3* Form3;
// The dialog, made on first use.
_base_Form3* FindDialog();
