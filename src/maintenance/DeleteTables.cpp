#include "DeleteTables.h"

#include "TableOperations.h"
#include "db/Session.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "shell/ErrorTrap.h"
#include "shell/Interrupt.h"

namespace maintenance {

namespace {
// What the report of a lost connection adds.
QString droppingText(const QString& table) {
    return table.isEmpty()
               ? QString()
               : QStringLiteral("Table %1 was being dropped.").arg(kernel::QuotedName(table));
}
} // namespace

void DeleteOracleTables(const kernel::Workspace& workspace) {
    shell::ErrorTrap trap(*workspace.dialogs, u"Form2", u"PushButton1_Click");
    const shell::TableList& list = workspace.oracleList;
    db::Connection connection;
    QString dropping;

    if (!trap.check(102, [&] { return list.currentRow() >= 0; })) {
        trap.step(124, [&] { workspace.dialogs->notice(QStringLiteral("Please select a table")); });
        return;
    }
    kernel::RunningOperation running(*workspace.activity);
    trap.step(104, [&] { workspace.activity->setPointer(shell::PointerState::Busy); });

    trap.endRunOnLostConnection([&] { return droppingText(dropping); });
    try {
        // From the last item up, so that removing an item leaves the positions
        // still to be visited where they were.
        for (int i = list.count() - 1; i >= 0; --i) {
            trap.step(108, [] { shell::Pause(); });
            if (!trap.check(110, [&] { return list.isSelected(i); })) {
                continue;
            }
            // A login that is refused now is refused for every further table:
            // one report, and the run ends.
            if (!trap.step(112, [&] {
                    connection.Open(db::OracleConnectionString(workspace.oracleLogin()));
                })) {
                break;
            }
            dropping = list.name(i);
            const bool dropped = trap.step(114, [&] { DropTable(connection, dropping); });
            dropping.clear();
            trap.step(116, [&] { connection.Close(); });
            if (dropped) {
                trap.step(118, [&] { list.removeRow(i); });
            }
        }
    } catch (const shell::RunEnded&) {
        // The connection went with the statement: reported once, the list
        // keeps the name, the connection goes when the handler returns.
    }
    trap.step(122, [&] { workspace.activity->setPointer(shell::PointerState::Default); });
}

void DeleteDb2Tables(const kernel::Workspace& workspace) {
    shell::ErrorTrap trap(*workspace.dialogs, u"Form2", u"PushButton5_Click");
    const shell::TableList& list = workspace.db2List;
    db::Connection connection;
    QString dropping;

    kernel::RunningOperation running(*workspace.activity);
    trap.step(102, [&] { workspace.activity->setPointer(shell::PointerState::Busy); });
    // Nothing can be dropped without the connection: its failure is the one
    // report of the press.
    if (trap.step(104, [&] { connection.Open(db::Db2ConnectionString(workspace.db2Login())); })) {
        if (trap.check(106, [&] { return list.currentRow() >= 0; })) {
            trap.endRunOnLostConnection([&] { return droppingText(dropping); });
            try {
                for (int i = list.count() - 1; i >= 0; --i) {
                    if (!trap.check(110, [&] { return list.isSelected(i); })) {
                        continue;
                    }
                    dropping = list.name(i);
                    const bool dropped = trap.step(112, [&] { DropTable(connection, dropping); });
                    dropping.clear();
                    if (dropped) {
                        trap.step(114, [&] { list.removeRow(i); });
                    }
                }
            } catch (const shell::RunEnded&) {
                // Reported once; the tables after it would fail the same way.
            }
        } else {
            trap.step(118, [&] {
                workspace.dialogs->notice(QStringLiteral("Please select a table to delete"));
            });
        }
    }
    // The connection goes when the handler returns.
    trap.step(120, [&] { workspace.activity->setPointer(shell::PointerState::Default); });
}

} // namespace maintenance
