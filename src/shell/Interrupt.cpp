#include "Interrupt.h"

#include "Failure.h"

#include <atomic>
#include <utility>

namespace shell {

namespace {
using Clock = std::chrono::steady_clock;
std::atomic<bool> quitFlag{false};
std::atomic<int> requests{0};
std::atomic<Clock::rep> requestedAt{0};
Waiting* installed = nullptr;

void throwIfStopped() {
    if (quitFlag.load(std::memory_order_relaxed)) {
        throw Cancelled{};
    }
}
} // namespace

void requestQuit() noexcept {
    // A steady clock reads clock_gettime, which a signal handler may call.
    if (requests.fetch_add(1) == 0) {
        requestedAt.store(Clock::now().time_since_epoch().count());
    }
    quitFlag.store(true, std::memory_order_relaxed);
}

bool quitRequested() noexcept {
    return quitFlag.load(std::memory_order_relaxed);
}

int quitRequests() noexcept {
    return requests.load();
}

Clock::time_point quitRequestedAt() noexcept {
    return quitRequested() ? Clock::time_point(Clock::duration(requestedAt.load()))
                           : Clock::time_point{};
}

void clearQuitRequest() noexcept {
    quitFlag.store(false, std::memory_order_relaxed);
    requests.store(0);
}

void setWaiting(Waiting* waiting) {
    installed = waiting;
}

void Pause() {
    throwIfStopped();
    if (installed != nullptr) {
        installed->pause();
        throwIfStopped();
    }
}

void CallDriver(const std::function<void()>& work) {
    if (installed != nullptr) {
        installed->call(work);
    } else {
        work();
    }
    throwIfStopped();
}

void RunOperation(const std::function<void()>& work) {
    if (installed != nullptr) {
        installed->operation(work);
    } else {
        work();
    }
}

void OnFrontThread(const std::function<void()>& call) {
    if (installed != nullptr) {
        installed->onFrontThread(call);
    } else {
        call();
    }
}

void PostToFrontThread(std::function<void()> call) {
    if (installed != nullptr) {
        installed->postToFrontThread(std::move(call));
    } else {
        call();
    }
}

void WaitFor(const std::function<bool(std::chrono::milliseconds)>& waitFor, bool serveEvents) {
    while (!waitFor(std::chrono::milliseconds(2))) {
        if (installed != nullptr) {
            installed->stillWaiting(serveEvents);
        }
    }
}

} // namespace shell
