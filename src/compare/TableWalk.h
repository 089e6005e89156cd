#pragma once
// The walk of a table and its copy, both read in the same order (each from
// its own connection, read ahead on its own thread): rows whose sort values
// are the same on both sides are matched, the rest are only on one side.
// One row of each side is held at a time, plus the rows that share one key.
#include "Comparison.h"
#include "TableOrder.h"
#include "db/Session.h"

#include <functional>

namespace compare {

// Counts into `result` and lists its first differences. `eachSourceRow` runs
// after every source row (progress, a turn for the event loop). Throws
// shell::Failure when a side's rows do not come in the order asked for.
void WalkTogether(const TableOrder& order, db::RowSet& source, db::RowSet& target,
                  TableComparison& result, const std::function<void()>& eachSourceRow);

// A value as the result shows it: NULL, or the text (a long one cut around
// the place where it differs from `other`).
QString Shown(const db::Value& value, const db::Value& other = {});

} // namespace compare
