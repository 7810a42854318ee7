#pragma once
// Form4 ("Informazioni"): the about box with the program's picture, its
// title and version and the version of the register link library.

#include "zcontrols.h"
#include "zform.h"

#include <array>

class _base_Form4 : public zForm {
public:
    class _base_Picture2 : public zPicture { public: void Setup() override; void Create() override; };
    class _base_info : public zStatic { public: void Setup() override; void Create() override; };
    class _base_Button7 : public zButton { public: void Setup() override; void Create() override; void OnClick() override; };

    _base_Form4();
    void Setup() override;
    void Create() override;
    void CreateChildren() override;
    void OnCreate(bool beginning) override;

    // The text of `info`: title, program version and the library's version.
    void SetInfoText();

    _base_Picture2 Picture2;
    _base_info info;
    _base_Button7 Button7;

private:
    std::array<zWindow*, 3> Controls() { return {&Picture2, &info, &Button7}; }
};

extern _base_Form4* Form4;

// Shows the about box modally (created at its first use).
void ShowAboutBox();
