#pragma once
// Types fitted to the data (--fit-types, with exact types): where a source
// column's declared type says too little of its values (a number without a
// precision, a text of any length), one aggregate query on the source
// measures what the values hold, and the column gets the narrowest exact
// type that holds every one of them. The values are still checked as they
// are sent: a row changed since the measure is refused, never cut.
#include "ExactTypes.h"
#include "db/Session.h"

#include <QMap>
#include <QString>
#include <optional>

namespace transfer {

// The driver's description with the catalogue's word on it: a number
// declared without a precision has none (size 0).
db::ColumnDescription AsDeclared(db::ColumnDescription description, const QString& name,
                                 const QStringList& unboundedNumbers);
// The exact type a copy declares for a column so described: the fitted one
// where there is one, NOT NULL as the source has it.
ColumnType DeclaredType(db::Side to, const db::ColumnDescription& declared, const QString& name,
                        const QMap<QString, ColumnType>& fitted);

// What a column's values hold, each figure the largest over the table.
struct ColumnMeasure {
    bool number = false;
    bool anyValue = false; // false: every value is NULL, or there are no rows
    int wholeDigits = 0;   // of a number, before its point
    int fractionDigits = 0;
    qint64 characters = 0; // of a text
    // Measured only where the target counts a text's bytes (toward Oracle):
    // each measure costs the server about as much as reading the column.
    std::optional<qint64> bytes;
};

enum class Measuring {
    Fittable,        // the columns whose types fitting would narrow
    NumbersAndTexts, // every number and text: for a user choosing types
};

// One aggregate query on the source; no measure for a column the server
// has no expression for. `condition`: the copy's --where. Throws db::Error
// where the server refuses the query.
QMap<QString, ColumnMeasure> MeasureColumns(db::Connection& source, db::Side to,
                                            const QString& table,
                                            const QStringList& unboundedNumbers,
                                            const QString& condition, Measuring which);

// The narrowest exact type that holds every value measured so.
ColumnType FittedType(db::Side to, const ColumnMeasure& measure);
// "up to 12 digits before the point, 2 after", "up to 40 characters".
QString HoldsText(const ColumnMeasure& measure);
// Why some of the values measured would not arrive unchanged in such a
// column, or nothing where every one would.
std::optional<QString> MeasureMisfit(const ColumnMeasure& measure, const ColumnType& type);

// What a type written by the user (a rule, the types dialog) holds, for the
// checks above, where its spelling is one of the common ones: DECIMAL(p,s),
// NUMBER(p,s), the integers, VARCHAR(n), VARCHAR2(n), CHAR(n).
std::optional<ColumnType> TypeOfText(QStringView text);

// The fitted types by column name, of the columns that hold a value.
QMap<QString, ColumnType> FitColumnTypes(db::Connection& source, db::Side to, const QString& table,
                                         const QStringList& unboundedNumbers,
                                         const QString& condition);

} // namespace transfer
