#include "StatementQueue.h"

#include "ConnectionCore.h"
#include "shell/Yield.h"

namespace db {

StatementQueue::StatementQueue(Connection& connection, int depth)
    : core_(connection.core_), depth_(std::size_t(std::max(depth, 1))) {
    helper_ = std::thread([this] { serve(); });
}

StatementQueue::~StatementQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    // The statement with the server is waited for (a stalled server holds it
    // up); those still waiting are run first, as the caller sent them.
    shell::waitServingEvents([this](std::chrono::milliseconds most) { return allRun(most); },
                             false);
    helper_.join();
}

bool StatementQueue::allRun(std::chrono::milliseconds most) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, most, [this] { return waiting_.empty() && !running_; });
}

void StatementQueue::serve() {
    detail::StatementHandle statement;
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !waiting_.empty() || stopping_; });
        if (waiting_.empty()) {
            return;
        }
        const auto [sql, tag] = std::move(waiting_.front());
        waiting_.pop_front();
        running_ = true;
        lock.unlock();
        std::optional<Error> failure;
        try {
            // One statement handle for all of them; a failed one is freed, so
            // whatever state the failure left it in goes with it.
            if (!statement) {
                statement = core_->newStatement();
            }
            core_->check(SQLExecDirectW(
                             statement.get(),
                             const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(sql.utf16())),
                             SQL_NTS),
                         SQL_HANDLE_STMT, statement.get(), "SQLExecDirectW");
            SQLFreeStmt(statement.get(), SQL_CLOSE);
        } catch (const Error& error) {
            failure = error;
            statement.reset();
        }
        lock.lock();
        running_ = false;
        if (!failure) {
            ++succeeded_;
        } else {
            if (failure->connectionLost()) {
                waiting_.clear();
            }
            refused_.push_back({sql, std::move(*failure), tag});
        }
        changed_.notify_all();
    }
}

void StatementQueue::send(QString statement, qint64 tag) {
    // Once the connection is lost this throws its error.
    core_->requireOpen();
    {
        std::unique_lock lock(mutex_);
        waiting_.push_back({std::move(statement), tag});
    }
    changed_.notify_all();
    // Let the queue run down to half before going on, so that the helper is
    // not woken for every statement.
    const auto roomForMore = [this](std::chrono::milliseconds most) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, most, [this] { return waiting_.size() <= depth_ / 2; });
    };
    std::unique_lock lock(mutex_);
    if (waiting_.size() >= depth_) {
        lock.unlock();
        shell::waitServingEvents(roomForMore);
        shell::yieldToEventLoop();
    }
}

std::optional<StatementQueue::Refused> StatementQueue::takeRefused() {
    std::lock_guard lock(mutex_);
    if (refused_.empty()) {
        return std::nullopt;
    }
    Refused refused = std::move(refused_.front());
    refused_.pop_front();
    return refused;
}

void StatementQueue::drain() {
    shell::waitServingEvents([this](std::chrono::milliseconds most) { return allRun(most); });
    shell::yieldToEventLoop();
}

qint64 StatementQueue::succeeded() const {
    std::lock_guard lock(mutex_);
    return succeeded_;
}

} // namespace db
