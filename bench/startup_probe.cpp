// Start-up time of dialog programs: from CreateProcess until the program's dialog
// (class "#32770" with the given title) is visible, polled every millisecond.
// The programs are started in turn, so a busy machine slows all of them alike;
// one unmeasured start of each comes first, to warm the caches.
//
// Usage: edgewarden_startup_probe RUNS (EXE TITLE CLOSE-ID)...
// Prints "startup <exe> median_ms <m> runs_ms <r1> <r2> ..." per program.
// CLOSE-ID is the command that closes the dialog and ends its program.
#include <windows.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

namespace {

struct Target {
    std::string exe;
    std::string title;
    int closeId;
    std::vector<double> ms;
};

struct Search {
    DWORD pid;
    const std::string* title;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window))
        return TRUE;
    char text[128];
    if (GetClassNameA(window, text, sizeof(text)) == 0 || std::string(text) != "#32770")
        return TRUE;
    GetWindowTextA(window, text, sizeof(text));
    if (*search->title != text)
        return TRUE;
    search->found = window;
    return FALSE;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart)
           / static_cast<double>(frequency.QuadPart);
}

// Milliseconds until the dialog showed, or a negative number when it did not
// within ten seconds. The program is ended either way.
double StartOnce(const Target& target)
{
    std::string command = "\"" + target.exe + "\"";
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return -1;
    Search search = {info.dwProcessId, &target.title, nullptr};
    double ms = -1;
    for (;;) {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        QueryPerformanceCounter(&now);
        if (search.found != nullptr) {
            ms = Seconds(start, now) * 1000;
            break;
        }
        if (Seconds(start, now) > 10 || WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(1);
    }
    if (search.found != nullptr)
        PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(target.closeId, BN_CLICKED), 0);
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ms;
}

// A count from the command line: a whole number above zero, else 0.
int CountArgument(const char* text)
{
    const char* end = text + std::strlen(text);
    int value = 0;
    const std::from_chars_result read = std::from_chars(text, end, value);
    return read.ec == std::errc() && read.ptr == end && value > 0 ? value : 0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? CountArgument(argv[1]) : 0;
    std::vector<Target> targets;
    for (int i = 2; i + 2 < argc; i += 3)
        targets.push_back({argv[i], argv[i + 1], CountArgument(argv[i + 2]), {}});
    const bool idsRead = std::all_of(targets.begin(), targets.end(),
                                     [](const Target& target) { return target.closeId != 0; });
    if (argc < 5 || (argc - 2) % 3 != 0 || runs == 0 || !idsRead) {
        std::cerr << "usage: " << argv[0] << " RUNS (EXE TITLE CLOSE-ID)...\n";
        return 2;
    }

    for (const Target& target : targets)
        StartOnce(target);
    for (int run = 0; run < runs; ++run) {
        for (Target& target : targets) {
            const double ms = StartOnce(target);
            if (ms < 0) {
                std::cerr << target.exe << ": no dialog \"" << target.title << "\" within 10 s\n";
                return 1;
            }
            target.ms.push_back(ms);
        }
    }
    for (const Target& target : targets) {
        const std::string name = target.exe.substr(target.exe.find_last_of("\\/") + 1);
        std::printf("startup %s median_ms %.1f runs_ms", name.c_str(), Median(target.ms));
        for (double ms : target.ms)
            std::printf(" %.1f", ms);
        std::printf("\n");
    }
    return 0;
}
