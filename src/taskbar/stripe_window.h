// The first-contact stripe: a window of the program's own over a hidden bar's
// outermost line, made, moved and painted on the hook's thread, so showing it
// waits on nobody and nothing is painted into the shell's windows.
#pragma once

#include "taskbar/stripe_rules.h"

#include <windows.h>

// The class of the stripe windows.
constexpr char STRIPE_CLASS[] = "EdgeWardenStripeClass";

// The stripes of every edge of every monitor, each window made at its first
// showing. One thread's: windows left by a thread that ended are made anew.
class StripeWindows {
public:
    StripeWindows() = default;
    // Destroys the stripes of this thread; those of a thread that ended went with it.
    ~StripeWindows();
    StripeWindows(const StripeWindows&) = delete;
    StripeWindows& operator=(const StripeWindows&) = delete;

    // Carries out `change` for the stripe of `edge` on monitor `monitor`; Show
    // puts it over `line` (screen coordinates) in `color`.
    void Apply(int monitor, bump::Edge edge, bump::StripeChange change, const geo::Rect& line,
               COLORREF color);
    bool Shown(int monitor, bump::Edge edge) const { return shown[monitor][edge]; }
    void HideAll();

private:
    void Show(int monitor, bump::Edge edge, const geo::Rect& line, COLORREF color);
    void Hide(int monitor, bump::Edge edge);
    HWND WindowFor(int monitor, bump::Edge edge);

    HWND windows[geo::MAX_MONITORS][bump::EDGE_COUNT] = {};
    bool shown[geo::MAX_MONITORS][bump::EDGE_COUNT] = {};
    int shownCount = 0;
};
