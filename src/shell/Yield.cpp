#include "Yield.h"

#include "Failure.h"

#include <QCoreApplication>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace shell {

namespace {
using Clock = std::chrono::steady_clock;
Clock::time_point lastPass{};
std::atomic<bool> quitFlag{false};
// Requests since the last clear: a second one does not wait for the grace.
std::atomic<int> quitRequests{0};
std::atomic<int> quitExitStatus{0};
std::chrono::milliseconds quitGrace = defaultQuitGrace;
std::function<void()> lastWords;

// The thread that runs the event loop: the program's first (static
// initialisation runs there). Other threads (a parallel job's) have no loop
// to serve and may wait in a driver; they only look for a quit request.
const std::thread::id mainThread = std::this_thread::get_id();
bool servesEvents() {
    return std::this_thread::get_id() == mainThread;
}

void pass() {
    if (QCoreApplication::instance() != nullptr && servesEvents()) {
        QCoreApplication::processEvents();
        lastPass = Clock::now();
    }
    if (quitFlag.load(std::memory_order_relaxed)) {
        throw Cancelled{};
    }
}
} // namespace

void yieldToEventLoop() {
    if (quitFlag.load(std::memory_order_relaxed)) {
        throw Cancelled{};
    }
    if (servesEvents() && Clock::now() - lastPass >= yieldInterval) {
        pass();
    }
}

void yieldNow() {
    if (quitFlag.load(std::memory_order_relaxed)) {
        throw Cancelled{};
    }
    pass();
}

namespace {
// The one helper thread of runWhileYielding, started on first use. It takes
// the pieces of work in the order they come; a second one can come while the
// first is waited for (from a handler that the event loop runs meanwhile). It
// is never joined: it may be inside a driver that does not answer when the
// program ends.
class Helper {
public:
    static Helper& instance() {
        static Helper* helper = new Helper;
        return *helper;
    }

    void run(const std::function<void()>& work) {
        Job job{&work, {}, false};
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(&job);
        }
        changed_.notify_all();
        waitServingEvents([&](std::chrono::milliseconds most) {
            std::unique_lock lock(mutex_);
            return changed_.wait_for(lock, most, [&] { return job.done; });
        });
        if (job.failure) {
            std::rethrow_exception(job.failure);
        }
    }

private:
    struct Job {
        const std::function<void()>* work;
        std::exception_ptr failure;
        bool done = false;
    };

    Helper() {
        std::thread([this] { serve(); }).detach();
    }

    void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return !jobs_.empty(); });
            Job* job = jobs_.front();
            jobs_.pop_front();
            lock.unlock();
            std::exception_ptr failure;
            try {
                (*job->work)();
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            job->failure = failure;
            job->done = true;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job*> jobs_;
};
} // namespace

void waitServingEvents(const std::function<bool(std::chrono::milliseconds)>& waitFor,
                       bool serveEvents) {
    std::optional<Clock::time_point> quitSeen;
    while (!waitFor(std::chrono::milliseconds(2))) {
        if (serveEvents && QCoreApplication::instance() != nullptr && servesEvents() &&
            Clock::now() - lastPass >= yieldInterval) {
            QCoreApplication::processEvents();
            lastPass = Clock::now();
        }
        if (quitFlag.load(std::memory_order_relaxed)) {
            if (!quitSeen) {
                quitSeen = Clock::now();
            } else if (Clock::now() - *quitSeen >= quitGrace || quitRequests.load() > 1) {
                if (lastWords) {
                    std::exchange(lastWords, nullptr)();
                }
                std::fflush(nullptr);
                std::_Exit(quitExitStatus.load());
            }
        }
    }
}

void runWhileYielding(const std::function<void()>& work) {
    if (servesEvents()) {
        Helper::instance().run(work);
    } else {
        work();
    }
    if (quitFlag.load(std::memory_order_relaxed)) {
        throw Cancelled{};
    }
}

void setQuitExitStatus(int status) {
    quitExitStatus.store(status);
}

void setQuitGrace(std::chrono::milliseconds grace) {
    quitGrace = grace;
}

void setLastWords(std::function<void()> words) {
    lastWords = std::move(words);
}

void requestQuit() {
    quitRequests.fetch_add(1);
    quitFlag.store(true, std::memory_order_relaxed);
}
bool quitRequested() {
    return quitFlag.load(std::memory_order_relaxed);
}
void clearQuitRequest() {
    quitFlag.store(false, std::memory_order_relaxed);
    quitRequests.store(0);
}

} // namespace shell
