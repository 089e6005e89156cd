#pragma once
// How a table and its copy are read so that their rows can be walked
// together: both sorted by the source's key (its primary key, else its
// narrowest unique index on NOT NULL columns), or by every column where it
// has none; each server asked for the same order, whatever its collation or
// the type the copy gave a column.
#include "Comparable.h"
#include "db/Session.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace kernel {

struct ComparedColumn {
    QString name;       // the source's spelling
    QString targetName; // the target's
    int sourceField = 0;
    int targetField = 0;
    Category category = Category::Text;
    bool padded = false;
    // As each driver described the column.
    db::ColumnDescription sourceType{};
    db::ColumnDescription targetType{};
};

struct TableOrder {
    std::vector<ComparedColumn> columns; // in the source's order
    // The columns (indexes into `columns`) the rows are sorted by.
    std::vector<std::size_t> sortedBy;
    // Whether those columns are a key of the source: a row is known by them,
    // and a row of the target with the same key and other values differs.
    bool keyed = false;
    QString description; // "its primary key ("ID")", "every column (it has no key)"
    QString sourceSelect;
    QString targetSelect;
    // The ORDER BY clauses of the two (" ORDER BY ..."), for a SELECT of a
    // part of the table.
    QString sourceOrderBy;
    QString targetOrderBy;
    // A key of one whole-number column: its value as each server computes it
    // (the copy may hold it as text), for counting the rows of key ranges;
    // empty for any other key.
    QString sourceNumberKey;
    QString targetNumberKey;
    // That key as its decimal digits on each server, for the fingerprint of
    // a key set: a number column as the server writes it, a text as it is.
    QString sourceKeyText;
    QString targetKeyText;
    // Why the tables cannot be walked together, or empty; when the columns
    // do not match, the tables differ.
    QString problem;
    bool columnsDiffer = false;
};

// Readies a connection for reading in key order (a larger sort buffer, say).
void PrepareKeyOrder(db::Connection& connection);

// Reads both tables' columns and the source's keys. Of the source, only the
// rows that match `sourceCondition` (all when it is empty): a copy of some
// rows compares with those.
TableOrder PlanOrder(db::Connection& source, const QString& sourceTable, db::Connection& target,
                     const QString& targetTable, const QString& sourceCondition = {});

// The target table's spelling of each of the source's columns, in the
// source's order; nothing, with *problem, where the two tables' columns are
// not the same names (without regard to letter case).
std::optional<QStringList> TargetColumnNames(db::Connection& target, const QString& targetTable,
                                             const QStringList& sourceColumns, QString* problem);

// A key a table's rows can be cut into ranges by: one column (its primary
// key, or its narrowest unique index on NOT NULL columns) that holds whole
// numbers, dates or timestamps without a zone.
struct CuttingKey {
    enum class Kind { None, WholeNumber, Date, Timestamp };
    Kind kind = Kind::None;
    QString term; // the column, quoted
};
CuttingKey KeyToCutBy(db::Connection& connection, const QString& table);

} // namespace kernel
