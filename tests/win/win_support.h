// What the Win32 tests share: a fresh application for every case, and helpers
// that watch the program's boxes and drive it from other threads.
#pragma once

#include "app/app.h"
#include "support/desktop.h"
#include "support/fake_shell.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace win_test {

// Waits for a thread that may send messages to this one.
void JoinPumping(HANDLE thread);

// A top-level dialog (#32770) of this process titled `title`.
HWND FindProcessDialog(const char* title, const std::function<bool(HWND)>& accept);

// The colour that a link control sets for its text, as its parent asks for it.
COLORREF LinkColour(HWND link);
// Turns every link red as a click does, on a target the shell cannot open (it
// beeps), so that no browser starts; the link keeps the focus.
void ClickLinkInVain(HWND link);
// Turns every link blue again as losing the focus does.
void LinkLosesFocus(HWND link);

// Watches, from a thread of its own, for the message boxes "EdgeWarden" of this
// process that have the button `answer` and answers each with it, counting them
// and keeping the text and the owner of the last.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int button);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    int Count() const { return count.load(); }
    std::string LastText() const;
    HWND LastOwner() const { return lastOwner.load(); }

private:
    static DWORD WINAPI Run(LPVOID self);

    int answer;
    std::atomic<bool> stop{false};
    std::atomic<int> count{0};
    std::atomic<HWND> lastOwner{nullptr};
    mutable CRITICAL_SECTION lock;
    std::string lastText;
    HANDLE thread = nullptr;
};

// Runs `body` on a thread of its own while the test thread sits in a modal loop.
class Driver {
public:
    explicit Driver(std::function<void()> work);
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

private:
    static DWORD WINAPI Run(LPVOID self);

    std::function<void()> body;
    HANDLE thread = nullptr;
};

// Every case starts from a process as the program sets it up before its first
// dialog: a new application with its MainWindow and the trackbar class, an
// empty registry key, settings at their defaults but for the two warnings,
// silenced so that only the cases that ask for one get one, and the process
// and this thread at normal priority. TearDown ends what the case started:
// the application's threads, its hide window and its main window.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    Shared& shared() { return app->shared; }
    Settings& settings() { return app->shared.settings; }
    // The settings dialog from the real template, modeless. Shown only when a
    // test looks at its pixels: without a window manager, Wine waits two seconds
    // for a shown window to go away.
    HWND OpenDialog(bool show = false);

    std::unique_ptr<App> app;
    HWND dialog = nullptr;
};

// The same with a stand-in shell that answers at once, with no auto-hidden bar
// until a test adds one.
class UiTest : public AppTest {
protected:
    FakeShell shell;
};

} // namespace win_test
