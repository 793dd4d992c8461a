#include "win_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Stands for a desktop that refuses the program its main window.
LRESULT CALLBACK RefuseMainWindow(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const char* title = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->lpszName;
        if (!IS_INTRESOURCE(title) && std::strcmp(title, "EdgeWarden") == 0)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST(App, NoMainWindowIsReportedAndTheProgramIsToEnd)
{
    App app(GetModuleHandleA(nullptr));
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseMainWindow, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    win_test::BoxAnswerer answerer(IDOK);
    EXPECT_FALSE(app.CreateMainWindow());
    EXPECT_EQ(nullptr, app.MainWindow);
    EXPECT_EQ("Can't create main window", answerer.LastText());
    UnhookWindowsHookEx(hook);
}
