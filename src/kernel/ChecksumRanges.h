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

// The ranges whose rows must be read (in key order, neighbours joined, at
// most a few far-apart reads), both sides' row counts and the rows of the
// ranges found equal. Nothing where the key is not one whole-number column,
// its values reach beyond what the servers cut exactly, or the target holds
// rows without such a key. `settled` is told what share of the key span is
// known, after each query.
std::optional<KeyRanges> RangesThatDiffer(const TableOrder& order, const RowTexts& texts,
                                          db::Connection& source, const QString& sourceTable,
                                          const QString& condition, db::Connection& target,
                                          const QString& targetTable,
                                          const std::function<void(double)>& settled);

} // namespace kernel
