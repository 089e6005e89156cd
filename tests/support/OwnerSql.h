#pragma once
// Set-up and checks as a side's owner login (the one the tests' tables belong
// to), through the program's own session layer.
#include "StandIn.h"
#include "db/Session.h"

#include <QList>

namespace standin {

// The owner login's connection string.
QString connectionString(Side side);

// A connection as the owner; client-side unless asked otherwise, so that row
// sets opened on it know their count.
db::Connection openAsOwner(Side side, db::CursorLocation location = db::CursorLocation::Client);

void execute(Side side, const QString& sql);

// Drops the table when it is there; never fails.
void dropIfExists(Side side, const QString& table);
// The same on both sides: a test's tables, at its start and end.
void dropOnBothSides(const QString& table);

// One column of a table as the server's catalogue (SQLColumns) lists it.
struct CatalogueColumn {
    QString name;
    QString typeName; // the server's own, upper case
    qint64 size = 0;
    int decimalDigits = 0;
    bool nullable = true;
};

// The table's columns in their order, as its owner sees them.
QList<CatalogueColumn> catalogueColumns(Side side, const QString& table);

} // namespace standin
