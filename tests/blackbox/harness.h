// The black-box harness: starts EdgeWarden.exe as its own process and acts as the
// user (mouse, dialog) and the desktop (registry, shell) would.
#pragma once

#include "support/desktop.h"
#include "support/registry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The value of an environment variable; empty when it is not set.
std::string EnvironmentVariable(const char* name);

// Full path of the EdgeWarden.exe under test: $EDGEWARDEN_EXE, else the one
// beside this harness.
std::string EdgeWardenExe();

// One started EdgeWarden.exe; ended (terminated if need be) when destroyed.
// A process that ends by itself must end with exit code 0: any other code (an
// exception such as 0xC0000005, or the 1 of a start that could not make its
// main window) fails the running test, with the code in its message.
class App {
public:
    explicit App(const std::string& arguments = "-hide", const std::string& exe = EdgeWardenExe());
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    DWORD Pid() const { return pid; }
    HANDLE Process() const { return process; }
    // False once the process has ended, which is then checked as above.
    bool Running() const;
    // Waits for the process to end, and checks its end; false on time-out.
    bool WaitExit(DWORD ms, DWORD* exitCode = nullptr) const;
    // Polls for a top-level window of this process with the class and title
    // (either may be null for any); null on time-out.
    HWND WaitWindow(const char* className, const char* title, DWORD ms) const;
    std::vector<HWND> Windows(const char* className, const char* title) const;
    // Waits for the server window, then for its hook to be installed (the hook
    // request follows the window at once; a short settle is enough).
    bool WaitEngine(DWORD ms = 5000) const;
    void Terminate();

private:
    void CheckOwnEnd() const;

    std::string command;
    HANDLE process = nullptr;
    DWORD pid = 0;
    mutable bool endChecked = false;
};

// Runs EdgeWarden.exe to its end (e.g. a second instance); returns the exit code,
// or STILL_ACTIVE after `ms`.
DWORD RunToEnd(const std::string& arguments, DWORD ms = 10000);

// Mouse input as a user makes it. The pointer is placed first, then a zero
// relative move (or a click, or a wheel turn) is injected there, which the
// program's low-level hook sees at that position.
void MouseAt(int x, int y);
void ClickAt(int x, int y);
void WheelAt(int x, int y);

// Finds a message box (class #32770) of `pid` titled "EdgeWarden" within `ms`.
HWND WaitMessageBox(DWORD pid, DWORD ms);
// The settings dialog of `app` once it is visible (a message box of the same
// title is not it); null on time-out.
HWND WaitSettingsDialog(const App& app, DWORD ms = 5000);
// Text of the static control of a message box.
std::string MessageBoxText(HWND box);
// Presses the button `id` (IDOK, IDYES, IDNO) of a dialog or message box.
void PressButton(HWND dialog, int id);

// Every black-box test starts with no EdgeWarden running and an empty key, and
// leaves no process behind.
class BlackBox : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The primary screen's size; each test starts with the pointer in its middle.
    int cx = 0;
    int cy = 0;
};
