// The seconds field holds whatever the user typed or pasted. The dialog reads at
// most 31 characters of it; the parser must take any text, read what atoi would
// where atoi is defined, saturate where it is not, and the clamp must land in
// the field's range.
#include "ui/dialog_rules.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// The C library's reading in 64 bits, which saturates far beyond an int, brought
// into an int's range.
int64_t Expected(const char* text)
{
    const long long value = std::strtoll(text, nullptr, 10);
    return value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : value;
}

void CheckText(const char* text)
{
    const int value = ParseWindowInt(text);
    Check(value == Expected(text));
    const int seconds = ClampHideSeconds(value);
    Check(seconds >= kMinHideSeconds && seconds <= kMaxHideSeconds);
    Check(value < kMinHideSeconds || value > kMaxHideSeconds || seconds == value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The field's text ends at the first NUL, as a window text does.
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckText(text.c_str());
    const std::string field = text.substr(0, 31);
    CheckText(field.c_str());
    return 0;
}
