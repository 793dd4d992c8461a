// Helpers shared by the settings dialog, colour button and link control tests.
#pragma once

#include "support/fake_shell.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>

namespace ui_test {

// Every setting back to its default; the two warnings silenced so that only
// the tests that ask for a warning get one.
void ResetSettings();

// Waits for a thread that may send messages to this one.
void JoinPumping(HANDLE thread);

// Handles messages of this thread for `ms` milliseconds.
void Pump(DWORD ms);

// Pumps until `condition` holds or `ms` milliseconds have passed.
bool Eventually(const std::function<bool()>& condition, DWORD ms = 3000);

// A top-level dialog (#32770) of this process titled `title`.
HWND FindProcessDialog(const char* title, const std::function<bool(HWND)>& accept);

// Watches, from a thread of its own, for the message boxes "EdgeWarden" of this
// process that have the button `answer` and answers each with it, counting them
// and keeping the text and the owner of the last.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int answer);
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
    explicit Driver(std::function<void()> body);
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

private:
    static DWORD WINAPI Run(LPVOID self);

    std::function<void()> body;
    HANDLE thread = nullptr;
};

// The process as the program sets it up before its first dialog: instance,
// activation message, trackbar class and a MainWindow; an empty registry key and
// a shell that answers at once, with no auto-hidden bar until a test adds one.
// TearDown stops an engine that a test started and forgets its thread.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The settings dialog from the real template, modeless. Shown only when a
    // test looks at its pixels: without a window manager, Wine waits two seconds
    // for a shown window to go away.
    HWND OpenDialog(bool show = false);

    FakeShell shell;
    HWND dialog = nullptr;
};

} // namespace ui_test
