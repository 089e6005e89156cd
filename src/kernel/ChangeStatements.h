#pragma once
// The statements that bring a copy's row to its source's values: an UPDATE
// of the columns that differ and a DELETE, each naming its row by the key
// columns in its WHERE. Values are literals under the INSERT's rules, bound
// where a literal would pass the server's limits; bulk mode prepares the same
// statements with a "?" for each value.
//
//     UPDATE "T" SET "NAME" = 'x', "AMOUNT" = NULL WHERE "K" = '12'
//     DELETE FROM "T" WHERE "K" = '12'
#include "Statements.h"

namespace kernel {

// Columns and their values, in the same order.
struct ColumnValues {
    QStringList columns;
    QList<db::Value> values;
};

// A key value that is NULL is matched by IS NULL, an empty text as itself.
QString BoundUpdateStatement(Side target, QStringView tableName, const ColumnValues& set,
                             const ColumnValues& key, const db::LiteralForms* typed, qint64 budget,
                             db::BoundValues& bound);
QString BoundDeleteStatement(Side target, QStringView tableName, const ColumnValues& key,
                             const db::LiteralForms* typed, qint64 budget, db::BoundValues& bound);

// The set columns' "?" first, then the key's.
QString PreparedUpdateStatement(QStringView tableName, const QStringList& set,
                                const QStringList& key);
QString PreparedDeleteStatement(QStringView tableName, const QStringList& key);

} // namespace kernel
