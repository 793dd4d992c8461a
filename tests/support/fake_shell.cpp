#include "support/fake_shell.h"

#include <cstdint>
#include <utility>

namespace {

// The fixed-width records that the platform's SHAppBarMessage exchanges.
struct AppBarData {
    uint32_t hWnd;
    uint32_t callbackMessage;
    uint32_t edge;
    RECT rc;
    uint64_t lParam;
};
struct AppBarCommand {
    uint32_t returnMap;
    uint32_t returnProcess;
    AppBarData abd;
};
struct AppBarResponse {
    uint64_t result;
    AppBarData abd;
};

constexpr UINT WM_SHELL_CREATEBAR = WM_APP + 1;
constexpr UINT WM_SHELL_DESTROYBAR = WM_APP + 2;
constexpr UINT WM_SHELL_HANG = WM_APP + 3;
constexpr UINT WM_SHELL_ZORDER = WM_APP + 4;
constexpr UINT WM_SHELL_CREATEWINDOW = WM_APP + 5;
const char kBarClass[] = "EdgeWardenTestBar";
const char kSurfaceClass[] = "EdgeWardenTestSurface";
const char kWindowClass[] = "EdgeWardenTestWindow";
constexpr UINT_PTR kRepaintTimer = 1;

// What the shell's thread makes on request.
struct WindowRequest {
    RECT rect;
    DWORD exStyle;
    const char* className;
    bool composed;
};
const char* const kTaskBarClasses[] = {"Shell_TrayWnd", "Shell_SecondaryTrayWnd"};
// The per-monitor query (ABM_GETAUTOHIDEBAREX), newer than the headers' target.
constexpr DWORD kGetAutoHideBarEx = 0x0B;

} // namespace

FakeShell::FakeShell(Thread where)
{
    if (where == Thread::Callers) {
        CreateShellWindow();
        return;
    }
    ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    WaitForSingleObject(ready, 10000);
}

FakeShell::~FakeShell()
{
    if (thread == nullptr) {
        DestroyBars();
        DestroyWindow(shell);
        return;
    }
    PostMessageA(shell, WM_CLOSE, 0, 0);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(ready);
}

