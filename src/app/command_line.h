// The one command-line switch, read from the tail the start-up code hands over.
#pragma once

enum class CommandLineSwitch { None, Hide, Usage };

namespace command_line_detail {
inline char FoldAsciiUpper(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace command_line_detail

// "-hide" or "/hide" in any case and with nothing after it hides; any other text
// after a leading '-' or '/' asks for the usage box; everything else is ignored.
inline CommandLineSwitch ParseCommandLine(const char* tail)
{
    if (tail == nullptr || (tail[0] != '-' && tail[0] != '/'))
        return CommandLineSwitch::None;
    const char* rest = tail + 1;
    const char word[] = "hide";
    for (int i = 0; i < 4; ++i) {
        if (command_line_detail::FoldAsciiUpper(rest[i]) != word[i])
            return CommandLineSwitch::Usage;
    }
    return rest[4] == '\0' ? CommandLineSwitch::Hide : CommandLineSwitch::Usage;
}
