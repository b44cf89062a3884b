// The font the calibration windows write their text in: the system's message
// font at a height in pixels.
#pragma once

#include <windows.h>

#include <cwchar>

inline HFONT MessageFont(int nHeight, bool bBold) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW font = {};
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        font = metrics.lfMessageFont;
    } else {
        std::wcscpy(font.lfFaceName, L"MS Shell Dlg 2");
    }
    font.lfHeight = -nHeight;
    font.lfWidth = 0;
    font.lfWeight = bBold ? FW_BOLD : FW_NORMAL;
    font.lfQuality = ANTIALIASED_QUALITY;
    return ::CreateFontIndirectW(&font);
}
