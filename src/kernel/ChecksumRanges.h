#pragma once
// Which key ranges of a table and its copy hold other rows, told by the
// servers: each counts the rows of every range of the key and sums a hash
// of each row's canonical text (RowText.h), both at once; ranges whose
// figures agree hold the same rows, with the same values, and are not read.
// A range that differs and holds many rows is cut again, by the key's
// value as the resume cuts it, until its rows are few enough to read.
//
// The hash of a row is the first 60 bits of the MD5 of its text; two ranges
// of which one row differs agree by accident with a chance of about 2^-60.
#include "KeyRanges.h"
#include "RowText.h"

#include <functional>
#include <optional>

namespace kernel {

// How finely the key span is cut, and how the ranges that differ are read.
struct RangeSizes {
    qint64 rowsPerRange; // a first range's rows on average,
    qint64 mostRanges;   // in at most so many ranges
    // A range that differs and holds more rows on either side is cut into
    // `cutInto`, at most `mostCuts` times.
    qint64 mostRowsRead;
    qint64 cutInto;
    int mostCuts;
    // Far-apart ranges are joined into so many reads at most; 0: only
    // neighbours are joined.
    std::size_t mostReads;
};

// To read what differs once: few queries, since each scans a target without
// an index on the key whole, and reading a few thousand rows more costs less.
inline constexpr RangeSizes toCompare{4096, 4096, 16 * 4096, 64, 16, 16};
// To change what differs, on a target with an index on the key: ranges of a
// few rows, so that rows changed here and there are read nearly alone.
inline constexpr RangeSizes toChange{8, 1 << 17, 4096, 64, 64, 0};

// The ranges whose rows must be read (in key order, neighbours joined), both
// sides' row counts and the rows of the ranges found equal. Nothing where the key is not one
// whole-number column, its values reach beyond what the servers cut exactly, or the target holds
// rows without such a key. `settled` is told what share of the key span is
// known, after each query.
std::optional<KeyRanges> RangesThatDiffer(const TableOrder& order, const RowTexts& texts,
                                          db::Connection& source, const QString& sourceTable,
                                          const QString& condition, db::Connection& target,
                                          const QString& targetTable,
                                          const std::function<void(double)>& settled,
                                          const RangeSizes& sizes = toCompare);

} // namespace kernel
