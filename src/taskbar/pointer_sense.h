// What the hook's thread knows of the pointing device behind each mouse event:
// the mark of pen and touch, the latest raw input move and the session, and the
// wait of a resting pointer held at a strip, which ends in the program's own move
// onto the strip.
#pragma once

#include "settings/shared_state.h"
#include "taskbar/bumps.h"
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

struct PointerEvent {
    pointer::Kind kind;
    bool echo; // the program's own move of the cursor coming back
    uint64_t extraInfo;
    geo::Point at;
    uint32_t time;
};

// The hook's thread's alone. The wait's timer is a timer of that thread, whose
// procedure `onTime` the owner gives, since the system calls it without context.
class PointerSense {
public:
    PointerSense(const PointerSources& sources, TIMERPROC onTime);
    ~PointerSense();
    PointerSense(const PointerSense&) = delete;
    PointerSense& operator=(const PointerSense&) = delete;

    // With the server window while the hook is in: raw input of every mouse,
    // also in the background, reaches that window, and the session is read.
    // Null: no more raw input, and a wait in progress is dropped.
    void SensePointers(HWND window);
    // A WM_INPUT's lParam.
    void NoteRawInput(LPARAM input);
    // First in the hook, for every event.
    PointerEvent BeginPointerEvent(WPARAM message, const MSLLHOOKSTRUCT& event) const;
    // Last in the hook, with what the bump held of it.
    void EndPointerEvent(const PointerEvent& event, const pointer::Held& held);
    // The wait's timer: when the time is up and the pointer still rests on the
    // strip, the cursor is moved onto it. Nothing while protection is off.
    void RestTimeUp(Bumps& bumps, bool protection);

private:
    void StopTimer();
    void ScheduleRest();
    void Forget();

    PointerSources sources;
    TIMERPROC onTime;
    bool rawAbsolute = false;
    bool remoteSession = false;
    // The hook's thread's own last move of the cursor: a set-back or the way onto the strip.
    OwnMove moved = NO_OWN_MOVE;
    pointer::Rest rest = {};
    UINT_PTR timer = 0;
    uint32_t timerDue = 0;
};
