#include "blackbox/harness.h"

#include <tlhelp32.h>

#include <cstring>
#include <iomanip>
#include <sstream>

namespace {

struct FindArgs {
    DWORD pid;
    const char* className;
    const char* title;
    std::vector<HWND>* found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    auto* args = reinterpret_cast<FindArgs*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (args->pid != 0 && owner != args->pid)
        return TRUE;
    char text[256];
    if (args->className != nullptr) {
        GetClassNameA(window, text, sizeof(text));
        if (std::strcmp(text, args->className) != 0)
            return TRUE;
    }
    if (args->title != nullptr) {
        text[0] = '\0';
        GetWindowTextA(window, text, sizeof(text));
        if (std::strcmp(text, args->title) != 0)
            return TRUE;
    }
    args->found->push_back(window);
    return TRUE;
}

std::vector<HWND> FindWindows(DWORD pid, const char* className, const char* title)
{
    std::vector<HWND> found;
    FindArgs args = {pid, className, title, &found};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&args));
    return found;
}

void KillStrayInstances()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, "EdgeWarden.exe") != 0)
            continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process != nullptr) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
}

void SendMouse(DWORD flags, DWORD data)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.mouseData = data;
    SendInput(1, &input, sizeof(input));
}

} // namespace

// The process's own copy of the environment, which the C library's getenv
// does not guard against writers on other threads.
std::string EnvironmentVariable(const char* name)
{
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0)
        return {};
    std::string value(size, '\0');
    const DWORD length = GetEnvironmentVariableA(name, &value[0], size);
    value.resize(length < size ? length : 0);
    return value;
}

std::string EdgeWardenExe()
{
    std::string path = EnvironmentVariable("EDGEWARDEN_EXE");
    if (!path.empty())
        return path;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + "EdgeWarden.exe";
}

App::App(const std::string& arguments, const std::string& exe)
{
    command = "\"" + exe + "\"";
    if (!arguments.empty())
        command += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        ADD_FAILURE() << command << " did not start: error " << GetLastError();
        return;
    }
    CloseHandle(info.hThread);
    process = info.hProcess;
    pid = info.dwProcessId;
    WaitForInputIdle(process, 5000);
}

App::~App()
{
    Terminate();
}

void App::CheckOwnEnd() const
{
    if (endChecked)
        return;
    endChecked = true;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    if (code == 0)
        return;
    // NTSTATUS codes of severity "error" (0xC...) are the exceptions.
    const bool exception = (code & 0xC0000000) == 0xC0000000;
    std::ostringstream hex;
    hex << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << code;
    ADD_FAILURE() << command << " (pid " << pid << ") ended "
                  << (exception ? "by exception " : "with exit code ") << hex.str();
}

void App::Terminate()
{
    if (process == nullptr)
        return;
    if (Running()) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
    process = nullptr;
}

bool App::Running() const
{
    if (process == nullptr)
        return false;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
        return true;
    CheckOwnEnd();
    return false;
}

bool App::WaitExit(DWORD ms, DWORD* exitCode) const
{
    if (process == nullptr || WaitForSingleObject(process, ms) != WAIT_OBJECT_0)
        return false;
    CheckOwnEnd();
    if (exitCode != nullptr)
        GetExitCodeProcess(process, exitCode);
    return true;
}

std::vector<HWND> App::Windows(const char* className, const char* title) const
{
    return FindWindows(pid, className, title);
}

HWND App::WaitWindow(const char* className, const char* title, DWORD ms) const
{
    for (DWORD start = GetTickCount();; Sleep(20)) {
        std::vector<HWND> found = Windows(className, title);
        if (!found.empty())
            return found.front();
        if (GetTickCount() - start > ms || !Running())
            return nullptr;
    }
}

bool App::WaitEngine(DWORD ms) const
{
    if (WaitWindow("Static", "EdgeWarden_Server", ms) == nullptr)
        return false;
    Settle(300);
    return true;
}

DWORD RunToEnd(const std::string& arguments, DWORD ms)
{
    App app(arguments);
    DWORD code = STILL_ACTIVE;
    app.WaitExit(ms, &code);
    return code;
}

void MouseAt(int x, int y)
{
    SetCursorPos(x, y);
    SendMouse(MOUSEEVENTF_MOVE, 0);
    Settle(30);
}

void ClickAt(int x, int y)
{
    SetCursorPos(x, y);
    SendMouse(MOUSEEVENTF_LEFTDOWN, 0);
    SendMouse(MOUSEEVENTF_LEFTUP, 0);
    Settle(30);
}

void WheelAt(int x, int y)
{
    SetCursorPos(x, y);
    SendMouse(MOUSEEVENTF_WHEEL, static_cast<DWORD>(-WHEEL_DELTA));
    Settle(30);
}

HWND WaitMessageBox(DWORD pid, DWORD ms)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start <= ms; Sleep(20)) {
        std::vector<HWND> found = FindWindows(pid, "#32770", "EdgeWarden");
        for (HWND box : found) {
            // A message box has a static text with id 0xFFFF; the settings dialog does not.
            if (GetDlgItem(box, 0xFFFF) != nullptr && GetDlgItem(box, 1004) == nullptr)
                return box;
        }
    }
    return nullptr;
}

HWND WaitSettingsDialog(const App& app, DWORD ms)
{
    const int kColorButton = 1004;
    for (DWORD start = GetTickCount(); GetTickCount() - start <= ms && app.Running(); Sleep(20)) {
        for (HWND dialog : app.Windows("#32770", "EdgeWarden")) {
            if (GetDlgItem(dialog, kColorButton) != nullptr && IsWindowVisible(dialog))
                return dialog;
        }
    }
    return nullptr;
}

std::string MessageBoxText(HWND box)
{
    char text[512] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    return text;
}

void PressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void BlackBox::SetUp()
{
    KillStrayInstances();
    reg::DeleteKey();
    cx = GetSystemMetrics(SM_CXSCREEN);
    cy = GetSystemMetrics(SM_CYSCREEN);
    SetCursorPos(cx / 2, cy / 2);
}

void BlackBox::TearDown()
{
    KillStrayInstances();
}
