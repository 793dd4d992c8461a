#include "ui/color_button.h"

namespace {

// 8x8 checkerboard; rows of a monochrome bitmap are word-aligned.
const BYTE kFocusPattern[16] = {0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0,
                                0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0};

// Set pattern bits take the swatch colour, clear bits the text colour.
void DrawFocusFrame(HDC dc, const RECT& swatch, COLORREF color)
{
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, kFocusPattern);
    HBRUSH brush = CreatePatternBrush(bitmap);
    COLORREF oldBackground = SetBkColor(dc, color);
    RECT frame = {swatch.left + 2, swatch.top + 2, swatch.right - 1, swatch.bottom - 1};
    FrameRect(dc, &frame, brush);
    SetBkColor(dc, oldBackground);
    DeleteObject(brush);
    DeleteObject(bitmap);
}

void DrawCaption(HWND button, HDC dc, RECT swatch, bool inactive)
{
    char caption[64];
    caption[0] = '\0';
    GetWindowTextA(button, caption, sizeof(caption));
    caption[sizeof(caption) - 1] = '\0';
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (!inactive) {
        DrawTextA(dc, caption, -1, &swatch, format);
        return;
    }
    // Embossed: white one pixel down and right, grey in place.
    COLORREF oldText = GetTextColor(dc);
    OffsetRect(&swatch, 1, 1);
    SetTextColor(dc, PALETTERGB(255, 255, 255));
    DrawTextA(dc, caption, -1, &swatch, format);
    OffsetRect(&swatch, -1, -1);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextA(dc, caption, -1, &swatch, format);
    SetTextColor(dc, oldText);
}

} // namespace

void FillSolid(HDC dc, const RECT* rect, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, rect, brush);
    DeleteObject(brush);
}

void DrawColorButton(COLORREF color, const DRAWITEMSTRUCT* item)
{
    HDC dc = item->hDC;
    const bool pressed = (item->itemState & ODS_SELECTED) != 0;
    const bool inactive = (item->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;

    RECT r = item->rcItem;
    DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    InflateRect(&r, -2, -2);
    FillSolid(dc, &r, GetBkColor(dc));

    // The swatch, and the caption on it, move one pixel right and down while
    // the button is pressed.
    if (pressed) {
        r.left += 2;
        r.top += 2;
    } else {
        InflateRect(&r, -1, -1);
    }
    if (!inactive)
        FillSolid(dc, &r, color);
    if (item->itemState & ODS_FOCUS)
        DrawFocusFrame(dc, r, color);

    if (!IsWindow(item->hwndItem))
        return;
    int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawCaption(item->hwndItem, dc, r, inactive);
    SetBkMode(dc, oldMode);
}
