#pragma once
// What the comparison of a table with its copy on the other side found.
#include <QList>
#include <QString>

namespace compare {

// How many differences a table's result lists; the counts go on.
inline constexpr int listedDifferences = 20;

struct ColumnDifference {
    QString column;
    QString source; // the value as each side holds it, NULL for Null
    QString target;
};

struct RowDifference {
    enum class Kind { OnlySource, OnlyTarget, Differs };
    Kind kind = Kind::Differs;
    // The row's key as column = value pairs; every value of a table that
    // has no key.
    QString key;
    QList<ColumnDifference> columns; // for Differs
};

struct TableComparison {
    enum class Outcome {
        Equal,       // every row on both sides, every value the same
        Differs,     // some row only on one side, or with other values
        Missing,     // no table of that name on the target
        Failed,      // the comparison could not be made (the report says why)
        Lost,        // a connection went meanwhile
        Interrupted, // the user stopped the program
    };
    QString table;
    Outcome outcome = Outcome::Failed;
    // What the rows were matched by: "its primary key ("ID")", or every
    // column.
    QString order{};
    qint64 sourceRows = 0;
    qint64 targetRows = 0;
    qint64 onlySource = 0;
    qint64 onlyTarget = 0;
    qint64 differing = 0;
    QList<RowDifference> differences{}; // the first listedDifferences
    // How the rows were compared: by the checksums each server computed of
    // the key's ranges, reading the rows of only the ranges that differ,
    // or by reading every row of both sides.
    enum class Method { Rows, Checksums };
    Method method = Method::Rows;
    QString byRowsWhy{}; // why every row was read, where it was
    qint64 rowsRead = 0; // of both sides together
    // Why the table could not be compared, or why its columns differ.
    QString problem{};
    double seconds = 0;
};

QString OutcomeWord(TableComparison::Outcome outcome);
// "checksums" or "rows".
QString MethodWord(TableComparison::Method method);
// "only in the source", "only in the target", "differs".
QString DifferenceText(RowDifference::Kind kind);

// The result as lines of text: the window's copy, the command line's summary.
QString ComparisonText(const TableComparison& comparison);

} // namespace compare
