#pragma once
// The font of a generated form or control: face, height and weight at the
// 8-point size the generated classes are laid out for.

#include "zwindow.h"

inline void Look(zWindow& w, const char* face, int height, int weight)
{
    w.font.face = face;
    w.font.logFont.lfHeight = height;
    w.font.logFont.lfWeight = weight;
    w.font.pointSize = 8;
}
