// The command-line tail is whatever another program passed us.
#include "app/command_line.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string tail(reinterpret_cast<const char*>(data), size);
    const char* text = tail.c_str();
    const CommandLineSwitch result = ParseCommandLine(text);
    const size_t length = std::strlen(text);

    const bool switchLike = length > 0 && (text[0] == '-' || text[0] == '/');
    if ((result == CommandLineSwitch::None) == switchLike)
        std::abort();
    if (result == CommandLineSwitch::Hide) {
        if (length != 5)
            std::abort();
        for (int i = 0; i < 4; ++i) {
            const char c = text[1 + i];
            if (c != "hide"[i] && c != "HIDE"[i])
                std::abort();
        }
    }
    return 0;
}
