// Times mouse events through the desktop's low-level hook chain under Wine:
// with a pass-through hook in a child process of this program, and with a running
// EdgeWarden.exe's hook, in alternating rounds of the same run. SendInput returns
// only after the hooks have seen the event, so its duration includes the hook's
// work. Each event is timed on its own and the median is reported, so that the
// other work of a busy machine does not decide the result.
//
// Usage (EdgeWarden.exe beside this program):
//   edgewarden_wine_hook_bench [EVENTS [ROUNDS [BASELINE_EXE]]]
//       the hook cost, as "name value" lines; with BASELINE_EXE (another build of
//       EdgeWarden.exe, such as an earlier commit's) also that exe's far from the
//       edges, in the same rounds; overwrites, then deletes HKCU\Software\EdgeWarden
//   edgewarden_wine_hook_bench --soak EVENTS
//       mouse events across the screen and onto hidden bars on every edge, for
//       an EdgeWarden.exe that is already running
//   edgewarden_wine_hook_bench --far EVENTS
//       relative moves in the middle of the screen, for an EdgeWarden.exe that is
//       already running, whose CPU time the caller reads around them
#include "support/fake_shell.h"
#include "app/server.h"

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
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info))
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

class Stopwatch {
public:
    Stopwatch()
    {
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
    }
    double Microseconds() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start.QuadPart) * 1e6
               / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
};

// Per-call durations in microseconds.
class Samples {
public:
    template <class Call>
    void Time(int count, Call call)
    {
        for (int i = 0; i < count; ++i) {
            Stopwatch watch;
            call(i);
            values.push_back(watch.Microseconds());
        }
    }
    double Median() const
    {
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? -1 : sorted[sorted.size() / 2];
    }
    void Note(double microseconds) { values.push_back(microseconds); }
    void Add(const Samples& other)
    {
        values.insert(values.end(), other.values.begin(), other.values.end());
    }
    double Mean() const
    {
        double sum = 0;
        for (double v : values)
            sum += v;
        return values.empty() ? -1 : sum / static_cast<double>(values.size());
    }

private:
    std::vector<double> values;
};

void SendMove(LONG dx, LONG dy)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    SendInput(1, &input, sizeof(input));
}

// Relative moves; `dy` 0 wiggles sideways.
void TimeMoves(Samples& samples, int count, int dy)
{
    samples.Time(count, [dy](int i) { SendMove(dy == 0 ? ((i & 1) != 0 ? 1 : -1) : 0, dy); });
}

// What the server thread does for the raw input report of each mouse event, as
// EdgeWarden's does: fetch the message, read the report, hand the message on. One
// event at a time, as a mouse sends them: a queue of many reports makes each
// fetch slower under Wine.
Samples TimeRawInput(int events)
{
    HWND window =
        CreateWindowExA(0, "Static", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    PointerSense sense(SystemPointerSources(), nullptr);
    sense.SensePointers(window);
    Samples samples;
    for (int i = 0; i < events; ++i) {
        SendMove((i & 1) != 0 ? 1 : -1, 0);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        Stopwatch watch;
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            continue;
        if (msg.message == WM_INPUT)
            sense.NoteRawInput(msg.lParam);
        DispatchMessageA(&msg);
        if (msg.message == WM_INPUT)
            samples.Note(watch.Microseconds());
    }
    sense.SensePointers(nullptr);
    DestroyWindow(window);
    return samples;
}

void SendAbsolute(int x, int y, int cx, int cy)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input.mi.dx = MulDiv(x, 65535, cx - 1);
    input.mi.dy = MulDiv(y, 65535, cy - 1);
    SendInput(1, &input, sizeof(input));
}

void SetDword(HKEY key, const char* name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

// Protection on, a push that never gets through, hiding far off.
bool WriteSettings()
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr)
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

void Report(const char* name, const Samples& samples)
{
    std::printf("%s_median_us %.2f\n%s_mean_us %.2f\n", name, samples.Median(), name,
                samples.Mean());
}

