#pragma once
// The viewer's message-pump step for long engine loops: lets the window repaint and
// timers run, at most every 30 ms, while keyboard and mouse input wait in the queue.

namespace tess::qt {

void installGuiPump();
void removeGuiPump();
// Runs one step now, regardless of the rate limit (e.g. to show a notice at once).
void pumpNow();

} // namespace tess::qt
