#include "StatementQueue.h"

#include "shell/Interrupt.h"

#include <algorithm>

namespace db {

StatementQueue::StatementQueue(Connection& connection, int depth)
    : core_(connection.core_), worker_(std::size_t(std::max(depth, 1))) {}

// The worker goes first (its destructor runs the statements still waiting,
// as the caller sent them).
StatementQueue::~StatementQueue() = default;

void StatementQueue::execute(const QString& sql, BoundValues& values, qint64 tag) {
    std::optional<Error> failure;
    try {
        // A failed statement's handle is freed, so whatever state the
        // failure left it in goes with it.
        if (!statement_) {
            statement_ = core_->newStatement();
        }
        if (values.empty()) {
            core_->check(SQLExecDirectW(
                             statement_.get(),
                             const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(sql.utf16())),
                             SQL_NTS),
                         SQL_HANDLE_STMT, statement_.get(), "SQLExecDirectW");
        } else {
            detail::ExecuteBound(*core_, statement_.get(), sql, values);
        }
        SQLFreeStmt(statement_.get(), SQL_CLOSE);
    } catch (const Error& error) {
        failure = error;
        statement_.reset();
    }
    std::lock_guard lock(mutex_);
    if (!failure) {
        ++succeeded_;
        return;
    }
    if (failure->connectionLost()) {
        // Once the connection is lost, the statements still waiting are
        // neither run nor counted.
        worker_.dropWaiting();
    }
    refused_.push_back({sql, std::move(*failure), tag, std::move(values)});
}

void StatementQueue::send(QString statement, qint64 tag) {
    send(std::move(statement), {}, tag);
}

void StatementQueue::send(QString statement, BoundValues values, qint64 tag) {
    // Once the connection is lost this throws its error.
    core_->requireOpen();
    // Each value too long for memory keeps a temporary file until its
    // statement has run: one such statement waits at a time, so that the
    // disk holds no more than a table's longest row of them.
    const bool streams = std::any_of(values.begin(), values.end(),
                                     [](const BoundValue& v) { return v.stream != nullptr; });
    if (streams) {
        if (streamsQueued_ > 0) {
            worker_.drain();
        }
        ++streamsQueued_;
    }
    if (worker_.post(
            [this, sql = std::move(statement), values = std::move(values), tag, streams]() mutable {
                execute(sql, values, tag);
                values.clear();
                if (streams) {
                    --streamsQueued_;
                }
            })) {
        // It waited for room: a stop asked for meanwhile is noticed here,
        // between two rows.
        shell::Pause();
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
    worker_.drain();
    shell::Pause();
}

qint64 StatementQueue::succeeded() const {
    std::lock_guard lock(mutex_);
    return succeeded_;
}

} // namespace db
