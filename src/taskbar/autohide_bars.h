// The shell's auto-hide bars on every monitor, and the monitors themselves, as
// one table that the hook and the main thread read without a lock. A thread
// of its own asks the shell for it, so that a busy or hung shell keeps neither
// the main thread nor the hook waiting: the main thread asks and goes on.
#pragma once

#include "taskbar/desktop_rules.h"
#include "taskbar/geometry.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdint>

struct DesktopBars {
    geo::Desktop desktop;
    // Indexed like the monitors, then by ABE_LEFT .. ABE_BOTTOM; null where an
    // edge has no bar.
    HWND bars[geo::MAX_MONITORS][4];
    // Changes whenever the monitors change, so bumps in progress can be dropped.
    uint32_t layout;
};

// The table's readers, each with its own number.
constexpr int HOOK_READER = 0;
constexpr int MAIN_READER = 1;
using BarTables = desktop::Exchange<DesktopBars, 2>;

// How long the callers that need a fresh table wait for the shell's answer.
constexpr DWORD FRESH_TABLE_WAIT_MS = 1000;

// The table and the shell thread that fills it: that thread writes the drafts
// and publishes them, the hook's and the main thread read what is published.
class AutoHideBars {
public:
    AutoHideBars() = default;
    // Ends the shell thread. The program's table lives until the process ends,
    // which ends the thread wherever it waits; only a test, whose stand-in shell
    // answers, ends a table before.
    ~AutoHideBars();
    AutoHideBars(const AutoHideBars&) = delete;
    AutoHideBars& operator=(const AutoHideBars&) = delete;

    // Main thread: asks the shell for the bars of every monitor and waits at
    // most `waitMs` for the new table, handling the messages sent to this
    // thread meanwhile. What is asked while a refresh runs runs once
    // afterwards. True when the shell answered in time; else the last table
    // stays, and no bars in it mean nothing.
    bool RefreshAutoHideBars(DWORD waitMs);
    // Main thread: the answer to a refresh under way is dropped when it comes.
    void CancelRefresh();
    // Main thread: the bars of all monitors in the last table; an edge counts
    // once per monitor.
    int CountAutoHideBars();
    // Main thread: whether `window` is one of the bars of the last table.
    bool IsAutoHideBar(HWND window);
    // Main thread: the primary monitor's bar at `edge` in the last table, or null.
    HWND PrimaryBar(UINT edge);

    // The published tables, read by the hook's thread as HOOK_READER.
    BarTables& Tables() { return tables; }

private:
    static DWORD WINAPI ShellThreadProc(LPVOID self);
    bool EnsureShellThread();

    BarTables tables;
    // Raised by the main thread only.
    std::atomic<uint32_t> refreshAsked{0};
    std::atomic<uint32_t> answerEpoch{0};
    std::atomic<uint8_t> ending{0};
    // Written by the shell thread only: the last refresh ask that it has answered.
    std::atomic<uint32_t> refreshDone{0};
    // Made on the main thread before the shell thread starts.
    HANDLE wake = nullptr;     // auto-reset: work was asked for
    HANDLE answered = nullptr; // auto-reset: a refresh was answered
    HANDLE shellThread = nullptr;
};

// Shell thread: fills `table` with the shell's bars of every monitor;
// `previous` is the table published last, or null.
void FillFromShell(DesktopBars& table, const DesktopBars* previous);
