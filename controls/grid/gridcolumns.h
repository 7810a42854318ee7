#pragma once
// Column records: adding, look-up combo boxes and freeing. Columns count
// from 1.

#include "gridinfo.h"

// The boolean column's texts by the user's language ("Sì" for Italian).
const char* GridYesText();
const char* GridNoText();

// The add-item step of a column's look-up combo box (created on first use).
void GridColComboAdd(HWND grid, GRIDINFO* gi, int column, const char* text);
// Item data of the item added last.
void GridColComboSetData(GRIDINFO* gi, int column, LPARAM data);
void GridColComboReset(GRIDINFO* gi, int column);
void GridColComboDestroy(HWND grid, GRIDINFO* gi, int column);

// Frees every column (texts, combo boxes, buffers' owner array) and the keys.
void GridFreeColumns(HWND grid, GRIDINFO* gi);
