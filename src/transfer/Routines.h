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

// Whether two table names are the same without regard to letter case. The
// one comparison for that: the overwrite question must find the spelling
// that the contains test found (Greek final sigma, for one, only folds).
bool SameTableName(QStringView a, QStringView b);

// True when some item is the same name (SameTableName).
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
