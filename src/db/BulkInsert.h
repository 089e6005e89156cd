#pragma once
// Rows sent to the server many at a time: one prepared INSERT with a "?" per
// column, its parameters bound column by column in arrays, autocommit off and
// one commit per batch. Each column is bound in a C type that keeps its
// values exact (dates as the ODBC date structure, exact numbers as their
// digits, text as UTF-16), so no session format of the server reads them.
//
//     db::BulkInsert bulk(target, u"INSERT INTO \"T\" VALUES(?, ?)"_s, bindings, 1000);
//     for (...) {
//         bulk.add(values);
//         if (bulk.full() && !bulk.send()) { ... send bulk.pending() row by row ... }
//     }
//
// A batch the server does not take whole is rolled back, so that the caller
// can send its rows one by one and learn exactly which are refused.
#include "Session.h"

#include <memory>
#include <vector>

namespace db {

class BulkInsert {
public:
    enum class Binding : unsigned char {
        Text,      // UTF-16 text
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

    // One row's values, one per column; Null or empty text goes as NULL.
    void add(std::vector<Value> row);
    // The batch size is reached, or the batch's values fill the buffer limit.
    bool full() const;
    const std::vector<std::vector<Value>>& pending() const { return rows_; }

    // Sends the pending rows as one array and commits them. False, with the
    // batch rolled back and still pending, when the server refused any row
    // or the driver cannot say that every row was taken. Throws db::Error
    // for a lost connection or a failed commit.
    bool send();
    // Forgets the pending rows (after they have been sent another way).
    void clear();

    // For sending a refused batch row by row: each row then commits on its
    // own, so that one refused row cannot undo the others.
    void setAutocommit(bool on);

    // Upper bound on the bytes a batch's buffers take.
    static constexpr qint64 bufferLimit = 32 * 1024 * 1024;

private:
    struct Parameters;
    std::shared_ptr<detail::ConnectionCore> core_;
    std::unique_ptr<Parameters> parameters_;
    std::vector<Binding> columns_;
    std::size_t batchSize_;
    std::vector<std::vector<Value>> rows_;
    // The longest value of each column in the pending rows, in buffer bytes.
    std::vector<qint64> widest_;
};

} // namespace db
