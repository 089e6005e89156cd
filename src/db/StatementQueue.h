#pragma once
// Statements for one connection, sent in order by a worker thread: the caller
// builds the next statements while the server takes the last ones, and the
// window stays live however long the server takes. The worker lives as long
// as the queue, so handing a statement over costs no thread; nothing else may
// be sent on the connection until the queue is drained.
//
//     db::StatementQueue queue(target);
//     for (...) {
//         queue.send(statement);                       // waits only while the queue is full
//         while (auto refused = queue.takeRefused()) { ... report it ... }
//     }
//     queue.drain();                                   // every statement has run
//
// Every statement runs on its own, whatever became of the ones before it.
// Once the connection is lost, the statements still waiting are dropped: they
// are neither run nor counted.
#include "ConnectionCore.h"
#include "Error.h"
#include "Session.h"
#include "Worker.h"

#include <QString>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace db {

class StatementQueue {
public:
    explicit StatementQueue(Connection& connection, int depth = 64);
    // Waits for the statements already queued.
    ~StatementQueue();
    StatementQueue(const StatementQueue&) = delete;
    StatementQueue& operator=(const StatementQueue&) = delete;

    // Queues one statement; waits, serving the event loop, while the queue is
    // full. Throws the lost connection's error once the connection is gone.
    // The tag comes back with the statement if the server refuses it.
    void send(QString statement, qint64 tag = 0);
    // The same with its "?" bound to the values, in order.
    void send(QString statement, BoundValues values, qint64 tag);

    struct Refused {
        QString statement;
        Error error;
        qint64 tag = 0;
        BoundValues values{};
    };
    // The next statement that the server refused, in the order sent; never
    // blocks.
    std::optional<Refused> takeRefused();
    // Waits, serving the event loop, until every queued statement has run or
    // been dropped.
    void drain();
    // Statements the server took.
    qint64 succeeded() const;

private:
    // On the worker's thread: runs one statement and notes what became of it.
    void execute(const QString& sql, BoundValues& values, qint64 tag);

    std::shared_ptr<detail::ConnectionCore> core_;
    // One statement handle for all of them, the worker's alone.
    detail::StatementHandle statement_;
    mutable std::mutex mutex_; // guards what follows
    std::deque<Refused> refused_;
    qint64 succeeded_ = 0;
    // Statements with values too long for memory, sent and not yet run.
    std::atomic<int> streamsQueued_{0};
    // Last, so that it goes first: its jobs use everything above.
    detail::Worker worker_;
};

} // namespace db
