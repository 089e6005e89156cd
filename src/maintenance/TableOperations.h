#pragma once
// Dropping and renaming one table on an open connection: the operations both
// front ends call. They ask nothing and read no list; a failure throws (the
// server's message), and the caller keeps its list from what succeeded.
#include <QString>
#include <functional>

namespace db {
class Connection;
}

namespace maintenance {

// Sends one statement on an open connection. The operations use
// kernel::ExecuteStatement; tests hand in their own to show what a server
// that takes RENAME does, since no stand-in takes it.
using StatementRunner = std::function<void(db::Connection& connection, const QString& statement)>;

void DropTable(db::Connection& connection, const QString& table);

void RenameTable(db::Connection& connection, const QString& oldName, const QString& newName,
                 const StatementRunner& execute);

} // namespace maintenance
