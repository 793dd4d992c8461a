#include "win_support.h"

#include "res/resource_ids.h"
#include "support/registry.h"
#include "ui/link_control.h"

#include <commctrl.h>

#include <cstring>

namespace win_test {

void JoinPumping(HANDLE thread)
{
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

COLORREF LinkColour(HWND link)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageA(link, WMU_LINKCOLOR, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link));
    const COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    return colour;
}

void ClickLinkInVain(HWND link)
{
    SetWindowTextA(link, "C:\\edgewarden-test\\no-such-page.edgewarden");
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

void LinkLosesFocus(HWND link)
{
    SendMessageA(link, WM_KILLFOCUS, 0, 0);
}

namespace {

struct Search {
    const char* title;
    const std::function<bool(HWND)>* accept;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param)
{
    Search& search = *reinterpret_cast<Search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = "";
    GetClassNameA(window, className, sizeof(className));
    if (process != GetCurrentProcessId() || std::strcmp(className, "#32770") != 0)
        return TRUE;
    // Reading the title asks the window's thread, which may be held up on purpose.
    char title[64] = "";
    GetWindowTextA(window, title, sizeof(title));
    if (std::strcmp(title, search.title) == 0 && (*search.accept)(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK LongestStaticText(HWND child, LPARAM param)
{
    std::string& text = *reinterpret_cast<std::string*>(param);
    char className[16] = "";
    char buffer[512] = "";
    GetClassNameA(child, className, sizeof(className));
    GetWindowTextA(child, buffer, sizeof(buffer));
    if (_stricmp(className, "Static") == 0 && std::strlen(buffer) > text.size())
        text = buffer;
    return TRUE;
}

} // namespace

HWND FindProcessDialog(const char* title, const std::function<bool(HWND)>& accept)
{
    Search search = {title, &accept, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BoxAnswerer::BoxAnswerer(int button) : answer(button)
{
    InitializeCriticalSection(&lock);
    thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer()
{
    stop.store(true);
    JoinPumping(thread);
    CloseHandle(thread);
    DeleteCriticalSection(&lock);
}

std::string BoxAnswerer::LastText() const
{
    EnterCriticalSection(&lock);
    std::string text = lastText;
    LeaveCriticalSection(&lock);
    return text;
}

DWORD WINAPI BoxAnswerer::Run(LPVOID param)
{
    BoxAnswerer& self = *static_cast<BoxAnswerer*>(param);
    const std::function<bool(HWND)> isBox = [&self](HWND window) {
        return IsWindowVisible(window) && GetDlgItem(window, self.answer) != nullptr
               && GetDlgItem(window, IDC_BUMP_ENABLED) == nullptr;
    };
    while (!self.stop.load()) {
        HWND box = FindProcessDialog("EdgeWarden", isBox);
        if (box == nullptr) {
            Sleep(10);
            continue;
        }
        std::string text;
        EnumChildWindows(box, LongestStaticText, reinterpret_cast<LPARAM>(&text));
        EnterCriticalSection(&self.lock);
        self.lastText = text;
        LeaveCriticalSection(&self.lock);
        self.lastOwner.store(GetWindow(box, GW_OWNER));
        self.count.store(self.count.load() + 1);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(self.answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, self.answer)));
        while (IsWindow(box) && !self.stop.load())
            Sleep(10);
    }
    return 0;
}

Driver::Driver(std::function<void()> work) : body(std::move(work))
{
    thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

Driver::~Driver()
{
    JoinPumping(thread);
    CloseHandle(thread);
}

DWORD WINAPI Driver::Run(LPVOID self)
{
    static_cast<Driver*>(self)->body();
    return 0;
}

void AppTest::SetUp()
{
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    reg::DeleteKey();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    app = std::make_unique<App>(GetModuleHandleA(nullptr));
    ASSERT_TRUE(app->CreateMainWindow());
    settings().prioWarn.store(0);
    settings().noBumpWarn.store(0);
}

void AppTest::TearDown()
{
    if (dialog != nullptr)
        DestroyWindow(dialog);
    HWND mainWindow = app->MainWindow;
    app.reset();
    DestroyWindow(mainWindow);
    reg::DeleteKey();
}

HWND AppTest::OpenDialog(bool show)
{
    dialog = CreateDialogParamA(app->AppInstance, MAKEINTRESOURCEA(IDD_SETTINGS), app->MainWindow,
                                SettingsDialog::SettingsDialogProc,
                                reinterpret_cast<LPARAM>(&app->dialog));
    if (dialog != nullptr && show) {
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
    }
    return dialog;
}

} // namespace win_test
