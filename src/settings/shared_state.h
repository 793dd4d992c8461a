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

// The program's own move of the pointer to its hiding place.
struct OwnMove {
    int32_t x;
    int32_t y;
    uint32_t time; // tick count just before the move
};

// No move made yet: no event is ever at this place.
constexpr OwnMove NO_OWN_MOVE = {INT32_MIN, INT32_MIN, 0};

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
    // Noted on the main thread before it moves the pointer, read by the hook.
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