void ReportSpread(const char* name, const std::vector<double>& roundMedians)
{
    std::printf("%s_round_median_min_us %.2f\n%s_round_median_max_us %.2f\n", name,
                *std::min_element(roundMedians.begin(), roundMedians.end()), name,
                *std::max_element(roundMedians.begin(), roundMedians.end()));
}

int MeasureHookCost(int events, int rounds, const std::string& baselineExe)
{
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);

    // What the hook procedure is made of, called in this process without the
    // system's delivery, on the bar table of this desktop without bars, as far
    // from the edges. The two are timed in turn, so that the machine's other work
    // hits them alike.
    Shared shared;
    AutoHideBars bars;
    Server server(shared, bars, GetModuleHandleA(nullptr));
    bars.RefreshAutoHideBars(FRESH_TABLE_WAIT_MS);
    Samples nextHook, hookBody, none;
    MSLLHOOKSTRUCT event = {};
    for (int i = 0; i < events; ++i) {
        nextHook.Time(1, [&event](int) {
            CallNextHookEx(nullptr, HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&event));
        });
        hookBody.Time(1, [&event, i, cx, cy](int) {
            event.pt = {cx / 2 + (i & 1), cy / 2};
            event.time = static_cast<DWORD>(i);
            Server::LowLevelMouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&event));
        });
    }
    SetCursorPos(cx / 2, cy / 2);
    TimeMoves(none, events, 0);
    const Samples rawInput = TimeRawInput(events);

    FakeShell shell;
    shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    if (!WriteSettings()) {
        std::cerr << "cannot write the settings\n";
        return 1;
    }
    Samples passThrough, awayFromEdges, bumping, baseline;
    // How far the rounds' medians spread tells the noise of the measurement.
    std::vector<double> passThroughRounds, awayFromEdgesRounds, baselineRounds;
    bool held = true;
    // One round's moves in the middle of the screen beside `child`, started here;
    // false when it did not start.
    const auto timeBeside = [events, cx, cy](const Child& child, const char* what,
                                             std::vector<double>& roundMedians, Samples& all) {
        if (!child.ok) {
            std::cerr << what << " did not start\n";
            return false;
        }
        SetCursorPos(cx / 2, cy / 2);
        Samples block;
        TimeMoves(block, events, 0);
        roundMedians.push_back(block.Median());
        all.Add(block);
        return true;
    };
    for (int round = 0; round < rounds; ++round) {
        if (!timeBeside(Child(SelfExe(), "--pass-through", kHookWindow), "the pass-through hook",
                        passThroughRounds, passThrough))
            return 1;
        if (!baselineExe.empty()
            && !timeBeside(Child(baselineExe, "-hide", "EdgeWarden_Server"), "the baseline exe",
                           baselineRounds, baseline))
            return 1;
        Child app(ExeDir() + "EdgeWarden.exe", "-hide", "EdgeWarden_Server");
        if (!timeBeside(app, "EdgeWarden.exe", awayFromEdgesRounds, awayFromEdges))
            return 1;
        // Just off the bottom strip, every move of 2 pixels lands on it and is set back.
        SetCursorPos(cx / 2, cy - 3);
        TimeMoves(bumping, events, 2);
        POINT at = {};
        GetCursorPos(&at);
        held = held && at.y == cy - 3;
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);

    std::printf("events_per_phase %d\nrounds %d\n", events, rounds);
    Report("call_next_hook", nextHook);
    Report("hook_procedure_direct", hookBody);
    Report("no_hook", none);
    Report("raw_input_report", rawInput);
    Report("pass_through", passThrough);
    Report("edgewarden_far", awayFromEdges);
    Report("edgewarden_bumping", bumping);
    ReportSpread("pass_through", passThroughRounds);
    ReportSpread("edgewarden_far", awayFromEdgesRounds);
    if (!baselineExe.empty()) {
        Report("baseline_far", baseline);
        ReportSpread("baseline_far", baselineRounds);
    }
    std::printf("bumping_held %d\n", held ? 1 : 0);
    return held ? 0 : 1;
}

