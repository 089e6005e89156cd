#pragma once
// Routines that the copy runs and the maintenance handlers share: finding and
// removing a table name in a list, and sending one statement.
#include <QString>
#include <QStringView>

class QListWidget;

namespace db {
class Connection;
}

namespace transfer {

// True when some item equals the name without regard to letter case.
bool ListContainsName(const QListWidget* list, QStringView name);

// Removes every item whose text equals the name exactly (letter case counts).
void RemoveListName(QListWidget* list, QStringView name);

// Adds the name unless an item of exactly that text is already there; the
// list's sorting places it.
void AddListName(QListWidget* list, const QString& name);

// Runs one statement; a failure reaches the caller's error trap.
void ExecuteStatement(db::Connection& connection, const QString& statement);

// The table's rows as the server counts them.
qint64 CountRows(db::Connection& connection, QStringView tableName);

} // namespace transfer
