#pragma once
// The look of the generated forms and controls: the font at the 8-point
// size they are laid out for, and a control's name, caption, style and
// place in dialog units, in the forms' "Verdana".

#include "zform.h"
#include "zgenerated.h"
#include "zwindow.h"

#include <array>
#include <cstddef>

inline void Look(zWindow& w, const char* face, int height = -11, int weight = 400)
{
    w.font.face = face;
    w.font.logFont.lfHeight = height;
    w.font.logFont.lfWeight = weight;
    w.font.pointSize = 8;
}

inline void Place(zWindow& w, const char* name, const char* caption, DWORD style, double top,
                  double left, double width, double height)
{
    w.name = name;
    w.caption = caption;
    w.style = style;
    zSetDialogBounds(w, top, left, width, height);
    Look(w, "Verdana");
}

// A generated form's controls in declaration order: set up when the form is
// constructed, created with the form as parent when its window is.
template <std::size_t N>
void SetupControls(const std::array<zWindow*, N>& controls)
{
    for (zWindow* c : controls)
        c->Setup();
}

template <std::size_t N>
void CreateControls(zForm& form, const std::array<zWindow*, N>& controls)
{
    for (zWindow* c : controls) {
        c->parent = &form;
        c->Create();
    }
}
