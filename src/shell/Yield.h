#pragma once
// The one place where long operations give the event loop a turn. The loops
// call it per row and per value; it only really runs the loop when enough
// time has passed, so a call costs a clock read.
#include <chrono>
#include <functional>

namespace shell {

// Services pending events when at least the throttle interval has passed
// since the last pass. Throws Cancelled once quitRequested() is true.
void yieldToEventLoop();

// Services pending events now, whatever the throttle says.
void yieldNow();

// Runs blocking work (a call into a database driver that may take long) on a
// helper thread that lives as long as the program, while this thread goes on
// serving the event loop; returns when the work is done, rethrowing its
// failure. The work must not touch widgets. When the program is asked to end
// meanwhile, the work is still waited for (it holds the driver's handle) and
// Cancelled is thrown after it; see waitServingEvents for a server that does
// not answer.
void runWhileYielding(const std::function<void()>& work);

// Waits for work that another thread does with a server: `waitFor` waits at
// most the time it is given and answers whether the work is done. The event
// loop is served meanwhile when `serveEvents` is true. When the user has
// asked the program to end and the work is still not done after the quit
// grace (or the user asks a second time), the server is not answering: the
// program says its last words and ends here with the quit status (0 unless
// a front end says otherwise: nothing is left to save, every edit of the
// logins is on disk already), since the thread inside the driver can be
// neither stopped nor waited for.
void waitServingEvents(const std::function<bool(std::chrono::milliseconds)>& waitFor,
                       bool serveEvents = true);
inline constexpr std::chrono::milliseconds defaultQuitGrace{500};
void setQuitGrace(std::chrono::milliseconds grace);
void setQuitExitStatus(int status);
// What the front end says before the program ends that way: how far it got.
// Runs on the thread that waited.
void setLastWords(std::function<void()> lastWords);

// Asked for by the windows when the user closes one of them (and by a
// signal): running operations stop at their next yield. Async-signal-safe.
void requestQuit();
bool quitRequested();
// For tests that go on after a simulated close.
void clearQuitRequest();

// Shortest time between two event-loop passes from yieldToEventLoop.
inline constexpr std::chrono::milliseconds yieldInterval{10};

} // namespace shell
