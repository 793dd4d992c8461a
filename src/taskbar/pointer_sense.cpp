#include "taskbar/pointer_sense.h"

#include "settings/settings.h"
#include "taskbar/mouse_hook.h"

static_assert(pointer::RAW_MOVE_ABSOLUTE == MOUSE_MOVE_ABSOLUTE, "the raw report's flag");

namespace {

bool ReadRawMouse(HRAWINPUT input, uint16_t& flags, int32_t& dx, int32_t& dy)
{
    RAWINPUT raw;
    UINT size = sizeof(raw);
    if (GetRawInputData(input, RID_INPUT, &raw, &size, sizeof(RAWINPUTHEADER))
            == static_cast<UINT>(-1)
        || raw.header.dwType != RIM_TYPEMOUSE)
        return false;
    flags = raw.data.mouse.usFlags;
    dx = raw.data.mouse.lLastX;
    dy = raw.data.mouse.lLastY;
    return true;
}

// Reads a value the system keeps for this session: it sends nothing and waits on
// nobody, unlike a notice of session changes, which is asked of a service.
bool ReadRemoteSession()
{
    return GetSystemMetrics(SM_REMOTESESSION) != 0;
}

struct Sense {
    PointerSources sources = {ReadRawMouse, ReadRemoteSession};
    bool rawAbsolute = false;
    bool remoteSession = false;
    pointer::Warp warp = pointer::NO_WARP;
    pointer::Rest rest = {};
    UINT_PTR timer = 0;
    uint32_t timerDue = 0;
};

Sense sense;

void CALLBACK RestTimeUp(HWND, UINT, UINT_PTR, DWORD);

void StopTimer()
{
    if (sense.timer != 0)
        KillTimer(nullptr, sense.timer);
    sense.timer = 0;
}

// One timer per wait, set when the wait starts rather than on every event of it.
void ScheduleRest()
{
    if (!sense.rest.armed) {
        StopTimer();
        return;
    }
    if (sense.timer != 0 && sense.timerDue == sense.rest.due)
        return;
    const uint32_t now = GetTickCount();
    const UINT wait = pointer::Later(sense.rest.due, now) ? sense.rest.due - now : 0;
    sense.timer = SetTimer(nullptr, sense.timer, wait, RestTimeUp);
    sense.timerDue = sense.rest.due;
}

void CALLBACK RestTimeUp(HWND, UINT, UINT_PTR, DWORD)
{
    StopTimer();
    if (settings.bumpEnabled.load() == 0) {
        sense.rest.armed = false;
        return;
    }
    const uint32_t now = GetTickCount();
    const pointer::Completion done =
        pointer::Complete(sense.rest, now, settings.bumpStrength.load(), bumpState);
    if (done.step == pointer::Step::Wait) {
        ScheduleRest();
    } else if (done.step == pointer::Step::MoveThere) {
        // Noted first: its echo may reach the hook before SetCursorPos returns.
        sense.warp = {done.at, now};
        SetCursorPos(done.at.x, done.at.y);
    }
}

void Forget()
{
    sense.rawAbsolute = false;
    sense.remoteSession = sense.sources.remoteSession();
    sense.warp = pointer::NO_WARP;
    sense.rest = {};
    StopTimer();
}

} // namespace

PointerSources SystemPointerSources()
{
    return {ReadRawMouse, ReadRemoteSession};
}

void UsePointerSources(const PointerSources& sources)
{
    sense.sources = sources;
    Forget();
}

void SensePointers(HWND window)
{
    // The generic desktop's mouse usage: every mouse, touchpad and pointer.
    const DWORD flags = window != nullptr ? RIDEV_INPUTSINK : RIDEV_REMOVE;
    RAWINPUTDEVICE mice = {0x01, 0x02, flags, window};
    RegisterRawInputDevices(&mice, 1, sizeof(mice));
    Forget();
}

void NoteRawInput(LPARAM input)
{
    uint16_t flags = 0;
    int32_t dx = 0;
    int32_t dy = 0;
    if (sense.sources.rawMouse(reinterpret_cast<HRAWINPUT>(input), flags, dx, dy))
        sense.rawAbsolute = pointer::LatestMoveAbsolute(sense.rawAbsolute, flags, dx, dy);
}

PointerEvent BeginPointerEvent(WPARAM message, const MSLLHOOKSTRUCT& event)
{
    const bump::Point at = {event.pt.x, event.pt.y};
    return {pointer::KindOf(event.dwExtraInfo, sense.rawAbsolute, sense.remoteSession),
            pointer::IsEchoOf(sense.warp, message == WM_MOUSEMOVE, at, event.time),
            event.dwExtraInfo, at, event.time};
}

void EndPointerEvent(const PointerEvent& event, const pointer::Held& held)
{
    pointer::Kind kind = event.kind;
    if (held.setBack) {
        // The set-back's echo is no move of the user's.
        sense.warp = {held.cursor, event.time};
        // Read afresh where it matters, at a held strip, and nowhere else.
        sense.remoteSession = sense.sources.remoteSession();
        kind = pointer::KindOf(event.extraInfo, sense.rawAbsolute, sense.remoteSession);
    }
    pointer::AfterEvent(sense.rest, kind, event.at, event.echo, held);
    ScheduleRest();
}
