#pragma once
// One helper thread that runs jobs in the order they come, for a connection
// whose statements must not keep the caller (and its window) waiting: the
// statement queue's INSERTs and the bulk insert's batches both run on one.
//
// The rule that keeps a connection safe: while a worker has a job of a
// connection, nothing else is sent on that connection. Its owner drains the
// worker (drain(), or the destructor) before the next call of its own.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace db::detail {

class Worker {
public:
    // At most `depth` jobs wait; post() waits for room beyond.
    explicit Worker(std::size_t depth);
    // Runs the jobs still waiting, then ends; the job with the server is
    // waited for (a stalled server holds it up) without serving events.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Queues a job; when `depth` jobs wait, waits (serving the event loop)
    // until half of them have run, so that the helper is not woken for each.
    // True when it waited.
    bool post(std::function<void()> job);
    // Waits, serving the event loop, until every job has run.
    void drain();
    // Drops the jobs that have not started.
    void dropWaiting();

private:
    void serve();
    bool allRun(std::chrono::milliseconds most);

    const std::size_t depth_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> waiting_;
    bool running_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace db::detail
