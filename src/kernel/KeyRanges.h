#pragma once
// A table's rows cut into ranges of its key: for copies that run at once
// (SplitConditions), and to tell which parts of a table its copy lacks.
//
// Which parts of a table its copy lacks, told by counting instead of
// reading: the source's key span is cut into ranges, each server counts the
// keys of every range and sums a hash of each (one grouped query, both at
// once), and only the ranges whose figures differ need their rows read. A copy stopped
// part-way leaves its hole in a few neighbouring ranges: a range the target
// holds no row of, or holds exactly the source's rows between its lowest and
// highest key, needs only the source's rows read, by its key. Without an
// index the target is scanned whole by every read, so those reads are few.
//
// A range whose count and sum of key hashes (MD5 of each key's digits, on
// each server) agree holds the source's keys: no choice of keys but the
// same matches both by accident. Its rows' other values are not read; a
// comparison reads every row and would show rows changed since.
#include "TableOrder.h"
#include "WholeKey.h"

#include <optional>
#include <vector>

namespace kernel {

struct KeyRange {
    WholeKey first = 0; // keys from first to last, both included
    WholeKey last = 0;
    // False where the target holds no row of the range: its rows are all
    // missing, and only the source's need reading.
    bool readTarget = true;
};

struct KeyRanges {
    // The ranges to read, in key order, neighbours of one kind joined.
    std::vector<KeyRange> differing;
    // The source rows of the ranges whose figures agree.
    qint64 rowsInAgreeingRanges = 0;
    // The source's rows (those that match its condition) and the target's.
    qint64 sourceRows = 0;
    qint64 targetRows = 0;
};

// Nothing when the key is not one whole-number column (or its values reach
// beyond what the servers cut exactly, WholeKey.h): then every row is read.
std::optional<KeyRanges> DifferingRanges(const TableOrder& order, db::Connection& source,
                                         const QString& sourceTable, const QString& condition,
                                         db::Connection& target, const QString& targetTable);

// The conditions that cut a table's rows (those that match `condition`)
// into `parts` ranges of its key, for copies that run at once: the key's
// span from its lowest to its highest value cut into equal ranges, the
// first and the last open at their outer end, so that every row falls into
// exactly one. Whole numbers by value, in 128 bits; dates by day and
// timestamps by second, computed in no zone, so that a local zone's
// repeated hour cannot move a bound. Empty, with *problem, where the table
// has no such key or its values cannot be cut exactly.
QStringList SplitConditions(db::Connection& source, const QString& table, const QString& condition,
                            int parts, QString* problem);

// "<key> >= first AND <key> <= last", with the user's condition before it.
QString InRange(const QString& key, const KeyRange& range, const QString& condition = {});

} // namespace kernel
