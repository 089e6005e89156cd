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

namespace transfer {

// The driver's description with the catalogue's word on it: a number
// declared without a precision has none (size 0).
db::ColumnDescription AsDeclared(db::ColumnDescription description, const QString& name,
                                 const QStringList& unboundedNumbers);
// The exact type a copy declares for a column so described: the fitted one
// where there is one, NOT NULL as the source has it.
ColumnType DeclaredType(db::Side to, const db::ColumnDescription& declared, const QString& name,
                        const QMap<QString, ColumnType>& fitted);

// The fitted types by column name; none for a column whose values the
// server cannot measure, or that holds no value. `condition`: the copy's
// --where. Throws db::Error where the server refuses the query.
QMap<QString, ColumnType> FitColumnTypes(db::Connection& source, db::Side to, const QString& table,
                                         const QStringList& unboundedNumbers,
                                         const QString& condition);

} // namespace transfer
