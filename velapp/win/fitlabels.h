// Whole captions: at start, once the captions are set, every static whose
// caption does not fit it grows where panel::FitLabel (core/labelfit.h) lets
// it, measured in its own font as it draws its text.
#pragma once

#include <windows.h>

void FitLabelsToCaptions(HWND hDlg);
