#include "Worker.h"

#include "shell/Interrupt.h"

namespace db::detail {

Worker::Worker(std::size_t depth) : depth_(std::max<std::size_t>(depth, 1)) {
    thread_ = std::thread([this] { serve(); });
}

Worker::~Worker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    shell::WaitFor([this](std::chrono::milliseconds most) { return allRun(most); }, false);
    thread_.join();
}

bool Worker::allRun(std::chrono::milliseconds most) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, most, [this] { return waiting_.empty() && !running_; });
}

void Worker::serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !waiting_.empty() || stopping_; });
        if (waiting_.empty()) {
            return;
        }
        std::function<void()> job = std::move(waiting_.front());
        waiting_.pop_front();
        running_ = true;
        lock.unlock();
        // A job keeps its own failures: one that escaped would end the
        // program.
        try {
            job();
        } catch (...) {
        }
        lock.lock();
        running_ = false;
        changed_.notify_all();
    }
}

bool Worker::post(std::function<void()> job) {
    std::unique_lock lock(mutex_);
    waiting_.push_back(std::move(job));
    const bool full = waiting_.size() >= depth_;
    lock.unlock();
    changed_.notify_all();
    if (full) {
        shell::WaitFor([this](std::chrono::milliseconds most) {
            std::unique_lock lock(mutex_);
            return changed_.wait_for(lock, most, [this] { return waiting_.size() <= depth_ / 2; });
        });
    }
    return full;
}

void Worker::drain() {
    shell::WaitFor([this](std::chrono::milliseconds most) { return allRun(most); });
}

void Worker::dropWaiting() {
    std::lock_guard lock(mutex_);
    waiting_.clear();
}

} // namespace db::detail
