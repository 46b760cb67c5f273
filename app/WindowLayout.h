#pragma once
// Sizes of the resizable main window that do not depend on widgets.
namespace tess {

struct SplitLimits {
    int minLeft = 220;  // narrowest tree pane
    int minRight = 180; // narrowest path and value boxes
    int handle = 5;     // width of the bar between them
    int rightMargin = 10;
};

// The left pane's width for a wanted one in a window of width w: kept between the
// limits; when the window is too narrow for both, the right pane gets its minimum first.
int clampSplit(int wanted, int w, const SplitLimits& limits = {});

// How far the option check boxes move left of their place in a window narrower than the
// form's 1020 pixels: up to maxShift, so that the logo keeps room to move.
int optionShift(int w, int maxShift);

} // namespace tess
