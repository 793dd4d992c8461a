// Times mouse events through the desktop's low-level hook chain: first with a
// pass-through hook of this program's own, then with a running EdgeWarden.exe's
// hook, in the same run, and reports the ratio. SendInput returns only after the
// hooks have seen the event, so its duration includes the hook's work.
//
// Usage: edgewarden_wine_hook_bench [events]   (EdgeWarden.exe beside it)
// Overwrites and then deletes HKCU\Software\EdgeWarden.
#include "support/fake_shell.h"
#include "taskbar/mouse_hook.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kKey[] = "Software\\EdgeWarden";
const char kHookWindow[] = "EdgeWarden bench pass-through hook";

LRESULT CALLBACK PassThrough(int nCode, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// Run as a child process ("--pass-through"): a pass-through hook in a process
// of its own, as EdgeWarden's hook is, so both pay the same way to the hook.
int RunPassThroughHook()
{
    HHOOK hook = SetWindowsHookExA(WH_MOUSE_LL, PassThrough, GetModuleHandleA(nullptr), 0);
    CreateWindowExA(0, "Static", kHookWindow, 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    UnhookWindowsHookEx(hook);
    return 0;
}

// A started process, ended when this goes.
class Child {
public:
    Child(const std::string& exe, const char* arguments, const char* windowTitle)
    {
        std::string command = "\"" + exe + "\" " + arguments;
        std::vector<char> line(command.begin(), command.end());
        line.push_back('\0');
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &info))
            return;
        for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(20)) {
            if (FindWindowA("Static", windowTitle) != nullptr) {
                ok = true;
                break;
            }
        }
        // The hook request follows the window.
        Sleep(500);
    }
    ~Child()
    {
        if (info.hProcess == nullptr)
            return;
        TerminateProcess(info.hProcess, 0);
        WaitForSingleObject(info.hProcess, 5000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    bool ok = false;

private:
    PROCESS_INFORMATION info = {};
};

// Microseconds per event for `count` relative moves; `dy` 0 wiggles sideways.
double TimeMoves(int count, int dy)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = MOUSEEVENTF_MOVE;
        input.mi.dx = dy == 0 ? ((i & 1) != 0 ? 1 : -1) : 0;
        input.mi.dy = dy;
        SendInput(1, &input, sizeof(input));
    }
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1e6
           / static_cast<double>(frequency.QuadPart) / count;
}

void SetDword(HKEY key, const char* name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

// Protection on, a push that never gets through, hiding far off.
bool WriteSettings()
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    SetDword(key, "priowarn", 0);
    SetDword(key, "tarvo", 1);
    SetDword(key, "tarvostrength", 0x7FFFFFFF);
    SetDword(key, "tarvotime", 0xFFFFFFFF);
    SetDword(key, "hide", 1);
    SetDword(key, "hidesecs", 3600);
    RegCloseKey(key);
    return true;
}

// Microseconds per direct call of the hook procedure, without the system's
// delivery: what the hook itself costs far from the edges.
double TimeHookBody(int count, int cx, int cy)
{
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) {
        MSLLHOOKSTRUCT event = {};
        event.pt = {cx / 2 + (i & 1), cy / 2};
        event.time = static_cast<DWORD>(i);
        LowLevelMouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&event));
    }
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1e6
           / static_cast<double>(frequency.QuadPart) / count;
}

// Microseconds per GetSystemMetrics call, which the hook makes twice per event.
double TimeScreenMetrics(int count)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    volatile int sum = 0;
    for (int i = 0; i < count; ++i)
        sum = sum + GetSystemMetrics((i & 1) != 0 ? SM_CXSCREEN : SM_CYSCREEN);
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1e6
           / static_cast<double>(frequency.QuadPart) / count;
}

std::string ExeDir()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self);
    return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string SelfExe()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return self;
}

// Mean microseconds per event with a pass-through hook in another process.
double TimePassThrough(int events)
{
    Child hook(SelfExe(), "--pass-through", kHookWindow);
    return hook.ok ? TimeMoves(events, 0) : -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--pass-through")
        return RunPassThroughHook();
    const int events = argc > 1 ? std::atoi(argv[1]) : 4000;
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);

    SetCursorPos(cx / 2, cy / 2);
    const double none = TimeMoves(events, 0);
    const double hookBody = TimeHookBody(events, cx, cy);
    const double metrics = TimeScreenMetrics(events);
    const double passThrough = TimePassThrough(events);

    FakeShell shell;
    shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    if (!WriteSettings()) {
        std::fprintf(stderr, "cannot write the settings\n");
        return 1;
    }
    double awayFromEdges;
    double bumping;
    POINT held = {};
    {
        Child app(ExeDir() + "EdgeWarden.exe", "-hide", "EdgeWarden_Server");
        if (!app.ok) {
            std::fprintf(stderr, "EdgeWarden.exe did not start\n");
            return 1;
        }
        SetCursorPos(cx / 2, cy / 2);
        awayFromEdges = TimeMoves(events, 0);
        // Just off the bottom strip, every move of 2 pixels lands on it and is set back.
        SetCursorPos(cx / 2, cy - 3);
        bumping = TimeMoves(events, 2);
        GetCursorPos(&held);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);

    SetCursorPos(cx / 2, cy / 2);
    const double passThroughAfter = TimePassThrough(events);
    const double baseline = (passThrough + passThroughAfter) / 2;

    std::printf("events per phase:              %d\n", events);
    std::printf("no hook:                       %8.1f us/event\n", none);
    std::printf("hook procedure called directly: %7.1f us/event\n", hookBody);
    std::printf("GetSystemMetrics:              %8.1f us/call\n", metrics);
    std::printf("pass-through hook (before):    %8.1f us/event\n", passThrough);
    std::printf("pass-through hook (after):     %8.1f us/event\n", passThroughAfter);
    std::printf("EdgeWarden, far from edges:    %8.1f us/event  ratio %.2f\n", awayFromEdges,
                awayFromEdges / baseline);
    std::printf("EdgeWarden, bumping (held %s): %8.1f us/event  ratio %.2f\n",
                held.y == cy - 3 ? "yes" : "NO", bumping, bumping / baseline);
    return held.y == cy - 3 ? 0 : 1;
}
