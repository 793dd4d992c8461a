#include "ui/link_control.h"

#include <objbase.h>
#include <shellapi.h>

namespace {

// Main thread only; kept for the life of the process.
COLORREF linkColor = kLinkBlue;

WNDPROC OldProcedure(HWND control)
{
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_USERDATA));
}

// The underline lies on the first row below the client area, which belongs to
// the parent; it is drawn through the parent's DC because a control's own DC
// may be clipped to the control (Wine does so despite CS_PARENTDC).
void DrawUnderline(HWND control)
{
    HWND parent = GetParent(control);
    RECT rect;
    GetClientRect(control, &rect);
    MapWindowPoints(control, parent, reinterpret_cast<POINT*>(&rect), 2);
    HDC dc = GetDC(parent);
    HPEN pen = CreatePen(PS_SOLID, 0, linkColor);
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, rect.left, rect.bottom, nullptr);
    LineTo(dc, rect.right, rect.bottom);
    SelectObject(dc, previous);
    DeleteObject(pen);
    ReleaseDC(parent, dc);
}

void ShowLinkCursor()
{
    HCURSOR cursor = LoadCursorA(nullptr, IDC_HAND);
    if (cursor == nullptr)
        cursor = LoadCursorA(nullptr, IDC_HELP);
    if (cursor != nullptr)
        SetCursor(cursor);
}

void FollowLink(HWND control)
{
    // Red at once, before the shell takes its time.
    linkColor = kLinkRed;
    InvalidateRect(control, nullptr, FALSE);
    UpdateWindow(control);
    SetFocus(control);
    TextBuffer text;
    GetWindowTextBuffer(control, text);
    if (text.data != nullptr)
        OpenInShell(text.data);
}

} // namespace

void MakeLinkControl(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr)
        return;
    LONG_PTR old =
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkControlProc));
    SetWindowLongPtrA(control, GWLP_USERDATA, old);
    // Without SS_NOTIFY a static control is transparent to the mouse.
    SetWindowLongA(control, GWL_STYLE, GetWindowLongA(control, GWL_STYLE) | SS_NOTIFY);
}

LRESULT CALLBACK LinkControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC old = OldProcedure(control);
    switch (message) {
    case WM_PAINT: {
        LRESULT result = CallWindowProcA(old, control, message, wParam, lParam);
        DrawUnderline(control);
        return result;
    }
    case WM_KILLFOCUS:
        linkColor = kLinkBlue;
        InvalidateRect(control, nullptr, FALSE);
        break;
    case WM_MOUSEMOVE:
        ShowLinkCursor();
        break;
    case WM_LBUTTONDOWN:
        FollowLink(control);
        break;
    case WMU_LINKCOLOR:
        SetTextColor(reinterpret_cast<HDC>(wParam), linkColor);
        return 0;
    default:
        break;
    }
    return CallWindowProcA(old, control, message, wParam, lParam);
}

int GetWindowTextBuffer(HWND window, TextBuffer& text)
{
    int length = GetWindowTextLengthA(window);
    char* buffer = text.GetBuffer(length + 1);
    if (buffer == nullptr)
        return 0;
    return GetWindowTextA(window, buffer, length + 1);
}

void OpenInShell(const char* target)
{
    // The shell may hand the address to extensions that need COM in a
    // single-threaded apartment on the calling thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    HINSTANCE result = ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
    if (SUCCEEDED(com))
        CoUninitialize();
    if (reinterpret_cast<UINT_PTR>(result) <= 32)
        MessageBeep(0xFFFFFFFF);
}
