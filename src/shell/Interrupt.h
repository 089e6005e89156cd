#pragma once
// How a stop reaches a running operation, and how the layers below the front
// ends wait. Those layers are synchronous: a stop is a flag, raised with the
// time it was asked for, that they look at between rows and where they wait
// for a server; what a front end does meanwhile (serve its window's events,
// run a driver call on a helper thread, give up on a server that does not
// answer) is the Waiting it installs at start. Without one, a driver call
// runs where it is made and a wait only waits.
#include <chrono>
#include <functional>

namespace shell {

// Asked for by a front end: a window closed, a signal. Async-signal-safe.
void requestQuit() noexcept;
bool quitRequested() noexcept;
// How many requests since the last clear: a second one is impatient.
int quitRequests() noexcept;
// Since when a stop is asked for; zero when none is.
std::chrono::steady_clock::time_point quitRequestedAt() noexcept;
// For tests that go on after a simulated close.
void clearQuitRequest() noexcept;

// What a front end does while the layers below it work.
class Waiting {
public:
    virtual ~Waiting() = default;
    // Between two rows or values of a long operation; called often, so it
    // must cost a clock read when there is nothing to do.
    virtual void pause() {}
    // A driver call that may block long: returns when the work is done,
    // rethrowing its failure. The work must not touch widgets.
    virtual void call(const std::function<void()>& work) { work(); }
    // A short wait for work another thread does with a server is over, and
    // the work is not done. `serveEvents` is false where the caller must not
    // run the front end's event loop.
    virtual void stillWaiting(bool serveEvents) { (void)serveEvents; }
    // A table's whole operation: a front end may run it on a thread of its
    // own and serve its events meanwhile. Returns when it is done,
    // rethrowing its failure.
    virtual void operation(const std::function<void()>& work) { work(); }
    // What an operation tells its front end (a report, a list's change):
    // run on the front end's thread, and waited for.
    virtual void onFrontThread(const std::function<void()>& call) { call(); }
    // The same, not waited for (the progress, which a newer one replaces).
    virtual void postToFrontThread(std::function<void()> call) { call(); }
};

// The front end's; nothing (the default) for none.
void setWaiting(Waiting* waiting);

// Between two rows or values: throws Cancelled once a stop is asked for, and
// gives the front end its turn.
void Pause();

// A driver call that may block long, through the front end; Cancelled after
// it when a stop was asked for meanwhile (the call is always waited for: it
// holds the driver's handle).
void CallDriver(const std::function<void()>& work);

// A table's operation, through the front end (Waiting::operation).
void RunOperation(const std::function<void()>& work);
// A call to the front end from an operation (Waiting::onFrontThread,
// Waiting::postToFrontThread).
void OnFrontThread(const std::function<void()>& call);
void PostToFrontThread(std::function<void()> call);

// Waits for work that another thread does with a server: `waitFor` waits at
// most the time it is given and answers whether the work is done.
void WaitFor(const std::function<bool(std::chrono::milliseconds)>& waitFor,
             bool serveEvents = true);

} // namespace shell
