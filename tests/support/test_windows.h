// Small things test programs make for themselves.
#pragma once

#include <windows.h>

// A window class of this program that paints nothing of its own and, without
// `proc`, answers nothing of its own.
inline void RegisterPlainClass(const char* name, WNDPROC proc = DefWindowProcA)
{
    WNDCLASSEXA cls = {};
    cls.cbSize = sizeof(cls);
    cls.lpfnWndProc = proc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = name;
    RegisterClassExA(&cls);
}

// A visible window of this program that counts the left-button presses and
// releases it receives, and keeps the mouse while the button is down, as a
// window does while something is dragged in it. One at a time.
class ClickTarget {
public:
    explicit ClickTarget(RECT r)
    {
        RegisterPlainClass("EdgeWardenClickTarget", Proc);
        window = CreateWindowExA(WS_EX_TOPMOST, "EdgeWardenClickTarget", "", WS_POPUP | WS_VISIBLE,
                                 r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        downs = 0;
        ups = 0;
    }
    ~ClickTarget() { DestroyWindow(window); }
    ClickTarget(const ClickTarget&) = delete;
    ClickTarget& operator=(const ClickTarget&) = delete;

    HWND window;
    static inline int downs = 0;
    static inline int ups = 0;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_LBUTTONDOWN) {
            ++downs;
            SetCapture(window);
        } else if (message == WM_LBUTTONUP) {
            ++ups;
            ReleaseCapture();
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
};
