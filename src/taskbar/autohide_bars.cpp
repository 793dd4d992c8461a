#include "taskbar/autohide_bars.h"

AutoHideBars::~AutoHideBars()
{
    if (shellThread != nullptr) {
        ending.store(1);
        SetEvent(wake);
        // The stand-in shell may answer on this thread: its messages are handled.
        while (MsgWaitForMultipleObjects(1, &shellThread, FALSE, INFINITE, QS_SENDMESSAGE)
               != WAIT_OBJECT_0) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        CloseHandle(shellThread);
    }
    if (wake != nullptr)
        CloseHandle(wake);
    if (answered != nullptr)
        CloseHandle(answered);
}

// Runs every ask not yet taken, then sleeps until the next.
DWORD WINAPI AutoHideBars::ShellThreadProc(LPVOID param)
{
    AutoHideBars& self = *static_cast<AutoHideBars*>(param);
    uint32_t taken = 0;
    while (self.ending.load() == 0) {
        WaitForSingleObject(self.wake, INFINITE);
        while (self.ending.load() == 0 && desktop::TakeRefresh(self.refreshAsked.load(), taken)) {
            const uint32_t epoch = self.answerEpoch.load();
            DesktopBars& draft = self.tables.Draft();
            FillFromShell(draft, self.tables.Published());
            if (self.answerEpoch.load() == epoch)
                self.tables.Publish(draft);
            self.refreshDone.store(taken);
            SetEvent(self.answered);
        }
    }
    return 0;
}

bool AutoHideBars::EnsureShellThread()
{
    if (shellThread != nullptr)
        return true;
    if (wake == nullptr)
        wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (answered == nullptr)
        answered = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    // At normal priority, whatever the main thread's: it only waits on the shell.
    if (wake != nullptr && answered != nullptr)
        shellThread = CreateThread(nullptr, 0, ShellThreadProc, this, 0, nullptr);
    return shellThread != nullptr;
}

bool AutoHideBars::RefreshAutoHideBars(DWORD waitMs)
{
    if (!EnsureShellThread())
        return false;
    const uint32_t asked = refreshAsked.load() + 1;
    refreshAsked.store(asked);
    SetEvent(wake);
    const DWORD start = GetTickCount();
    for (;;) {
        if (desktop::RefreshAnswered(refreshDone.load(), asked))
            return true;
        const DWORD waited = GetTickCount() - start;
        if (waited >= waitMs)
            return false;
        // The shell, or a program that broadcasts, may wait on a message sent to
        // this thread: handling it keeps both from waiting on each other.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        MsgWaitForMultipleObjects(1, &answered, FALSE, waitMs - waited, QS_SENDMESSAGE);
    }
}

void AutoHideBars::CancelRefresh()
{
    answerEpoch.store(answerEpoch.load() + 1);
}

int AutoHideBars::CountAutoHideBars()
{
    return desktop::CountBars(tables, MAIN_READER);
}

bool AutoHideBars::IsAutoHideBar(HWND window)
{
    return desktop::HoldsBar(tables, MAIN_READER, window);
}

HWND AutoHideBars::PrimaryBar(UINT edge)
{
    return desktop::PrimaryBar(tables, MAIN_READER, static_cast<bump::Edge>(edge));
}
