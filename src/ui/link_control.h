// A static text control that behaves as a web link, and the shell call it makes.
#pragma once

#include "ui/text_buffer.h"

#include <windows.h>

constexpr COLORREF kLinkBlue = 0x00FF0000;
constexpr COLORREF kLinkRed = 0x000000FF;

// One colour for every link of the process: red after a click, blue again once
// a link loses the focus.
extern COLORREF linkColor;

void MakeLinkControl(HWND dialog, int id);
LRESULT CALLBACK LinkControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

// Reads the window's whole text; returns the number of characters copied.
int GetWindowTextBuffer(HWND window, TextBuffer& text);

// Opens a document or web address with the shell; a failure only beeps.
void OpenInShell(const char* target);
