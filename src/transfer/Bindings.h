#pragma once
// How bulk mode binds each column, so that the server reads a bound value as
// it reads the row's literal.
#include "ExactTypes.h"
#include "db/BulkInsert.h"
#include "db/ColumnDescription.h"
#include "kernel/Statements.h"

namespace transfer {

// How bulk mode binds a column of that mapped type so that the server reads
// each value as it reads the row's literal: a date as a date, a number as its
// digits, a boolean toward Oracle as 1 or 0, everything else as text.
db::BulkInsert::Binding BindingFor(db::Side target, int adoCode);

// With exact types: numbers with a scale go as their text, which every
// server reads exactly.
db::BulkInsert::Binding BindingFor(const ColumnType& type, const db::ColumnDescription& source);

} // namespace transfer
