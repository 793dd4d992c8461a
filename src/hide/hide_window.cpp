#include "hide/hide.h"

namespace {

const char kHideClass[] = "EdgeWardenHideMouseClass";

// Never activated: a click on it must not take the focus from the user's program.
constexpr DWORD HIDE_WINDOW_EX_STYLE =
    WS_EX_NOPARENTNOTIFY | WS_EX_TOPMOST | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE;
// Windows 8's pointer activation, newer than the headers' target.
constexpr UINT WM_POINTER_ACTIVATE = 0x024B;
constexpr LRESULT POINTER_NO_ACTIVATE = 3;
constexpr UINT SWP_COMMON = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE
                            | SWP_NOCOPYBITS | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING
                            | SWP_DEFERERASE;

// The window that the hide window becomes a child of, with the point turned into
// its client coordinates; null when the pop-up is to be used.
HWND FindParent(HideWindowKind kind, POINT* point)
{
    if (kind != HideWindowKind::Child && kind != HideWindowKind::ChildOfTop)
        return nullptr;
    HWND under = WindowFromPoint(*point);
    if (kind == HideWindowKind::ChildOfTop)
        under = TopLevelAncestor(under, GetParent);
    POINT client = *point;
    // A child of a program that has stopped answering would share its input
    // queue (a child of another thread attaches the two), and the main thread's
    // windows would wait their turn behind the hung program's unread input.
    if (under == nullptr || IsHungAppWindow(under) || !ScreenToClient(under, &client))
        return nullptr;
    *point = client;
    return under;
}

// Empties the slot of the hider that made `window` when it still names that
// window; a later hide's window stays there for its own unhide.
void ForgetInSlot(HWND window)
{
    auto* shared = reinterpret_cast<Shared*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (shared != nullptr && shared->HideWindow.load() == window)
        shared->HideWindow.store(nullptr);
}

} // namespace

CursorHider::CursorHider(Shared& state, AutoHideBars& table, HINSTANCE module)
    : shared(state), bars(table), instance(module)
{
}

CursorHider::~CursorHider()
{
    DestroyHideWindow();
    if (hideClassAtom != 0)
        UnregisterClassA(MAKEINTATOM(hideClassAtom), instance);
}

ATOM CursorHider::RegisterHideClass()
{
    if (hideClassAtom == 0) {
        WNDCLASSEXA cls;
        ZeroMemory(&cls, sizeof(cls));
        cls.cbSize = sizeof(cls);
        cls.lpfnWndProc = HideWindowProc;
        cls.hInstance = instance;
        cls.lpszClassName = kHideClass;
        hideClassAtom = RegisterClassExA(&cls);
    }
    return hideClassAtom;
}

HWND CursorHider::MakeHideWindow(DWORD style, POINT point, HWND parentOrOwner)
{
    HWND window =
        CreateWindowExA(HIDE_WINDOW_EX_STYLE, MAKEINTATOM(hideClassAtom), "", style, point.x,
                        point.y, 1, 1, parentOrOwner, nullptr, instance, nullptr);
    if (window != nullptr)
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&shared));
    return window;
}

HWND CursorHider::CreateHideWindow(HideWindowKind kind, POINT screenPoint, HWND owner)
{
    POINT point = screenPoint;
    if (HWND parent = FindParent(kind, &point)) {
        HWND child = MakeHideWindow(WS_CHILD, point, parent);
        if (child != nullptr)
            return child;
    }
    // No window to become part of, or one that refused a child: the pop-up.
    return MakeHideWindow(WS_POPUP, screenPoint, owner);
}

BOOL CursorHider::SetTopmostVisible(HWND window, bool show)
{
    return SetWindowPos(window, HWND_TOPMOST, 0, 0, 1, 1,
                        SWP_COMMON | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void CursorHider::DestroyHideWindow()
{
    HWND window = shared.HideWindow.load();
    if (window == nullptr)
        return;
    SetTopmostVisible(window, false);
    shared.HideWindow.store(nullptr);
    DestroyWindow(window);
}

LRESULT CALLBACK CursorHider::HideWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam)
{
    switch (message) {
    case WMU_UNHIDE:
        // This window goes, whatever the slot holds by now.
        SetTopmostVisible(window, false);
        ForgetInSlot(window);
        DestroyWindow(window);
        return 1;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    // A pen or touch on it: DefWindowProc would ask the parent, another program.
    case WM_POINTER_ACTIVATE:
        return POINTER_NO_ACTIVATE;
    // DefWindowProc hands these on to the parent, another program's window, and
    // waits for its answer without a limit: a hung program under the pointer
    // would freeze this thread. The hide window answers them itself.
    case WM_SETCURSOR:
        return TRUE; // set: it stays hidden
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_CONTEXTMENU:
    case WM_APPCOMMAND:
    case WM_HELP:
    case WM_SYSCHAR:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_SYSCOMMAND:
        return 0;
    case WM_CREATE: {
        LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        ShowCursor(FALSE);
        return result;
    }
    case WM_DESTROY:
        ShowCursor(TRUE);
        // Destroyed with the window it was a child of: forget it, or no later
        // idle period could make a new one.
        ForgetInSlot(window);
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
