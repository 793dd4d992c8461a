// What the hook's thread knows of the pointing device behind each mouse event:
// the mark of pen and touch, the latest raw input move and the session, and the
// wait of a resting pointer held at a strip, which ends in the program's own move
// onto the strip. All of it is the hook's thread's alone.
#pragma once

#include "taskbar/pointer_rules.h"

#include <windows.h>

// Where the kind is read from; the tests stand in for both, which Wine cannot
// produce (its raw input is always relative, its session never remote).
struct PointerSources {
    // The flags and motion of a raw input report; false when it is no mouse's.
    bool (*rawMouse)(HRAWINPUT input, uint16_t& flags, int32_t& dx, int32_t& dy);
    bool (*remoteSession)();
};

PointerSources SystemPointerSources();
// Replaces the sources and forgets what they said.
void UsePointerSources(const PointerSources& sources);

// With the server window while the hook is in: raw input of every mouse, also in
// the background, reaches that window, and the session is read. Null: no more
// raw input, and a wait in progress is dropped.
void SensePointers(HWND window);
// A WM_INPUT's lParam.
void NoteRawInput(LPARAM input);

struct PointerEvent {
    pointer::Kind kind;
    bool echo; // the program's own move of the cursor coming back
    uint64_t extraInfo;
    bump::Point at;
    uint32_t time;
};

// First in the hook, for every event.
PointerEvent BeginPointerEvent(WPARAM message, const MSLLHOOKSTRUCT& event);
// Last in the hook, with what the bump held of it.
void EndPointerEvent(const PointerEvent& event, const pointer::Held& held);
