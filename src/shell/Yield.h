#pragma once
// The one place where long operations give the event loop a turn. The loops
// call it per row and per value; it only really runs the loop when enough
// time has passed, so a call costs a clock read.
#include <chrono>

namespace shell {

// Services pending events when at least the throttle interval has passed
// since the last pass. Throws Cancelled once quitRequested() is true.
void yieldToEventLoop();

// Services pending events now, whatever the throttle says.
void yieldNow();

// Asked for by the windows when the user closes one of them: running
// operations stop at their next yield.
void requestQuit();
bool quitRequested();
// For tests that go on after a simulated close.
void clearQuitRequest();

// Shortest time between two event-loop passes from yieldToEventLoop.
inline constexpr std::chrono::milliseconds yieldInterval{10};

} // namespace shell
