#include "taskbar/pointer_sense.h"

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

} // namespace

PointerSources SystemPointerSources()
{
    return {ReadRawMouse, ReadRemoteSession};
}

PointerSense::PointerSense(const PointerSources& from, TIMERPROC timeUp)
    : sources(from), onTime(timeUp)
{
    Forget();
}

PointerSense::~PointerSense()
{
    StopTimer();
}

void PointerSense::StopTimer()
{
    if (timer != 0)
        KillTimer(nullptr, timer);
    timer = 0;
}

// One timer per wait, set when the wait starts rather than on every event of it.
void PointerSense::ScheduleRest()
{
    if (!rest.armed) {
        StopTimer();
        return;
    }
    if (timer != 0 && timerDue == rest.due)
        return;
    const uint32_t now = GetTickCount();
    const UINT wait = pointer::Later(rest.due, now) ? rest.due - now : 0;
    timer = SetTimer(nullptr, timer, wait, onTime);
    timerDue = rest.due;
}

void PointerSense::RestTimeUp(Bumps& bumps, bool protection)
{
    StopTimer();
    if (!protection) {
        rest.armed = false;
        return;
    }
    const uint32_t now = GetTickCount();
    const pointer::Completion done = bumps.CompleteRest(rest, now);
    if (done.step == pointer::Step::Wait) {
        ScheduleRest();
    } else if (done.step == pointer::Step::MoveThere) {
        // Noted first: its echo may reach the hook before SetCursorPos returns.
        moved = {done.at.x, done.at.y, now};
        SetCursorPos(done.at.x, done.at.y);
    }
}

void PointerSense::Forget()
{
    rawAbsolute = false;
    remoteSession = sources.remoteSession();
    moved = NO_OWN_MOVE;
    rest = {};
    StopTimer();
}

void PointerSense::SensePointers(HWND window)
{
    // The generic desktop's mouse usage: every mouse, touchpad and pointer.
    const DWORD flags = window != nullptr ? RIDEV_INPUTSINK : RIDEV_REMOVE;
    RAWINPUTDEVICE mice = {0x01, 0x02, flags, window};
    RegisterRawInputDevices(&mice, 1, sizeof(mice));
    Forget();
}

void PointerSense::NoteRawInput(LPARAM input)
{
    uint16_t flags = 0;
    int32_t dx = 0;
    int32_t dy = 0;
    if (sources.rawMouse(reinterpret_cast<HRAWINPUT>(input), flags, dx, dy))
        rawAbsolute = pointer::LatestMoveAbsolute(rawAbsolute, flags, dx, dy);
}

PointerEvent PointerSense::BeginPointerEvent(WPARAM message, const MSLLHOOKSTRUCT& event) const
{
    const geo::Point at = {event.pt.x, event.pt.y};
    return {pointer::KindOf(event.dwExtraInfo, rawAbsolute, remoteSession),
            IsOwnMoveEcho(moved, message == WM_MOUSEMOVE, at.x, at.y, event.time),
            event.dwExtraInfo, at, event.time};
}

void PointerSense::EndPointerEvent(const PointerEvent& event, const pointer::Held& held)
{
    pointer::Kind kind = event.kind;
    if (held.setBack) {
        // The set-back's echo is no move of the user's.
        moved = {held.cursor.x, held.cursor.y, event.time};
        // Read afresh where it matters, at a held strip, and nowhere else.
        remoteSession = sources.remoteSession();
        kind = pointer::KindOf(event.extraInfo, rawAbsolute, remoteSession);
    }
    pointer::AfterEvent(rest, kind, event.at, event.echo, held);
    ScheduleRest();
}