void FakeShell::CreateShellWindow()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA cls = {};
    cls.cbSize = sizeof(cls);
    cls.lpfnWndProc = ShellProc;
    cls.hInstance = instance;
    cls.lpszClassName = "WineAppBar";
    RegisterClassExA(&cls);
    cls.lpfnWndProc = BarProc;
    cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    cls.lpszClassName = kBarClass;
    RegisterClassExA(&cls);
    for (const char* name : kTaskBarClasses) {
        cls.lpszClassName = name;
        RegisterClassExA(&cls);
    }
    // The surface paints itself in its colour by its class's background alone.
    cls.lpfnWndProc = SurfaceProc;
    cls.hbrBackground = CreateSolidBrush(SURFACE_COLOR);
    cls.lpszClassName = kSurfaceClass;
    RegisterClassExA(&cls);
    cls.lpfnWndProc = DefWindowProcA;
    cls.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    cls.lpszClassName = kWindowClass;
    RegisterClassExA(&cls);

    shell = CreateWindowExA(0, "WineAppBar", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            instance, nullptr);
    SetWindowLongPtrA(shell, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void FakeShell::DestroyBars()
{
    for (auto& bar : bars) {
        HWND window = bar.load();
        if (IsWindow(window) && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
            DestroyWindow(window);
    }
}

DWORD WINAPI FakeShell::ThreadProc(LPVOID param)
{
    auto* self = static_cast<FakeShell*>(param);
    self->CreateShellWindow();
    SetEvent(self->ready);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    self->DestroyBars();
    return 0;
}

LRESULT CALLBACK FakeShell::ShellProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<FakeShell*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_COPYDATA:
        return self->Answer(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_SHELL_CREATEBAR: {
        const auto* request = reinterpret_cast<const WindowRequest*>(lParam);
        const RECT& r = request->rect;
        HWND bar =
            CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, request->className,
                            "Test bar", WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(bar, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (request->composed) {
            HWND surface =
                CreateWindowExA(0, kSurfaceClass, "", WS_CHILD | WS_VISIBLE, 0, 0, r.right - r.left,
                                r.bottom - r.top, bar, nullptr, GetModuleHandleA(nullptr), nullptr);
            SetTimer(surface, kRepaintTimer, 5, nullptr);
        }
        return reinterpret_cast<LRESULT>(bar);
    }
    case WM_SHELL_CREATEWINDOW: {
        const auto* request = reinterpret_cast<const WindowRequest*>(lParam);
        const RECT& r = request->rect;
        HWND other =
            CreateWindowExA(request->exStyle | WS_EX_NOACTIVATE, kWindowClass, "Test window",
                            WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        // Nearly invisible, as a driver's overlay is where it draws nothing.
        if ((request->exStyle & WS_EX_LAYERED) != 0)
            SetLayeredWindowAttributes(other, 0, 1, LWA_ALPHA);
        return reinterpret_cast<LRESULT>(other);
    }
    case WM_SHELL_DESTROYBAR:
        DestroyWindow(reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_SHELL_ZORDER:
        // As the shell does it: out of the topmost band and to the bottom, or
        // back into the band.
        SetWindowPos(reinterpret_cast<HWND>(lParam), wParam != 0 ? HWND_TOPMOST : HWND_NOTOPMOST, 0,
                     0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (wParam == 0)
            SetWindowPos(reinterpret_cast<HWND>(lParam), HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return 0;
    case WM_SHELL_HANG:
        Sleep(static_cast<DWORD>(lParam));
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK FakeShell::BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (auto* self = reinterpret_cast<FakeShell*>(GetWindowLongPtrA(window, GWLP_USERDATA))) {
        std::atomic<LONG>* count = message == WM_NCPAINT       ? &self->ncPaints
                                   : message == WM_MOUSEMOVE   ? &self->mouseMoves
                                   : message == WM_LBUTTONDOWN ? &self->presses
                                                               : nullptr;
        if (count != nullptr)
            count->store(count->load() + 1);
    }
    if (message == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK FakeShell::SurfaceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT FakeShell::Answer(const COPYDATASTRUCT* data)
{
    if (data == nullptr || data->cbData < sizeof(AppBarCommand))
        return FALSE;
    if (beforeAnswerArmed.load()) {
        beforeAnswerArmed.store(false);
        beforeAnswer();
    }
    queries.store(queries.load() + 1);
    const auto* command = static_cast<const AppBarCommand*>(data->lpData);
    AppBarResponse response = {};
    response.abd = command->abd;
    if (data->dwData == ABM_GETAUTOHIDEBAR && command->abd.edge <= ABE_BOTTOM)
        response.result = reinterpret_cast<uintptr_t>(bars[command->abd.edge].load());
    if (data->dwData == ABM_GETSTATE)
        response.result = ABS_ALWAYSONTOP | (autoHideState.load() ? ABS_AUTOHIDE : 0);
    const int named = monitorBarCount.load();
    for (int i = 0; data->dwData == kGetAutoHideBarEx && i < named; ++i) {
        const MonitorBar& entry = monitorBars[i];
        if (entry.edge == command->abd.edge && EqualRect(&entry.monitor, &command->abd.rc))
            response.result = reinterpret_cast<uintptr_t>(entry.bar);
    }

    HANDLE caller = OpenProcess(PROCESS_DUP_HANDLE, FALSE, command->returnProcess);
    if (caller == nullptr)
        return FALSE;
    HANDLE map = nullptr;
    BOOL ok = DuplicateHandle(caller,
                              reinterpret_cast<HANDLE>(static_cast<uintptr_t>(command->returnMap)),
                              GetCurrentProcess(), &map, 0, FALSE, DUPLICATE_SAME_ACCESS);
    CloseHandle(caller);
    if (!ok)
        return FALSE;
    void* view = MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, sizeof(response));
    if (view != nullptr) {
        CopyMemory(view, &response, sizeof(response));
        UnmapViewOfFile(view);
    }
    CloseHandle(map);
    return view != nullptr;
}

HWND FakeShell::CreateBar(RECT rect, const char* className, Look look)
{
    WindowRequest request = {rect, 0, className != nullptr ? className : kBarClass,
                             look == Look::Composed};
    return reinterpret_cast<HWND>(
        SendMessageA(shell, WM_SHELL_CREATEBAR, 0, reinterpret_cast<LPARAM>(&request)));
}

HWND FakeShell::AddWindow(RECT rect, DWORD exStyle)
{
    WindowRequest request = {rect, exStyle, kWindowClass, false};
    return reinterpret_cast<HWND>(
        SendMessageA(shell, WM_SHELL_CREATEWINDOW, 0, reinterpret_cast<LPARAM>(&request)));
}

void FakeShell::RemoveWindow(HWND window)
{
    SendMessageA(shell, WM_SHELL_DESTROYBAR, 0, reinterpret_cast<LPARAM>(window));
}

HWND FakeShell::AddTaskBar(const char* className, RECT rect)
{
    return CreateBar(rect, className);
}

void FakeShell::SetTopmost(HWND bar, bool topmost)
{
    SendMessageA(shell, WM_SHELL_ZORDER, topmost ? 1 : 0, reinterpret_cast<LPARAM>(bar));
}

HWND FakeShell::AddBar(UINT edge, RECT rect, Look look)
{
    HWND bar = CreateBar(rect, nullptr, look);
    bars[edge].store(bar);
    return bar;
}

HWND FakeShell::AddBarOn(RECT monitor, UINT edge, RECT rect)
{
    HWND bar = CreateBar(rect);
    SetBarOn(monitor, edge, bar);
    return bar;
}

void FakeShell::SetBarOn(RECT monitor, UINT edge, HWND bar)
{
    const int at = monitorBarCount.load();
    if (at < kMonitorBars) {
        monitorBars[at] = {monitor, edge, bar};
        monitorBarCount.store(at + 1);
    }
}

void FakeShell::BeforeNextAnswer(std::function<void()> action)
{
    beforeAnswer = std::move(action);
    beforeAnswerArmed.store(true);
}

void FakeShell::MoveBar(UINT edge, RECT rect)
{
    SetWindowPos(bars[edge].load(), nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FakeShell::DestroyBar(UINT edge)
{
    SendMessageA(shell, WM_SHELL_DESTROYBAR, 0, reinterpret_cast<LPARAM>(bars[edge].load()));
}

void FakeShell::Hang(DWORD ms)
{
    PostMessageA(shell, WM_SHELL_HANG, 0, static_cast<LPARAM>(ms));
}

RECT FakeShell::HiddenRect(UINT edge, int visible, int thickness)
{
    return HiddenRectOn({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, edge,
                        visible, thickness);
}

RECT FakeShell::HiddenRectOn(RECT m, UINT edge, int visible, int thickness)
{
    switch (edge) {
    case ABE_LEFT:
        return {m.left + visible - thickness, m.top, m.left + visible, m.bottom};
    case ABE_TOP:
        return {m.left, m.top + visible - thickness, m.right, m.top + visible};
    case ABE_RIGHT:
        return {m.right - visible, m.top, m.right - visible + thickness, m.bottom};
    default:
        return {m.left, m.bottom - visible, m.right, m.bottom - visible + thickness};
    }
}
