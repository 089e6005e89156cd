#pragma once
// A table and its copy on the other side, both read in the same order (each
// from its own connection, read ahead on its own thread), walked together:
// rows whose sort values are the same on both sides are matched, the rest
// are on one side only. One row of each side is held at a time, plus the
// rows that share one key. The comparison records what the walk finds; a
// resumed copy inserts the rows only the source has.
#include "TableOrder.h"
#include "db/Session.h"

#include <functional>
#include <vector>

namespace kernel {

// A row as the walk holds it: its values in the order's columns, the sort
// columns' comparable forms, and how many identical rows it stands for.
struct WalkedRow {
    std::vector<db::Value> values;
    std::vector<Comparable> comparables; // sort columns only; the others Null
    qint64 count = 1;
};

// What the walk finds, in the order of the rows.
class WalkEvents {
public:
    virtual ~WalkEvents() = default;
    // `row.count` rows that only one side has.
    virtual void onlySource(const WalkedRow& row) = 0;
    virtual void onlyTarget(const WalkedRow& row) = 0;
    // `count` rows of the same key (a keyed order) with other values.
    virtual void differs(const WalkedRow& source, const WalkedRow& target, qint64 count) = 0;
    // `count` rows the same on both sides.
    virtual void same(qint64 count) { (void)count; }
};

// Whether a column holds the same value in two rows, read as what its source
// column holds (Comparable.h).
bool SameValue(const TableOrder& order, std::size_t column, const WalkedRow& a, const WalkedRow& b);

struct WalkedRows {
    qint64 source = 0;
    qint64 target = 0;
};

// `eachSourceRow` runs after every source row (progress, a turn for the event
// loop). Throws shell::Failure when a side's rows do not come in the order
// asked for.
WalkedRows WalkTogether(const TableOrder& order, db::RowSet& source, db::RowSet& target,
                        WalkEvents& events, const std::function<void()>& eachSourceRow);

} // namespace kernel
