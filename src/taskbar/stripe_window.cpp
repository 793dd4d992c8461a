#include "taskbar/stripe_window.h"

namespace {

// Above the bar, never activated, and let through by the mouse and by the
// system's hit test, so it changes nothing of what the pointer reaches.
constexpr DWORD STRIPE_EX_STYLE =
    WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;

LRESULT CALLBACK StripeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HBRUSH brush =
            CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrA(window, GWLP_USERDATA)));
        RECT r;
        GetClientRect(window, &r);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND MakeStripe()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA cls;
    if (!GetClassInfoExA(instance, STRIPE_CLASS, &cls)) {
        ZeroMemory(&cls, sizeof(cls));
        cls.cbSize = sizeof(cls);
        cls.lpfnWndProc = StripeProc;
        cls.hInstance = instance;
        cls.lpszClassName = STRIPE_CLASS;
        RegisterClassExA(&cls);
    }
    HWND window = CreateWindowExA(STRIPE_EX_STYLE, STRIPE_CLASS, "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                  nullptr, instance, nullptr);
    // A layered window shows nothing until its opacity is set.
    if (window != nullptr)
        SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
    return window;
}

bool OfThisThread(HWND window)
{
    return window != nullptr && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

} // namespace

StripeWindows::~StripeWindows()
{
    for (auto& row : windows) {
        for (HWND window : row) {
            if (OfThisThread(window))
                DestroyWindow(window);
        }
    }
}

void StripeWindows::Apply(int monitor, bump::Edge edge, bump::StripeChange change,
                          const geo::Rect& line, COLORREF color)
{
    if (change == bump::StripeChange::Show)
        Show(monitor, edge, line, color);
    else if (change == bump::StripeChange::Hide && shown[monitor][edge])
        Hide(monitor, edge);
}

void StripeWindows::HideAll()
{
    for (int m = 0; shownCount > 0 && m < geo::MAX_MONITORS; ++m) {
        for (int e = bump::EDGE_LEFT; e < bump::EDGE_COUNT; ++e) {
            if (shown[m][e])
                Hide(m, static_cast<bump::Edge>(e));
        }
    }
}

HWND StripeWindows::WindowFor(int monitor, bump::Edge edge)
{
    HWND& window = windows[monitor][edge];
    if (!OfThisThread(window)) {
        // Another thread's, which this one must not wait for: asked to hide, and
        // left to it.
        if (window != nullptr && shown[monitor][edge])
            ShowWindowAsync(window, SW_HIDE);
        window = MakeStripe();
    }
    return window;
}

void StripeWindows::Show(int monitor, bump::Edge edge, const geo::Rect& line, COLORREF color)
{
    HWND window = WindowFor(monitor, edge);
    if (window == nullptr)
        return;
    SetWindowLongPtrA(window, GWLP_USERDATA, static_cast<LONG_PTR>(color));
    const int width = line.right > line.left ? line.right - line.left : 0;
    const int height = line.bottom > line.top ? line.bottom - line.top : 0;
    SetWindowPos(window, HWND_TOPMOST, line.left, line.top, width, height,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    // Painted at once: a message to this thread's own window, answered here.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    if (!shown[monitor][edge]) {
        shown[monitor][edge] = true;
        ++shownCount;
    }
}

void StripeWindows::Hide(int monitor, bump::Edge edge)
{
    HWND window = windows[monitor][edge];
    if (OfThisThread(window))
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_HIDEWINDOW);
    else if (window != nullptr)
        ShowWindowAsync(window, SW_HIDE);
    shown[monitor][edge] = false;
    --shownCount;
}
