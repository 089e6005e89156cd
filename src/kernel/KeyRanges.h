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
#include "Statements.h"
#include "TableOrder.h"
#include "WholeKey.h"

#include <QMap>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace kernel {

struct KeyRange {
    WholeKey first = 0; // keys from first to last, both included
    WholeKey last = 0;
    // False where the target holds no row of the range: its rows are all
    // missing, and only the source's need reading.
    bool readTarget = true;
};

// What a server counted of a range, or of the rows a condition picks: its
// rows, the sum of its rows' hashes (KeyRanges.h's statements), and its
// lowest and highest key where asked for.
struct RangeFigures {
    qint64 rows = 0;
    Comparable hashes;
    std::optional<WholeKey> lowest;
    std::optional<WholeKey> highest;
};

// The figures of each of `ranges` ranges of `width` keys from `low`, by the
// range's index, of the rows that `condition` picks; the hash of a row is
// that of `key.text`. Keys before the first range count as -1, after the
// last as `ranges`. With `bounds`, each range's lowest and highest key too.
QMap<qint64, RangeFigures> FiguresByRange(db::Connection& connection, const QString& table,
                                          const KeyTerms& key, WholeKey low, WholeKey width,
                                          qint64 ranges, const QString& condition, bool bounds);
// The figures of all the rows `condition` picks; their hashes only when
// `hashed` (hashing costs a server about a microsecond a row).
RangeFigures FiguresOf(db::Connection& connection, const KeyTerms& key, const QString& table,
                       const QString& condition, bool hashed);
// Runs the source's query here and the target's on a helper thread, so that
// both servers work at once; a failure of either is thrown here.
void BothAtOnce(const std::function<void()>& onSource, const std::function<void()>& onTarget);

struct KeyRanges {
    // The ranges to read, in key order, neighbours of one kind joined.
    std::vector<KeyRange> differing;
    // The source rows of the ranges whose figures agree.
    qint64 rowsInAgreeingRanges = 0;
    // The source's rows (those that match its condition) and the target's.
    qint64 sourceRows = 0;
    qint64 targetRows = 0;
    // A condition on the target for its rows outside the source's key span
    // or without a key, which are to be read too; empty where it has none.
    QString targetOutside{};
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
// The same for several ranges at once, in one condition of ORs.
QString InRanges(const QString& key, std::span<const KeyRange> ranges,
                 const QString& condition = {});

} // namespace kernel
