#pragma once
// Rows sent to the server many at a time: one prepared INSERT with a "?" per
// column, its parameters bound column by column in arrays, autocommit off and
// one commit per batch. Each column is bound in a C type that keeps its
// values exact (dates as the ODBC date structure, exact numbers as their
// digits, text in the form the driver carries exactly), so no session format
// of the server reads them.
//
//     db::BulkInsert bulk(target, u"INSERT INTO \"T\" VALUES(?, ?)"_s, bindings, 1000);
//     for (...) {
//         bulk.add(values);
//         if (bulk.full()) {
//             if (!bulk.finish()) { ... send bulk.sent() row by row ... }
//             bulk.start();          // goes to the server while the next batch is built
//         }
//     }
//
// A batch goes to the server from a worker thread while the caller builds
// the next one; nothing else is sent on the connection meanwhile. A batch
// the server does not take whole is rolled back, so that the caller can send
// its rows one by one and learn exactly which are refused.
#include "Session.h"
#include "Worker.h"

#include <memory>
#include <optional>
#include <vector>

namespace db {

class BulkInsert {
public:
    enum class Binding : unsigned char {
        Text,      // text, as UTF-16 or UTF-8 as the driver's profile says
        Decimal,   // the number's digits, as an exact numeric parameter
        Boolean,   // "True"/"False" as the integer 1/0
        Date,      // YYYY-MM-DD as SQL_DATE_STRUCT
        Timestamp, // YYYY-MM-DD HH:MM:SS[.fraction] as SQL_TIMESTAMP_STRUCT
        Double,    // the shortest text of a double, as the double itself
        Binary,    // lower-case hex, as the bytes
    };

    // Turns autocommit off until the object goes. Throws db::Error when the
    // statement cannot be prepared.
    BulkInsert(Connection& connection, const QString& insertSql, std::vector<Binding> columns,
               int batchSize);
    ~BulkInsert();
    BulkInsert(const BulkInsert&) = delete;
    BulkInsert& operator=(const BulkInsert&) = delete;

    // One row's values, one per column; Null or empty text goes as NULL. The
    // tag (the row's number, say) comes back with the row in sentTags().
    void add(std::vector<Value> row, qint64 tag = 0);
    // The batch size is reached, or the batch's values fill the buffer limit.
    bool full() const;
    bool hasPending() const { return !rows_.empty(); }

    // Hands the pending rows to the worker, which sends them as one
    // array and commits them. The batch before must be finished.
    void start();
    // Waits, serving the event loop, for the batch started last. True when
    // the server took every row of it (or none was started); false, with the
    // batch rolled back, when it refused any row, the driver cannot say that
    // every row was taken, or the batch could not be bound or committed.
    // Throws db::Error for a lost connection.
    bool finish();
    // The rows of the batch finish() answered for, until the next start().
    const std::vector<std::vector<Value>>& sent() const;
    const std::vector<qint64>& sentTags() const;

    // For sending a refused batch row by row: each row then commits on its
    // own, so that one refused row cannot undo the others.
    void setAutocommit(bool on);

    // Upper bound on the bytes a batch's buffers take.
    static constexpr qint64 bufferLimit = 32 * 1024 * 1024;

private:
    struct Parameters;
    struct Batch;
    // On the worker's thread: binds, executes and commits or rolls back. False,
    // with nothing of the batch left on the server, when it was not taken
    // whole; throws only for a lost connection.
    bool execute(Batch& batch);
    bool send(Batch& batch);

    std::shared_ptr<detail::ConnectionCore> core_;
    TextForm textForm_;
    std::unique_ptr<Parameters> parameters_;
    std::vector<Binding> columns_;
    std::size_t batchSize_;
    std::vector<std::vector<Value>> rows_;
    std::vector<qint64> tags_;
    // The longest value of each column in the pending rows, in buffer bytes.
    std::vector<qint64> widest_;
    std::unique_ptr<Batch> batch_; // the batch with the worker, or last finished
    // Sends the batches; goes first when the object goes, before the
    // transaction is ended and autocommit is on again.
    std::optional<detail::Worker> worker_;
};

} // namespace db
