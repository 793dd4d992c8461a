// The one pair of conversions between the platform's rectangles and the rules'.
#pragma once

#include "taskbar/geometry.h"

#include <windows.h>

namespace geo {

inline Rect FromWin(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

inline RECT ToWin(const Rect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

} // namespace geo