// Keeps a running EdgeWarden.exe busy: each cycle walks onto the strip of a hidden
// bar, presses on it, and leaves for a point inside the screen, which ends the
// bump. Presses are checked: the cursor must have been set back.
int Soak(int events)
{
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    FakeShell shell;
    for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge)
        shell.AddBar(edge, FakeShell::HiddenRect(edge));
    // The running program reads the bars at its next one-second tick.
    Sleep(1500);

    const Stopwatch watch;
    int sent = 0;
    int presses = 0;
    int setBacks = 0;
    for (int cycle = 0; sent < events; ++cycle) {
        const UINT edge = static_cast<UINT>(cycle % 4);
        const int along = 50 + (cycle * 97) % (std::min(cx, cy) - 100);
        for (int step = 0; step < 100 && sent < events; ++step, ++sent) {
            // 40 pixels in, 40 presses on the outermost pixel, then 20 points inside.
            const int out = step < 40 ? 40 - step : 0;
            int x, y;
            if (step >= 80) {
                x = cx / 4 + (sent * 37) % (cx / 2);
                y = cy / 4 + (sent * 53) % (cy / 2);
            } else if (edge == ABE_LEFT) {
                x = out, y = along;
            } else if (edge == ABE_TOP) {
                x = along, y = out;
            } else if (edge == ABE_RIGHT) {
                x = cx - 1 - out, y = along;
            } else {
                x = along, y = cy - 1 - out;
            }
            SendAbsolute(x, y, cx, cy);
            if (step >= 40 && step < 80) {
                POINT at = {};
                GetCursorPos(&at);
                // Held off the strip, the cursor lies 2 pixels from the edge.
                const LONG fromEdge = edge == ABE_LEFT    ? at.x
                                      : edge == ABE_TOP   ? at.y
                                      : edge == ABE_RIGHT ? cx - 1 - at.x
                                                          : cy - 1 - at.y;
                ++presses;
                setBacks += fromEdge >= 2 ? 1 : 0;
            }
        }
    }
    std::printf("soak_events %d\nsoak_seconds %.1f\nsoak_presses %d\nsoak_set_backs %d\n", sent,
                watch.Microseconds() / 1e6, presses, setBacks);
    return setBacks > 0 ? 0 : 1;
}

int FarMoves(int events)
{
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
    Samples samples;
    TimeMoves(samples, events, 0);
    std::printf("far_events %d\nfar_median_us %.2f\n", events, samples.Median());
    return 0;
}

// A count from the command line: a whole number above zero, else 0.
int CountArgument(const char* text)
{
    const char* end = text + std::strlen(text);
    int value = 0;
    const std::from_chars_result read = std::from_chars(text, end, value);
    return read.ec == std::errc() && read.ptr == end && value > 0 ? value : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--pass-through")
        return RunPassThroughHook();
    const bool soak = argc > 1 && std::string(argv[1]) == "--soak";
    const bool farMoves = argc > 1 && std::string(argv[1]) == "--far";
    const int events = soak || farMoves ? (argc > 2 ? CountArgument(argv[2]) : 0)
                                        : (argc > 1 ? CountArgument(argv[1]) : 1000);
    const int rounds = !soak && !farMoves && argc > 2 ? CountArgument(argv[2]) : 6;
    if (events == 0 || rounds == 0) {
        std::cerr << "usage: " << argv[0]
                  << " [EVENTS [ROUNDS [BASELINE_EXE]]] | --soak EVENTS | --far EVENTS\n";
        return 2;
    }
    if (soak)
        return Soak(events);
    if (farMoves)
        return FarMoves(events);
    return MeasureHookCost(events, rounds, argc > 3 ? argv[3] : "");
}
