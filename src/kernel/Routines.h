#pragma once
// Routines that the copy runs and the maintenance handlers share: finding and
// removing a table name in a list, and sending one statement.
#include "shell/TableList.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace db {
class Connection;
}

namespace kernel {

// Whether two table names are the same without regard to letter case. The
// one comparison for that: the overwrite question must find the spelling
// that the contains test found (Greek final sigma, for one, only folds).
bool SameTableName(QStringView a, QStringView b);

// A side's spelling of the name: exactly that text if listed, else one that
// differs only in letter case; nothing when neither is listed.
std::optional<QString> TargetSpelling(const QStringList& names, const QString& name);

// True when some item is the same name (SameTableName).
bool ListContainsName(const shell::TableList& list, QStringView name);

// Removes every item whose text equals the name exactly (letter case counts).
void RemoveListName(const shell::TableList& list, QStringView name);

// Adds the name unless an item of exactly that text is already there, in the
// list's order.
void AddListName(const shell::TableList& list, const QString& name);

// Runs one statement; a failure reaches the caller's error trap.
void ExecuteStatement(db::Connection& connection, const QString& statement);

// The table's rows as the server counts them (those that match the
// condition, when one is given).
qint64 CountRows(db::Connection& connection, QStringView tableName, const QString& condition = {});
// The table's numeric columns declared without a precision, where the
// server's driver describes them with one; none where it says so itself, or
// where the catalogue cannot be read (the driver's word then stands).
QStringList UnboundedNumberColumns(db::Connection& connection, QStringView tableName);

} // namespace kernel
