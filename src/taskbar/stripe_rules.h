// When the first-contact stripe shows. It is a window of the program's own over
// the bar's outermost line, since nothing painted into a bar's window shows where
// composition content covers it, as on Windows 11's task bar.
#pragma once

#include "taskbar/bump_rules.h"

namespace bump {

enum class StripeChange { Keep, Show, Hide };

// The stripe of one edge after its decision: shown at the first contact, gone
// when the push gets through, at the release, and as soon as the bar is no longer
// hidden (opened some other way, its stripe would lie on it).
inline StripeChange StripeAfter(const EdgeDecision& d, bool barHidden)
{
    if (d.action == EdgeAction::SetBack && d.paint)
        return StripeChange::Show;
    if (d.action == EdgeAction::GetThrough || d.action == EdgeAction::Release || !barHidden)
        return StripeChange::Hide;
    return StripeChange::Keep;
}

} // namespace bump
