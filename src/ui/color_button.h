// The owner-drawn button that shows the bump colour as a swatch.
#pragma once

#include <windows.h>

void DrawColorButton(COLORREF color, const DRAWITEMSTRUCT* item);
void FillSolid(HDC dc, const RECT* rect, COLORREF color);
