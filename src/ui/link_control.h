// A static text control that behaves as a web link, and the shell call it makes.
#pragma once

#include "ui/text_buffer.h"

#include <windows.h>

constexpr COLORREF kLinkBlue = 0x00FF0000;
constexpr COLORREF kLinkRed = 0x000000FF;

// Sent to a link control by its parent on WM_CTLCOLORSTATIC, wParam the device
// context: the link sets the text colour, which is one for every link of the
// process (red after a click, blue again once a link loses the focus), and
// answers 0. Other static controls ignore it.
constexpr UINT WMU_LINKCOLOR = WM_APP + 0x13;

void MakeLinkControl(HWND dialog, int id);
LRESULT CALLBACK LinkControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

// Reads the window's whole text; returns the number of characters copied.
int GetWindowTextBuffer(HWND window, TextBuffer& text);

// Opens a document or web address with the shell; a failure only beeps.
void OpenInShell(const char* target);
