#include "KeepLive.h"

#include "shell/Interrupt.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace front {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> quitExitStatus{0};
std::atomic<Clock::rep> quitGrace{
    std::chrono::duration_cast<Clock::duration>(defaultQuitGrace).count()};
std::function<void()> lastWords;

// A helper thread, started with the waiting: one for the driver calls of the
// event loop's thread, one for the table operations. It takes the pieces of
// work in the order they come; a second one can come while the first is
// waited for (from a handler that the event loop runs meanwhile). It is
// never joined: it may be inside a driver that does not answer when the
// program ends.
class Helper {
public:
    Helper() {
        std::thread([this] { serve(); }).detach();
    }

    // Runs the work on the helper and waits for it, serving the caller's
    // events at each wake-up of the wait; rethrows its failure.
    void run(const std::function<void()>& work) {
        Job job{&work};
        hand(job);
        wait(job);
    }

    // The same with the caller's event loop running meanwhile: its timers
    // and repaints come when they are due.
    void runInEventLoop(const std::function<void()>& work) {
        QEventLoop loop;
        Job job{&work};
        job.finishing = [&loop] {
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        };
        hand(job);
        // A stop leaves the loop: the wait below knows how long to give a
        // server that does not answer.
        QTimer stop;
        QObject::connect(&stop, &QTimer::timeout, &loop, [&loop] {
            if (shell::quitRequested()) {
                loop.quit();
            }
        });
        stop.start(20);
        loop.exec();
        // Done, or left early (a stop, or the program's end quits every
        // loop): the work is waited for either way.
        wait(job);
    }

private:
    struct Job {
        const std::function<void()>* work;
        std::exception_ptr failure{};
        bool done = false;
        // Called before the job counts as done, while its waiter still
        // waits.
        std::function<void()> finishing{};
    };

    void hand(Job& job) {
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(&job);
        }
        changed_.notify_all();
    }

    void wait(Job& job) {
        shell::WaitFor([&](std::chrono::milliseconds most) {
            std::unique_lock lock(mutex_);
            return changed_.wait_for(lock, most, [&] { return job.done; });
        });
        if (job.failure) {
            std::rethrow_exception(job.failure);
        }
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
            if (job->finishing) {
                job->finishing();
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

class EventLoopWaiting final : public shell::Waiting {
public:
    void pause() override {
        if (servesEvents() && Clock::now() - lastPass_ >= passInterval) {
            pass();
        }
    }

    void call(const std::function<void()>& work) override {
        if (servesEvents()) {
            driverCalls_.run(work);
        } else {
            work();
        }
    }

    // Off the event loop's thread, the operation's work leaves the window
    // nothing to wait for but the next pass.
    void operation(const std::function<void()>& work) override {
        if (servesEvents()) {
            operations_.runInEventLoop(work);
        } else {
            work();
        }
    }

    void onFrontThread(const std::function<void()>& call) override {
        if (std::this_thread::get_id() == loopThread_ || QCoreApplication::instance() == nullptr) {
            call();
            return;
        }
        // The loop's thread runs it at its next pass: it is waiting for the
        // operation and serving its events meanwhile.
        std::exception_ptr failure;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [&] {
                try {
                    call();
                } catch (...) {
                    failure = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (failure) {
            std::rethrow_exception(failure);
        }
    }

    void postToFrontThread(std::function<void()> call) override {
        if (std::this_thread::get_id() == loopThread_ || QCoreApplication::instance() == nullptr) {
            call();
            return;
        }
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call),
                                  Qt::QueuedConnection);
    }

    // Nothing else to do while waiting: the events are served at every
    // wake-up, so that a timer or a repaint waits a few milliseconds at most.
    void stillWaiting(bool serveEvents) override {
        if (serveEvents && servesEvents()) {
            pass();
        }
        if (!shell::quitRequested()) {
            return;
        }
        const Clock::duration grace(quitGrace.load());
        if (Clock::now() - shell::quitRequestedAt() >= grace || shell::quitRequests() > 1) {
            if (lastWords) {
                std::exchange(lastWords, nullptr)();
            }
            std::fflush(nullptr);
            std::_Exit(quitExitStatus.load());
        }
    }

private:
    bool servesEvents() const {
        return std::this_thread::get_id() == loopThread_ && QCoreApplication::instance() != nullptr;
    }
    void pass() {
        QCoreApplication::processEvents();
        lastPass_ = Clock::now();
    }

    const std::thread::id loopThread_ = std::this_thread::get_id();
    Clock::time_point lastPass_{};
    Helper driverCalls_;
    Helper operations_;
};

} // namespace

void KeepLive() {
    static EventLoopWaiting* waiting = [] {
        auto* installed = new EventLoopWaiting;
        shell::setWaiting(installed);
        return installed;
    }();
    (void)waiting;
}

void setQuitGrace(std::chrono::milliseconds grace) {
    quitGrace.store(std::chrono::duration_cast<Clock::duration>(grace).count());
}

void setQuitExitStatus(int status) {
    quitExitStatus.store(status);
}

void setLastWords(std::function<void()> words) {
    lastWords = std::move(words);
}

} // namespace front
