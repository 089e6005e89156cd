#pragma once
// The comparison's record of a walk (kernel/OrderedWalk.h): counts, and the
// first differences with their keys and values.
#include "Comparison.h"
#include "kernel/OrderedWalk.h"

#include <functional>

namespace compare {

// Adds to `result`'s counts of differences and lists its first ones; the
// rows read of each side are returned. `eachSourceRow` runs
// after every source row. Throws shell::Failure when a side's rows do not
// come in the order asked for.
kernel::WalkedRows WalkTogether(const kernel::TableOrder& order, db::RowSet& source,
                                db::RowSet& target, TableComparison& result,
                                const std::function<void()>& eachSourceRow);

// A value as the result shows it: NULL, or the text (a long one cut around
// the place where it differs from `other`).
QString Shown(const db::Value& value, const db::Value& other = {});

} // namespace compare
