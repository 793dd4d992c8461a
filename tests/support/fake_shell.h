// A stand-in for the shell's auto-hide bar list. The platform's SHAppBarMessage
// asks a window of class "WineAppBar" by WM_COPYDATA; this one answers
// ABM_GETAUTOHIDEBAR (the primary monitor's bars), ABM_GETAUTOHIDEBAREX (the
// bars of the monitor whose rectangle the query names) and ABM_GETSTATE with bar
// windows and a state that the test sets, so the program under test sees
// auto-hidden bars. Like the shell, it takes the topmost flag from a bar that a
// full-screen program covers and gives it back afterwards, or leaves it off when
// its verdict goes stale, and it keeps task bar windows of the shell's classes,
// which may auto-hide while ABM_GETSTATE says they do not. A bar may be covered
// end to end by a surface that repaints itself all the time, as Windows 11's
// composition content covers its task bar. Other programs' windows come from it
// too: an overlay that lets the mouse through, an always-on-top tool, a window
// over part of a strip. It runs on a thread of its own, which also owns these
// windows, so it answers while the test thread waits.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <functional>

class FakeShell {
public:
    // Own: the shell answers from a thread of its own. Callers: it answers on
    // the thread that makes it, the program's main thread in a test; what it
    // sends from there is handled while the main thread waits for a fresh
    // table, as the real shell's messages are.
    enum class Thread { Own, Callers };
    explicit FakeShell(Thread where = Thread::Own);
    ~FakeShell();
    FakeShell(const FakeShell&) = delete;
    FakeShell& operator=(const FakeShell&) = delete;

    // How a bar shows: painted by its own window, or covered end to end by a
    // child that repaints itself in SURFACE_COLOR every few milliseconds.
    enum class Look { Plain, Composed };
    static constexpr COLORREF SURFACE_COLOR = RGB(32, 40, 48);

    // Creates a topmost bar window at `rect` (screen coordinates) and reports it
    // for `edge`. Returns the bar.
    HWND AddBar(UINT edge, RECT rect, Look look = Look::Plain);
    // The same for `edge` of the monitor at `monitor`, answered to the
    // per-monitor query only.
    HWND AddBarOn(RECT monitor, UINT edge, RECT rect);
    // Reports `bar` (any window, or null) for `edge`.
    void SetBar(UINT edge, HWND bar) { bars[edge].store(bar); }
    // Reports `bar` (any window, or null) for `edge` of the monitor at `monitor`.
    void SetBarOn(RECT monitor, UINT edge, HWND bar);
    // Creates a topmost window of the shell's task bar class `className` at
    // `rect`, which no query reports. Returns it.
    HWND AddTaskBar(const char* className, RECT rect);
    // Whether ABM_GETSTATE says that the task bars auto-hide.
    void SetAutoHide(bool autoHide) { autoHideState.store(autoHide); }
    // Lowers a bar as the shell does under a full-screen program (not topmost,
    // at the bottom of the z-order), or raises it back among the topmost.
    void SetTopmost(HWND bar, bool topmost);
    HWND Bar(UINT edge) const { return bars[edge].load(); }
    void MoveBar(UINT edge, RECT rect);
    // Destroys the edge's bar window but keeps reporting its handle.
    void DestroyBar(UINT edge);
    // Another program's visible window at `rect`, with `exStyle` (WS_EX_TOPMOST,
    // or WS_EX_LAYERED | WS_EX_TRANSPARENT for one the mouse passes through),
    // above every window of its band; gone with RemoveWindow or with the shell.
    HWND AddWindow(RECT rect, DWORD exStyle);
    void RemoveWindow(HWND window);
    // Stops the shell thread from answering any message for `ms` milliseconds.
    void Hang(DWORD ms);
    // Counts WM_NCPAINT messages that reached the bar windows.
    LONG NcPaints() const { return ncPaints.load(); }
    // Counts the mouse moves and left-button presses that reached the bar windows.
    LONG MouseMoves() const { return mouseMoves.load(); }
    LONG Presses() const { return presses.load(); }
    // Counts the queries answered.
    LONG Queries() const { return queries.load(); }
    // Runs `action` on the shell's thread before it answers the next query,
    // while the asking thread waits for the answer.
    void BeforeNextAnswer(std::function<void()> action);

    // A hidden bar's window rectangle on the primary screen: `visible` pixels
    // of a bar `thickness` thick lie on the screen.
    static RECT HiddenRect(UINT edge, int visible = 2, int thickness = 30);
    // The same on the monitor at `monitor`.
    static RECT HiddenRectOn(RECT monitor, UINT edge, int visible = 2, int thickness = 30);

private:
    static DWORD WINAPI ThreadProc(LPVOID self);
    void CreateShellWindow();
    void DestroyBars();
    static LRESULT CALLBACK ShellProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK BarProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT Answer(const COPYDATASTRUCT* data);
    HWND CreateBar(RECT rect, const char* className = nullptr, Look look = Look::Plain);
    static LRESULT CALLBACK SurfaceProc(HWND, UINT, WPARAM, LPARAM);

    // Bars of named monitors: filled before the count that publishes them.
    struct MonitorBar {
        RECT monitor;
        UINT edge;
        HWND bar;
    };
    static constexpr int kMonitorBars = 16;
    MonitorBar monitorBars[kMonitorBars] = {};
    std::atomic<int> monitorBarCount{0};

    HANDLE thread = nullptr;
    HANDLE ready = nullptr;
    HWND shell = nullptr;
    std::atomic<HWND> bars[4] = {};
    std::atomic<bool> autoHideState{false};
    std::atomic<LONG> ncPaints{0};
    std::atomic<LONG> queries{0};
    std::atomic<LONG> mouseMoves{0};
    std::atomic<LONG> presses{0};
    std::function<void()> beforeAnswer;
    std::atomic<bool> beforeAnswerArmed{false};
};
