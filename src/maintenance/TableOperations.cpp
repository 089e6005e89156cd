#include "TableOperations.h"

#include "kernel/Routines.h"
#include "kernel/Statements.h"

namespace maintenance {

void DropTable(db::Connection& connection, const QString& table) {
    kernel::ExecuteStatement(connection, kernel::DropTableStatement(table));
}

void RenameTable(db::Connection& connection, const QString& oldName, const QString& newName,
                 const StatementRunner& execute) {
    (execute ? execute : kernel::ExecuteStatement)(connection,
                                                   kernel::RenameStatement(oldName, newName));
}

} // namespace maintenance
