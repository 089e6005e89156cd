#pragma once
// Where a table brought up to date puts its changes: the source rows the
// target lacks (an INSERT), the target's rows that take the source's values
// (an UPDATE of the columns that differ) and those that go (a DELETE), the
// last two naming their row by its key.
//
// Row by row, each change is one statement, committed on its own. In bulk, a
// batch's changes are bound in arrays: one prepared statement for each kind
// of change (an UPDATE for each set of columns), each array committed with
// its rows; an array the server does not take whole is rolled back and goes
// again change by change, so that exactly the refused changes are reported.
// Either way a stop or a lost connection leaves each row as it was or as the
// source has it, and the next run finds what is left.
#include "RowSink.h"
#include "db/BulkInsert.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace transfer {

class ChangeSink {
public:
    struct Counts {
        qint64 inserted = 0;
        qint64 updated = 0;
        qint64 deleted = 0;
    };

    // `columns`: the target's names of a row's values; `key`: the indexes of
    // the key's columns among them. With a binding for each column, in bulk.
    // With `hold`, nothing is sent before settle(): a guard counts the
    // changes first.
    ChangeSink(const SinkContext& context, QStringList columns, std::vector<std::size_t> key,
               std::optional<std::vector<db::BulkInsert::Binding>> bindings, int batchSize,
               bool hold);
    ~ChangeSink();
    ChangeSink(const ChangeSink&) = delete;
    ChangeSink& operator=(const ChangeSink&) = delete;

    // `tag`: the row's number, which a report of it shows.
    void insert(std::vector<db::Value> row, qint64 tag);
    // The source's values of the columns `changed`, and the target row's key.
    void update(std::vector<std::size_t> changed, std::vector<db::Value> values,
                std::vector<db::Value> key, qint64 tag);
    void remove(std::vector<db::Value> key, qint64 tag);
    // Sends a full batch.
    void betweenRows();
    // Sends what is left and waits for it.
    void settle();

    Counts done() const { return done_; }
    // Changes with the server when it stopped answering.
    qint64 inDoubt() const { return inDoubt_; }

private:
    enum class Kind { Delete, Update, Insert }; // a batch's statements in this order
    struct Change {
        Kind kind;
        std::vector<std::size_t> columns; // an UPDATE's
        std::vector<db::Value> values;    // an UPDATE's, then the key's
        qint64 tag = 0;
    };
    struct Shape;
    using ShapeKey = std::pair<Kind, std::vector<std::size_t>>;

    void add(Change change);
    void sendBatch();
    // In bulk: each shape's array, then each change that cannot go in one.
    void sendArrays(std::vector<Change>& changes);
    Shape* shapeOf(const Change& change);
    void sendArray(Shape& shape);
    // One change as its own statement, committed on its own.
    void sendAlone(const Change& change);
    void setAutocommit(bool on);
    qint64& countOf(Kind kind);

    SinkContext c_;
    QStringList columns_;
    std::vector<std::size_t> key_;
    std::optional<std::vector<db::BulkInsert::Binding>> bindings_;
    std::size_t batchSize_;
    bool hold_;
    qint64 budget_;
    std::deque<Change> pending_;
    std::map<ShapeKey, std::unique_ptr<Shape>> shapes_;
    Counts done_;
    qint64 inDoubt_ = 0;
};

} // namespace transfer
