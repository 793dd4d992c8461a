// What the program's threads hand each other, in one record of atomics: the
// settings, the time of the last mouse event, the hidden flag and the window
// that keeps the cursor hidden, and the program's own last move of the
// pointer. Each field is one aligned byte or word, read and written whole by
// plain loads and stores; nothing else crosses threads but the bar table's
// exchange and the requests posted between them. Free of any platform header
// (`Window` is the platform's window handle), so that the hand-overs can be
// checked on any host.
#pragma once

#include "settings/settings_record.h"

#include <atomic>
#include <cstdint>

// A move of the pointer that the program made itself: to the hiding place, a
// set-back, a resting pointer's way onto the strip. Windows calls no low-level
// hook for it, but Wine, and the pointer integration of a virtual machine or a
// remote session, may echo it back as a move event, which is none of the
// user's.
struct OwnMove {
    int32_t x;
    int32_t y;
    uint32_t time; // tick count just before the move
};

// No move made yet: no event is ever at this place.
constexpr OwnMove NO_OWN_MOVE = {INT32_MIN, INT32_MIN, 0};

constexpr int32_t OWN_MOVE_ECHO_MS = 100;

// A plain move event exactly at the place of the program's own move, within
// OWN_MOVE_ECHO_MS of it either way (the two clocks may differ by a tick), is
// that move coming back.
inline bool IsOwnMoveEcho(const OwnMove& move, bool plainMove, int32_t x, int32_t y,
                          uint32_t eventTime)
{
    const int32_t apart = static_cast<int32_t>(eventTime - move.time);
    return plainMove && x == move.x && y == move.y && apart >= -OWN_MOVE_ECHO_MS
           && apart <= OWN_MOVE_ECHO_MS;
}

template <class Window>
struct SharedState {
    // Written by the dialog and by loading on the main thread; the hook reads
    // the bump's fields, the server thread clears hideEnabled at its end.
    Settings settings;
    // Written by the hook, read by the tick.
    std::atomic<uint32_t> lastInputTime{0};
    // Set by the tick, cleared by the unhide request (the hook, the dialog).
    std::atomic<uint8_t> isHidden{0};
    // Written on the main thread, read by the unhide request.
    std::atomic<Window> HideWindow{Window()};
    // The main thread's last move to the hiding place, noted before it moves the
    // pointer, read by the hook: its echo neither ends a hide nor counts as input.
    std::atomic<int32_t> ownMoveX{NO_OWN_MOVE.x};
    std::atomic<int32_t> ownMoveY{NO_OWN_MOVE.y};
    std::atomic<uint32_t> ownMoveTime{NO_OWN_MOVE.time};

    // The hook's read of the last own move. Read while a new one is noted, it
    // may mix the two, which costs one event at most.
    OwnMove LastOwnMove() const { return {ownMoveX.load(), ownMoveY.load(), ownMoveTime.load()}; }
    // Noted before the move: its echo may reach the hook before the move returns.
    void NoteOwnMove(int32_t x, int32_t y, uint32_t time)
    {
        ownMoveTime.store(time);
        ownMoveX.store(x);
        ownMoveY.store(y);
    }
};
