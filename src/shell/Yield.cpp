#include "Yield.h"

#include "Failure.h"

#include <QCoreApplication>
#include <atomic>
#include <future>

namespace shell {

namespace {
using Clock = std::chrono::steady_clock;
Clock::time_point lastPass{};
std::atomic<bool> quitFlag{false};

void pass() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents();
    }
    lastPass = Clock::now();
    if (quitFlag.load(std::memory_order_relaxed)) {
        throw Cancelled{};
    }
}
} // namespace

void yieldToEventLoop() {
    if (quitFlag.load(std::memory_order_relaxed)) {
        throw Cancelled{};
    }
    if (Clock::now() - lastPass >= yieldInterval) {
        pass();
    }
}

void yieldNow() {
    if (quitFlag.load(std::memory_order_relaxed)) {
        throw Cancelled{};
    }
    pass();
}

void runWhileYielding(const std::function<void()>& work) {
    std::future<void> done = std::async(std::launch::async, work);
    while (done.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready) {
        if (QCoreApplication::instance() != nullptr && Clock::now() - lastPass >= yieldInterval) {
            QCoreApplication::processEvents();
            lastPass = Clock::now();
        }
    }
    done.get();
    if (quitFlag.load(std::memory_order_relaxed)) {
        throw Cancelled{};
    }
}

void requestQuit() {
    quitFlag.store(true, std::memory_order_relaxed);
}
bool quitRequested() {
    return quitFlag.load(std::memory_order_relaxed);
}
void clearQuitRequest() {
    quitFlag.store(false, std::memory_order_relaxed);
}

} // namespace shell
