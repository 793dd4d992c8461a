// Small things test programs make for themselves.
#pragma once

#include <windows.h>

// A window class of this program that paints and answers nothing of its own.
inline void RegisterPlainClass(const char* name)
{
    WNDCLASSEXA cls = {};
    cls.cbSize = sizeof(cls);
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = name;
    RegisterClassExA(&cls);
}
