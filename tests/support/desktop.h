// Waits and reads of the desktop that every test program shares.
#pragma once

#include <windows.h>

// Handles this thread's messages for `ms` milliseconds, so that its windows
// stay responsive while queued input and the program's reactions settle; with
// 0, what is queued now.
inline void Settle(DWORD ms = 100)
{
    for (const DWORD start = GetTickCount();; Sleep(5)) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetTickCount() - start >= ms)
            return;
    }
}

// Polls `done` every few milliseconds while handling this thread's messages as
// soon as they come, never sleeping past one; false after `ms`.
template <typename Done>
bool WaitFor(Done done, DWORD ms = 3000)
{
    for (DWORD start = GetTickCount(); !done();) {
        if (GetTickCount() - start > ms)
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

inline POINT CursorPos()
{
    POINT p = {-1, -1};
    GetCursorPos(&p);
    return p;
}

// A point of the screen as it shows, whichever process painted it.
inline COLORREF ScreenPixel(POINT at)
{
    HDC dc = GetDC(nullptr);
    const COLORREF color = GetPixel(dc, at.x, at.y);
    ReleaseDC(nullptr, dc);
    return color;
}

// The cursor's display count of this thread; ShowCursor answers with the new one.
inline int CursorCount()
{
    const int lowered = ShowCursor(FALSE);
    ShowCursor(TRUE);
    return lowered + 1;
}
