// The settings record itself, free of any platform header, so that the hand-overs
// between the hook and the dialog can be checked on any host.
#pragma once

#include <atomic>
#include <cstdint>

// Bit 31 of bumpColor: paint no stripe on first contact.
constexpr uint32_t BUMP_NO_INDICATION = 0x80000000u;

// Every field is one aligned byte or word: the hook reads some of them on the
// server thread while the dialog writes them on the main thread.
struct Settings {
    std::atomic<uint8_t> prioWarn{1};
    std::atomic<uint8_t> noBumpWarn{1};
    std::atomic<uint8_t> bumpEnabled{1};
    std::atomic<int32_t> bumpStrength{50};
    std::atomic<uint32_t> bumpTime{200};
    std::atomic<uint32_t> bumpColor{0x000000FF};
    std::atomic<uint8_t> tooltipsOnTop{0};
    std::atomic<uint8_t> hideEnabled{1};
    std::atomic<int32_t> hideSeconds{20};
    std::atomic<int32_t> hideMode{1};
};
