#include "taskbar/shell_thread.h"

#include "taskbar/autohide_bars.h"

#include <atomic>

namespace {

// Raised by the main thread only.
std::atomic<uint32_t> refreshAsked{0};
std::atomic<uint32_t> answerEpoch{0};
// Written by the shell thread only: the last refresh ask that it has answered.
std::atomic<uint32_t> refreshDone{0};

// Made on the main thread before the shell thread starts, never closed.
HANDLE wake = nullptr;     // auto-reset: work was asked for
HANDLE answered = nullptr; // auto-reset: a refresh was answered
HANDLE shellThread = nullptr;

// Runs every ask not yet taken, then sleeps until the next. The thread lives
// as long as the process, which ends it wherever it waits.
DWORD WINAPI ShellThreadProc(LPVOID)
{
    uint32_t taken = 0;
    for (;;) {
        WaitForSingleObject(wake, INFINITE);
        while (desktop::TakeRefresh(refreshAsked.load(), taken)) {
            const uint32_t epoch = answerEpoch.load();
            const DesktopBars& table = FillTable();
            if (answerEpoch.load() == epoch)
                PublishTable(table);
            refreshDone.store(taken);
            SetEvent(answered);
        }
    }
}

bool EnsureShellThread()
{
    if (shellThread != nullptr)
        return true;
    if (wake == nullptr)
        wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (answered == nullptr)
        answered = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    // At normal priority, whatever the main thread's: it only waits on the shell.
    if (wake != nullptr && answered != nullptr)
        shellThread = CreateThread(nullptr, 0, ShellThreadProc, nullptr, 0, nullptr);
    return shellThread != nullptr;
}

} // namespace

void AskTableRefresh()
{
    if (!EnsureShellThread())
        return;
    refreshAsked.store(refreshAsked.load() + 1);
    SetEvent(wake);
}

bool AskRefreshAndWait(DWORD ms)
{
    AskTableRefresh();
    if (shellThread == nullptr)
        return false;
    const uint32_t asked = refreshAsked.load();
    const DWORD start = GetTickCount();
    for (;;) {
        if (desktop::RefreshAnswered(refreshDone.load(), asked))
            return true;
        const DWORD waited = GetTickCount() - start;
        if (waited >= ms)
            return false;
        // The shell, or a program that broadcasts, may wait on a message sent to
        // this thread: handling it keeps both from waiting on each other.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        MsgWaitForMultipleObjects(1, &answered, FALSE, ms - waited, QS_SENDMESSAGE);
    }
}

void DropTableAnswers()
{
    answerEpoch.store(answerEpoch.load() + 1);
}
