#pragma once
// Source tables for the measurements, generated on the servers themselves so
// that generating them costs seconds, not a copy of their own.
#include "support/OwnerSql.h"

#include <QString>

namespace bench {

using standin::connectionString;
using standin::Side;

// Runs one statement as the side's owner login, with room for the DB2 side's
// recursive row generators.
void executeLarge(Side side, const QString& sql);
qint64 rowCount(Side side, const QString& table);

// Eight columns: integer, numeric(12,2), varchar(40), varchar(200) with
// quotes and non-ASCII text, date, timestamp, boolean, double (or, with
// exactRatio, numeric(24,12), which the servers can hash alike); some Nulls.
void createMixedTable(Side side, const QString& table, int rows, bool exactRatio = false);

// Few wide rows: a key and one text column of rowBytes characters.
void createWideTable(Side side, const QString& table, int rows, int rowBytes);

// count empty tables named <prefix>0000... on the side.
void createManyTables(Side side, const QString& prefix, int count);
void dropManyTables(Side side, const QString& prefix, int count);

} // namespace bench
