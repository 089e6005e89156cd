#pragma once
// Each value checked against the column it goes to before it is sent: a
// server rounds a decimal or a fraction of a second without a word, and
// drivers misreport sizes (psqlODBC gives an unbounded VARCHAR as 4000).
//
//     if (auto why = Misfit(value, type)) { ... the row is not sent ... }
#include "ExactTypes.h"
#include "db/Value.h"

#include <QString>
#include <optional>

namespace transfer {

// Why the value would not arrive unchanged in such a column (too long, more
// digits or fractional digits than it holds), or nothing when it fits.
std::optional<QString> Misfit(const db::Value& value, const ColumnType& type);

} // namespace transfer
